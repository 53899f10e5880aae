// nvmachine build-disks SRC OUT: installation disk folders from a product.
//
// SRC with a disks.txt is a product tree (samples/product): its manifest says
// what each disk holds and which files are made. Otherwise SRC holds DISK1 to
// DISK9 folders laid out as the disks should be (see tools/disks/DiskSet.h).
#include <cstdio>
#include <filesystem>

#include "samples/builder/DiskBuilder.h"
#include "samples/builder/ProductManifest.h"
#include "tools/disks/DiskSet.h"
#include "tools/nvmachine/Command.h"

namespace fs = std::filesystem;

namespace {

int fail(const std::string& what) {
    std::fprintf(stderr, "nvmachine build-disks: %s\n", what.c_str());
    return 1;
}

int fromManifest(const fs::path& src, const fs::path& out) {
    auto bytes = nv::sample::readHostFile(src / "disks.txt");
    if (!bytes)
        return fail(bytes.error().message);
    std::string text(bytes->begin(), bytes->end());
    auto manifest = nv::sample::parseManifest(text, (src / "disks.txt").string());
    if (!manifest)
        return fail(manifest.error().message);
    if (auto built = nv::sample::buildDisks(*manifest, src, out); !built)
        return fail(built.error().message);
    return 0;
}

int fromTree(const fs::path& src, const fs::path& out) {
    auto report = nv::disks::buildDiskSet(src, out);
    if (!report)
        return fail(report.error().message);
    for (const auto& f : report->files)
        std::printf("DISK%d/%s%s %llu\n", f.disk, f.relative.c_str(), f.compressed ? " (compressed)" : "",
                    static_cast<unsigned long long>(f.size));
    for (const auto& w : report->warnings)
        std::fprintf(stderr, "nvmachine build-disks: warning: %s\n", w.c_str());
    return 0;
}

int run(const nv::tool::Args& args) {
    if (args.size() != 2)
        return fail("usage: nvmachine build-disks SRC OUT");
    std::error_code ec;
    if (fs::exists(fs::path(args[0]) / "disks.txt", ec))
        return fromManifest(args[0], args[1]);
    return fromTree(args[0], args[1]);
}

}  // namespace

NV_COMMAND("build-disks",
           "  build-disks SRC OUT      make OUT/DISK1.. from a product tree (SRC/disks.txt) or from\n"
           "                           SRC/DISK1.. folders (NAME.EXT.lz is stored as NAME.EX_)",
           run);
