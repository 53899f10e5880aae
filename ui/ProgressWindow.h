// The modeless progress window (template COPYING, procedure Going) that
// stands over the disabled main window while files are copied or deleted,
// with the operations the copy and removal loops drive it by.
//
// Cancelling: the window's close box sets an abort flag, re-enables the
// owner and takes the window down. The loops call AbortProc between files:
// it lets pending input through (the close box only works then, or while a
// prompt of the run is open) and returns 0 once the flag is set.
#pragma once

#include <windows.h>

// Disables owner, clears the abort flag, makes the status font and opens
// COPYING (caption "Deleting  ..." when uninstalling). Returns owner's
// device context, which the caller hands back to CloseProgress.
HDC OpenProgress(HWND owner);
// Enables owner, destroys the window and the font, releases dc.
void CloseProgress(HWND owner, HDC dc);

// Dialog procedure of COPYING: places the window and lays out the bar and
// the status line.
INT_PTR CALLBACK Going(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Each sends its message to its control synchronously; 0 when the control
// does not exist (never made, or gone with its window), else 1.
int SetBarRange(WORD n);
int SetBarPos(WORD n);
int StepBar(WORD delta);
int RedrawStatus();
int ShowStatus();

// The message pump of a run: while the abort flag is clear, removes and
// handles every pending message (dialog keys through the progress window)
// and returns 1; returns 0 once the flag is set.
BOOL CALLBACK AbortProc(HDC dc, int code);

// The progress window, or NULL when none stands.
HWND ProgressWindow();
