#include "ui/ProgressWindow.h"

#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "ui/DialogPlumbing.h"
#include "ui/ProgressClasses.h"

namespace {

HWND progressWindow;
HWND progressBar;  // stay set after the window is gone; IsWindow tells
HWND statusLine;
HWND progressOwner;
int abortFlag;

int SendTo(HWND control, UINT message, WPARAM wParam) {
    // Guard: the handles outlive their window; a stale one must not reach
    // another window that happens to get the same handle value.
    if (!control || !IsWindow(control))
        return 0;
    SendMessageA(control, message, wParam, 0);
    return 1;
}

void LayOut(HWND dialog) {
    RECT c;
    GetClientRect(dialog, &c);
    const int width = c.right - c.left;
    const int height = c.bottom - c.top;
    const int w = width * 4 / 5;
    const int h = height / 5;
    const int x = (c.right + c.left - w) / 2;
    const int y = (c.top + c.bottom - h) / 3 * 5 / 3;
    progressBar = CreateWindowA("probar", "", WS_CHILD | WS_VISIBLE, x, y, w, h, dialog, nullptr, state.instance,
                                nullptr);
    SetBarRange(100);
    SetBarPos(0);
    statusLine = CreateWindowA("text", "", WS_CHILD | WS_VISIBLE, 0, 0, width, height / 3, dialog, nullptr,
                               state.instance, nullptr);
    ShowStatus();
}

}  // namespace

HWND ProgressWindow() { return progressWindow; }

INT_PTR CALLBACK Going(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        PlaceDialog(dialog);
        LayOut(dialog);
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dialog, &ps);
        FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
        EndPaint(dialog, &ps);
        return TRUE;
    }
    case WM_COMMAND:
        return TRUE;
    case WM_CLOSE:
        // The close box: the run stops before its next file.
        abortFlag = 1;
        if (progressOwner)
            EnableWindow(progressOwner, TRUE);
        DestroyWindow(dialog);
        progressWindow = nullptr;
        return TRUE;
    default:
        return FALSE;
    }
}

HDC OpenProgress(HWND owner) {
    HDC dc = GetDC(owner);
    EnableWindow(owner, FALSE);
    progressOwner = owner;
    abortFlag = 0;
    CreateStatusFont();
    progressWindow = CreateDialogParamA(state.instance, "COPYING", owner, Going, 0);
    if (state.operationMode == 1 && progressWindow) {
        char caption[256];
        GetMessageText(MSG_DELETING, caption);
        AppendText(caption, "...");
        SetWindowTextA(progressWindow, caption);
    }
    return dc;
}

void CloseProgress(HWND owner, HDC dc) {
    EnableWindow(owner, TRUE);
    if (progressWindow && IsWindow(progressWindow))
        DestroyWindow(progressWindow);
    progressWindow = nullptr;
    progressOwner = nullptr;
    abortFlag = 0;  // a close box counts for its own run only
    DeleteStatusFont();
    ReleaseDC(owner, dc);
}

int SetBarRange(WORD n) { return SendTo(progressBar, BAR_SETRANGE, n); }
int SetBarPos(WORD n) { return SendTo(progressBar, BAR_SETPOS, n); }
int StepBar(WORD delta) { return SendTo(progressBar, BAR_STEP, delta); }
int RedrawStatus() { return SendTo(statusLine, STATUS_REDRAW, 0); }
int ShowStatus() { return SendTo(statusLine, WM_ACTIVATE, 0); }

BOOL CALLBACK AbortProc(HDC, int) {
    MSG msg;
    while (!abortFlag && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (progressWindow && IsDialogMessageA(progressWindow, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return abortFlag ? FALSE : TRUE;
}
