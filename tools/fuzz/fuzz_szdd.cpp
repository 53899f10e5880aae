// libFuzzer target: SZDD expansion and the compressor's round trip.
#include "tools/fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nv::fuzz::szddInput(data, size);
    return 0;
}
