// What the fuzz entry points share: how a broken property is reported, and
// the throw-away machine the entries that need files work on.
#pragma once

#include <string>

#include "TempMachine.h"

namespace nv::fuzz {

// Reports a broken property and aborts, so libFuzzer keeps the input.
[[noreturn]] void broken(const std::string& what);

// The one machine of the process (drives A: and C:), made on first use and
// removed at exit.
nv::testing::TempMachine& fuzzMachine();

}  // namespace nv::fuzz
