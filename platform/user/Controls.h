// The standard controls and the dialog class, registered as system classes
// when the window manager starts. Internal to platform/user.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/user/Painter.h"
#include "platform/user/WindowManager.h"

namespace nv::user {

void registerStandardClasses();

// The kind of a standard control window, if it is one.
std::optional<ControlKind> controlKind(HWND hwnd);

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK SimpleControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK DialogClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Sends a control's notification to its parent as WM_COMMAND.
void notifyParent(HWND control, WORD code);
// Paints a control through the painter if there is one, else validates it.
void paintControl(HWND hwnd, ControlKind kind);
// WM_SETFONT and WM_GETFONT, shared by the controls; true when handled.
bool handleFont(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
// The controls of a radio-button group: from the WS_GROUP control at or
// before `control` up to the next WS_GROUP control.
std::vector<HWND> groupOf(HWND control);
// The height of one list-box row in pixels.
int listRowHeight(HWND listbox);

}  // namespace nv::user
