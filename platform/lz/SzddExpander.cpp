#include "platform/lz/SzddExpander.h"

#include <cstdlib>
#include <cstring>

#include <lzexpand.h>
#include <mspack.h>

namespace nv::lz {

namespace {

constexpr uint8_t kMagic[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};

// What libmspack calls a file: one of our streams, plus what we learn about
// the output while it runs. The "file name" handed to libmspack is the
// address of one of these.
struct StreamFile {
    Source* in = nullptr;
    Sink* out = nullptr;
    uint64_t written = 0;
    uint64_t limit = 0;      // the header's length; more output means damage
    bool overlong = false;
    bool sinkFailed = false;
    bool readFailed = false;
};

StreamFile* fileOf(mspack_file* f) { return reinterpret_cast<StreamFile*>(f); }

mspack_file* sysOpen(mspack_system*, const char* name, int mode) {
    auto* f = reinterpret_cast<StreamFile*>(const_cast<char*>(name));
    if (!f)
        return nullptr;
    if (mode == MSPACK_SYS_OPEN_READ ? f->in == nullptr : f->out == nullptr)
        return nullptr;
    return reinterpret_cast<mspack_file*>(f);
}

void sysClose(mspack_file*) {}

int sysRead(mspack_file* file, void* buffer, int bytes) {
    StreamFile* f = fileOf(file);
    if (!f->in || bytes < 0)
        return -1;
    int n = f->in->read(buffer, bytes);
    if (n < 0)
        f->readFailed = true;
    return n;
}

int sysWrite(mspack_file* file, void* buffer, int bytes) {
    StreamFile* f = fileOf(file);
    if (!f->out || bytes < 0)
        return -1;
    if (f->written + uint64_t(bytes) > f->limit) {
        // The data describes more than the header promised: damaged.
        f->overlong = true;
        return -1;
    }
    if (!f->out->write(buffer, size_t(bytes))) {
        f->sinkFailed = true;
        return -1;
    }
    f->written += uint64_t(bytes);
    return bytes;
}

int sysSeek(mspack_file* file, off_t offset, int mode) {
    StreamFile* f = fileOf(file);
    if (!f->in)
        return -1;
    int64_t target = offset;
    if (mode == MSPACK_SYS_SEEK_CUR)
        target += f->in->tell();
    else if (mode != MSPACK_SYS_SEEK_START)
        return -1;
    if (target < 0)
        return -1;
    return f->in->seek(target) ? 0 : -1;
}

off_t sysTell(mspack_file* file) {
    StreamFile* f = fileOf(file);
    return f->in ? off_t(f->in->tell()) : off_t(f->written);
}

void sysMessage(mspack_file*, const char*, ...) {}

void* sysAlloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
void sysFree(void* p) { std::free(p); }
void sysCopy(void* src, void* dst, size_t bytes) { std::memmove(dst, src, bytes); }

mspack_system makeSystem() {
    mspack_system s{};
    s.open = sysOpen;
    s.close = sysClose;
    s.read = sysRead;
    s.write = sysWrite;
    s.seek = sysSeek;
    s.tell = sysTell;
    s.message = sysMessage;
    s.alloc = sysAlloc;
    s.free = sysFree;
    s.copy = sysCopy;
    s.null_ptr = nullptr;
    return s;
}

int64_t fromMspackError(int err) {
    switch (err) {
    case MSPACK_ERR_NOMEMORY:
        return LZERROR_GLOBALLOC;
    case MSPACK_ERR_WRITE:
        return LZERROR_WRITE;
    case MSPACK_ERR_DATAFORMAT:
        return LZERROR_UNKNOWNALG;
    default:
        return LZERROR_READ;
    }
}

}  // namespace

Kind probe(std::span<const uint8_t> first, SzddHeader* header) {
    if (first.size() < size_t(kHeaderSize) || std::memcmp(first.data(), kMagic, sizeof kMagic) != 0)
        return Kind::NotCompressed;
    if (first[8] != 'A')
        return Kind::UnknownMethod;
    if (header) {
        header->missingChar = char(first[9]);
        header->length = uint32_t(first[10]) | uint32_t(first[11]) << 8 | uint32_t(first[12]) << 16 |
                         uint32_t(first[13]) << 24;
    }
    return Kind::Compressed;
}

int64_t expand(Source& in, Sink& out) {
    // The header is checked here rather than by libmspack so that the
    // variants it also accepts (the QBasic one) are not taken for ours.
    uint8_t first[kHeaderSize];
    if (!in.seek(0))
        return LZERROR_BADINHANDLE;
    int got = 0;
    while (got < kHeaderSize) {
        int n = in.read(first + got, kHeaderSize - got);
        if (n < 0)
            return LZERROR_READ;
        if (n == 0)
            break;
        got += n;
    }
    SzddHeader header;
    switch (probe(std::span<const uint8_t>(first, size_t(got)), &header)) {
    case Kind::NotCompressed:
        return LZERROR_READ;
    case Kind::UnknownMethod:
        return LZERROR_UNKNOWNALG;
    case Kind::Compressed:
        break;
    }
    if (!in.seek(0))
        return LZERROR_BADINHANDLE;

    mspack_system sys = makeSystem();
    msszdd_decompressor* d = mspack_create_szdd_decompressor(&sys);
    if (!d)
        return LZERROR_GLOBALLOC;
    StreamFile inFile;
    inFile.in = &in;
    StreamFile outFile;
    outFile.out = &out;
    outFile.limit = header.length;

    int64_t result;
    msszddd_header* h = d->open(d, reinterpret_cast<const char*>(&inFile));
    if (!h) {
        result = fromMspackError(d->last_error(d));
    } else {
        int err = d->extract(d, h, reinterpret_cast<const char*>(&outFile));
        d->close(d, h);
        if (outFile.overlong || inFile.readFailed)
            result = LZERROR_READ;
        else if (outFile.sinkFailed)
            result = LZERROR_WRITE;
        else if (err != MSPACK_ERR_OK)
            result = fromMspackError(err);
        else if (outFile.written != header.length)
            result = LZERROR_READ;  // truncated: the data ran out early
        else
            result = int64_t(outFile.written);
    }
    mspack_destroy_szdd_decompressor(d);
    return result;
}

int MemorySource::read(void* buffer, int bytes) {
    if (bytes <= 0)
        return 0;
    size_t n = std::min(size_t(bytes), data_.size() - pos_);
    if (n)
        std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return int(n);
}

bool MemorySource::seek(int64_t offset) {
    if (offset < 0 || uint64_t(offset) > data_.size())
        return false;
    pos_ = size_t(offset);
    return true;
}

bool VectorSink::write(const void* buffer, size_t bytes) {
    if (bytes > limit_ - data_.size())
        return false;
    auto* p = static_cast<const uint8_t*>(buffer);
    data_.insert(data_.end(), p, p + bytes);
    return true;
}

}  // namespace nv::lz
