// nvmachine eject: takes the disk out of a removable drive.
//
//   nvmachine eject DIR A:
//
// The drive is marked empty (calls on it fail with ERROR_NOT_READY). Its
// folder keeps the files, unreachable until the next insert replaces them.
// Exit status: 0 done, 2 errors.
#include <cstdio>

#include "platform/core/Machine.h"
#include "tools/nvmachine/Command.h"
#include "tools/nvmachine/ToolDrive.h"
#include "tools/nvmachine/ToolMachine.h"

namespace {

using nv::tool::Args;

const char kUsage[] = "  eject DIR A:                        take the disk out of a removable drive";

int run(const Args& a) {
    if (a.size() != 2) {
        std::fprintf(stderr, "usage:\n%s\n", kUsage);
        return 2;
    }
    if (!nv::tool::attachMachine("eject", a[0]))
        return 2;
    auto& m = nv::machine::currentOrDie();
    nv::machine::Drive* d = nv::tool::removableDrive("eject", m, a[1]);
    if (!d)
        return 2;
    d->hasDisk = false;
    auto saved = m.save();
    if (!saved) {
        nv::tool::complain("eject", saved.error().message);
        return 2;
    }
    return 0;
}

NV_COMMAND("eject", kUsage, run);

}  // namespace
