// The main window: a full-screen window whose procedure runs the stages of
// the run, one private message each (IM_DRIVER_STAGE and friends).
#pragma once

#include <windows.h>

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Timer of a group-only run: the driver stage starts when it fires.
#define GROUP_ONLY_TIMER 1
#define GROUP_ONLY_DELAY_MS 2000
