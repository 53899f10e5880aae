// Reading and writing INI files on the current machine, for the profile
// functions. They go through the machine directly (not through file handles)
// and honour what a write on the machine must: read-only and faulty drives,
// the disk-full setting, and files the system holds open.
//
// Contract:
//  - A bare file name (no drive, no "\" or "/") lies in the Windows directory;
//    other names are Windows paths, relative ones to the current directory.
//  - read() gives nullopt for a file that is missing, is a directory, is held
//    open by the system, or cannot be read.
//  - write() replaces the file atomically (a temporary file beside it, then a
//    rename), so a crash leaves either the old or the new file. It charges
//    the drive for the bytes the file grows by.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Machine.h"
#include "platform/core/Result.h"

namespace nv::profile {

struct IniFile {
    machine::ResolvedPath path;
    std::optional<std::string> bytes;  // nullopt: the file does not exist (or cannot be read)
};

// Finds the file and reads it. Fails only when the name cannot name a file
// (bad path, missing drive, no disk).
Result<IniFile> openIni(std::string_view fileName);

// Writes `bytes` as the new content of `file`.
Result<void> writeIni(const IniFile& file, std::string_view bytes);

// The file name with the Windows directory put in front of a bare name.
std::string iniPath(std::string_view fileName);

}  // namespace nv::profile
