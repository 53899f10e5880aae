// nvmachine insert: puts a disk into a removable drive of the machine.
//
//   nvmachine insert DIR A: FOLDER
//
// The files and folders of the host FOLDER are copied into the drive's own
// folder inside the machine directory, drives/A for A: (what was there before,
// the old disk, goes first), and the drive is marked as holding a disk.
// Copying, not linking, keeps everything the machine reaches inside its
// directory; symbolic links in FOLDER are skipped. An answer file's insert
// points the drive at a disk folder of the machine directory instead; such a
// folder is another disk's files and is left as it is, the drive is pointed
// back at its own folder. Exit status: 0 done, 2 errors.
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/core/Machine.h"
#include "tools/nvmachine/Command.h"
#include "tools/nvmachine/ToolMachine.h"
#include "tools/nvmachine/ToolDrive.h"

namespace fs = std::filesystem;

namespace {

using nv::tool::Args;

const char kUsage[] = "  insert DIR A: FOLDER                copy a host folder into a removable drive as its disk";

bool inside(const fs::path& inner, const fs::path& outer) {
    auto rel = inner.lexically_relative(outer);
    return !rel.empty() && *rel.begin() != "..";
}

int run(const Args& a) {
    if (a.size() != 3) {
        std::fprintf(stderr, "usage:\n%s\n", kUsage);
        return 2;
    }
    if (!nv::tool::attachMachine("insert", a[0]))
        return 2;
    auto& m = nv::machine::currentOrDie();
    nv::machine::Drive* d = nv::tool::removableDrive("insert", m, a[1]);
    if (!d)
        return 2;

    // Guard: clearing the folder the drive points at would wipe the disk an
    // answer file inserted (disks/DISK3 after an install) and fill it with this one.
    d->folder = std::string("drives/") + d->letter;

    std::error_code ec;
    fs::path source = fs::weakly_canonical(a[2], ec);
    if (ec || !fs::is_directory(source)) {
        nv::tool::complain("insert", a[2] + ": not a folder");
        return 2;
    }
    fs::path target = m.driveRoot(*d);
    fs::create_directories(target, ec);
    fs::path canonicalTarget = fs::weakly_canonical(target, ec);
    if (inside(source, canonicalTarget) || inside(canonicalTarget, source)) {
        nv::tool::complain("insert", a[2] + ": the folder and the drive's folder overlap");
        return 2;
    }
    for (fs::directory_iterator it(target, ec), end; !ec && it != end; it.increment(ec))
        fs::remove_all(it->path(), ec);
    ec.clear();
    fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::skip_symlinks, ec);
    if (ec) {
        nv::tool::complain("insert", a[2] + ": cannot copy: " + ec.message());
        return 2;
    }
    d->hasDisk = true;
    auto saved = m.save();
    if (!saved) {
        nv::tool::complain("insert", saved.error().message);
        return 2;
    }
    return 0;
}

NV_COMMAND("insert", kUsage, run);

}  // namespace
