// Pieces every dialog of the installer goes through: the modal runner, the
// fixed screen placement, the F3 hook of the four dialogs with an Exit
// button, the cancel question and the "Checking" notice.
//
// Dialog procedures follow one convention: on WM_INITDIALOG they call
// PlaceDialog, set their caption and texts in the chosen language and return
// TRUE; control 1 confirms, control 2 or 118 cancels (asking AskCancel); they
// end with 1 when confirmed and 0 when cancelled; unhandled messages give FALSE.
#pragma once

#include <windows.h>

#include "shared/ResourceIds.h"

// Runs template as a modal dialog owned by owner (lParam 0), repaints owner
// at once, and returns the dialog's end value (-1 when it failed to come up).
INT_PTR RunDialog(HWND owner, DLGPROC procedure, LPCSTR templateName);

// Moves dialog without resizing or activating it: centred horizontally; on a
// screen below 1000 pixels wide two thirds of the free height above it,
// otherwise centred vertically.
void PlaceDialog(HWND dialog);

// The dialog that installed the F3 hook last (set by the dialog itself).
void SetHookDialog(HWND dialog);
HWND HookDialog();
// Installs MsgFltr as the thread's message-filter hook; returns 1.
int InstallKeyHook();
void RemoveKeyHook();
// F3 on a control of the hook's dialog posts WM_COMMAND 118 to the dialog.
LRESULT CALLBACK MsgFltr(int code, WPARAM wParam, LPARAM lParam);

// "Do you really want to cancel the installation?" (or, once a driver is
// installed, "Do you want to finish the installation?"); No is the default.
// Returns IDYES or IDNO.
int AskCancel(HWND owner);

// Dialog procedure of the modeless WAITING notice.
INT_PTR CALLBACK WaitingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
