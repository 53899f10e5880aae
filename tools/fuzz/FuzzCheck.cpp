#include "tools/fuzz/FuzzCheck.h"

#include <cstdio>
#include <cstdlib>

namespace nv::fuzz {

void broken(const std::string& what) {
    std::fprintf(stderr, "fuzz: %s\n", what.c_str());
    std::abort();
}

nv::testing::TempMachine& fuzzMachine() {
    static nv::testing::TempMachine machine;
    return machine;
}

}  // namespace nv::fuzz
