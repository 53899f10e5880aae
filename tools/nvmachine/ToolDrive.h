// The drive argument of insert and eject.
#pragma once

#include <string>

#include "platform/core/Machine.h"

namespace nv::tool {

// The removable drive named "A:" or "A"; otherwise complains and gives nullptr.
machine::Drive* removableDrive(const char* command, machine::Machine& m, const std::string& arg);

}  // namespace nv::tool
