// nvmachine diff: what changed between two states of a machine.
//
//   nvmachine diff BEFORE AFTER
//
// Each of BEFORE and AFTER is a snapshot file or a machine directory (one
// holding machine.ini, recorded on the spot). The output lists, per area,
// "+ RECORD", "- RECORD" and "~ RECORD -> FIELDS" lines (see Snapshot.h).
// Exit status, as diff(1): 0 no differences, 1 differences, 2 errors.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/nvmachine/Command.h"
#include "tools/nvmachine/Snapshot.h"
#include "tools/nvmachine/ToolMachine.h"
#include "platform/core/DriveStore.h"

namespace {

using nv::tool::Args;
using nv::tool::Snapshot;

const char kUsage[] = "  diff BEFORE AFTER                   show what changed (each a snapshot file or a machine directory)";

nv::Result<Snapshot> load(const std::string& arg) {
    std::error_code ec;
    if (std::filesystem::is_directory(arg, ec))
        return Snapshot::take(arg);
    auto text = nv::host::readFile(arg);
    if (!text)
        return text.take_error();
    return Snapshot::parse(*text, arg);
}

int run(const Args& a) {
    if (a.size() != 2) {
        std::fprintf(stderr, "usage:\n%s\n", kUsage);
        return 2;
    }
    auto before = load(a[0]);
    if (!before) {
        nv::tool::complain("diff", before.error().message);
        return 2;
    }
    auto after = load(a[1]);
    if (!after) {
        nv::tool::complain("diff", after.error().message);
        return 2;
    }
    std::string out = nv::tool::diff(*before, *after);
    std::fputs(out.c_str(), stdout);
    return out.empty() ? 0 : 1;
}

NV_COMMAND("diff", kUsage, run);

}  // namespace
