// The libFuzzer entry of every target; NV_FUZZ_ENTRY names the entry point
// (tools/fuzz/FuzzEntries.h) the target feeds.
#include "tools/fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nv::fuzz::NV_FUZZ_ENTRY(data, size);
    return 0;
}
