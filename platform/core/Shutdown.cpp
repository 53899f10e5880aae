#include "platform/core/Shutdown.h"

#include <sstream>
#include <vector>

namespace nv::machine {

std::string describeShutdown(const std::string& request) {
    if (request.empty())
        return "";
    std::vector<std::string> parts;
    std::stringstream in(request);
    for (std::string part; std::getline(in, part, ',');)
        parts.push_back(part);
    std::string what = parts[0];
    if (what == "reboot")
        what = "restart Windows";
    else if (what == "logoff")
        what = "log off";
    else if (what == "shutdown")
        what = "shut Windows down";
    else if (what == "poweroff")
        what = "shut down and power off";
    std::string extras;
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string& p = parts[i];
        std::string text = p == "force" ? "forced" : p.rfind("reserved=", 0) == 0 ? "reserved argument " + p.substr(9) : p;
        extras += (extras.empty() ? "" : ", ") + text;
    }
    return extras.empty() ? what : what + " (" + extras + ")";
}

}  // namespace nv::machine
