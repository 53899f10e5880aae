// Reading and writing INI files on the current machine, for the profile
// functions. They go through the machine directly (not through file handles)
// and honour what a write on the machine must: read-only and faulty drives,
// the disk-full setting, and files the system holds open.
//
// Contract:
//  - A bare file name (no drive, no "\" or "/") lies in the Windows directory;
//    other names are Windows paths, relative ones to the current directory.
//  - openIni() gives the parsed file. A file that is missing is Missing; one
//    that exists but cannot be read (a folder, its mode, held open by the
//    system) is Unreadable: reads see an empty file and get their defaults,
//    as on Windows.
//  - Parsed files are cached per machine, checked on every call against the
//    file's identity (device, inode), size and last-write time and against
//    writes made through file handles, so many calls on one file cost one
//    read and an edit made any other way is seen at once.
//  - writeIni() refuses to write over a file that exists but could not be
//    read (ERROR_ACCESS_DENIED, or ERROR_SHARING_VIOLATION when it is open):
//    its content would be lost. Otherwise it replaces the file atomically (a
//    fresh temporary file beside it, then a rename), so a crash leaves either
//    the old or the new file, and charges the drive for the bytes the file
//    grows by.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/core/Machine.h"
#include "platform/core/Result.h"
#include "platform/kernel/profile_document.h"

namespace nv::profile {

enum class IniState { Missing, Readable, Unreadable };

struct IniFile {
    machine::ResolvedPath path;
    IniState state = IniState::Missing;
    Error unreadable;                          // Unreadable: why, with the code a write fails with
    std::shared_ptr<const Document> document;  // never null; empty unless Readable
    uint64_t size = 0;                         // bytes of the file as read

    bool readable() const { return state == IniState::Readable; }
};

// Finds the file and reads it (or takes it from the cache). Fails only when
// the name cannot name a file (bad path, missing drive, no disk, a link or a
// special file on the way).
Result<IniFile> openIni(std::string_view fileName);

// Writes `document` as the new content of `file`.
Result<void> writeIni(const IniFile& file, Document document);

// An empty document, for reads of files that could not be opened.
const Document& emptyDocument();

// The file name with the Windows directory put in front of a bare name.
std::string iniPath(std::string_view fileName);

}  // namespace nv::profile
