// nvmachine shutdown: shows whether the program asked Windows to end.
//
//   nvmachine shutdown DIR
//
// Prints the machine's record of the last ExitWindowsEx request (as
// machine.ini keeps it, such as "reboot" or "logoff,reserved=0xFFFFFFFF"), a
// tab and what it means; "none" when nothing was asked. The launcher clears
// the record when it starts a run, as a restart would.
// Exit status: 0 a request is recorded, 1 none, 2 errors.
#include <cstdio>

#include "platform/core/Machine.h"
#include "platform/core/Shutdown.h"
#include "tools/nvmachine/Command.h"
#include "tools/nvmachine/ToolMachine.h"

namespace {

using nv::tool::Args;

const char kUsage[] = "  shutdown DIR                        show the end of Windows the last run asked for";

int run(const Args& a) {
    if (a.size() != 1) {
        std::fprintf(stderr, "usage:\n%s\n", kUsage);
        return 2;
    }
    if (!nv::tool::attachMachine("shutdown", a[0]))
        return 2;
    const std::string& request = nv::machine::currentOrDie().settings().shutdownRequest;
    if (request.empty()) {
        std::printf("none\n");
        return 1;
    }
    std::printf("%s\t%s\n", request.c_str(), nv::machine::describeShutdown(request).c_str());
    return 0;
}

NV_COMMAND("shutdown", kUsage, run);

}  // namespace
