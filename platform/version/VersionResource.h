// Finding and reading version resources in executable files, bounded by the
// bytes actually present.
//
// Contract:
//  - locate() recognises MZ files whose e_lfanew leads to a PE ("PE\0\0"),
//    NE or LE header and returns where the version resource (type 16,
//    preferably id 1) lies. Offsets that point outside the file, loops and
//    impossible sizes give std::nullopt, never a read out of bounds.
//  - A version block holds at most 65535 bytes (its length is a WORD).
//  - query() walks a block (either layout) by key; "\" is the root. The
//    result points into the given block.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nv::version {

// Random access to a file's bytes.
class ByteReader {
public:
    virtual ~ByteReader() = default;
    virtual uint64_t size() const = 0;
    // False when [offset, offset + n) is not wholly inside the file.
    virtual bool readAt(uint64_t offset, void* buffer, size_t n) const = 0;
};

class SpanReader : public ByteReader {
public:
    explicit SpanReader(std::span<const uint8_t> data) : data_(data) {}
    uint64_t size() const override { return data_.size(); }
    bool readAt(uint64_t offset, void* buffer, size_t n) const override;

private:
    std::span<const uint8_t> data_;
};

enum class FileFormat { PE, NE, LE };
enum class Layout { Win16, Win32 };

struct Location {
    FileFormat format;
    uint64_t offset = 0;  // file offset of the version block
    uint32_t size = 0;    // bytes of the resource, at most 65535
};

std::optional<Location> locate(const ByteReader& file);

// locate(), then the block itself, checked: its wLength fits the resource and
// names a root "VS_VERSION_INFO". Returns exactly `size` bytes of resource.
std::optional<std::vector<uint8_t>> readBlock(const ByteReader& file, Location* where = nullptr);

// The layout of a block, told apart by the byte at offset 4 (a key letter in
// the 16-bit layout, wType 0 or 1 in the 32-bit one).
std::optional<Layout> layoutOf(std::span<const uint8_t> block);

struct Value {
    std::span<const uint8_t> bytes;  // the value as stored
    Layout layout = Layout::Win16;
    bool isText = false;             // stored as text (ANSI in Win16, UTF-16 in Win32)
    uint16_t valueLength = 0;        // wValueLength as stored
};

std::optional<Value> query(std::span<const uint8_t> block, std::string_view subBlock);

struct FixedInfo {
    uint32_t fileVersionMS = 0, fileVersionLS = 0;
    uint32_t productVersionMS = 0, productVersionLS = 0;
    uint32_t fileFlags = 0, fileOS = 0, fileType = 0, fileSubtype = 0;
};

// The root's VS_FIXEDFILEINFO when it carries the right signature.
std::optional<FixedInfo> fixedInfo(std::span<const uint8_t> block);

// "A.B.C.D" of the file version.
std::string formatFileVersion(const FixedInfo& info);

}  // namespace nv::version
