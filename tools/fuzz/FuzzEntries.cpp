#include "tools/fuzz/FuzzEntries.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/lz/SzddExpander.h"
#include "platform/version/VersionResource.h"
#include "tools/szdd/SzddCompressor.h"

namespace nv::fuzz {

namespace {

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

}  // namespace

void szddInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> in(data, size);
    {
        lz::SzddHeader header;
        lz::Kind kind = lz::probe(in, &header);
        lz::MemorySource source(in);
        lz::VectorSink sink(1u << 24);
        int64_t r = lz::expand(source, sink);
        if (r >= 0 && (kind != lz::Kind::Compressed || uint64_t(r) != header.length || sink.data().size() != header.length))
            broken("expansion succeeded but disagrees with the header");
    }
    // Small inputs also go the other way: compress, then expand.
    if (size <= 1 << 16) {
        auto packed = szdd::compress(in, 'X', size % 2 ? szdd::Effort::Fast : szdd::Effort::Thorough);
        if (!packed)
            broken("compress refused a small input");
        lz::MemorySource source(*packed);
        lz::VectorSink sink;
        if (lz::expand(source, sink) != int64_t(size) || sink.data().size() != size ||
            (size && std::memcmp(sink.data().data(), data, size) != 0))
            broken("round trip changed the data");
    }
}

void versionInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> in(data, size);
    version::SpanReader reader(in);
    version::Location where;
    auto block = version::readBlock(reader, &where);
    if (block) {
        if (where.offset + where.size > size)
            broken("version block outside the file");
        (void)version::fixedInfo(*block);
        for (const char* q : {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4\\CompanyName",
                              "\\StringFileInfo\\040904B0\\FileVersion", "\\\\\\", "\\StringFileInfo"})
            if (auto v = version::query(*block, q))
                if (v->bytes.data() < block->data() || v->bytes.data() + v->bytes.size() > block->data() + block->size())
                    broken("value outside the block");
    }
    // The block parser alone, on the raw input.
    (void)version::fixedInfo(in);
    (void)version::query(in, "\\StringFileInfo\\040904E4\\ProductName");
}

}  // namespace nv::fuzz
