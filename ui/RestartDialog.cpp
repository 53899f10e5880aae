// WIN_RESTART: restart Windows now, or return to it.
#include "script/MessageText.h"
#include "shared/InstallState.h"
#include "ui/ChoiceDialogs.h"
#include "ui/DialogPlumbing.h"
#include "ui/RuntimeTemplates.h"

namespace {

constexpr UINT kRestartInstalled = 215;    // "You must restart Windows so that the installed programs ..."
constexpr UINT kRestartUninstalled = 230;  // "... so that the uninstalled programs can take effect !!"
constexpr UINT kRestartButton = 213;       // "&Restart Windows"
constexpr UINT kReturnButton = 214;        // "Return to current &Windows"

void initDialog(HWND dialog) {
    PlaceDialog(dialog);
    ApplyDialogFont(dialog);
    GetMessageText(state.operationMode == 1 ? kRestartUninstalled : kRestartInstalled, state.scratchText);
    SetDlgItemTextA(dialog, IDC_RESTART_TEXT, state.scratchText);
    char text[MESSAGE_TEXT_MAX + 1];
    SetDlgItemTextA(dialog, IDC_RESTART, GetMessageText(kRestartButton, text));
    SetDlgItemTextA(dialog, IDC_RETURN, GetMessageText(kReturnButton, text));
    SetWindowTextA(dialog, GetMessageText(CAPTION_INSTALLATION, text));
}

}  // namespace

INT_PTR CALLBACK SelWinRestart(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        initDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_RESTART:
            // Mode 1 only logs off (the reserved argument all bits set);
            // otherwise the machine restarts. The result is not looked at:
            // the program ends either way.
            if (state.rebootMode == 1)
                ExitWindowsEx(EWX_LOGOFF, 0xFFFFFFFF);
            else
                ExitWindowsEx(EWX_REBOOT, 0);
            EndFontDialog(dialog, 1);
            return TRUE;
        case IDC_RETURN:
            EndFontDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
