// nvmachine ls: lists a directory of the machine as Windows names it.
//
//   nvmachine ls DIR WINPATH
//
// One line per entry, sorted without regard to case: columns 1-10 hold the
// size in bytes (right-aligned) or "<DIR>", column 11 a blank, then the name
// as stored. A WINPATH naming a file lists that file. Symbolic links are shown
// as "<LINK>" and never followed. Exit status: 0 done, 1 missing path or
// drive not ready, 2 usage errors.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/Machine.h"
#include "tools/nvmachine/Command.h"
#include "tools/nvmachine/ToolMachine.h"

namespace fs = std::filesystem;

namespace {

using nv::tool::Args;

const char kUsage[] = "  ls DIR WINPATH                      list a directory (or a file) of the machine";

void printEntry(const fs::path& host, const std::string& name) {
    std::error_code ec;
    auto st = fs::symlink_status(host, ec);
    if (fs::is_symlink(st))
        std::printf("%10s %s\n", "<LINK>", name.c_str());
    else if (fs::is_directory(st))
        std::printf("%10s %s\n", "<DIR>", name.c_str());
    else
        std::printf("%10llu %s\n", static_cast<unsigned long long>(fs::file_size(host, ec)), name.c_str());
}

int run(const Args& a) {
    if (a.size() != 2) {
        std::fprintf(stderr, "usage:\n%s\n", kUsage);
        return 2;
    }
    if (!nv::tool::attachMachine("ls", a[0]))
        return 2;
    auto r = nv::machine::currentOrDie().resolve(a[1]);
    if (!r) {
        nv::tool::complain("ls", a[1] + ": " + r.error().message);
        return 1;
    }
    if (!r->exists) {
        nv::tool::complain("ls", r->winPath + ": no such file or directory");
        return 1;
    }
    if (!r->isDirectory) {
        printEntry(r->host, r->host.filename().string());
        return 0;
    }
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(r->host, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end(), [](const std::string& x, const std::string& y) {
        std::string ux = nv::machine::toUpperAscii(x), uy = nv::machine::toUpperAscii(y);
        return ux != uy ? ux < uy : x < y;
    });
    for (const auto& n : names)
        printEntry(r->host / n, n);
    return 0;
}

NV_COMMAND("ls", kUsage, run);

}  // namespace
