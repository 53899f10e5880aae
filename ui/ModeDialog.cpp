// MODE_INSTALL: install or uninstall.
#include <cstring>

#include "script/MessageText.h"
#include "shared/InstallState.h"
#include "ui/ChoiceDialogs.h"
#include "ui/DialogPlumbing.h"

namespace {

constexpr UINT kSelectOperation = 233;  // "Select an operation."
constexpr UINT kInstall = 190;          // "&Install"
constexpr UINT kUninstall = 231;        // "&Uninstall"
constexpr UINT kCaptionSelectMode = 232;  // "Select Mode"

void initDialog(HWND dialog) {
    PlaceDialog(dialog);
    ApplyDialogFont(dialog);
    // A run started with a setup-information file can only uninstall.
    if (state.commandLine[0] && std::strcmp(state.commandLine, "/ND") != 0)
        EnableWindow(GetDlgItem(dialog, IDC_MODE_INSTALL), FALSE);
    // Guard: a mode other than 0 or 1 would turn on no button at all.
    int mode = state.operationMode == 1 ? 1 : 0;
    CheckRadioButton(dialog, IDC_MODE_INSTALL, IDC_MODE_UNINSTALL, IDC_MODE_INSTALL + mode);
    char text[MESSAGE_TEXT_MAX + 1];
    SetDlgItemTextA(dialog, IDC_MODE_TEXT, GetMessageText(kSelectOperation, text));
    SetDlgItemTextA(dialog, IDC_MODE_INSTALL, GetMessageText(kInstall, text));
    SetDlgItemTextA(dialog, IDC_MODE_UNINSTALL, GetMessageText(kUninstall, text));
    SetDlgItemTextA(dialog, IDOK, GetMessageText(BTN_OK, text));
    SetDlgItemTextA(dialog, IDCANCEL, GetMessageText(BTN_CANCEL, text));
    SetWindowTextA(dialog, GetMessageText(kCaptionSelectMode, text));
}

}  // namespace

INT_PTR CALLBACK ModeInstall(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        initDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        if (wParam == IDOK) {
            state.operationMode = IsDlgButtonChecked(dialog, IDC_MODE_UNINSTALL) == BST_CHECKED ? 1 : 0;
            EndFontDialog(dialog, 1);
            return TRUE;
        }
        if (wParam == IDCANCEL) {
            EndFontDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
