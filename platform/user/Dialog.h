// The dialog manager: dialogs from templates, the modal loop, the keyboard
// rules of dialogs. Internal to platform/user; the Win32 functions are in
// DialogApi.cpp.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/core/Result.h"
#include "platform/user/DialogTemplate.h"
#include "platform/user/Painter.h"

namespace nv::user {

struct DialogSource {
    HINSTANCE instance = nullptr;
    std::string templateName;  // empty for in-memory templates
};

// Creates the dialog (hidden unless the template says WS_VISIBLE, or `show`),
// its controls, sends WM_INITDIALOG and applies the focus rule.
Result<HWND> createDialog(const DialogTemplate& t, const DialogSource& src, HWND owner, DLGPROC proc, LPARAM param);

// Runs a modal loop on a created dialog until EndDialog; returns its result.
// `filterCode` is what the message-filter hook is told (MSGF_DIALOGBOX or
// MSGF_MESSAGEBOX). Destroys the dialog.
INT_PTR runModal(HWND dlg, HWND owner, int filterCode, WaitKind kind);
// Before a dialog box or message box comes up, the active window is told to
// drop its modes (WM_CANCELMODE), so it gives up a mouse capture the box
// would otherwise lose every click to. Skipped for an owner about to be
// disabled, which is told so by EnableWindow.
void cancelModesFor(HWND owner);

// What a modal loop does when its queue is idle: ask whoever drives the
// input. Returns true when input was supplied (or the clock moved).
using WaitHandler = std::function<bool(HWND dlg, WaitKind kind)>;
void setWaitHandler(WaitHandler handler);

bool isDialogMessage(HWND dlg, MSG* msg);
// Moves the focus the way the dialog manager does (edit text gets selected).
void setDialogFocus(HWND dlg, HWND control);
HWND nextTabItem(HWND dlg, HWND from, bool previous);
HWND nextGroupItem(HWND dlg, HWND from, bool previous);
bool endDialog(HWND dlg, INT_PTR result);

// Pixels of dialog units in a dialog.
RECT mapDialogRect(HWND dlg, RECT r);

}  // namespace nv::user
