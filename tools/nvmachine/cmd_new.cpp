// nvmachine new: makes a fresh simulated Windows 95 machine.
//
//   nvmachine new DIR [--screen WxH] [--version X.Y] [--drive LETTER:KIND[:ro][:capacity]]...
//
// DIR must be missing or empty. Without options the machine has an empty
// floppy drive A:, Windows 95 (version 4.0) on C:, a second fixed drive D:
// and an 800x600 screen. Exit status: 0 done, 2 errors.
#include <cstdio>
#include <string>

#include "tools/nvmachine/Command.h"
#include "tools/nvmachine/FreshMachine.h"
#include "tools/nvmachine/ToolMachine.h"

namespace {

using nv::tool::Args;

const char kUsage[] =
    "  new DIR [--screen WxH] [--version X.Y] [--drive LETTER:KIND[:ro][:capacity]]...\n"
    "                                      make a fresh Windows 95 machine in DIR (KIND: fixed,\n"
    "                                      removable or network; capacity in bytes, or with K, M, G)";

int usage() {
    std::fprintf(stderr, "usage:\n%s\n", kUsage);
    return 2;
}

int run(const Args& a) {
    if (a.empty() || a[0].rfind("--", 0) == 0)
        return usage();
    nv::machine::Settings settings = nv::tool::freshSettings();
    for (size_t i = 1; i < a.size(); ++i) {
        const std::string& opt = a[i];
        if (i + 1 >= a.size() || (opt != "--screen" && opt != "--version" && opt != "--drive")) {
            nv::tool::complain("new", "unknown option or missing value: '" + opt + "'");
            return usage();
        }
        const std::string& value = a[++i];
        nv::Result<void> r = opt == "--screen"    ? nv::tool::applyScreen(settings, value)
                             : opt == "--version" ? nv::tool::applyVersion(settings, value)
                                                  : nv::tool::applyDrive(settings, value);
        if (!r) {
            nv::tool::complain("new", r.error().message);
            return 2;
        }
    }
    auto made = nv::tool::createFreshMachine(a[0], settings);
    if (!made) {
        nv::tool::complain("new", made.error().message);
        return 2;
    }
    for (const auto& w : *made)
        nv::tool::complain("new", "warning: " + w);
    std::string drives;
    for (const auto& [letter, d] : settings.drives)
        drives += std::string(" ") + letter + ":";
    std::printf("fresh Windows 95 machine in %s (drives%s)\n", a[0].c_str(), drives.c_str());
    return 0;
}

NV_COMMAND("new", kUsage, run);

}  // namespace
