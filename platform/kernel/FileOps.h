// File operations by name, shared by the Win32 wrappers (DeleteFileA and
// OpenFile's OF_DELETE, CopyFileA, the directory functions).
//
// Contract: each returns the Win32 error Windows gives for the situation;
// none leaves a half-made destination behind (a failed copy removes what it
// wrote).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

#include "platform/core/Machine.h"
#include "platform/core/Result.h"

namespace nv::kernel {

enum class IfExists { Fail, Replace };

Result<void> deleteFile(std::string_view path);
Result<void> copyFile(std::string_view from, std::string_view to, IfExists ifExists);
Result<void> moveFile(std::string_view from, std::string_view to);
Result<DWORD> fileAttributes(std::string_view path);
Result<void> setFileAttributes(std::string_view path, DWORD attributes);
Result<void> createDirectory(std::string_view path);
Result<void> removeDirectory(std::string_view path);

// The directory entries matching a pattern with '*' and '?' (FindFirstFileA).
// Sorted by name without regard to case; "." and ".." come first in a
// subdirectory, as Windows lists them.
Result<std::vector<WIN32_FIND_DATAA>> findFiles(std::string_view pattern);
// Windows wildcard match without regard to case ("*.*" matches every name).
bool wildcardMatch(std::string_view pattern, std::string_view name);

// Where OpenFile finds a bare file name: the program's directory, the
// current directory, the system directory, the Windows directory. Returns
// the full path of the first hit, or the error for the plain name.
Result<std::string> searchForOpen(std::string_view name);

// Called by OpenFile with OF_PROMPT when a file cannot be found; a true
// answer retries (the user put the disk in). Unset: no prompt, the open fails.
using PromptHook = std::function<bool(const std::string& fullPath)>;
void setOpenPromptHook(PromptHook hook);
const PromptHook& openPromptHook();

}  // namespace nv::kernel
