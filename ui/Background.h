// The painted client area of the main window: a blue gradient darkening to
// black, the title bitmap with its drop shadow and, when the script asks for
// it, the version caption.
#pragma once

#include <windows.h>

// Paints window's client area into dc (the WM_PAINT context).
void BackgroundPaint(HWND window, HDC dc);
