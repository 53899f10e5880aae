// Stage handlers as far as they are built: the install and uninstall
// sequences are not here yet, so the driver stage goes straight to the
// finish, and the finish releases the current text and closes the window.
// The outcome report, the INI edits and the restart offer are not built yet.
#include "script/IniText.h"
#include "shared/InstallState.h"
#include "shared/WindowMessages.h"
#include "startup/Stages.h"

LRESULT DriverStage(HWND hwnd) {
    PostMessageA(hwnd, IM_FINISH, 0, 0);
    return 0;
}

LRESULT DemoStage(HWND hwnd) {
    PostMessageA(hwnd, IM_FONT_STAGE, 0, 0);
    return 0;
}

LRESULT FontStage(HWND hwnd) {
    PostMessageA(hwnd, IM_FINISH, 0, 0);
    return 0;
}

LRESULT FinishStage(HWND hwnd) {
    UpdateWindow(hwnd);
    if (state.currentText)
        FreeIniText(nullptr);
    DestroyWindow(hwnd);
    return 0;
}
