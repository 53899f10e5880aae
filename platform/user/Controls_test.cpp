// Edit fields, DlgDirListA, the default dialog procedure's results, owned
// windows and activation, DDE between windows, ExitWindowsEx and the trace.
#include <windows.h>

#include <cstring>

#include "platform/core/Trace.h"
#include "platform/user/Input.h"
#include "platform/user/MessageLog_test.h"
#include "platform/user/TemplateBuilder_test.h"

using nv::testing::MessageLog;
using nv::testing::sequenceIs;
using nv::testing::TemplateBuilder;

namespace {

HINSTANCE kInst = reinterpret_cast<HINSTANCE>(0x400000);

INT_PTR CALLBACK NotifyProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_COMMAND && HIWORD(wParam) != EN_SETFOCUS && HIWORD(wParam) != EN_KILLFOCUS &&
        HIWORD(wParam) != EN_UPDATE) {
        MessageLog::current().add("dlg:" + std::to_string(LOWORD(wParam)) + "," + std::to_string(HIWORD(wParam)));
        return TRUE;
    }
    return msg == WM_INITDIALOG;
}

class ControlTest : public nv::testing::UserTest {
protected:
    HWND dialog(DWORD editStyle) {
        TemplateBuilder t(WS_POPUP | WS_CAPTION, 200, 100, u"Edit");
        t.item(0x81, WS_TABSTOP | WS_BORDER | editStyle, 10, 10, 100, 12, 117)
            .item(0x83, WS_BORDER, 10, 30, 100, 40, 651)
            .item(0x82, SS_LEFT, 10, 80, 100, 8, 652);
        return CreateDialogIndirectParamA(kInst, t.get(), nullptr, NotifyProc, 0);
    }
    void typeChars(HWND edit, const char* s) {
        for (; *s; ++s)
            SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(*s), 1);
    }
    std::string textOf(HWND h) {
        char buf[64];
        GetWindowTextA(h, buf, sizeof buf);
        return buf;
    }
};

TEST_F(ControlTest, EditFieldsConvertLimitAndNotify) {
    HWND dlg = dialog(ES_UPPERCASE | ES_AUTOHSCROLL);
    HWND edit = GetDlgItem(dlg, 117);
    MessageLog::current().clear();
    SetWindowTextA(edit, "c:\\windows");
    EXPECT_EQ(textOf(edit), "C:\\WINDOWS");  // the style applies to set text too
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), {"dlg:117,768"}));  // EN_CHANGE

    SendMessageA(edit, EM_LIMITTEXT, 12, 0);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    MessageLog::current().clear();
    typeChars(edit, "d:\\fonts\\extra");
    EXPECT_EQ(textOf(edit), "D:\\FONTS\\EXT");  // 12 characters; the rest refused
    auto log = MessageLog::current().entries();
    EXPECT_EQ(std::count(log.begin(), log.end(), "dlg:117,768"), 12);
    EXPECT_EQ(std::count(log.begin(), log.end(), "dlg:117,1281"), 2);  // EN_MAXTEXT

    DWORD a = 0, b = 0;
    SendMessageA(edit, EM_SETSEL, 3, 8);
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, 3u);
    EXPECT_EQ(b, 8u);
    typeChars(edit, "\b");
    EXPECT_EQ(textOf(edit), "D:\\\\EXT");
    SendMessageA(edit, EM_SETSEL, 0, 0);
    SendMessageA(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("x"));
    EXPECT_EQ(textOf(edit), "XD:\\\\EXT");
    EXPECT_TRUE(SendMessageA(edit, EM_GETMODIFY, 0, 0));
    // The dialog manager selects an edit field's text when it gives it the focus.
    SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 8u);
    DestroyWindow(dlg);

    HWND num = GetDlgItem(dialog(ES_NUMBER), 117);
    typeChars(num, "12a3");
    EXPECT_EQ(textOf(num), "123");
}

TEST_F(ControlTest, WithoutHorizontalScrollingTypedTextMustFitTheField) {
    // 40 units of MS Sans Serif 8 (6 x 13): 60 pixels, a one-pixel border and
    // margin each side: room for 9 average characters.
    TemplateBuilder t(WS_POPUP | WS_CAPTION, 200, 100, u"Edit");
    t.item(0x81, WS_TABSTOP | WS_BORDER | ES_UPPERCASE, 10, 10, 40, 12, 117)
        .item(0x81, WS_TABSTOP | WS_BORDER | ES_UPPERCASE | ES_AUTOHSCROLL, 10, 30, 40, 12, 118);
    HWND dlg = CreateDialogIndirectParamA(kInst, t.get(), nullptr, NotifyProc, 0);
    ASSERT_NE(dlg, nullptr);
    MessageLog::current().clear();
    typeChars(GetDlgItem(dlg, 117), "c:\\windows\\fonts");
    EXPECT_EQ(textOf(GetDlgItem(dlg, 117)), "C:\\WINDOW");
    auto log = MessageLog::current().entries();
    EXPECT_EQ(std::count(log.begin(), log.end(), "dlg:117,1281"), 7);  // EN_MAXTEXT for each refused one
    // Over a selection the replaced characters make room again.
    SendDlgItemMessageA(dlg, 117, EM_SETSEL, 3, 9);
    typeChars(GetDlgItem(dlg, 117), "fonts");
    EXPECT_EQ(textOf(GetDlgItem(dlg, 117)), "C:\\FONTS");
    // Set text is not typed: it is kept whole.
    SetDlgItemTextA(dlg, 117, "c:\\windows\\fonts");
    EXPECT_EQ(textOf(GetDlgItem(dlg, 117)), "C:\\WINDOWS\\FONTS");
    // ES_AUTOHSCROLL: the field scrolls and takes everything up to the limit.
    typeChars(GetDlgItem(dlg, 118), "c:\\windows\\fonts");
    EXPECT_EQ(textOf(GetDlgItem(dlg, 118)), "C:\\WINDOWS\\FONTS");
    DestroyWindow(dlg);
}

TEST_F(ControlTest, DlgDirListChecksThePathAndMakesItCurrent) {
    machine_.put('C', "FONTS/A.TTF", "x");
    machine_.put('C', "FONTS/B.FOT", "x");
    HWND dlg = dialog(0);
    char pathSpec[64];
    std::strcpy(pathSpec, "C:\\FONTS");
    ASSERT_TRUE(DlgDirListA(dlg, pathSpec, 651, 652, DDL_DRIVES | DDL_EXCLUSIVE));
    EXPECT_EQ(nv::machine::currentOrDie().currentDirectory(), "C:\\FONTS");
    char shown[64];
    GetDlgItemTextA(dlg, 652, shown, sizeof shown);
    EXPECT_STREQ(shown, "C:\\FONTS");
    // Drives only: one row per drive of the machine.
    EXPECT_EQ(SendDlgItemMessageA(dlg, 651, LB_GETCOUNT, 0, 0), 2);
    char row[16];
    SendDlgItemMessageA(dlg, 651, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(row));
    EXPECT_STREQ(row, "[-a-]");

    std::strcpy(pathSpec, "C:\\FONTS\\*.TTF");
    ASSERT_TRUE(DlgDirListA(dlg, pathSpec, 651, 652, 0));
    EXPECT_STREQ(pathSpec, "*.TTF");
    EXPECT_EQ(SendDlgItemMessageA(dlg, 651, LB_GETCOUNT, 0, 0), 1);

    // A directory on the way that does not exist: the path is refused.
    std::strcpy(pathSpec, "C:\\NOWHERE\\SUB");
    EXPECT_FALSE(DlgDirListA(dlg, pathSpec, 651, 652, DDL_DRIVES | DDL_EXCLUSIVE));
    EXPECT_EQ(nv::machine::currentOrDie().currentDirectory(), "C:\\FONTS");
    DestroyWindow(dlg);
}

INT_PTR CALLBACK ResultProc(HWND dlg, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(dlg, DWLP_USER, 99);
        return FALSE;  // keeps the focus where it is
    }
    if (msg == WM_USER + 50) {
        SetWindowLongA(dlg, DWL_MSGRESULT, 1234);
        return TRUE;
    }
    return FALSE;
}

TEST_F(ControlTest, DialogResultsGoThroughTheMessageResultSlot) {
    TemplateBuilder t(WS_POPUP | WS_CAPTION, 100, 50, u"R");
    t.item(0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 10, 50, 14, 5, u"Five");
    HWND dlg = CreateDialogIndirectParamA(kInst, t.get(), nullptr, ResultProc, 0);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(SendMessageA(dlg, WM_USER + 50, 0, 0), 1234);
    EXPECT_EQ(GetWindowLongPtrA(dlg, DWLP_USER), 99);
    EXPECT_EQ(GetWindowLongPtrA(dlg, DWLP_DLGPROC), reinterpret_cast<LONG_PTR>(ResultProc));
    // The first default push button is the dialog's default; DM_SETDEFID moves it.
    EXPECT_EQ(SendMessageA(dlg, DM_GETDEFID, 0, 0), MAKELONG(5, DC_HASDEFID));
    SendMessageA(dlg, DM_SETDEFID, IDOK, 0);
    EXPECT_EQ(LOWORD(SendMessageA(dlg, DM_GETDEFID, 0, 0)), IDOK);
    EXPECT_EQ(GetWindowLongA(GetDlgItem(dlg, 5), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    // The procedure returned FALSE from WM_INITDIALOG and moved no focus.
    EXPECT_NE(GetFocus(), GetDlgItem(dlg, 5));
    DestroyWindow(dlg);
}

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_DESTROY) {
        char t[16];
        GetWindowTextA(h, t, sizeof t);
        MessageLog::current().add(std::string(t) + ":WM_DESTROY");
    }
    return DefWindowProcA(h, m, w, l);
}

TEST_F(ControlTest, OwnedWindowsStayInFrontOfTheirOwnerAndGoWithIt) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = kInst;
    wc.lpszClassName = "Plain";
    RegisterClassA(&wc);
    HWND main = CreateWindowExA(0, "Plain", "main", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr, kInst,
                                nullptr);
    HWND other = CreateWindowExA(0, "Plain", "other", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, kInst,
                                 nullptr);
    HWND note = CreateWindowExA(0, "Plain", "note", WS_POPUP | WS_VISIBLE, 10, 10, 100, 50, main, nullptr, kInst,
                                nullptr);
    EXPECT_EQ(GetWindow(note, GW_OWNER), main);
    EXPECT_EQ(GetParent(note), main);  // a popup's parent is its owner
    BringWindowToTop(main);
    EXPECT_EQ(GetTopWindow(nullptr), note);
    EXPECT_EQ(GetWindow(note, GW_HWNDNEXT), main);
    EXPECT_EQ(GetActiveWindow(), main);

    SetWindowPos(other, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    BringWindowToTop(main);
    EXPECT_EQ(GetTopWindow(nullptr), other);  // topmost windows stay in front

    MessageLog::current().clear();
    DestroyWindow(main);
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), {"note:WM_DESTROY", "main:WM_DESTROY"}));
    EXPECT_FALSE(IsWindow(note));
    EXPECT_EQ(GetActiveWindow(), other);
}

TEST_F(ControlTest, AModalDialogDisablesItsOwnerAndGivesTheActivationBack) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = kInst;
    wc.lpszClassName = "Plain";
    RegisterClassA(&wc);
    HWND main = CreateWindowExA(0, "Plain", "main", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr, kInst,
                                nullptr);
    struct Watch : nv::user::WaitObserver {
        void waiting(HWND hwnd, nv::user::WaitKind) override {
            ownerEnabled = IsWindowEnabled(owner);
            active = GetActiveWindow() == hwnd;
        }
        HWND owner = nullptr;
        bool ownerEnabled = true, active = false;
    } watch;
    watch.owner = main;
    nv::user::AddWaitObserver(&watch);
    nv::user::input::SetStopHandler([](nv::user::input::Status, const std::string&) {});
    ASSERT_TRUE(nv::user::input::UseAnswerText("message Q\n  enter\n", "a").ok());
    EXPECT_EQ(MessageBoxA(main, "?", "Q", MB_OKCANCEL), IDOK);
    nv::user::RemoveWaitObserver(&watch);
    nv::user::input::UseNone();
    nv::user::input::SetStopHandler(nullptr);
    EXPECT_FALSE(watch.ownerEnabled);
    EXPECT_TRUE(watch.active);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(GetActiveWindow(), main);
}

// ---- DDE over window messages ----

HWND gServer = nullptr;
HWND gClient = nullptr;
std::vector<std::string> gDde;

LRESULT CALLBACK ServerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_DDE_INITIATE && LOWORD(l) == 0xC101) {
        gDde.push_back("server:initiate");
        SendMessageA(reinterpret_cast<HWND>(w), WM_DDE_ACK, reinterpret_cast<WPARAM>(h), MAKELPARAM(0xC201, 0xC202));
        return 0;
    }
    if (m == WM_DDE_EXECUTE) {
        gDde.push_back("server:execute");
        PostMessageA(reinterpret_cast<HWND>(w), WM_DDE_ACK, reinterpret_cast<WPARAM>(h),
                     ReuseDDElParam(l, WM_DDE_EXECUTE, WM_DDE_ACK, 0x8000, static_cast<UINT_PTR>(l)));
        return 0;
    }
    return DefWindowProcA(h, m, w, l);
}

LRESULT CALLBACK ClientProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_DDE_ACK) {
        UINT_PTR lo = 0, hi = 0;
        UnpackDDElParam(WM_DDE_ACK, l, &lo, &hi);
        gDde.push_back("client:ack " + std::to_string(LOWORD(l)) + " " + std::to_string(lo) + " " +
                       std::to_string(hi));
        if (reinterpret_cast<HWND>(w) == gServer && hi == 0xC202)
            gDde.push_back("client:server found");
        FreeDDElParam(WM_DDE_ACK, l);
        return 0;
    }
    return DefWindowProcA(h, m, w, l);
}

TEST_F(ControlTest, DdeConversationOverBroadcastsSendsAndPosts) {
    WNDCLASSA wc{};
    wc.hInstance = kInst;
    wc.lpfnWndProc = ServerProc;
    wc.lpszClassName = "Progman";
    RegisterClassA(&wc);
    wc.lpfnWndProc = ClientProc;
    wc.lpszClassName = "InsDDEClass";
    RegisterClassA(&wc);
    gDde.clear();
    gServer = CreateWindowExA(0, "Progman", "Program Manager", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                              kInst, nullptr);
    gClient = CreateWindowExA(0, "InsDDEClass", "", 0, 0, 0, 0, 0, nullptr, nullptr, kInst, nullptr);
    SendMessageA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(gClient), MAKELPARAM(0xC101, 0xC102));
    LPARAM cmd = 0x5555000;  // stands for a global memory handle
    PostMessageA(gServer, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(gClient), PackDDElParam(WM_DDE_EXECUTE, 0, cmd));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_DDE_FIRST, WM_DDE_LAST, PM_REMOVE))
        DispatchMessageA(&msg);
    // The acknowledgement of the command: status in the low word, the
    // command handle given back; the initiate's ack carries atoms unpacked.
    EXPECT_EQ(gDde, (std::vector<std::string>{"server:initiate", "client:ack 49665 49665 49666",
                                              "client:server found", "server:execute",
                                              "client:ack 32768 32768 " + std::to_string(cmd)}));
}

TEST_F(ControlTest, ExitWindowsRecordsTheRequestOnTheMachine) {
    EXPECT_TRUE(ExitWindowsEx(EWX_REBOOT, 0));
    EXPECT_EQ(nv::machine::currentOrDie().settings().shutdownRequest, "reboot");
    auto reread = nv::machine::Machine::open(machine_.dir());
    ASSERT_TRUE(reread.ok()) << reread.error().message;
    EXPECT_EQ((*reread)->settings().shutdownRequest, "reboot");
    // A log-off is a request of its own; the last one counts.
    EXPECT_TRUE(ExitWindowsEx(EWX_LOGOFF, 0));
    EXPECT_EQ(nv::machine::currentOrDie().settings().shutdownRequest, "logoff");
    // The reserved argument is recorded when something is passed there.
    EXPECT_TRUE(ExitWindowsEx(EWX_LOGOFF, 0xFFFFFFFF));
    EXPECT_EQ(nv::machine::currentOrDie().settings().shutdownRequest, "logoff,reserved=0xFFFFFFFF");
}

TEST_F(ControlTest, CallsAppearInTheTrace) {
    nv::trace::startCapture();
    HWND c = SetCapture(nullptr);
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    SetCursor(wait);
    ShowCursor(FALSE);
    MessageBeep(MB_ICONEXCLAMATION);
    char port[16];
    wsprintfA(port, "%s%d:", "LPT", 1);
    auto lines = nv::trace::stopCapture();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "SetCapture(NULL) = NULL");
    EXPECT_EQ(lines[1].rfind("LoadCursorA(NULL, #32514) = 0x", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("SetCursor(0x", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3], "ShowCursor(0) = -1");
    EXPECT_EQ(lines[4], "MessageBeep(48) = 1");
    EXPECT_EQ(lines[5], "wsprintfA(\"%s%d:\") = 5 [\"LPT1:\"]");

    // wsprintfA writes at most 1024 bytes, the terminating zero included.
    std::string longText(2000, 'x');
    std::vector<char> out(1100, '#');
    EXPECT_EQ(wsprintfA(out.data(), "%s", longText.c_str()), 1023);
    EXPECT_EQ(out[1022], 'x');
    EXPECT_EQ(out[1023], '\0');
    EXPECT_EQ(out[1024], '#');
    EXPECT_EQ(c, nullptr);
}

}  // namespace
