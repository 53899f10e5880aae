// nvuserdemo: a small Win32 program that exercises the user-interface
// stand-in the way the installer does: a main window running a chain of
// posted messages, a modal dialog from a resource template (with the F3
// message-filter hook), one from a template built in memory (with a one-shot
// timer), a message box and a main-window timer. It prints what was chosen.
//
//   nvuserdemo --answers FILE [--record FILE] [--screenshots DIR]
//   nvuserdemo --console [--record FILE] [--screenshots DIR]
//                                            (--console reads actions from standard input)
//   nvuserdemo --window [--scale 2] [--record FILE] [--screenshots DIR]
//                                            (a desktop window: mouse and keys)
//
// --screenshots writes a numbered PNG of the screen whenever a dialog or
// message box waits, and one when the run ends.
//
// Exit status 0 when the run ends normally; the input sources' own statuses
// (3 input ended, 4 mismatch, 5 stalled, 6 window closed) otherwise.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tools/ToolMain.h"
#include "platform/core/Machine.h"
#include "platform/gdi/Screenshot.h"
#include "platform/user/Input.h"
#include "platform/user/Painter.h"
#include "platform/user/Resources.h"
#include "shared/DialogTemplateWriter.h"
#if NV_HAVE_WINDOW
#include "tools/window/LiveWindow.h"
#endif

namespace {

constexpr UINT IM_LANGUAGE = 400;
constexpr UINT IM_OPTIONS = 401;
constexpr UINT IM_FINISH = 404;

HINSTANCE gInst = reinterpret_cast<HINSTANCE>(0x400000);
HWND gMain = nullptr;
HWND gHookDialog = nullptr;
HHOOK gHook = nullptr;
const char* kLanguages[] = {"&English", "&French", "&German"};
int gLanguage = 0;
std::string gDirectory;
std::vector<std::string> gModels;
int gTicks = 0;

// ---- templates in the executable layout ----

// A template in the executable layout, through the program's one writer.
class Template {
public:
    Template(DWORD style, short cx, short cy, int items)
        : bytes_(kRoom, 0), writer_(bytes_.data(), kRoom, WidenBytes) {
        writer_.header(style | DS_SETFONT, static_cast<WORD>(items), 0, 0, cx, cy, "", 8, "MS Sans Serif");
    }
    void item(WORD cls, DWORD style, short x, short y, short cx, short cy, WORD id) {
        writer_.item(style | WS_CHILD | WS_VISIBLE, x, y, cx, cy, id, static_cast<ControlClass>(cls));
    }
    std::vector<BYTE> bytes() const {
        return std::vector<BYTE>(bytes_.begin(), bytes_.begin() + writer_.result());
    }

private:
    static constexpr int kRoom = 1024;
    std::vector<BYTE> bytes_;
    DialogTemplateWriter writer_;
};

void registerResources() {
    Template t(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK, 220, 120, 6);
    t.item(0x82, SS_LEFT, 8, 8, 200, 8, 100);
    t.item(0x81, WS_TABSTOP | WS_BORDER | ES_UPPERCASE | ES_AUTOHSCROLL, 8, 20, 200, 12, 117);
    t.item(0x83, WS_TABSTOP | WS_BORDER | LBS_NOTIFY | LBS_MULTIPLESEL, 8, 38, 200, 50, 110);
    t.item(0x80, WS_TABSTOP | BS_DEFPUSHBUTTON, 30, 98, 50, 14, IDOK);
    t.item(0x80, WS_TABSTOP | BS_PUSHBUTTON, 90, 98, 50, 14, 118);
    t.item(0x82, SS_LEFT, 150, 100, 60, 8, 101);
    nv::user::resources::add(gInst, RT_DIALOG, "DEMO_OPTIONS", t.bytes());
    nv::user::resources::addStringTable(gInst, {{1, "Demo Installation"},
                                                {2, "Font directory and models:"},
                                                {3, "Do you really want to cancel?"},
                                                {4, "F3 = Exit"}});
}

std::string loadString(UINT id) {
    char buf[128];
    LoadStringA(gInst, id, buf, sizeof buf);
    return buf;
}

// ---- the language dialog, built in memory ----

INT_PTR CALLBACK LanguageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowTextA(dlg, "Select Language");
        SetDlgItemTextA(dlg, 3, "Choose the language of the installation:");
        SetDlgItemTextA(dlg, IDOK, "&OK");
        SetDlgItemTextA(dlg, IDCANCEL, "&Cancel");
        for (int k = 0; k < 3; ++k)
            SetDlgItemTextA(dlg, 20 + k, kLanguages[k]);
        CheckRadioButton(dlg, 20, 22, 20);
        SetTimer(dlg, 1, 800, nullptr);
        return TRUE;
    case WM_TIMER:
        BringWindowToTop(dlg);
        KillTimer(dlg, 1);
        std::printf("language dialog raised after 800 ms\n");
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            for (int k = 0; k < 3; ++k)
                if (IsDlgButtonChecked(dlg, 20 + k))
                    gLanguage = k;
            EndDialog(dlg, 1);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, 0);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR runLanguageDialog(HWND owner) {
    Template t(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK | WS_VISIBLE, 174, 3 * 16 + 45, 6);
    t.item(0x80, WS_TABSTOP | BS_DEFPUSHBUTTON, 30, 3 * 16 + 25, 50, 14, IDOK);
    t.item(0x80, WS_TABSTOP | BS_PUSHBUTTON, 90, 3 * 16 + 25, 50, 14, IDCANCEL);
    t.item(0x82, SS_LEFT, 17, 7, 144, 8, 3);
    for (int k = 0; k < 3; ++k)
        t.item(0x80, WS_TABSTOP | BS_AUTORADIOBUTTON, 50, static_cast<short>(22 + 14 * k), 60, 10,
               static_cast<WORD>(20 + k));
    std::vector<BYTE> bytes = t.bytes();
    return DialogBoxIndirectParamA(gInst, reinterpret_cast<const DLGTEMPLATE*>(bytes.data()), owner, LanguageProc, 0);
}

// ---- the options dialog, from the resources, with the F3 hook ----

LRESULT CALLBACK MsgFilter(int code, WPARAM, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == MSGF_DIALOGBOX && msg->message == WM_KEYDOWN && msg->wParam == VK_F3 &&
        GetParent(msg->hwnd) == gHookDialog) {
        PostMessageA(gHookDialog, WM_COMMAND, 118, 0);
        return 1;
    }
    return gHook ? CallNextHookEx(gHook, code, 0, lParam) : 0;
}

INT_PTR CALLBACK OptionsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        gHookDialog = dlg;
        gHook = SetWindowsHookExA(WH_MSGFILTER, MsgFilter, nullptr, 0);
        SetWindowTextA(dlg, loadString(1).c_str());
        SetDlgItemTextA(dlg, 100, loadString(2).c_str());
        SetDlgItemTextA(dlg, 101, loadString(4).c_str());
        SetDlgItemTextA(dlg, IDOK, "&OK");
        SetDlgItemTextA(dlg, 118, "E&xit");
        SendDlgItemMessageA(dlg, 117, EM_LIMITTEXT, 20, 0);
        SetDlgItemTextA(dlg, 117, "c:\\windows\\fonts");
        for (const char* m : {"QS-8000", "QS-8000 600", "QS-8200", "QS-8400", "QS-8600"})
            SendDlgItemMessageA(dlg, 110, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m));
        SendDlgItemMessageA(dlg, 110, LB_SETSEL, TRUE, 0);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            char dir[32];
            GetDlgItemTextA(dlg, 117, dir, sizeof dir);
            gDirectory = dir;
            gModels.clear();
            LRESULT n = SendDlgItemMessageA(dlg, 110, LB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < n; ++i) {
                if (SendDlgItemMessageA(dlg, 110, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) {
                    char row[32];
                    SendDlgItemMessageA(dlg, 110, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(row));
                    gModels.push_back(row);
                }
            }
            EndDialog(dlg, 1);
            UnhookWindowsHook(WH_MSGFILTER, MsgFilter);
            return TRUE;
        }
        case 118:
        case IDCANCEL:
            if (MessageBoxA(dlg, loadString(3).c_str(), loadString(1).c_str(),
                            MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES) {
                EndDialog(dlg, 0);
                UnhookWindowsHook(WH_MSGFILTER, MsgFilter);
            } else {
                SetFocus(GetDlgItem(dlg, 117));
            }
            return TRUE;
        case 117:
            if (HIWORD(wParam) == EN_CHANGE)
                EnableWindow(GetDlgItem(dlg, IDOK), GetWindowTextLengthA(GetDlgItem(dlg, 117)) > 0);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

// ---- the main window and its chain ----

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case IM_LANGUAGE: {
        INT_PTR r = runLanguageDialog(hwnd);
        UpdateWindow(hwnd);
        if (r < 1) {
            std::printf("language: cancelled\n");
            PostMessageA(hwnd, IM_FINISH, 0, 0);
        } else {
            std::printf("language: %s\n", kLanguages[gLanguage] + 1);
            PostMessageA(hwnd, IM_OPTIONS, 0, 0);
        }
        return 0;
    }
    case IM_OPTIONS: {
        INT_PTR r = DialogBoxParamA(gInst, "demo_options", hwnd, OptionsProc, 0);
        UpdateWindow(hwnd);
        if (r == 1) {
            std::printf("directory: %s\nmodels:", gDirectory.c_str());
            for (auto& m : gModels)
                std::printf(" [%s]", m.c_str());
            std::printf("\n");
            // Two ticks of the main window's timer before the finish.
            SetTimer(hwnd, 1, 1500, nullptr);
        } else {
            std::printf("options: cancelled\n");
            PostMessageA(hwnd, IM_FINISH, 0, 0);
        }
        return 0;
    }
    case WM_TIMER:
        if (wParam == 1 && ++gTicks == 2) {
            KillTimer(hwnd, 1);
            std::printf("timer: %d ticks at %lu ms\n", gTicks, static_cast<unsigned long>(GetTickCount()));
            PostMessageA(hwnd, IM_FINISH, 0, 0);
        }
        return 0;
    case IM_FINISH: {
        int answer = MessageBoxA(hwnd, "The demonstration is complete.\nShow the summary again?",
                                 "Demo Installation", MB_YESNO | MB_ICONQUESTION);
        std::printf("finish: %s\n", answer == IDYES ? "yes" : answer == IDNO ? "no" : "none");
        DestroyWindow(hwnd);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

int usage() {
    std::fprintf(stderr, "usage: nvuserdemo --answers FILE | --console | --window [--scale 2] [--record FILE] "
                         "[--screenshots DIR]\n");
    return 2;
}

}  // namespace

static int runTool(int argc, char** argv) {
    std::string answers, record, screenshots;
    bool console = false, window = false;
    [[maybe_unused]] int scale = 1;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--answers" && i + 1 < argc)
            answers = argv[++i];
        else if (a == "--record" && i + 1 < argc)
            record = argv[++i];
        else if (a == "--screenshots" && i + 1 < argc)
            screenshots = argv[++i];
        else if (a == "--console")
            console = true;
        else if (a == "--window")
            window = true;
        else if (a == "--scale" && i + 1 < argc && (std::string(argv[i + 1]) == "1" || std::string(argv[i + 1]) == "2"))
            scale = argv[++i][0] - '0';
        else
            return usage();
    }
    if (!answers.empty() + console + window != 1)
        return usage();
    if (window) {
#if NV_HAVE_WINDOW
        if (std::string why = nv::window::MissingDisplay(); !why.empty()) {
            std::fprintf(stderr, "nvuserdemo: %s\n", why.c_str());
            return 3;
        }
#else
        std::fprintf(stderr, "nvuserdemo: --window: this build has no desktop window (SDL2 was missing when it was configured)\n");
        return 3;
#endif
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // A machine of its own, never written: the demonstration touches no files.
    nv::machine::attach(nv::machine::Machine::fromSettings(std::filesystem::temp_directory_path() / "nvuserdemo",
                                                           nv::machine::Settings{}));
    if (console) {
        nv::user::input::UseConsole(stdin, stdout);
    } else if (window) {
        nv::user::input::UseNone();
    } else if (auto r = nv::user::input::UseAnswerFile(answers); !r) {
        std::fprintf(stderr, "%s\n", r.error().message.c_str());
        return 2;
    }
    if (!record.empty()) {
        if (auto r = nv::user::input::RecordTo(record, window ? "a run in the desktop window" : "a console run"); !r) {
            std::fprintf(stderr, "%s\n", r.error().message.c_str());
            return 2;
        }
    }
    if (!screenshots.empty()) {
        if (auto r = nv::gdi::EnableScreenshots(screenshots); !r) {
            std::fprintf(stderr, "%s\n", r.error().message.c_str());
            return 2;
        }
    }
    registerResources();
#if NV_HAVE_WINDOW
    std::unique_ptr<nv::window::LiveWindow> shown;
    if (window) {
        auto opened = nv::window::LiveWindow::open({scale, "nvuserdemo", true});
        if (!opened) {
            std::fprintf(stderr, "nvuserdemo: %s\n", opened.error().message.c_str());
            return 3;
        }
        shown = std::move(*opened);
    }
#endif

    WNDCLASSA wc{};
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = gInst;
    wc.lpszClassName = "DemoMain";
    RegisterClassA(&wc);
    gMain = CreateWindowExA(0, "DemoMain", "Demo Installation", WS_POPUP | WS_VISIBLE, 0, 0,
                            GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, gInst,
                            nullptr);
    if (!gMain)
        return 1;
    PostMessageA(gMain, IM_LANGUAGE, 0, 0);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    std::string unused = nv::user::input::unusedAnswers();
    if (!unused.empty())
        std::fprintf(stderr, "unused answers:\n%s", unused.c_str());
    nv::user::NotifyRunEnded();
#if NV_HAVE_WINDOW
    shown.reset();
#endif
    nv::machine::detach();
    return 0;
}

int main(int argc, char** argv) {
    return nv::tool::guardedMain("nvuserdemo", 2, [&] { return runTool(argc, argv); });
}
