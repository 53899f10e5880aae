// Switching the current text between the script copy and the OEM INF copy,
// as the branches of the driver stage do.
#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "startup/StageSteps.h"
#include "startup/StartupMessages.h"

int SwitchText(HWND hwnd, LPCSTR path) {
    FreeIniText(nullptr);
    IniText text = LoadIniText(path);
    if (!text || text == INITEXT_EMPTY) {
        ShowIdMessage(hwnd, MSG_NOT_ENOUGH_MEMORY, CAPTION_INSTALLATION, MB_OK);
        return 0;
    }
    return 1;
}

int SwitchToOemCopy(HWND hwnd) {
    char copy[MAX_PATH];
    JoinPath(copy, state.windowsDir, GetMessageText(TXT_OEM_COPY));
    return SwitchText(hwnd, copy);
}
