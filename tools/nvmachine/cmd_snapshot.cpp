// nvmachine snapshot: records the state of a machine in a text file that
// `nvmachine diff` compares (the format is described in Snapshot.h).
//
//   nvmachine snapshot DIR OUT      OUT "-" writes to standard output
//
// Exit status: 0 done, 2 errors (a damaged settings or registry file is
// named with its line).
#include <cstdio>
#include <fstream>

#include "tools/nvmachine/Command.h"
#include "tools/nvmachine/Snapshot.h"
#include "tools/nvmachine/ToolMachine.h"

namespace {

using nv::tool::Args;

const char kUsage[] = "  snapshot DIR OUT                    record files, INI lines and registry of a machine in OUT";

int run(const Args& a) {
    if (a.size() != 2) {
        std::fprintf(stderr, "usage:\n%s\n", kUsage);
        return 2;
    }
    auto snap = nv::tool::Snapshot::take(a[0]);
    if (!snap) {
        nv::tool::complain("snapshot", snap.error().message);
        return 2;
    }
    std::string text = snap->text();
    if (a[1] == "-") {
        std::fputs(text.c_str(), stdout);
        return 0;
    }
    std::ofstream out(a[1], std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
        nv::tool::complain("snapshot", a[1] + ": cannot write");
        return 2;
    }
    return 0;
}

NV_COMMAND("snapshot", kUsage, run);

}  // namespace
