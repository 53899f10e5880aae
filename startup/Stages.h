// The stage handlers of the main window, one per private message. Each
// returns 0 and ends by posting the next stage's message (or, for the
// finish, by destroying the window).
#pragma once

#include <windows.h>

LRESULT DriverStage(HWND hwnd);
LRESULT DemoStage(HWND hwnd);
LRESULT FontStage(HWND hwnd);
LRESULT FinishStage(HWND hwnd);
