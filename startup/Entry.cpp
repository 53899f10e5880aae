// The entry point: single-instance guard, command line, start-up, the main
// window, the message loop and the exit clean-up.
#include <cstring>

#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "startup/ExitCleanUp.h"
#include "startup/Startup.h"
#include "startup/StartupMessages.h"
#include "ui/ProgressClasses.h"

int InstallerMain(HINSTANCE instance, LPCSTR cmdLine, int showCommand) {
    ResetInstallState();
    bool commandLineFits = CopyText(state.commandLine, cmdLine ? cmdLine : "");
    state.runFlags = 0;
    if (std::strcmp(state.commandLine, "/1") == 0)
        state.runFlags |= RUN_UNATTENDED;
    state.instance = instance;

    if (FindWindowA(MAIN_WINDOW_CLASS, nullptr)) {
        ShowIdMessage(nullptr, MSG_ALREADY_RUNNING, CAPTION_WARNING, MB_SYSTEMMODAL | MB_ICONINFORMATION);
        return 0;
    }
    // Guard: a cut command line would name some other file; it is refused instead.
    if (!commandLineFits) {
        ShowIdMessage(nullptr, MSG_CANNOT_READ_INFO, CAPTION_WARNING, MB_ICONHAND);
        return 0;
    }

    if (!InitializeInstaller(instance) || !RegisterProBarClass(instance) || !RegisterTextClass(instance) ||
        !CreateMainWindow(instance, showCommand)) {
        FailedStartCleanUp();
        return 0;
    }

    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    ExitCleanUp();
    return static_cast<int>(msg.wParam);
}
