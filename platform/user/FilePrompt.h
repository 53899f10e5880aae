// The prompt of OpenFile and LZOpenFileA with OF_PROMPT: when a file is on
// neither name, a message box of the user-interface stand-in asks for the
// disk, answered like any other message box (answer file, console).
//
//   caption "Open File", icon: exclamation, buttons Retry and Cancel
//   "Cannot find file <full path>.\n\nInsert the disk that holds it, then choose Retry."
//
// Retry looks for the file again (under both names for LZOpenFileA); Cancel
// lets the open fail with the file-not-found error.
#pragma once

#include <string>

namespace nv::user {

// The box itself; true for Retry.
bool askForMissingFile(const std::string& fullPath);
// Installs askForMissingFile as the open prompt unless another prompt (a
// test's) is installed. The window manager does this when it starts.
void installFilePrompt();

}  // namespace nv::user
