// SZDD expansion on any bytes, and the compressor's round trip. They are
// separate targets: compressing every input made the expander's run slow.
#include <cstring>

#include "platform/lz/SzddExpander.h"
#include "tools/fuzz/FuzzCheck.h"
#include "tools/fuzz/FuzzEntries.h"
#include "tools/szdd/SzddCompressor.h"

namespace nv::fuzz {

void szddExpandInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> in(data, size);
    lz::SzddHeader header;
    lz::Kind kind = lz::probe(in, &header);
    lz::MemorySource source(in);
    lz::VectorSink sink(1u << 24);
    int64_t r = lz::expand(source, sink);
    if (r >= 0 && (kind != lz::Kind::Compressed || uint64_t(r) != header.length || sink.data().size() != header.length))
        broken("expansion succeeded but disagrees with the header");
}

void szddCompressInput(const uint8_t* data, size_t size) {
    // The compressor's cost grows with the window it searches; larger inputs
    // add no new paths.
    if (size > 1 << 12)
        return;
    std::span<const uint8_t> in(data, size);
    auto packed = szdd::compress(in, 'X', size % 2 ? szdd::Effort::Fast : szdd::Effort::Thorough);
    if (!packed)
        broken("compress refused a small input");
    lz::MemorySource source(*packed);
    lz::VectorSink sink;
    if (lz::expand(source, sink) != int64_t(size) || sink.data().size() != size ||
        (size && std::memcmp(sink.data().data(), data, size) != 0))
        broken("round trip changed the data");
}

}  // namespace nv::fuzz
