#include "tools/exefile/ExeWriter.h"

#include <charconv>
#include <cstdio>

namespace nv::exefile {

namespace {

class Buf {
public:
    std::vector<uint8_t> b;
    size_t size() const { return b.size(); }
    void u8(uint8_t v) { b.push_back(v); }
    void u16(uint16_t v) {
        u8(uint8_t(v));
        u8(uint8_t(v >> 8));
    }
    void u32(uint32_t v) {
        u16(uint16_t(v));
        u16(uint16_t(v >> 16));
    }
    void bytes(const std::vector<uint8_t>& v) { b.insert(b.end(), v.begin(), v.end()); }
    void text(std::string_view s) { b.insert(b.end(), s.begin(), s.end()); }
    void zeros(size_t n) { b.insert(b.end(), n, 0); }
    void alignTo(size_t a) {
        while (b.size() % a)
            b.push_back(0);
    }
    void put16(size_t at, uint16_t v) {
        b[at] = uint8_t(v);
        b[at + 1] = uint8_t(v >> 8);
    }
    void put32(size_t at, uint32_t v) {
        put16(at, uint16_t(v));
        put16(at + 2, uint16_t(v >> 16));
    }
};

// One node of a version resource tree.
struct Node {
    std::string key;
    std::vector<uint8_t> value;  // binary value, or the text without NUL
    bool isText = false;
    std::vector<Node> children;
};

void serialize(Buf& out, const Node& n, Layout layout) {
    out.alignTo(4);
    size_t start = out.size();
    out.u16(0);  // wLength, patched below
    uint16_t valueLength;
    if (n.isText)
        valueLength = uint16_t(n.value.size() + 1);  // characters (Win32) or bytes (Win16), with the NUL
    else
        valueLength = uint16_t(n.value.size());
    if (n.isText && n.value.empty() && layout == Layout::Win32)
        valueLength = 1;
    out.u16(valueLength);
    if (layout == Layout::Win32) {
        out.u16(n.isText ? 1 : 0);
        for (char c : n.key)
            out.u16(uint8_t(c));
        out.u16(0);
    } else {
        out.text(n.key);
        out.u8(0);
    }
    out.alignTo(4);
    if (n.isText) {
        if (layout == Layout::Win32) {
            for (char c : n.value)
                out.u16(uint8_t(c));
            out.u16(0);
        } else {
            out.bytes(n.value);
            out.u8(0);
        }
    } else {
        out.bytes(n.value);
    }
    for (const auto& c : n.children)
        serialize(out, c, layout);
    out.put16(start, uint16_t(out.size() - start));
}

std::string versionText(const std::array<uint16_t, 4>& v) {
    return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." + std::to_string(v[3]);
}

Node tree(const VersionInfo& info, Layout layout) {
    auto pv = info.productVersion.value_or(info.fileVersion);
    Buf fixed;
    fixed.u32(0xFEEF04BD);
    fixed.u32(0x00010000);
    fixed.u32(uint32_t(info.fileVersion[0]) << 16 | info.fileVersion[1]);
    fixed.u32(uint32_t(info.fileVersion[2]) << 16 | info.fileVersion[3]);
    fixed.u32(uint32_t(pv[0]) << 16 | pv[1]);
    fixed.u32(uint32_t(pv[2]) << 16 | pv[3]);
    fixed.u32(0x3F);  // VS_FFI_FILEFLAGSMASK
    fixed.u32(0);
    fixed.u32(layout == Layout::Win16 ? 0x00010001 : 0x00040004);  // VOS_DOS_WINDOWS16 / VOS_NT_WINDOWS32
    fixed.u32(info.fileType);
    fixed.u32(info.fileSubtype);
    fixed.u32(0);
    fixed.u32(0);

    Node root{"VS_VERSION_INFO", fixed.b, false, {}};

    auto strings = info.strings;
    auto has = [&](std::string_view k) {
        for (auto& [key, v] : strings)
            if (key == k)
                return true;
        return false;
    };
    if (!has("FileVersion"))
        strings.emplace_back("FileVersion", versionText(info.fileVersion));
    if (!has("ProductVersion"))
        strings.emplace_back("ProductVersion", versionText(pv));
    char table[9];
    std::snprintf(table, sizeof table, "%04X%04X", info.language, info.codePage);
    Node tableNode{table, {}, false, {}};
    for (auto& [k, v] : strings)
        tableNode.children.push_back(Node{k, std::vector<uint8_t>(v.begin(), v.end()), true, {}});
    root.children.push_back(Node{"StringFileInfo", {}, false, {tableNode}});

    Buf translation;
    translation.u16(info.language);
    translation.u16(info.codePage);
    Node var{"Translation", translation.b, false, {}};
    root.children.push_back(Node{"VarFileInfo", {}, false, {var}});
    return root;
}

void dosHeader(Buf& out, uint32_t lfanew) {
    out.text("MZ");
    out.u16(0x90);  // bytes on last page
    out.u16(3);     // pages
    out.u16(0);     // relocations
    out.u16(4);     // header paragraphs
    out.u16(0);
    out.u16(0xFFFF);
    out.u16(0);
    out.u16(0xB8);
    out.u16(0);
    out.u16(0);
    out.u16(0);
    out.u16(0x40);  // e_lfarlc: a new-style executable follows
    out.u16(0);
    out.zeros(0x3C - out.size());
    out.u32(lfanew);
    // The customary stub: print a message and exit.
    static const uint8_t stub[] = {0x0E, 0x1F, 0xBA, 0x0E, 0x00, 0xB4, 0x09, 0xCD, 0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21};
    if (lfanew >= 0x40 + sizeof stub + 40) {
        out.bytes(std::vector<uint8_t>(std::begin(stub), std::end(stub)));
        out.text("This program cannot be run in DOS mode.\r\r\n$");
    }
    out.zeros(lfanew - out.size());
}

}  // namespace

std::vector<uint8_t> versionBlock(const VersionInfo& info, Layout layout) {
    Buf out;
    serialize(out, tree(info, layout), layout);
    return out.b;
}

std::vector<uint8_t> writePe(const VersionInfo* info, PeKind kind) {
    constexpr uint32_t kFileAlign = 0x200, kSectionAlign = 0x1000, kRsrcRva = 0x1000;
    Buf rsrc;
    if (info) {
        auto block = versionBlock(*info, Layout::Win32);
        // Root, name and language directories, one entry each, then the data entry.
        auto dir = [&](uint32_t id, uint32_t target) {
            rsrc.u32(0);       // characteristics
            rsrc.u32(0);       // time stamp
            rsrc.u16(0);
            rsrc.u16(0);       // version
            rsrc.u16(0);       // named entries
            rsrc.u16(1);       // id entries
            rsrc.u32(id);
            rsrc.u32(target);
        };
        dir(16, 0x80000000u | 24);
        dir(1, 0x80000000u | 48);
        dir(info->language, 72);
        rsrc.u32(kRsrcRva + 88);
        rsrc.u32(uint32_t(block.size()));
        rsrc.u32(0);
        rsrc.u32(0);
        rsrc.bytes(block);
    } else {
        rsrc.zeros(16);  // a data section with nothing in it
    }
    uint32_t rawSize = uint32_t((rsrc.size() + kFileAlign - 1) / kFileAlign * kFileAlign);
    uint32_t virtSize = uint32_t((rsrc.size() + kSectionAlign - 1) / kSectionAlign * kSectionAlign);

    Buf out;
    dosHeader(out, 0x80);
    out.text(std::string_view("PE\0\0", 4));
    out.u16(0x14C);  // i386
    out.u16(1);      // sections
    out.u32(0);      // time stamp
    out.u32(0);
    out.u32(0);
    out.u16(0xE0);   // optional header size
    out.u16(kind == PeKind::Dll ? 0x2102 : 0x0102);
    size_t opt = out.size();
    out.u16(0x10B);
    out.u8(6);
    out.u8(0);
    out.u32(0);        // code
    out.u32(rawSize);  // initialised data
    out.u32(0);
    out.u32(0);        // entry point
    out.u32(kRsrcRva); // base of code
    out.u32(kRsrcRva); // base of data
    out.u32(0x10000000);
    out.u32(kSectionAlign);
    out.u32(kFileAlign);
    out.u16(4);
    out.u16(0);  // OS version
    out.u16(0);
    out.u16(0);  // image version
    out.u16(4);
    out.u16(0);  // subsystem version
    out.u32(0);
    out.u32(kRsrcRva + virtSize);  // size of image
    out.u32(kFileAlign);           // size of headers
    out.u32(0);                    // checksum
    out.u16(2);                    // GUI
    out.u16(0);
    out.u32(0x100000);
    out.u32(0x1000);
    out.u32(0x100000);
    out.u32(0x1000);
    out.u32(0);
    out.u32(16);
    for (int i = 0; i < 16; ++i) {
        if (i == 2 && info) {
            out.u32(kRsrcRva);
            out.u32(uint32_t(rsrc.size()));
        } else {
            out.u32(0);
            out.u32(0);
        }
    }
    (void)opt;
    out.text(std::string_view(info ? ".rsrc\0\0\0" : ".data\0\0\0", 8));
    out.u32(uint32_t(rsrc.size()));
    out.u32(kRsrcRva);
    out.u32(rawSize);
    out.u32(kFileAlign);
    out.u32(0);
    out.u32(0);
    out.u16(0);
    out.u16(0);
    out.u32(0x40000040);  // initialised data, readable
    out.zeros(kFileAlign - out.size());
    out.bytes(rsrc.b);
    out.zeros(kFileAlign + rawSize - out.size());
    return out.b;
}

std::vector<uint8_t> writeNe(const VersionInfo* info, std::string_view moduleName) {
    constexpr uint32_t kNe = 0x80;
    constexpr uint16_t kShift = 4;
    std::vector<uint8_t> block;
    if (info)
        block = versionBlock(*info, Layout::Win16);

    // Tables after the 64-byte header, offsets relative to the NE header.
    Buf t;
    uint16_t segTab = 0x40;
    uint16_t rsrcTab = uint16_t(segTab + t.size());
    size_t nameInfoOffset = 0;
    if (info) {
        t.u16(kShift);
        t.u16(0x8010);  // RT_VERSION
        t.u16(1);
        t.u32(0);
        nameInfoOffset = t.size();
        t.u16(0);       // offset, patched
        t.u16(uint16_t((block.size() + (1u << kShift) - 1) >> kShift));
        t.u16(0x0C30);  // moveable, pure, preload
        t.u16(0x8001);  // id 1
        t.u32(0);
        t.u16(0);       // end of types
        t.u8(0);        // no resource names
    }
    uint16_t resTab = uint16_t(0x40 + t.size());
    t.u8(uint8_t(std::min<size_t>(moduleName.size(), 255)));
    t.text(moduleName.substr(0, 255));
    t.u16(0);
    t.u8(0);
    uint16_t modRefTab = uint16_t(0x40 + t.size());
    uint16_t impTab = modRefTab;
    t.u8(0);
    uint16_t entTab = uint16_t(0x40 + t.size());
    t.u8(0);
    t.u8(0);
    uint16_t entLen = 2;
    uint32_t nonResFile = uint32_t(kNe + 0x40 + t.size());
    std::string description = std::string(moduleName) + " driver";
    size_t nonResStart = t.size();
    t.u8(uint8_t(std::min<size_t>(description.size(), 255)));
    t.text(std::string_view(description).substr(0, 255));
    t.u16(0);
    t.u8(0);
    uint16_t nonResLen = uint16_t(t.size() - nonResStart);

    Buf out;
    dosHeader(out, kNe);
    out.text("NE");
    out.u8(5);
    out.u8(10);
    out.u16(entTab);
    out.u16(entLen);
    out.u32(0);       // CRC
    out.u16(0x8000);  // library module
    out.u16(0);       // automatic data segment
    out.u16(0);       // heap
    out.u16(0);       // stack
    out.u32(0);       // CS:IP
    out.u32(0);       // SS:SP
    out.u16(0);       // segments
    out.u16(0);       // module references
    out.u16(nonResLen);
    out.u16(segTab);
    out.u16(info ? rsrcTab : resTab);  // equal to the resident table: no resources
    out.u16(resTab);
    out.u16(modRefTab);
    out.u16(impTab);
    out.u32(nonResFile);
    out.u16(0);       // movable entries
    out.u16(kShift);  // segment alignment
    out.u16(info ? 1 : 0);
    out.u8(2);        // Windows
    out.u8(0);
    out.u16(0);
    out.u16(0);
    out.u16(0);
    out.u16(0x030A);  // expected Windows version 3.10
    size_t tablesAt = out.size();
    out.bytes(t.b);
    if (info) {
        out.alignTo(1u << kShift);
        uint32_t at = uint32_t(out.size());
        out.put16(tablesAt + nameInfoOffset, uint16_t(at >> kShift));
        out.bytes(block);
        out.alignTo(1u << kShift);
    }
    return out.b;
}

std::vector<uint8_t> writeLe(const VersionInfo* info, std::string_view deviceName, uint16_t deviceId) {
    constexpr uint32_t kLe = 0x80, kHeader = 0xC4;
    Buf tables;  // after the header, offsets relative to it
    uint32_t resNames = kHeader;
    std::string name(deviceName.substr(0, 255));
    tables.u8(uint8_t(name.size()));
    tables.text(name);
    tables.u16(0);
    tables.u8(0);
    uint32_t entries = kHeader + uint32_t(tables.size());
    tables.u8(0);

    Buf out;
    dosHeader(out, kLe);
    size_t le = out.size();
    out.text("LE");
    out.u8(0);
    out.u8(0);
    out.u32(0);           // format level
    out.u16(2);           // 80386
    out.u16(4);           // Windows 386 (virtual device driver)
    out.u32(0);           // module version
    out.u32(0x00038000);  // virtual device driver module
    out.zeros(le + 0x28 - out.size());
    out.u32(0x1000);      // page size
    out.zeros(le + 0x58 - out.size());
    out.u32(resNames);
    out.u32(entries);
    out.zeros(le + 0xB8 - out.size());
    size_t winres = out.size();
    out.u32(0);
    out.u32(0);
    out.u16(deviceId);
    out.u16(0x0400);      // DDK version
    out.bytes(tables.b);
    if (info) {
        auto block = versionBlock(*info, Layout::Win16);
        out.alignTo(16);
        uint32_t at = uint32_t(out.size());
        out.u8(0xFF);
        out.u16(16);      // RT_VERSION
        out.u8(0xFF);
        out.u16(1);
        out.u16(0x0030);
        out.u32(uint32_t(block.size()));
        out.bytes(block);
        out.put32(winres, at);
        out.put32(winres + 4, uint32_t(out.size() - at));
    }
    return out.b;
}

std::vector<uint8_t> writeSystemVxd(const std::array<uint16_t, 4>& version, std::string_view deviceName,
                                    std::string_view description) {
    VersionInfo info;
    info.fileVersion = version;
    info.fileType = 5;  // VFT_VXD
    info.strings = {{"CompanyName", "Microsoft Corporation"},
                    {"FileDescription", std::string(description)},
                    {"InternalName", std::string(deviceName)},
                    {"ProductName", "Microsoft Windows"}};
    return writeLe(&info, deviceName);
}

std::optional<std::array<uint16_t, 4>> parseVersion(std::string_view text) {
    std::array<uint16_t, 4> v{};
    for (int i = 0; i < 4; ++i) {
        unsigned n = 0;
        auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
        if (ec != std::errc() || n > 0xFFFF)
            return std::nullopt;
        v[size_t(i)] = uint16_t(n);
        text.remove_prefix(size_t(p - text.data()));
        if (i < 3) {
            if (text.empty() || text[0] != '.')
                return std::nullopt;
            text.remove_prefix(1);
        }
    }
    if (!text.empty())
        return std::nullopt;
    return v;
}

}  // namespace nv::exefile
