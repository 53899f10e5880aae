#include "platform/progman/ShellLink.h"

#include <cstring>

#include <winerror.h>

namespace nv::progman {
namespace {

// [MS-SHLLINK] 2.1: LinkCLSID 00021401-0000-0000-C000-000000000046.
constexpr uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint32_t kHeaderSize = 0x4C;

// LinkFlags, [MS-SHLLINK] 2.1.1.
constexpr uint32_t kHasLinkTargetIdList = 0x01;
constexpr uint32_t kHasLinkInfo = 0x02;
constexpr uint32_t kHasName = 0x04;
constexpr uint32_t kHasRelativePath = 0x08;
constexpr uint32_t kHasWorkingDir = 0x10;
constexpr uint32_t kHasArguments = 0x20;
constexpr uint32_t kHasIconLocation = 0x40;
constexpr uint32_t kIsUnicode = 0x80;

constexpr uint32_t kFileAttributeNormal = 0x80;
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x01;

class Writer {
public:
    void u16(uint16_t v) { put(&v, 2); }
    void u32(uint32_t v) { put(&v, 4); }
    void bytes(const void* p, size_t n) { put(p, n); }
    void cstr(std::string_view s) {
        put(s.data(), s.size());
        out_.push_back(0);
    }
    void counted(std::string_view s) {
        if (s.size() > 0xFFFF)
            s = s.substr(0, 0xFFFF);
        u16(static_cast<uint16_t>(s.size()));
        put(s.data(), s.size());
    }
    size_t size() const { return out_.size(); }
    void patch32(size_t at, uint32_t v) { std::memcpy(out_.data() + at, &v, 4); }
    std::vector<uint8_t> take() { return std::move(out_); }

private:
    void put(const void* p, size_t n) {
        auto b = static_cast<const uint8_t*>(p);
        out_.insert(out_.end(), b, b + n);
    }
    std::vector<uint8_t> out_;
};

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& b) : b_(b) {}
    bool has(size_t n) const { return pos_ <= b_.size() && b_.size() - pos_ >= n; }
    size_t pos() const { return pos_; }
    Result<uint16_t> u16() {
        if (!has(2))
            return short_();
        uint16_t v;
        std::memcpy(&v, b_.data() + pos_, 2);
        pos_ += 2;
        return v;
    }
    Result<uint32_t> u32() {
        if (!has(4))
            return short_();
        uint32_t v;
        std::memcpy(&v, b_.data() + pos_, 4);
        pos_ += 4;
        return v;
    }
    Result<void> skip(size_t n) {
        if (!has(n))
            return short_();
        pos_ += n;
        return {};
    }
    // A counted string: ANSI bytes, or UTF-16 reduced to its low bytes
    // (the stand-in's links are ANSI; this only keeps foreign ones readable).
    Result<std::string> counted(bool unicode) {
        uint16_t n = NV_TRY(u16());
        size_t bytes = unicode ? n * 2u : n;
        if (!has(bytes))
            return short_();
        std::string s;
        for (size_t i = 0; i < n; ++i) {
            uint8_t lo = b_[pos_ + (unicode ? 2 * i : i)];
            uint8_t hi = unicode ? b_[pos_ + 2 * i + 1] : 0;
            s.push_back(hi ? '?' : static_cast<char>(lo));
        }
        pos_ += bytes;
        return s;
    }
    // A NUL-terminated string at an absolute offset, within [0, limit).
    Result<std::string> cstrAt(size_t at, size_t limit) const {
        if (limit > b_.size())
            limit = b_.size();
        std::string s;
        for (size_t i = at; i < limit; ++i) {
            if (b_[i] == 0)
                return s;
            s.push_back(static_cast<char>(b_[i]));
        }
        return Error::win32(ERROR_INVALID_DATA, "shell link: unterminated string in LinkInfo");
    }
    Result<uint32_t> u32At(size_t at) const {
        if (at > b_.size() || b_.size() - at < 4)
            return short_();
        uint32_t v;
        std::memcpy(&v, b_.data() + at, 4);
        return v;
    }

private:
    static Error short_() { return Error::win32(ERROR_INVALID_DATA, "shell link: data ends too early"); }
    const std::vector<uint8_t>& b_;
    size_t pos_ = 0;
};

}  // namespace

std::vector<uint8_t> encodeShellLink(const ShellLink& link) {
    uint32_t flags = kHasLinkInfo;
    if (!link.description.empty())
        flags |= kHasName;
    if (!link.workingDir.empty())
        flags |= kHasWorkingDir;
    if (!link.arguments.empty())
        flags |= kHasArguments;
    if (!link.iconPath.empty())
        flags |= kHasIconLocation;

    Writer w;
    w.u32(kHeaderSize);
    w.bytes(kLinkClsid, sizeof kLinkClsid);
    w.u32(flags);
    w.u32(kFileAttributeNormal);
    for (int i = 0; i < 6; ++i)  // creation, access and write times
        w.u32(0);
    w.u32(link.fileSize);
    w.u32(static_cast<uint32_t>(link.iconIndex));
    w.u32(link.showCommand);
    w.u16(link.hotKey);
    w.u16(0);  // Reserved1
    w.u32(0);  // Reserved2
    w.u32(0);  // Reserved3

    // LinkInfo ([MS-SHLLINK] 2.3): header, VolumeID, LocalBasePath, CommonPathSuffix.
    size_t infoStart = w.size();
    constexpr uint32_t kInfoHeader = 0x1C;
    uint32_t volumeSize = 0x10 + static_cast<uint32_t>(link.volumeLabel.size()) + 1;
    uint32_t baseOffset = kInfoHeader + volumeSize;
    uint32_t suffixOffset = baseOffset + static_cast<uint32_t>(link.target.size()) + 1;
    w.u32(0);  // LinkInfoSize, patched below
    w.u32(kInfoHeader);
    w.u32(kVolumeIdAndLocalBasePath);
    w.u32(kInfoHeader);  // VolumeIDOffset
    w.u32(baseOffset);   // LocalBasePathOffset
    w.u32(0);            // CommonNetworkRelativeLinkOffset
    w.u32(suffixOffset);
    w.u32(volumeSize);
    w.u32(link.driveType);
    w.u32(link.volumeSerial);
    w.u32(0x10);  // VolumeLabelOffset
    w.cstr(link.volumeLabel);
    w.cstr(link.target);
    w.cstr("");
    w.patch32(infoStart, static_cast<uint32_t>(w.size() - infoStart));

    // StringData in the order the format fixes.
    if (flags & kHasName)
        w.counted(link.description);
    if (flags & kHasWorkingDir)
        w.counted(link.workingDir);
    if (flags & kHasArguments)
        w.counted(link.arguments);
    if (flags & kHasIconLocation)
        w.counted(link.iconPath);
    w.u32(0);  // TerminalBlock of the extra data
    return w.take();
}

Result<ShellLink> decodeShellLink(const std::vector<uint8_t>& bytes) {
    Reader r(bytes);
    ShellLink link;
    if (NV_TRY(r.u32()) != kHeaderSize || !r.has(16) || std::memcmp(bytes.data() + 4, kLinkClsid, 16) != 0)
        return Error::win32(ERROR_INVALID_DATA, "not a shell link (header size or class id)");
    NV_TRY(r.skip(16));
    uint32_t flags = NV_TRY(r.u32());
    NV_TRY(r.skip(4 + 24));  // attributes, times
    link.fileSize = NV_TRY(r.u32());
    link.iconIndex = static_cast<int32_t>(NV_TRY(r.u32()));
    link.showCommand = NV_TRY(r.u32());
    link.hotKey = NV_TRY(r.u16());
    NV_TRY(r.skip(10));
    if (flags & kHasLinkTargetIdList)
        NV_TRY(r.skip(NV_TRY(r.u16())));
    if (flags & kHasLinkInfo) {
        size_t start = r.pos();
        uint32_t size = NV_TRY(r.u32());
        if (size < 0x1C || !r.has(size - 4))
            return Error::win32(ERROR_INVALID_DATA, "shell link: LinkInfo size out of range");
        uint32_t infoFlags = NV_TRY(r.u32At(start + 8));
        if (infoFlags & kVolumeIdAndLocalBasePath) {
            uint32_t volume = NV_TRY(r.u32At(start + 12));
            uint32_t base = NV_TRY(r.u32At(start + 16));
            uint32_t suffix = NV_TRY(r.u32At(start + 24));
            if (volume >= size || base >= size || suffix >= size)
                return Error::win32(ERROR_INVALID_DATA, "shell link: LinkInfo offset out of range");
            link.driveType = NV_TRY(r.u32At(start + volume + 4));
            link.volumeSerial = NV_TRY(r.u32At(start + volume + 8));
            uint32_t labelOffset = NV_TRY(r.u32At(start + volume + 12));
            // 0x14 announces a Unicode label, which the stand-in never writes.
            if (labelOffset != 0x14 && volume + labelOffset < size)
                link.volumeLabel = NV_TRY(r.cstrAt(start + volume + labelOffset, start + size));
            link.target = NV_TRY(r.cstrAt(start + base, start + size)) + NV_TRY(r.cstrAt(start + suffix, start + size));
        }
        NV_TRY(r.skip(size - 4));
    }
    bool unicode = flags & kIsUnicode;
    if (flags & kHasName)
        link.description = NV_TRY(r.counted(unicode));
    if (flags & kHasRelativePath) {
        std::string relative = NV_TRY(r.counted(unicode));
        if (link.target.empty())
            link.target = relative;
    }
    if (flags & kHasWorkingDir)
        link.workingDir = NV_TRY(r.counted(unicode));
    if (flags & kHasArguments)
        link.arguments = NV_TRY(r.counted(unicode));
    if (flags & kHasIconLocation)
        link.iconPath = NV_TRY(r.counted(unicode));
    return link;
}

}  // namespace nv::progman
