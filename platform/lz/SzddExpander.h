// Expansion of SZDD compressed files through libmspack, over our own streams.
//
// Contract:
//  - probe() classifies the first bytes of a file: fewer than 14 bytes or a
//    different magic is NotCompressed; the SZDD magic with a method other than
//    'A' is UnknownMethod.
//  - expand() runs libmspack's SZDD decompressor with an mspack_system whose
//    files are the given Source and Sink, so faults of the underlying file
//    layer surface here. The result is the number of bytes written, or an
//    LZERROR_* value (negative):
//      LZERROR_READ       the source cannot be read, is damaged or truncated
//                         (the expanded length differs from the header's)
//      LZERROR_WRITE      the sink refused bytes
//      LZERROR_GLOBALLOC  libmspack could not get memory
//      LZERROR_UNKNOWNALG the method byte is not 'A'
//    On failure the sink may hold a partial result; the caller discards it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace nv::lz {

constexpr int kHeaderSize = 14;

struct SzddHeader {
    char missingChar = 0;
    uint32_t length = 0;
};

enum class Kind { NotCompressed, Compressed, UnknownMethod };

Kind probe(std::span<const uint8_t> first, SzddHeader* header);

class Source {
public:
    virtual ~Source() = default;
    // Bytes read (0 at the end), or -1 on a read failure.
    virtual int read(void* buffer, int bytes) = 0;
    // Absolute position; false on failure.
    virtual bool seek(int64_t offset) = 0;
    virtual int64_t tell() = 0;
};

class Sink {
public:
    virtual ~Sink() = default;
    // True when every byte was taken.
    virtual bool write(const void* buffer, size_t bytes) = 0;
};

// Expands the whole SZDD file in `in` (from its start) into `out`.
int64_t expand(Source& in, Sink& out);

// Convenience adapters over memory.
class MemorySource : public Source {
public:
    explicit MemorySource(std::span<const uint8_t> data) : data_(data) {}
    int read(void* buffer, int bytes) override;
    bool seek(int64_t offset) override;
    int64_t tell() override { return int64_t(pos_); }

private:
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
};

class VectorSink : public Sink {
public:
    // Refuses to grow beyond `limit` bytes, so a hostile input cannot make us
    // hold more than the caller is prepared for.
    explicit VectorSink(size_t limit = SIZE_MAX) : limit_(limit) {}
    bool write(const void* buffer, size_t bytes) override;
    std::vector<uint8_t>& data() { return data_; }

private:
    std::vector<uint8_t> data_;
    size_t limit_;
};

}  // namespace nv::lz
