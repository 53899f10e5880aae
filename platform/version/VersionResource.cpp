#include "platform/version/VersionResource.h"

#include <algorithm>
#include <cstring>

namespace nv::version {

namespace {

constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kMaxBlock = 0xFFFF;
constexpr uint32_t kSignature = 0xFEEF04BD;

std::optional<uint16_t> u16(const ByteReader& r, uint64_t off) {
    uint8_t b[2];
    if (!r.readAt(off, b, 2))
        return std::nullopt;
    return uint16_t(b[0] | b[1] << 8);
}

std::optional<uint32_t> u32(const ByteReader& r, uint64_t off) {
    uint8_t b[4];
    if (!r.readAt(off, b, 4))
        return std::nullopt;
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

uint16_t le16(std::span<const uint8_t> b, size_t off) { return uint16_t(b[off] | b[off + 1] << 8); }
uint32_t le32(std::span<const uint8_t> b, size_t off) {
    return uint32_t(b[off]) | uint32_t(b[off + 1]) << 8 | uint32_t(b[off + 2]) << 16 | uint32_t(b[off + 3]) << 24;
}

size_t align4(size_t v) { return (v + 3) & ~size_t(3); }

// ---- PE ----

struct Section {
    uint32_t va, vsize, rawSize, rawPtr;
};

class PeImage {
public:
    static std::optional<PeImage> open(const ByteReader& r, uint64_t peOff) {
        PeImage img(r);
        auto nSections = u16(r, peOff + 6);
        auto optSize = u16(r, peOff + 20);
        if (!nSections || !optSize)
            return std::nullopt;
        uint64_t opt = peOff + 24;
        auto magic = u16(r, opt);
        if (!magic)
            return std::nullopt;
        uint64_t countOff, dirOff;
        if (*magic == 0x10B) {
            countOff = opt + 92;
            dirOff = opt + 96;
        } else if (*magic == 0x20B) {
            countOff = opt + 108;
            dirOff = opt + 112;
        } else {
            return std::nullopt;
        }
        auto count = u32(r, countOff);
        // The resource entry must lie inside the optional header.
        if (!count || *count < 3 || dirOff + 3 * 8 > opt + *optSize)
            return std::nullopt;
        auto rva = u32(r, dirOff + 16);
        auto size = u32(r, dirOff + 20);
        if (!rva || !size || *rva == 0)
            return std::nullopt;
        img.rsrcRva_ = *rva;
        uint64_t sec = opt + *optSize;
        for (unsigned i = 0; i < *nSections && i < 96; ++i) {
            uint8_t s[40];
            if (!r.readAt(sec + 40ull * i, s, sizeof s))
                return std::nullopt;
            std::span<const uint8_t> b(s);
            img.sections_.push_back({le32(b, 12), le32(b, 8), le32(b, 16), le32(b, 20)});
        }
        auto base = img.toFile(img.rsrcRva_);
        if (!base)
            return std::nullopt;
        img.rsrcBase_ = *base;
        return img;
    }

    std::optional<uint64_t> toFile(uint32_t rva) const {
        for (const auto& s : sections_) {
            uint32_t extent = std::max(s.vsize, s.rawSize);
            if (rva >= s.va && uint64_t(rva) < uint64_t(s.va) + extent) {
                uint64_t delta = rva - s.va;
                if (delta >= s.rawSize)
                    return std::nullopt;  // uninitialised data holds no resource
                return uint64_t(s.rawPtr) + delta;
            }
        }
        return std::nullopt;
    }

    // The entry of a resource directory with this id, or the first one when
    // `id` is empty. Returns the entry's data DWORD.
    std::optional<uint32_t> entry(uint64_t dir, std::optional<uint32_t> id, std::optional<uint32_t> fallback) const {
        auto named = u16(r_, dir + 12);
        auto ids = u16(r_, dir + 14);
        if (!named || !ids)
            return std::nullopt;
        uint32_t total = uint32_t(*named) + *ids;
        std::optional<uint32_t> first, wanted, second;
        for (uint32_t i = 0; i < total; ++i) {
            auto name = u32(r_, dir + 16 + 8ull * i);
            auto data = u32(r_, dir + 16 + 8ull * i + 4);
            if (!name || !data)
                return std::nullopt;
            if (!first)
                first = *data;
            if (*name & 0x80000000u)
                continue;
            if (id && *name == *id && !wanted)
                wanted = *data;
            if (fallback && *name == *fallback && !second)
                second = *data;
        }
        if (!id)
            return first;
        if (wanted)
            return wanted;
        return second;
    }

    std::optional<Location> version() const {
        auto types = entry(rsrcBase_, kRtVersion, std::nullopt);
        if (!types || !(*types & 0x80000000u))
            return std::nullopt;
        auto names = entry(rsrcBase_ + (*types & 0x7FFFFFFFu), 1u, std::nullopt);
        if (!names)
            names = entry(rsrcBase_ + (*types & 0x7FFFFFFFu), std::nullopt, std::nullopt);
        if (!names || !(*names & 0x80000000u))
            return std::nullopt;
        auto lang = entry(rsrcBase_ + (*names & 0x7FFFFFFFu), std::nullopt, std::nullopt);
        if (!lang || (*lang & 0x80000000u))
            return std::nullopt;
        uint64_t dataEntry = rsrcBase_ + *lang;
        auto dataRva = u32(r_, dataEntry);
        auto dataSize = u32(r_, dataEntry + 4);
        if (!dataRva || !dataSize)
            return std::nullopt;
        auto off = toFile(*dataRva);
        if (!off)
            return std::nullopt;
        return Location{FileFormat::PE, *off, std::min(*dataSize, kMaxBlock)};
    }

private:
    explicit PeImage(const ByteReader& r) : r_(r) {}
    const ByteReader& r_;
    uint32_t rsrcRva_ = 0;
    uint64_t rsrcBase_ = 0;
    std::vector<Section> sections_;
};

// ---- NE ----

std::optional<Location> locateNe(const ByteReader& r, uint64_t ne) {
    auto rsrcRel = u16(r, ne + 0x24);
    auto residentRel = u16(r, ne + 0x26);
    if (!rsrcRel || !residentRel || *rsrcRel == *residentRel)
        return std::nullopt;  // no resource table
    uint64_t table = ne + *rsrcRel;
    auto shift = u16(r, table);
    if (!shift || *shift > 16)
        return std::nullopt;
    uint64_t pos = table + 2;
    // Each TYPEINFO advances; a table cannot hold more records than the file has bytes.
    for (int guard = 0; guard < 4096; ++guard) {
        auto type = u16(r, pos);
        auto count = u16(r, pos + 2);
        if (!type || *type == 0 || !count)
            return std::nullopt;
        uint64_t names = pos + 8;
        if (*type == (0x8000 | kRtVersion)) {
            std::optional<Location> first;
            for (unsigned i = 0; i < *count; ++i) {
                uint64_t ni = names + 12ull * i;
                auto off = u16(r, ni);
                auto len = u16(r, ni + 2);
                auto id = u16(r, ni + 6);
                if (!off || !len || !id)
                    return std::nullopt;
                uint64_t size = uint64_t(*len) << *shift;
                Location loc{FileFormat::NE, uint64_t(*off) << *shift, uint32_t(std::min<uint64_t>(size, kMaxBlock))};
                if (*id == (0x8000 | 1))
                    return loc;
                if (!first)
                    first = loc;
            }
            return first;
        }
        pos = names + 12ull * *count;
    }
    return std::nullopt;
}

// ---- LE (virtual device drivers) ----

std::optional<Location> locateLe(const ByteReader& r, uint64_t le) {
    auto resOff = u32(r, le + 0xB8);
    auto resLen = u32(r, le + 0xBC);
    if (!resOff || !resLen || *resLen <= 12)
        return std::nullopt;
    uint8_t h[12];
    if (!r.readAt(*resOff, h, sizeof h))
        return std::nullopt;
    std::span<const uint8_t> b(h);
    if (h[0] != 0xFF || le16(b, 1) != kRtVersion || h[3] != 0xFF)
        return std::nullopt;
    uint32_t size = std::min(le32(b, 8), *resLen - 12);
    return Location{FileFormat::LE, uint64_t(*resOff) + 12, std::min(size, kMaxBlock)};
}

// ---- blocks ----

struct Node {
    size_t start = 0, end = 0;       // within the block
    std::string key;                 // ASCII (Win32 keys are narrowed)
    size_t valueStart = 0, valueBytes = 0;
    uint16_t valueLength = 0;
    bool isText = false;
    size_t childStart = 0;
};

std::optional<Node> parseNode(std::span<const uint8_t> b, size_t start, size_t limit, Layout layout) {
    if (start + 6 > limit)
        return std::nullopt;
    Node n;
    n.start = start;
    uint16_t wLength = le16(b, start);
    n.valueLength = le16(b, start + 2);
    if (wLength < 6 || start + wLength > limit)
        return std::nullopt;
    n.end = start + wLength;
    size_t p;
    if (layout == Layout::Win16) {
        p = start + 4;
        while (p < n.end && b[p] != 0)
            n.key += char(b[p++]);
        if (p >= n.end)
            return std::nullopt;
        ++p;
        n.valueStart = align4(p);
        n.valueBytes = n.valueLength;
    } else {
        uint16_t wType = le16(b, start + 4);
        n.isText = wType == 1;
        p = start + 6;
        for (;;) {
            if (p + 2 > n.end)
                return std::nullopt;
            uint16_t c = le16(b, p);
            p += 2;
            if (c == 0)
                break;
            n.key += c < 0x80 ? char(c) : '?';
        }
        n.valueStart = align4(p);
        n.valueBytes = size_t(n.valueLength) * (n.isText ? 2 : 1);
    }
    if (n.valueStart > n.end)
        n.valueStart = n.end;
    if (n.valueBytes > n.end - n.valueStart)
        n.valueBytes = n.end - n.valueStart;  // clipped to the node, as found
    n.childStart = std::min(align4(n.valueStart + n.valueBytes), n.end);
    return n;
}

bool keyEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = char(x - 32);
        if (y >= 'a' && y <= 'z')
            y = char(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

}  // namespace

bool SpanReader::readAt(uint64_t offset, void* buffer, size_t n) const {
    if (offset > data_.size() || n > data_.size() - offset)
        return false;
    if (n)
        std::memcpy(buffer, data_.data() + offset, n);
    return true;
}

std::optional<Location> locate(const ByteReader& r) {
    uint8_t mz[2];
    if (!r.readAt(0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z')
        return std::nullopt;
    auto lfanew = u32(r, 0x3C);
    if (!lfanew || *lfanew < 0x40)
        return std::nullopt;
    uint8_t sig[4];
    if (!r.readAt(*lfanew, sig, 4))
        return std::nullopt;
    if (sig[0] == 'P' && sig[1] == 'E' && sig[2] == 0 && sig[3] == 0) {
        auto img = PeImage::open(r, *lfanew);
        return img ? img->version() : std::nullopt;
    }
    if (sig[0] == 'N' && sig[1] == 'E')
        return locateNe(r, *lfanew);
    if (sig[0] == 'L' && sig[1] == 'E')
        return locateLe(r, *lfanew);
    return std::nullopt;
}

std::optional<Layout> layoutOf(std::span<const uint8_t> block) {
    if (block.size() < 6)
        return std::nullopt;
    return block[4] >= 0x20 ? Layout::Win16 : Layout::Win32;
}

std::optional<std::vector<uint8_t>> readBlock(const ByteReader& file, Location* where) {
    auto loc = locate(file);
    if (!loc || loc->size < 6)
        return std::nullopt;
    std::vector<uint8_t> block(loc->size);
    if (!file.readAt(loc->offset, block.data(), block.size()))
        return std::nullopt;
    auto layout = layoutOf(block);
    if (!layout)
        return std::nullopt;
    auto root = parseNode(block, 0, block.size(), *layout);
    if (!root || !keyEquals(root->key, "VS_VERSION_INFO"))
        return std::nullopt;
    if (where)
        *where = *loc;
    return block;
}

std::optional<Value> query(std::span<const uint8_t> block, std::string_view subBlock) {
    auto layout = layoutOf(block);
    if (!layout)
        return std::nullopt;
    auto node = parseNode(block, 0, block.size(), *layout);
    if (!node)
        return std::nullopt;
    size_t depth = 0;
    while (!subBlock.empty()) {
        size_t skip = subBlock.find_first_not_of('\\');
        if (skip == std::string_view::npos)
            break;
        subBlock.remove_prefix(skip);
        size_t cut = subBlock.find('\\');
        std::string_view want = subBlock.substr(0, cut);
        subBlock = cut == std::string_view::npos ? std::string_view() : subBlock.substr(cut);
        std::optional<Node> found;
        for (size_t p = node->childStart; p < node->end;) {
            auto child = parseNode(block, p, node->end, *layout);
            if (!child)
                break;
            if (keyEquals(child->key, want)) {
                found = child;
                break;
            }
            p = align4(child->end);
        }
        if (!found)
            return std::nullopt;
        node = found;
        ++depth;
    }
    Value v;
    v.bytes = block.subspan(node->valueStart, node->valueBytes);
    v.layout = *layout;
    v.valueLength = node->valueLength;
    // In the 16-bit layout, strings sit three levels down
    // (StringFileInfo\table\name); everything else is binary.
    v.isText = *layout == Layout::Win32 ? node->isText : depth == 3;
    return v;
}

std::optional<FixedInfo> fixedInfo(std::span<const uint8_t> block) {
    auto v = query(block, "\\");
    if (!v || v->bytes.size() < 52 || le32(v->bytes, 0) != kSignature)
        return std::nullopt;
    FixedInfo f;
    f.fileVersionMS = le32(v->bytes, 8);
    f.fileVersionLS = le32(v->bytes, 12);
    f.productVersionMS = le32(v->bytes, 16);
    f.productVersionLS = le32(v->bytes, 20);
    f.fileFlags = le32(v->bytes, 28);
    f.fileOS = le32(v->bytes, 32);
    f.fileType = le32(v->bytes, 36);
    f.fileSubtype = le32(v->bytes, 40);
    return f;
}

std::string formatFileVersion(const FixedInfo& f) {
    return std::to_string(f.fileVersionMS >> 16) + "." + std::to_string(f.fileVersionMS & 0xFFFF) + "." +
           std::to_string(f.fileVersionLS >> 16) + "." + std::to_string(f.fileVersionLS & 0xFFFF);
}

}  // namespace nv::version
