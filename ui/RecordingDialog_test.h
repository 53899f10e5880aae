// For tests of the program's dialog procedures: Recording wraps the
// procedure in `inner`, records the messages that matter to a dialog
// procedure (WM_INITDIALOG, WM_TIMER, WM_COMMAND with its id and, when not 0,
// its notification) and after each of them, but the timer, adds what the
// test's snapshot says the dialog shows then.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/user/MessageLog_test.h"

namespace nv::testing {

inline DLGPROC inner = nullptr;
inline std::vector<std::string> seen;
inline std::function<std::string(HWND)> snapshot;

inline INT_PTR CALLBACK Recording(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR result = inner(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG || message == WM_TIMER || message == WM_COMMAND) {
        std::string entry = messageName(message);
        if (message == WM_COMMAND)
            entry += "(" + std::to_string(LOWORD(wParam)) +
                     (HIWORD(wParam) ? ":" + std::to_string(HIWORD(wParam)) : std::string()) + ")";
        if (snapshot && message != WM_TIMER)
            entry += " " + snapshot(dialog);
        seen.push_back(entry);
    }
    return result;
}

// The dialog's caption (id 0) or a control's text.
inline std::string text(HWND dialog, int id) {
    char t[256];
    if (id == 0)
        GetWindowTextA(dialog, t, sizeof t);
    else
        GetDlgItemTextA(dialog, id, t, sizeof t);
    return t;
}

// Only the entries that contain one of the fragments.
inline std::vector<std::string> onlyWith(const std::vector<std::string>& entries, std::vector<std::string> fragments) {
    std::vector<std::string> out;
    for (const auto& e : entries)
        for (const auto& f : fragments)
            if (e.find(f) != std::string::npos) {
                out.push_back(e);
                break;
            }
    return out;
}

}  // namespace nv::testing
