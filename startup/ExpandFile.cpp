// ExpandFile: one LZ copy from the source disk into the machine. LZCopy
// expands a compressed source and copies a plain one unchanged.
#include "script/MessageText.h"
#include "shared/PathOps.h"
#include "startup/Startup.h"
#include "startup/StartupMessages.h"

int ExpandFile(LPCSTR source, LPCSTR destination) {
    // A missing source asks for its disk; one that stays missing leaves no
    // empty destination behind.
    if (!LzCopyFile(source, destination, LzSource::Prompt)) {
        ShowNotFound(nullptr, TXT_INSTALL_INF, CAPTION_INSTALLATION, MB_ICONHAND);
        return 0;
    }
    return 1;
}
