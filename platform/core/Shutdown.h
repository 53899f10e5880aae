// How the machine's record of an end of Windows (settings().shutdownRequest,
// written by ExitWindowsEx) reads for a person.
#pragma once

#include <string>

namespace nv::machine {

// "reboot" gives "restart Windows", "logoff,reserved=0xFFFFFFFF" gives
// "log off (reserved argument 0xFFFFFFFF)"; an empty record gives "".
std::string describeShutdown(const std::string& request);

}  // namespace nv::machine
