// The products install_bench installs, each as a copy of its disks on a hard
// disk (SETUP\DISK1, SETUP\DISK2, ...): the sample product as the product
// tree describes it, and larger ones made from it by adding generated data
// files to the first model's file list, spread over up to nine disks.
//
// Contract:
//  - makeProduct() with extraFiles 0 and 3 disks builds the sample product
//    unchanged; otherwise it copies the product tree into `work`, writes the
//    generated files there, adds them and the tag files of disks 4 and up to
//    the manifest, and edits the copied scripts before building, so that the
//    typical hard-disk answers still fit: [DISKn] sections in INSTALL.INF,
//    the file list QS.Bench in the first model's CopyFiles, and the
//    demonstration file moved to the last disk (a hard-disk copy is not
//    searched backwards for an earlier disk without a question).
//  - The model's copy list loses its one duplicate entry (QSRES.DLL in
//    QS.Dll), so that `files` copied files fill exactly `files` entries.
//  - Every disk folder of the hard-disk copy holds its files at its root
//    (the driver folder of disk 1 flattened), so a file of `contents` stands
//    at setup/DISKn/storedName.
//  - Generated files are text-like, 256 to 2047 bytes, LZ compressed on the
//    disks, and each one differs from every other file of the product.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <winerror.h>

#include "platform/core/Result.h"

namespace nv::bench {

// What a typical install of the sample product from its hard-disk copy
// copies (driver run and demonstration file); checked against each run.
inline constexpr int kSampleFiles = 16;
inline constexpr int kSampleDisks = 3;

// One file on the disks: where it stands and what it expands to.
struct DiskContent {
    int disk = 0;
    std::string name;        // its own name
    std::string storedName;  // on the disk (NAME.EX_ when compressed)
    std::vector<uint8_t> bytes;
};

struct BenchProduct {
    std::string name;             // for the report
    int files = 0;                // files a typical install copies
    int disks = 0;
    std::filesystem::path setup;  // the host folder holding DISK1, DISK2, ...
    std::string privateIni;       // the private INI's name ([PRIVATE.INI] of INSTALL.INF)
    std::vector<DiskContent> contents;
};

// A product whose typical install copies `files` files (kSampleFiles up to
// the copy list's 160) from `disks` disks (kSampleDisks to 9).
Result<BenchProduct> makeProduct(const std::filesystem::path& productTree, const std::filesystem::path& work,
                                 int files, int disks);

}  // namespace nv::bench
