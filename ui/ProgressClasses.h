// The two self-drawn controls of the progress window: "probar", the bar
// that shows the share of files done as a blue and white bar with the
// percentage in its middle, and "text", the status line ("Copying   " and
// the name of the file in hand). Start-up registers them after the main
// class, "probar" first; each registration returns 1, or 0 on failure.
#pragma once

#include <windows.h>

// Messages of "probar": the word offsets of its window data above WM_USER.
#define BAR_SETRANGE (WM_USER + 0)  // wParam: steps that make 100 %
#define BAR_SETPOS (WM_USER + 2)    // wParam: steps done
#define BAR_STEP (WM_USER + 4)      // wParam: steps to add (16-bit, wraps)
// The status line's own redraw message.
#define STATUS_REDRAW 4

int RegisterProBarClass(HINSTANCE instance);
int RegisterTextClass(HINSTANCE instance);

LRESULT CALLBACK ProBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK TextBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The bold 12-pixel "MS Sans Serif" both controls draw with; made by
// OpenProgress and deleted by CloseProgress (none outside a run).
HFONT StatusFont();
void CreateStatusFont();
void DeleteStatusFont();
