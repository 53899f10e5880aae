// libFuzzer target: the version-resource reader.
#include "tools/fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nv::fuzz::versionInput(data, size);
    return 0;
}
