// nv_sample_disks PRODUCT DISKS [VARIANTS]
//
// Builds the disk folders of the product tree PRODUCT (its disks.txt) into
// DISKS, then, when VARIANTS is given, every variant of PRODUCT/variants.txt
// into VARIANTS/NAME. Errors go to stderr with the file and line at fault.
#include <cstdio>
#include <filesystem>
#include <string>

#include "samples/builder/DiskBuilder.h"
#include "samples/builder/ProductManifest.h"
#include "samples/builder/Variants.h"

namespace fs = std::filesystem;

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "nv_sample_disks: %s\n", message.c_str());
    return 1;
}

nv::Result<std::string> readText(const fs::path& path) {
    auto bytes = NV_TRY(nv::sample::readHostFile(path));
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4)
        return fail("usage: nv_sample_disks PRODUCT DISKS [VARIANTS]");
    fs::path product = argv[1];
    fs::path disks = argv[2];

    auto manifestText = readText(product / "disks.txt");
    if (!manifestText)
        return fail(manifestText.error().message);
    auto manifest = nv::sample::parseManifest(*manifestText, (product / "disks.txt").string());
    if (!manifest)
        return fail(manifest.error().message);
    if (auto built = nv::sample::buildDisks(*manifest, product, disks); !built)
        return fail(built.error().message);

    if (argc == 4) {
        fs::path variants = argv[3];
        auto tableText = readText(product / "variants.txt");
        if (!tableText)
            return fail(tableText.error().message);
        auto table = nv::sample::parseVariants(*tableText, (product / "variants.txt").string());
        if (!table)
            return fail(table.error().message);
        for (const auto& name : table->names)
            if (auto built = nv::sample::buildVariant(*table, name, disks, variants / name); !built)
                return fail(built.error().message);
    }
    return 0;
}
