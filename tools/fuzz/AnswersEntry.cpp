// The answer-file reader on any text, run against a live dialog: an edit
// field, a list, a check box and buttons, one of which can bring up a
// message box. Every run ends, by the dialog's end or by a stop that says
// why, and a disk can only come from a folder of the machine.
#include <filesystem>
#include <string>

#include <windows.h>

#include "platform/core/Machine.h"
#include "platform/user/Input.h"
#include "platform/user/TemplateBuilder_test.h"
#include "platform/user/WindowManager.h"
#include "tools/fuzz/FuzzCheck.h"
#include "tools/fuzz/FuzzEntries.h"

namespace nv::fuzz {

namespace {

namespace input = nv::user::input;

HINSTANCE const kInstance = reinterpret_cast<HINSTANCE>(0x400000);
enum { kEdit = 117, kList = 110, kCheck = 120 };

INT_PTR CALLBACK askProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowTextA(dlg, "Choose");
        SendDlgItemMessageA(dlg, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("QS-8000"));
        SendDlgItemMessageA(dlg, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("QS-8200"));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == kEdit && HIWORD(wParam) == EN_CHANGE)
            EnableWindow(GetDlgItem(dlg, IDOK), GetWindowTextLengthA(GetDlgItem(dlg, kEdit)) > 0);
        if (LOWORD(wParam) == IDOK) {
            char text[32];
            GetDlgItemTextA(dlg, kEdit, text, sizeof text);
            if (std::string(text) == "BAD" || IsDlgButtonChecked(dlg, kCheck)) {
                if (MessageBoxA(dlg, "This path does not exist.", "Note", MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
                    EndDialog(dlg, 2);
                return TRUE;
            }
            EndDialog(dlg, 1);
        }
        if (LOWORD(wParam) == IDCANCEL)
            EndDialog(dlg, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

// The dialog in the executable layout (what DialogBoxIndirectParamA takes).
nv::testing::TemplateBuilder askTemplate() {
    nv::testing::TemplateBuilder t(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 200, 100, u"");
    t.item(0x81, WS_TABSTOP | WS_BORDER | ES_UPPERCASE | ES_AUTOHSCROLL, 10, 10, 100, 12, kEdit)
        .item(0x83, WS_TABSTOP | WS_BORDER | LBS_NOTIFY, 10, 26, 100, 30, kList)
        .item(0x80, WS_TABSTOP | BS_AUTOCHECKBOX, 10, 58, 100, 10, kCheck, u"&Ask first")
        .item(0x80, WS_TABSTOP | BS_DEFPUSHBUTTON | WS_DISABLED, 10, 70, 50, 14, IDOK, u"&OK")
        .item(0x80, WS_TABSTOP | BS_PUSHBUTTON, 70, 70, 50, 14, IDCANCEL, u"Cancel");
    return t;
}

}  // namespace

void answersInput(const uint8_t* data, size_t size) {
    auto& machine = fuzzMachine();
    static bool prepared = [&] {
        std::filesystem::create_directories(machine.dir() / "disk1");
        return true;
    }();
    (void)prepared;
    user::reset();
    input::Status stopped = input::Status::Running;
    std::string why;
    input::SetStopHandler([&](input::Status s, const std::string& m) {
        stopped = s;
        why = m;
    });
    input::SetReactionTime(1000);

    std::string text(reinterpret_cast<const char*>(data), size);
    auto used = input::UseAnswerText(text, "fuzz.txt");
    if (!used) {
        if (used.error().message.rfind("fuzz.txt:", 0) != 0)
            broken("an answer-file error does not name the file: " + used.error().message);
    } else {
        static const nv::testing::TemplateBuilder dialog = askTemplate();
        INT_PTR result = DialogBoxIndirectParamA(kInstance, dialog.get(), nullptr, askProc, 0);
        if (stopped == input::Status::Running ? (result < 0 || result > 2) : (result != -1 || why.empty()))
            broken("the run ended with " + std::to_string(result) + " and stop \"" + why + "\"");
        (void)input::unusedAnswers();
    }

    // A disk stays inside the machine directory.
    machine::Drive* a = machine.machine().drive('A');
    std::error_code ec;
    auto folder = std::filesystem::weakly_canonical(machine.dir() / a->folder, ec);
    auto root = std::filesystem::weakly_canonical(machine.dir(), ec);
    if (a->folder.empty() || folder == root || folder.string().rfind(root.string() + "/", 0) != 0)
        broken("drive A: shows a folder outside the machine: " + a->folder);
    a->folder = "drives/A";
    a->hasDisk = true;

    input::UseNone();
    input::SetStopHandler(nullptr);
}

}  // namespace nv::fuzz
