// nvmachine snapshot: records the state of a machine in a text file that
// `nvmachine diff` compares (the format is described in Snapshot.h).
//
//   nvmachine snapshot DIR OUT      OUT "-" writes to standard output
//
// Exit status: 0 done, 2 errors (a damaged settings or registry file is
// named with its line).
#include <winerror.h>

#include <cstdio>
#include <fstream>

#include "platform/core/DriveStore.h"
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
    // A fresh temporary name beside OUT, renamed over it when whole: a link
    // or file at a fixed name is never written through, and a failure leaves
    // OUT as it was.
    auto out = nv::host::StagedFile::create(a[1]);
    if (!out) {
        nv::tool::complain("snapshot", out.error().message);
        return 2;
    }
    bool written = std::fwrite(text.data(), 1, text.size(), out->file()) == text.size();
    if (auto done = written ? out->commit() : nv::Result<void>(nv::Error::win32(ERROR_WRITE_FAULT)); !done) {
        nv::tool::complain("snapshot", a[1] + ": cannot write");
        return 2;
    }
    return 0;
}

NV_COMMAND("snapshot", kUsage, run);

}  // namespace
