// For tests of the program's dialog procedures: Recording wraps the
// procedure in `inner` and records in the shared message log the messages
// that matter to a dialog procedure ("dlg:WM_INITDIALOG", "dlg:WM_TIMER",
// "dlg:WM_COMMAND(id)" or "dlg:WM_COMMAND(id:notification)"), each but the
// timer followed by what the test's snapshot says the dialog shows then.
// Tests compare the log with expected sequences kept as named data.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "MessageSequence.h"

namespace nv::testing {

inline DLGPROC inner = nullptr;
inline std::function<std::string(HWND)> snapshot;

inline INT_PTR CALLBACK Recording(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR result = inner(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG || message == WM_TIMER || message == WM_COMMAND) {
        std::string entry = "dlg:" + messageName(message);
        if (message == WM_COMMAND)
            entry += "(" + std::to_string(LOWORD(wParam)) +
                     (HIWORD(wParam) ? ":" + std::to_string(HIWORD(wParam)) : std::string()) + ")";
        if (snapshot && message != WM_TIMER)
            entry += " " + snapshot(dialog);
        MessageLog::current().add(entry);
    }
    return result;
}

// What the dialogs recorded since the log was last cleared.
inline const std::vector<std::string>& recorded() { return MessageLog::current().entries(); }

// The dialog's caption (id 0) or a control's text.
inline std::string text(HWND dialog, int id) {
    char t[256];
    if (id == 0)
        GetWindowTextA(dialog, t, sizeof t);
    else
        GetDlgItemTextA(dialog, id, t, sizeof t);
    return t;
}

}  // namespace nv::testing
