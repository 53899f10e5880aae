// The description of a product's disks (samples/product/disks.txt): one line
// per file on the disks, saying on which disk and in which folder it stands,
// how it is stored and what it is made from.
//
// Contract:
//  - parseManifest() accepts the text of the file; blank lines and lines
//    starting with "#" are skipped. Every other line has at least six fields
//    separated by blanks or tabs (disk, folder, name, store, from, version);
//    the rest of the line, trimmed, is the description.
//  - Errors name the file and line and quote the offending field; parsing
//    stops at the first one.
//  - Names are checked to stay inside their disk: no "\", "/", "..", ":" or
//    drive letters in names, folders are one plain component or ".".
//  - Names and folders are 8.3 names, as a floppy holds them.
//  - "lz" needs a three-letter extension (QS8000.DRV is stored as QS8000.DR_).
//  - A name may stand once per disk and folder (compared without case), and
//    its stored name (NAME.EX_ for "lz") may not clash with another file's.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <winerror.h>

#include "platform/core/Result.h"

namespace nv::sample {

enum class Store {
    Plain,       // copied as it is
    Lz,          // SZDD compressed, stored as NAME.EX_
    LzKeepName,  // SZDD compressed, stored under its own name
};

enum class Make {
    File,   // the bytes of a file of the product tree
    Ne,     // 16-bit Windows driver
    Le,     // virtual device driver
    LeBz,   // virtual device driver whose first two bytes read "BZ"
    PeExe,  // 32-bit program
    PeDll,  // 32-bit DLL
    Tag,    // disk tag file holding the description
};

using Version = std::array<uint16_t, 4>;

struct DiskFile {
    int disk = 0;            // 1..9
    std::string folder;      // "" for the root
    std::string name;        // the file's own name
    Store store = Store::Plain;
    Make make = Make::File;
    std::string source;      // for Make::File: path relative to the product tree
    std::optional<Version> version;
    std::string description;
    int line = 0;            // line in the manifest, for diagnostics

    // The name the file is stored under on its disk.
    std::string storedName() const;
    // Path below the output folder: "DISK1/DRIVER/QS8000.DR_".
    std::string diskPath() const;
};

struct Manifest {
    std::vector<DiskFile> files;

    int diskCount() const;
    // Files on disk, in manifest order; folder "" is the root.
    std::vector<const DiskFile*> onDisk(int disk) const;
    // The file named name (without regard to case) on disk in folder, or none.
    const DiskFile* find(int disk, std::string_view folder, std::string_view name) const;
};

Result<Manifest> parseManifest(std::string_view text, std::string_view fileName);

// True when name is a plain file name that cannot leave its folder.
bool isPlainFileName(std::string_view name);

}  // namespace nv::sample
