// Builds a set of installation disks from a folder tree.
//
// The tree SRC holds one folder per disk, DISK1 to DISK9 (any case), each
// with the files of that disk and any subfolders (language folders such as
// ENU or FRA, the driver folder). A file whose name ends in ".lz" is stored
// SZDD compressed under the name it has on a disk without that ending:
// "QS8000.DRV.lz" becomes QS8000.DR_ (the last character goes into the
// header); ".lzsame" compresses under the file's own name ("lpt.bz.lzsame"
// becomes lpt.bz). Every other file, tag files included, is copied as it is.
//
// Contract:
//  - OUT/DISKn is removed and written afresh for every disk of SRC; nothing
//    else under OUT is touched.
//  - Names on a disk must be 8.3 names (FAT floppies); a longer name, two
//    files that would get the same name on a disk, or a symbolic link is an
//    error naming the offending file, and no disk is written.
//  - Disks whose files outgrow a 1.44 MB floppy are reported in `warnings`.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/Result.h"
#include "tools/szdd/SzddCompressor.h"

namespace nv::disks {

struct StoredFile {
    int disk = 1;
    std::string relative;          // as stored on the disk, '/' separated
    std::filesystem::path source;  // where it came from
    bool compressed = false;
    uint64_t size = 0;             // bytes on the disk
};

struct DiskSetReport {
    std::vector<StoredFile> files;
    std::vector<std::string> warnings;
};

constexpr uint64_t kFloppyBytes = 1457664;

Result<DiskSetReport> buildDiskSet(const std::filesystem::path& src, const std::filesystem::path& out,
                                   szdd::Effort effort = szdd::Effort::Thorough);

// True for NAME.EXT with a name of 1-8 and an extension of 0-3 characters
// that FAT allows.
bool isShortName(std::string_view name);

}  // namespace nv::disks
