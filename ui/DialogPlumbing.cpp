#include "ui/DialogPlumbing.h"

#include "script/MessageText.h"
#include "shared/InstallState.h"

namespace {

HHOOK hookHandle = nullptr;
bool hookInstalled = false;
HWND hookDialog = nullptr;
}  // namespace

INT_PTR RunDialog(HWND owner, DLGPROC procedure, LPCSTR templateName) {
    INT_PTR result = DialogBoxParamA(state.instance, templateName, owner, procedure, 0);
    if (owner)
        UpdateWindow(owner);
    return result;
}

void PlaceDialog(HWND dialog) {
    RECT r;
    if (!GetWindowRect(dialog, &r))
        return;
    HDC dc = GetDC(dialog);
    int horzRes = dc ? GetDeviceCaps(dc, HORZRES) : 0;
    if (dc)
        ReleaseDC(dialog, dc);
    int sw = GetSystemMetrics(SM_CXSCREEN);
    int sh = GetSystemMetrics(SM_CYSCREEN);
    int y = horzRes < 1000 ? ((sh + r.top - r.bottom) / 3) * 2 : (sh + r.top - r.bottom) / 2;
    int x = (sw + r.left - r.right) / 2;
    SetWindowPos(dialog, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void SetHookDialog(HWND dialog) { hookDialog = dialog; }
HWND HookDialog() { return hookDialog; }

int InstallKeyHook() {
    hookHandle = SetWindowsHookExA(WH_MSGFILTER, MsgFltr, nullptr, GetCurrentThreadId());
    hookInstalled = hookHandle != nullptr;
    return 1;
}

void RemoveKeyHook() {
    UnhookWindowsHook(WH_MSGFILTER, MsgFltr);
    hookInstalled = false;
}

LRESULT CALLBACK MsgFltr(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_DIALOGBOX && msg && msg->message == WM_KEYDOWN && msg->wParam == VK_F3 &&
        GetParent(msg->hwnd) == hookDialog && hookDialog) {
        PostMessageA(hookDialog, WM_COMMAND, IDC_EXIT, 0);
        return 1;
    }
    if (hookHandle && hookInstalled)
        return CallNextHookEx(hookHandle, code, 0, lParam);
    return 0;
}

int AskCancel(HWND owner) {
    char text[256];
    char caption[256];
    GetMessageText(state.runResult < RESULT_INSTALLED ? MSG_CANCEL_INSTALL : MSG_FINISH_INSTALL, text);
    GetMessageText(CAPTION_INSTALLATION, caption);
    return MessageBoxA(owner, text, caption, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
}

INT_PTR CALLBACK WaitingProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG)
        return FALSE;
    PlaceDialog(dialog);
    SetDlgItemTextA(dialog, IDC_WAITING_TEXT, GetMessageText(MSG_CHECKING_INI_FILES));
    SetWindowTextA(dialog, GetMessageText(CAPTION_CHECKING));
    return TRUE;
}
