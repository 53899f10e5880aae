#include "platform/user/FilePrompt.h"

#include <windows.h>

#include "platform/kernel/FileOps.h"

namespace nv::user {

bool askForMissingFile(const std::string& fullPath) {
    std::string text = "Cannot find file " + fullPath + ".\n\nInsert the disk that holds it, then choose Retry.";
    return MessageBoxA(GetActiveWindow(), text.c_str(), "Open File", MB_RETRYCANCEL | MB_ICONEXCLAMATION) == IDRETRY;
}

void installFilePrompt() {
    if (!kernel::openPromptHook())
        kernel::setOpenPromptHook(askForMissingFile);
}

}  // namespace nv::user
