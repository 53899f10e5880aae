// The sample product's source files, for tests that read them as the
// installer would.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace nv::testing {

// The OEM INF of the sample product as it stands in the source tree.
inline std::string SampleOemInfText() {
    std::ifstream in(std::string(NV_SOURCE_DIR) + "/samples/product/scripts/NVQS8000.INF", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace nv::testing
