// Dialogs: template parsing, the modal loop and its message sequence, the
// dialog keyboard rules, the message-filter hook with F3, radio groups, list
// box selection rules, message boxes, dialog units and resources.
#include <windows.h>

#include <cstring>

#include "platform/user/DialogTemplate.h"
#include "platform/user/Input.h"
#include "platform/user/MessageLog_test.h"
#include "platform/user/Painter.h"
#include "platform/user/Resources.h"
#include "platform/user/TemplateBuilder_test.h"

using nv::testing::MessageLog;
using nv::testing::messageName;
using nv::testing::sequenceIs;
using nv::testing::MessageSequence;

namespace {

// ---- expected sequences ----

const MessageSequence kModalLoopWithOwner{
    "DialogBoxIndirectParamA with an owner, ended by IDOK",
    {"dlg:WM_INITDIALOG(117)", "dlg:visible=0", "owner:WM_ACTIVATE(0)", "dlg:WM_ACTIVATE(1)", "owner:WM_ENABLE(0)",
     "dlg:WM_SHOWWINDOW(1)", "-- waits", "dlg:WM_COMMAND(1)", "owner:WM_ENABLE(1)", "dlg:WM_SHOWWINDOW(0)",
     "dlg:WM_ACTIVATE(0)", "owner:WM_ACTIVATE(1)", "dlg:after EndDialog 1", "dlg:WM_DESTROY(0)"}};
const MessageSequence kF3AskedTwice{
    "F3 in the hooked dialog, answered No and then Yes",
    {"dlg:WM_COMMAND(118)", "box:7", "dlg:WM_COMMAND(118)", "box:6"}};

}  // namespace
using nv::testing::TemplateBuilder;
namespace input = nv::user::input;

namespace {

HINSTANCE kInst = reinterpret_cast<HINSTANCE>(0x400000);

class DialogTest : public nv::testing::UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        input::SetStopHandler([this](input::Status s, const std::string& m) {
            stopped_ = s;
            stopMessage_ = m;
        });
        input::SetReactionTime(1000);
    }
    void TearDown() override {
        input::UseNone();
        input::SetStopHandler(nullptr);
        nv::user::resources::clear();
        UserTest::TearDown();
    }
    void answers(const std::string& text) { ASSERT_TRUE(input::UseAnswerText(text, "answers").ok()); }

    input::Status stopped_ = input::Status::Running;
    std::string stopMessage_;
};

// ---- templates ----

TEST_F(DialogTest, TemplateBuiltByteByByteIsReadFieldByField) {
    // The static's record ends off a DWORD boundary (26 bytes): the list box
    // after it starts behind a filler word.
    TemplateBuilder t(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 174, 97, u"Pick", 8, u"system");
    t.item(0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, 30, 77, 50, 14, 1, u"&OK")
        .item(0x82, SS_LEFT, 17, 7, 144, 8, 3)
        .item(0x83, LBS_MULTIPLESEL | WS_BORDER, 5, 20, 100, 40, 110, u"\u00e9t\u00e9");
    auto parsed = nv::user::parseDialogTemplate(t.bytes().data(), t.bytes().size(), "TEST");
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    EXPECT_EQ(parsed->style & DS_SETFONT, static_cast<DWORD>(DS_SETFONT));
    EXPECT_EQ(parsed->cx, 174);
    EXPECT_EQ(parsed->cy, 97);
    EXPECT_EQ(parsed->caption, "Pick");
    EXPECT_EQ(parsed->pointSize, 8);
    EXPECT_EQ(parsed->face, "system");
    ASSERT_EQ(parsed->items.size(), 3u);
    EXPECT_EQ(parsed->items[0].className, "Button");
    EXPECT_EQ(parsed->items[0].title, "&OK");
    EXPECT_EQ(parsed->items[0].id, 1u);
    EXPECT_EQ(parsed->items[0].y, 77);
    EXPECT_EQ(parsed->items[1].className, "Static");
    EXPECT_EQ(parsed->items[1].title, "");
    EXPECT_EQ(parsed->items[2].className, "ListBox");
    EXPECT_EQ(parsed->items[2].title, "\xe9t\xe9");  // UTF-16 to Windows-1252
    EXPECT_EQ(parsed->items[2].style & LBS_MULTIPLESEL, static_cast<DWORD>(LBS_MULTIPLESEL));

    // Cut short anywhere in the items: an error naming the item, never a read past the end.
    for (size_t cut : {t.bytes().size() - 1, t.bytes().size() - 30, static_cast<size_t>(20)}) {
        auto bad = nv::user::parseDialogTemplate(t.bytes().data(), cut, "TEST");
        ASSERT_FALSE(bad.ok()) << "cut at " << cut;
        EXPECT_NE(bad.error().message.find("TEST"), std::string::npos) << bad.error().message;
        EXPECT_NE(bad.error().message.find("past the end"), std::string::npos) << bad.error().message;
    }
}

// ---- the modal loop and the keyboard rules ----

HWND gDialog = nullptr;

INT_PTR CALLBACK RecordingDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    gDialog = dlg;
    switch (msg) {
    case WM_INITDIALOG:
        MessageLog::current().add("dlg:WM_INITDIALOG(" + std::to_string(GetDlgCtrlID(reinterpret_cast<HWND>(wParam))) +
                                  "," + std::to_string(lParam) + ")");
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;  // the edit field's focus notifications
        MessageLog::current().add("dlg:WM_COMMAND(" + std::to_string(LOWORD(wParam)) + "," +
                                  std::to_string(HIWORD(wParam)) + ")");
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == 9)
            EndDialog(dlg, LOWORD(wParam) + 100);
        return TRUE;
    default:
        return FALSE;
    }
}

TemplateBuilder threeButtons() {
    TemplateBuilder t(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 200, 100, u"Keys");
    t.item(0x81, WS_TABSTOP | WS_BORDER, 10, 10, 100, 12, 117)
        .item(0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 70, 50, 14, IDOK, u"&OK")
        .item(0x80, BS_PUSHBUTTON | WS_TABSTOP, 70, 70, 50, 14, IDCANCEL, u"Cancel")
        .item(0x80, BS_PUSHBUTTON | WS_TABSTOP, 130, 70, 50, 14, 9, u"&Nine");
    return t;
}

TEST_F(DialogTest, EnterPressesTheDefaultButtonAndInitDialogComesFirst) {
    auto t = threeButtons();
    answers("dialog Keys\n  press Enter\n");
    INT_PTR r = DialogBoxIndirectParamA(kInst, t.get(), nullptr, RecordingDlgProc, 42);
    EXPECT_EQ(r, IDOK + 100);
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), {"dlg:WM_INITDIALOG(117,42)", "dlg:WM_COMMAND(1,0)"}));
    EXPECT_FALSE(IsWindow(gDialog));
    EXPECT_EQ(stopped_, input::Status::Running);
}

// The modal loop as the owner and the dialog see it.
LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ENABLE || msg == WM_ACTIVATE)
        MessageLog::current().add("owner:" + messageName(msg) + "(" + std::to_string(LOWORD(wParam)) + ")");
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

INT_PTR CALLBACK ModalDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SHOWWINDOW || msg == WM_ACTIVATE || msg == WM_DESTROY ||
        (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED))
        MessageLog::current().add("dlg:" + messageName(msg) + "(" + std::to_string(LOWORD(wParam)) + ")");
    if (msg == WM_INITDIALOG) {
        // wParam: the control that gets the focus when the procedure returns TRUE.
        MessageLog::current().add("dlg:WM_INITDIALOG(" +
                                  std::to_string(GetDlgCtrlID(reinterpret_cast<HWND>(wParam))) + ")");
        // Not shown yet, and the owner still takes input.
        MessageLog::current().add(std::string("dlg:visible=") + (IsWindowVisible(dlg) ? "1" : "0"));
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
        EndDialog(dlg, 5);
        // The dialog stays until its loop sees the flag.
        MessageLog::current().add(std::string("dlg:after EndDialog ") + (IsWindow(dlg) ? "1" : "0"));
        return TRUE;
    }
    return FALSE;
}

TEST_F(DialogTest, TheModalLoopDisablesTheOwnerShowsWaitsAndGivesEverythingBack) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = kInst;
    wc.lpszClassName = "Owner";
    RegisterClassA(&wc);
    HWND owner = CreateWindowExA(0, "Owner", "main", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr, kInst,
                                 nullptr);
    struct Mark : nv::user::WaitObserver {
        void waiting(HWND, nv::user::WaitKind) override { MessageLog::current().add("-- waits"); }
    } mark;
    nv::user::AddWaitObserver(&mark);
    auto t = threeButtons();
    answers("dialog Keys\n  press Enter\n");
    MessageLog::current().clear();
    EXPECT_EQ(DialogBoxIndirectParamA(kInst, t.get(), owner, ModalDlgProc, 0), 5);
    nv::user::RemoveWaitObserver(&mark);
    // Initialised while hidden; the focus rule activates it. The owner is
    // disabled and the dialog shown before anyone is asked. EndDialog enables
    // the owner and hides the dialog at once, so that the activation returns
    // to the owner; the dialog itself goes only when its loop sees the flag.
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), kModalLoopWithOwner));
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
}

TEST_F(DialogTest, EscapeSendsCancelAndTabMovesTheFocusToTheButtonEnterThenPresses) {
    auto t = threeButtons();
    answers("dialog Keys\n  press Escape\n");
    EXPECT_EQ(DialogBoxIndirectParamA(kInst, t.get(), nullptr, RecordingDlgProc, 0), IDCANCEL + 100);
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_COMMAND"}), {"dlg:WM_COMMAND(2,0)"}));

    // Tab: edit -> OK -> Cancel -> Nine; Enter presses the focused push button.
    MessageLog::current().clear();
    answers("dialog Keys\n  press Tab\n  press Tab\n  press Tab\n  press Enter\n");
    EXPECT_EQ(DialogBoxIndirectParamA(kInst, t.get(), nullptr, RecordingDlgProc, 0), 9 + 100);
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_COMMAND"}), {"dlg:WM_COMMAND(9,0)"}));

    // Shift+Tab from the edit wraps to the last control.
    MessageLog::current().clear();
    answers("dialog Keys\n  press Shift+Tab\n  press Space\n");
    EXPECT_EQ(DialogBoxIndirectParamA(kInst, t.get(), nullptr, RecordingDlgProc, 0), 9 + 100);
}

TEST_F(DialogTest, MnemonicsAndClicksByTextBecomeTheButtonsNotifications) {
    auto t = threeButtons();
    answers("dialog Keys\n  click \"Nine\"\n");
    EXPECT_EQ(DialogBoxIndirectParamA(kInst, t.get(), nullptr, RecordingDlgProc, 0), 9 + 100) << stopMessage_;
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_COMMAND"}), {"dlg:WM_COMMAND(9,0)"}));
}

// ---- the hook and F3 ----

HHOOK gHook = nullptr;
HWND gHookDialog = nullptr;
std::vector<int> gHookCodes;

LRESULT CALLBACK F3Filter(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (msg->message == WM_KEYDOWN)
        gHookCodes.push_back(code);
    if (code == MSGF_DIALOGBOX && msg->message == WM_KEYDOWN && msg->wParam == VK_F3 &&
        GetParent(msg->hwnd) == gHookDialog) {
        PostMessageA(gHookDialog, WM_COMMAND, 118, 0);
        return 1;
    }
    return gHook ? CallNextHookEx(gHook, code, 0, lParam) : 0;
}

INT_PTR CALLBACK ExitDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        gHookDialog = dlg;
        gHook = SetWindowsHookExA(WH_MSGFILTER, F3Filter, nullptr, 0);
        SetFocus(GetDlgItem(dlg, 117));
        return FALSE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        MessageLog::current().add("dlg:WM_COMMAND(" + std::to_string(LOWORD(wParam)) + ")");
        if (LOWORD(wParam) == 118) {
            int answer = MessageBoxA(dlg, "Do you really want to cancel the installation?",
                                     "Norvalk Driver Installation", MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
            MessageLog::current().add("box:" + std::to_string(answer));
            if (answer == IDYES) {
                EndDialog(dlg, 0);
                UnhookWindowsHook(WH_MSGFILTER, F3Filter);
            } else {
                SetFocus(GetDlgItem(dlg, 117));
            }
        } else if (LOWORD(wParam) == IDOK) {
            EndDialog(dlg, 1);
            UnhookWindowsHook(WH_MSGFILTER, F3Filter);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

TEST_F(DialogTest, F3ActsAsExitOnlyInTheHookedDialogNotInItsMessageBox) {
    TemplateBuilder t(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 200, 100, u"Directory");
    t.item(0x81, WS_TABSTOP, 10, 10, 100, 12, 117)
        .item(0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 70, 50, 14, IDOK, u"&OK")
        .item(0x80, BS_PUSHBUTTON | WS_TABSTOP, 70, 70, 50, 14, 118, u"E&xit");
    gHookCodes.clear();
    answers(
        "dialog Directory\n  press F3\n"
        "message \"really want to cancel\"\n  press F3\n  press Enter\n"  // F3 does nothing there; Enter is No
        "dialog Directory\n  press F3\n"
        "message \"Norvalk Driver Installation\"\n  click \"Yes\"\n");
    EXPECT_EQ(DialogBoxIndirectParamA(kInst, t.get(), nullptr, ExitDlgProc, 0), 0);
    EXPECT_EQ(stopped_, input::Status::Running) << stopMessage_;
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), kF3AskedTwice));
    // The hook saw the keys of the message box with MSGF_MESSAGEBOX.
    EXPECT_NE(std::find(gHookCodes.begin(), gHookCodes.end(), MSGF_MESSAGEBOX), gHookCodes.end());
    // It was removed when the dialog ended.
    MSG m{};
    m.message = WM_KEYDOWN;
    m.wParam = VK_F3;
    size_t before = gHookCodes.size();
    CallMsgFilterA(&m, MSGF_DIALOGBOX);
    EXPECT_EQ(gHookCodes.size(), before);
    gHook = nullptr;
}

// ---- radio groups and list boxes ----

INT_PTR CALLBACK QuietDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    gDialog = dlg;
    if (msg == WM_COMMAND) {
        MessageLog::current().add("dlg:WM_COMMAND(" + std::to_string(LOWORD(wParam)) + "," +
                                  std::to_string(HIWORD(wParam)) + ")");
        if (LOWORD(wParam) == IDOK)
            EndDialog(dlg, 1);
        return TRUE;
    }
    return msg == WM_INITDIALOG;
}

TEST_F(DialogTest, AutoRadioButtonsKeepOneChoicePerGroup) {
    TemplateBuilder t(WS_POPUP | WS_CAPTION, 200, 120, u"Languages");
    t.item(0x80, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 10, 10, 50, 10, 20, u"&English")
        .item(0x80, BS_AUTORADIOBUTTON, 10, 22, 50, 10, 21, u"&French")
        .item(0x80, BS_AUTORADIOBUTTON, 10, 34, 50, 10, 22, u"&German")
        .item(0x80, BS_AUTORADIOBUTTON | WS_GROUP, 10, 46, 50, 10, 30, u"Other group")
        .item(0x80, BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 10, 80, 50, 14, IDOK, u"OK");
    HWND dlg = CreateDialogIndirectParamA(kInst, t.get(), nullptr, QuietDlgProc, 0);
    ASSERT_NE(dlg, nullptr);
    CheckRadioButton(dlg, 20, 22, 21);
    CheckDlgButton(dlg, 30, BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 21), static_cast<UINT>(BST_CHECKED));
    SendDlgItemMessageA(dlg, 22, BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 20), 0u);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 21), 0u);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 22), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dlg, 30), static_cast<UINT>(BST_CHECKED));  // another group
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_COMMAND"}), {"dlg:WM_COMMAND(22,0)"}));
    // A checked radio button is its group's tab stop.
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(dlg, 22), GWL_STYLE) & WS_TABSTOP);
    EXPECT_FALSE(GetWindowLongA(GetDlgItem(dlg, 21), GWL_STYLE) & WS_TABSTOP);
    DestroyWindow(dlg);
}

TEST_F(DialogTest, ListBoxSelectionRulesForSingleAndMultipleSelection) {
    TemplateBuilder t(WS_POPUP | WS_CAPTION, 200, 120, u"Lists");
    t.item(0x83, WS_BORDER | LBS_NOTIFY, 10, 10, 80, 40, 110)
        .item(0x83, WS_BORDER | LBS_NOTIFY | LBS_MULTIPLESEL, 100, 10, 80, 40, 111)
        .item(0x83, WS_BORDER | LBS_SORT, 10, 60, 80, 40, 112);
    HWND dlg = CreateDialogIndirectParamA(kInst, t.get(), nullptr, QuietDlgProc, 0);
    ASSERT_NE(dlg, nullptr);
    for (const char* s : {"Arial", "Times New Roman", "Courier"}) {
        SendDlgItemMessageA(dlg, 110, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
        SendDlgItemMessageA(dlg, 111, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
        SendDlgItemMessageA(dlg, 112, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    }
    char buf[32];
    SendDlgItemMessageA(dlg, 112, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(buf, "Courier");  // sorted
    EXPECT_EQ(SendDlgItemMessageA(dlg, 110, LB_GETTEXT, 3, reinterpret_cast<LPARAM>(buf)), LB_ERR);

    // Single selection: one row at most; LB_SETSEL and LB_GETSELCOUNT are errors.
    EXPECT_EQ(SendDlgItemMessageA(dlg, 110, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 110, LB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 110, LB_GETSEL, 2, 0), 1);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 110, LB_SETCURSEL, 1, 0), 1);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 110, LB_GETSEL, 2, 0), 0);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 110, LB_SETSEL, TRUE, 0), LB_ERR);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 110, LB_GETSELCOUNT, 0, 0), LB_ERR);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 110, LB_SETCURSEL, 7, 0), LB_ERR);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 110, LB_SETCURSEL, static_cast<WPARAM>(-1), 0), LB_ERR);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 110, LB_GETCURSEL, 0, 0), LB_ERR);

    // Multiple selection: rows independently; -1 means every row.
    EXPECT_EQ(SendDlgItemMessageA(dlg, 111, LB_SETSEL, TRUE, -1), 0);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 111, LB_GETSELCOUNT, 0, 0), 3);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 111, LB_SETSEL, FALSE, 1), 0);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 111, LB_GETSELCOUNT, 0, 0), 2);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 111, LB_GETSEL, 1, 0), 0);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 111, LB_SETCURSEL, 0, 0), LB_ERR);
    int rows[4] = {-1, -1, -1, -1};
    EXPECT_EQ(SendDlgItemMessageA(dlg, 111, LB_GETSELITEMS, 4, reinterpret_cast<LPARAM>(rows)), 2);
    EXPECT_EQ(rows[0], 0);
    EXPECT_EQ(rows[1], 2);
    SendDlgItemMessageA(dlg, 111, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 111, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 111, LB_GETSELCOUNT, 0, 0), 0);
    DestroyWindow(dlg);
}

TEST_F(DialogTest, ClicksOnListRowsSelectOrToggleAndNotify) {
    TemplateBuilder t(WS_POPUP | WS_CAPTION, 200, 120, u"Fonts");
    t.item(0x83, WS_BORDER | LBS_NOTIFY | LBS_MULTIPLESEL | WS_TABSTOP, 10, 10, 80, 24, 110)
        .item(0x83, WS_BORDER | LBS_NOTIFY | WS_TABSTOP, 100, 10, 80, 40, 111)
        .item(0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 80, 50, 14, IDOK, u"OK");
    struct Fill {
        static INT_PTR CALLBACK proc(HWND dlg, UINT msg, WPARAM w, LPARAM l) {
            if (msg == WM_INITDIALOG) {
                for (const char* s : {"A", "B", "C", "D", "E", "F"}) {
                    SendDlgItemMessageA(dlg, 110, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
                    SendDlgItemMessageA(dlg, 111, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
                }
                SendDlgItemMessageA(dlg, 110, LB_SETSEL, TRUE, -1);
            }
            if (msg == WM_COMMAND && LOWORD(w) == IDOK) {
                MessageLog::current().add(
                    "dlg:sel(" + std::to_string(SendDlgItemMessageA(dlg, 110, LB_GETSELCOUNT, 0, 0)) + "," +
                    std::to_string(SendDlgItemMessageA(dlg, 110, LB_GETSEL, 4, 0)) + "," +
                    std::to_string(SendDlgItemMessageA(dlg, 111, LB_GETCURSEL, 0, 0)) + ")");
            }
            return QuietDlgProc(dlg, msg, w, l);
        }
    };
    // Row 4 ("E") is below the visible rows: the person scrolls to it first.
    answers(
        "dialog Fonts\n"
        "  toggle 110 \"e\"\n"
        "  toggle 110 0\n"
        "  toggle 110 0\n"
        "  select 110 1\n"   // already selected: nothing to do
        "  select 111 \"F\"\n"
        "  click OK\n");
    EXPECT_EQ(DialogBoxIndirectParamA(kInst, t.get(), nullptr, Fill::proc, 0), 1);
    EXPECT_EQ(stopped_, input::Status::Running) << stopMessage_;
    // LBN_SETFOCUS (4) and LBN_KILLFOCUS (5) come with the clicks, as on Windows.
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_COMMAND", "sel("}),
                           {"dlg:WM_COMMAND(110,4)", "dlg:WM_COMMAND(110,1)", "dlg:WM_COMMAND(110,1)",
                            "dlg:WM_COMMAND(110,1)", "dlg:WM_COMMAND(110,5)", "dlg:WM_COMMAND(111,4)",
                            "dlg:WM_COMMAND(111,1)", "dlg:WM_COMMAND(111,5)", "dlg:sel(5,0,5)",
                            "dlg:WM_COMMAND(1,0)"}));
}

// ---- message boxes ----

TEST_F(DialogTest, MessageBoxButtonsDefaultsAndEscape) {
    answers(
        "message Note\n  press Escape\n"            // OK only: Escape is OK
        "message \"Continue?\"\n  press Escape\n  press Enter\n"  // Yes/No: Escape does nothing
        "message Question\n  press Escape\n"        // OK/Cancel: Escape is Cancel
        "message Again\n  press n\n");                // the mnemonic of &No
    EXPECT_EQ(MessageBoxA(nullptr, "Done.", "Note", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Continue?", "Question", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Go on?", "Question", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "Again?", "Again", MB_YESNO), IDNO);
    EXPECT_EQ(stopped_, input::Status::Running) << stopMessage_;
}

TEST_F(DialogTest, MessageBoxIsADialogWithTextIconAndButtons) {
    struct Look : nv::user::WaitObserver {
        void waiting(HWND hwnd, nv::user::WaitKind kind) override {
            seen = kind == nv::user::WaitKind::MessageBox;
            char buf[64];
            GetDlgItemTextA(hwnd, 0xFFFF, buf, sizeof buf);
            text = buf;
            GetWindowTextA(hwnd, buf, sizeof buf);
            caption = buf;
            icon = SendDlgItemMessageA(hwnd, 0x14, STM_GETICON, 0, 0) ==
                   reinterpret_cast<LRESULT>(LoadIconA(nullptr, IDI_EXCLAMATION));
            yes = GetDlgItem(hwnd, IDYES) != nullptr && GetDlgItem(hwnd, IDNO) != nullptr;
            focusOnNo = GetFocus() == GetDlgItem(hwnd, IDNO);
            topmost = (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        }
        bool seen = false, icon = false, yes = false, focusOnNo = false, topmost = false;
        std::string text, caption;
    } look;
    nv::user::AddWaitObserver(&look);
    answers("message Warning\n  click \"&Yes\"\n");
    EXPECT_EQ(MessageBoxA(nullptr, "Sure?", "Warning", MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2 | MB_SYSTEMMODAL),
              IDYES);
    nv::user::RemoveWaitObserver(&look);
    EXPECT_TRUE(look.seen);
    EXPECT_EQ(look.text, "Sure?");
    EXPECT_EQ(look.caption, "Warning");
    EXPECT_TRUE(look.icon);
    EXPECT_TRUE(look.yes);
    EXPECT_TRUE(look.focusOnNo);
    EXPECT_TRUE(look.topmost);
}

// ---- dialog units, placement and resources ----

TEST_F(DialogTest, DialogUnitsFollowTheTemplateFontAndPlacementComesOutAsOnWindows) {
    TemplateBuilder sans(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 174, 97, u"");
    sans.item(0x80, BS_PUSHBUTTON, 30, 77, 50, 14, 1);
    TemplateBuilder sys(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 174, 97, u"", 8, u"system");
    HWND a = CreateDialogIndirectParamA(kInst, sans.get(), nullptr, QuietDlgProc, 0);
    HWND b = CreateDialogIndirectParamA(kInst, sys.get(), nullptr, QuietDlgProc, 0);
    RECT ca, cb;
    GetClientRect(a, &ca);
    GetClientRect(b, &cb);
    EXPECT_EQ(ca.right, 174 * 6 / 4);  // MS Sans Serif 8: 6 x 13
    EXPECT_EQ(ca.bottom, (97 * 13 + 4) / 8);
    EXPECT_EQ(cb.right, 174 * 8 / 4);  // System: 8 x 16
    EXPECT_EQ(cb.bottom, 97 * 16 / 8);
    RECT r{30, 77, 80, 91};
    MapDialogRect(a, &r);
    RECT br;
    GetWindowRect(GetDlgItem(a, 1), &br);
    POINT o{0, 0};
    ClientToScreen(a, &o);
    EXPECT_EQ(br.left - o.x, r.left);
    EXPECT_EQ(br.bottom - o.y, r.bottom);

    // Two thirds of the free height above, centred across (800 x 600).
    RECT wr;
    GetWindowRect(a, &wr);
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    int x = (sw + wr.left - wr.right) / 2, y = ((sh + wr.top - wr.bottom) / 3) * 2;
    SetWindowPos(a, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    RECT moved;
    GetWindowRect(a, &moved);
    EXPECT_EQ(moved.left, x);
    EXPECT_EQ(moved.top, y);
    EXPECT_EQ(moved.right - moved.left, wr.right - wr.left);
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST_F(DialogTest, ResourceTemplatesAreFoundByNameWithoutRegardToCase) {
    auto t = threeButtons();
    nv::user::resources::add(kInst, RT_DIALOG, "MODE_INSTALL", t.bytes());
    nv::user::resources::addStringTable(kInst, {{161, "Norvalk Driver Installation"}, {186, "&OK"}});
    char buf[64];
    EXPECT_EQ(LoadStringA(kInst, 161, buf, sizeof buf), 27);
    EXPECT_STREQ(buf, "Norvalk Driver Installation");
    EXPECT_EQ(LoadStringA(kInst, 186, buf, 3), 2);  // cut to the buffer
    EXPECT_STREQ(buf, "&O");
    EXPECT_EQ(LoadStringA(kInst, 187, buf, sizeof buf), 0);
    HRSRC res = FindResourceA(kInst, "mode_install", RT_DIALOG);
    ASSERT_NE(res, nullptr);
    EXPECT_EQ(SizeofResource(kInst, res), t.bytes().size());
    EXPECT_EQ(std::memcmp(LockResource(LoadResource(kInst, res)), t.bytes().data(), t.bytes().size()), 0);

    answers("dialog mode_install\n  click \"OK\"\n");
    EXPECT_EQ(DialogBoxParamA(kInst, "Mode_Install", nullptr, RecordingDlgProc, 0), IDOK + 100);
    SetLastError(0);
    EXPECT_EQ(DialogBoxParamA(kInst, "NO_SUCH", nullptr, RecordingDlgProc, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST_F(DialogTest, ARunTimeTemplateInAZeroFilledBlockComesUpWithItsControlsInPlace) {
    // Two languages: s = 16, height 97, OK and Cancel at y 77, in the system font.
    const int n = 2, sp = 16;
    TemplateBuilder t(WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK, 174, n * (sp + 10) + 45, u"", 8, u"system");
    t.item(0x80, WS_TABSTOP | BS_DEFPUSHBUTTON, 30, n * (sp + 10) + 25, 50, 14, 1)
        .item(0x80, WS_TABSTOP | BS_PUSHBUTTON, 90, n * (sp + 10) + 25, 50, 14, 2);
    for (int k = 0; k < n; ++k)
        t.item(0x82, SS_LEFT, 17, static_cast<short>(7 + 10 * k), 144, 8, static_cast<WORD>(3 + k));
    for (int k = 0; k < n; ++k)
        t.item(0x80, WS_TABSTOP | BS_AUTORADIOBUTTON, 50, static_cast<short>(7 + 10 * (n - 1) + 15 + sp * k), 50, 10,
               static_cast<WORD>(20 + k));
    std::vector<BYTE> block(4096, 0);
    std::memcpy(block.data(), t.bytes().data(), t.bytes().size());
    struct Check : nv::user::WaitObserver {
        void waiting(HWND dlg, nv::user::WaitKind) override {
            count = 0;
            for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                ++count;
            RECT r;
            GetWindowRect(GetDlgItem(dlg, 21), &r);
            POINT o{0, 0};
            ClientToScreen(dlg, &o);
            radio = RECT{r.left - o.x, r.top - o.y, r.right - o.x, r.bottom - o.y};
            RECT c;
            GetClientRect(dlg, &c);
            client = c;
        }
        int count = 0;
        RECT radio{}, client{};
    } check;
    nv::user::AddWaitObserver(&check);
    answers("dialog \"\"\n  click 21\n  enter\n");
    EXPECT_EQ(DialogBoxIndirectParamA(kInst, reinterpret_cast<const DLGTEMPLATE*>(block.data()), nullptr,
                                      RecordingDlgProc, 0),
              IDOK + 100);
    nv::user::RemoveWaitObserver(&check);
    EXPECT_EQ(stopped_, input::Status::Running) << stopMessage_;
    EXPECT_EQ(check.count, 2 * n + 2);
    // System font base units 8 x 16: x * 2, y * 2.
    EXPECT_EQ(check.radio.left, 100);
    EXPECT_EQ(check.radio.top, 2 * (7 + 10 * (n - 1) + 15 + sp));
    EXPECT_EQ(check.radio.right - check.radio.left, 100);
    EXPECT_EQ(check.client.right, 348);
    EXPECT_EQ(check.client.bottom, 2 * 97);
}

// A renderer that only hands out dialog fonts, to see where they go.
struct FontOnlyPainter : nv::user::Painter {
    void paintNonClient(HWND) override {}
    void paintControl(HWND, nv::user::ControlKind) override {}
    void screenChanged() override {}
    HFONT createDialogFont(const char* face, int pointSize) override {
        made = std::string(face) + "," + std::to_string(pointSize);
        return kFont;
    }
    void releaseFont(HFONT f) override { released = f; }
    static inline const HFONT kFont = reinterpret_cast<HFONT>(uintptr_t{0xF0F0});
    std::string made;
    HFONT released = nullptr;
};

INT_PTR CALLBACK NoticeProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SETFONT)
        MessageLog::current().add("dlg:WM_SETFONT(" + std::to_string(wParam) + ")");
    if (msg == WM_INITDIALOG) {
        MessageLog::current().add("dlg:WM_INITDIALOG(" + std::to_string(lParam) + ")");
        SetDlgItemTextA(dlg, 148, "Checking WIN.INI and SYSTEM.INI files now.");
        return TRUE;
    }
    return FALSE;
}

TEST_F(DialogTest, AModelessDialogFromTheResourcesComesUpAtOnceWithItsFontBeforeInitDialog) {
    FontOnlyPainter painter;
    nv::user::SetPainter(&painter);
    struct Unplug {
        ~Unplug() { nv::user::SetPainter(nullptr); }
    } unplug;
    TemplateBuilder t(WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_VISIBLE, 175, 50, u"", 8, u"MS Sans Serif");
    t.item(0x82, SS_LEFT, 6, 8, 165, 40, 148);
    nv::user::resources::add(kInst, RT_DIALOG, "WAITING", t.bytes());
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = kInst;
    wc.lpszClassName = "Owner";
    RegisterClassA(&wc);
    HWND main = CreateWindowExA(0, "Owner", "main", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr, kInst,
                                nullptr);
    input::UseNone();  // no person is asked: a modeless dialog does not wait

    HWND dlg = CreateDialogParamA(kInst, "waiting", main, NoticeProc, 77);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(stopped_, input::Status::Running) << stopMessage_;
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(),
                           {"dlg:WM_SETFONT(" + std::to_string(uintptr_t{0xF0F0}) + ")", "dlg:WM_INITDIALOG(77)"}));
    EXPECT_EQ(painter.made, "MS Sans Serif,8");
    EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessageA(dlg, 148, WM_GETFONT, 0, 0)), FontOnlyPainter::kFont);
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_EQ(GetWindow(dlg, GW_OWNER), main);
    char text[64];
    GetDlgItemTextA(dlg, 148, text, sizeof text);
    EXPECT_STREQ(text, "Checking WIN.INI and SYSTEM.INI files now.");
    // The owner's messages still flow while it is up.
    PostMessageA(main, WM_USER + 1, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 1, WM_USER + 1, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, main);
    // The dialog's font goes with it.
    EXPECT_TRUE(DestroyWindow(dlg));
    EXPECT_EQ(painter.released, FontOnlyPainter::kFont);

    SetLastError(0);
    EXPECT_EQ(CreateDialogParamA(kInst, "NO_SUCH", main, NoticeProc, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
}

// ---- more keyboard rules ----

// Windows shows a modal dialog when its queue is first empty: messages
// already posted to the owner run while the dialog is still hidden.
HWND gModal;
LRESULT CALLBACK PostingOwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_USER + 7) {
        MessageLog::current().add(std::string("owner:posted, dialog visible=") +
                                  (gModal && IsWindowVisible(gModal) ? "1" : "0"));
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
INT_PTR CALLBACK RememberingDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) {
        gModal = dlg;
        return TRUE;
    }
    if (msg == WM_SHOWWINDOW && wParam)
        MessageLog::current().add("dlg:shown");
    if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
        EndDialog(dlg, 1);
        return TRUE;
    }
    return FALSE;
}

TEST_F(DialogTest, AModalDialogComesUpAfterTheMessagesAlreadyPostedToItsOwner) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PostingOwnerProc;
    wc.hInstance = kInst;
    wc.lpszClassName = "Poster";
    RegisterClassA(&wc);
    HWND owner = CreateWindowExA(0, "Poster", "main", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr, kInst,
                                 nullptr);
    // The template asks to be visible; a modal dialog still waits for the queue.
    TemplateBuilder t(WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_VISIBLE, 200, 100, u"Keys");
    t.item(0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 70, 50, 14, IDOK, u"&OK");
    answers("dialog Keys\n  press Enter\n");
    gModal = nullptr;
    PostMessageA(owner, WM_USER + 7, 0, 0);
    PostMessageA(owner, WM_USER + 7, 0, 0);
    MessageLog::current().clear();
    EXPECT_EQ(DialogBoxIndirectParamA(kInst, t.get(), owner, RememberingDlgProc, 0), 1);
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(),
                           {"owner:posted, dialog visible=0", "owner:posted, dialog visible=0", "dlg:shown"}));
    EXPECT_EQ(stopped_, input::Status::Running) << stopMessage_;
}

// DM_GETDEFID: the id DM_SETDEFID gave (a control nested in another too),
// else the push button that says it is the default, else nothing; an ended
// dialog has none. Enter presses the nested default.
INT_PTR CALLBACK CommandLoggingDlgProc(HWND, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_COMMAND)
        MessageLog::current().add("dlg:WM_COMMAND(" + std::to_string(LOWORD(wParam)) + ")");
    return msg == WM_INITDIALOG;
}

TEST_F(DialogTest, DefaultIdComesFromSetDefIdOrTheDefaultButtonAndEndsWithTheDialog) {
    TemplateBuilder t(WS_POPUP | WS_CAPTION | WS_VISIBLE, 200, 100, u"Ids");
    // The edit field takes the focus (a focused push button looks like the default).
    t.item(0x81, WS_TABSTOP | WS_BORDER, 10, 10, 100, 12, 117)
        .item(0x80, BS_PUSHBUTTON | WS_TABSTOP, 10, 70, 50, 14, 10, u"Ten")
        .item(0x80, BS_PUSHBUTTON | WS_TABSTOP, 70, 70, 50, 14, 20, u"Twenty");
    HWND dlg = CreateDialogIndirectParamA(kInst, t.get(), nullptr, CommandLoggingDlgProc, 0);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(SendMessageA(dlg, DM_GETDEFID, 0, 0), 0);  // no default at all
    SendMessageA(GetDlgItem(dlg, 20), BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
    EXPECT_EQ(SendMessageA(dlg, DM_GETDEFID, 0, 0), MAKELONG(20, DC_HASDEFID));
    SendMessageA(dlg, DM_SETDEFID, 10, 0);
    SendMessageA(GetDlgItem(dlg, 20), BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
    EXPECT_EQ(SendMessageA(dlg, DM_GETDEFID, 0, 0), MAKELONG(10, DC_HASDEFID));

    HWND holder = CreateWindowExA(0, "Button", "holder", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, dlg,
                                  reinterpret_cast<HMENU>(100), kInst, nullptr);
    HWND nested = CreateWindowExA(0, "Button", "nested", WS_CHILD | WS_VISIBLE, 5, 5, 10, 10, holder,
                                  reinterpret_cast<HMENU>(300), kInst, nullptr);
    SendMessageA(dlg, DM_SETDEFID, 300, 0);
    EXPECT_EQ(LOWORD(SendMessageA(dlg, DM_GETDEFID, 0, 0)), 300);
    MessageLog::current().clear();
    MSG enter{nested, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(IsDialogMessageA(dlg, &enter));
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), {"dlg:WM_COMMAND(300)"}));

    EndDialog(dlg, 1);
    EXPECT_EQ(SendMessageA(dlg, DM_GETDEFID, 0, 0), 0);
    DestroyWindow(dlg);
}

TEST_F(DialogTest, ArrowKeysMoveWithinARadioGroupAndTabSkipsWhatCannotTakeTheFocus) {
    TemplateBuilder t(WS_POPUP | WS_CAPTION, 200, 120, u"Modes");
    t.item(0x80, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 10, 10, 80, 10, 620, u"&Install")
        .item(0x80, BS_AUTORADIOBUTTON, 10, 22, 80, 10, 621, u"&Uninstall")
        .item(0x80, BS_AUTORADIOBUTTON, 10, 34, 80, 10, 622, u"&Groups")
        .item(0x80, BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP | WS_DISABLED, 10, 60, 50, 14, 5, u"Off")
        .item(0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, 70, 60, 50, 14, IDOK, u"OK");
    struct Proc {
        static INT_PTR CALLBACK run(HWND dlg, UINT msg, WPARAM w, LPARAM l) {
            if (msg == WM_INITDIALOG) {
                CheckRadioButton(dlg, 620, 622, 620);
                return TRUE;
            }
            if (msg == WM_COMMAND && LOWORD(w) == IDOK) {
                int on = 0;
                for (int id = 620; id <= 622; ++id)
                    if (IsDlgButtonChecked(dlg, id))
                        on = id;
                MessageLog::current().add("dlg:on(" + std::to_string(on) + ")");
                EndDialog(dlg, on);
                return TRUE;
            }
            return FALSE;
        }
    };
    // Down twice: Install -> Uninstall -> Groups, each checked as it is reached;
    // Up once: back to Uninstall. Tab then skips the disabled button.
    answers("dialog Modes\n  press Down\n  press Down\n  press Up\n  press Tab\n  press Space\n");
    EXPECT_EQ(DialogBoxIndirectParamA(kInst, t.get(), nullptr, Proc::run, 0), 621);
    EXPECT_EQ(stopped_, input::Status::Running) << stopMessage_;
}

TEST_F(DialogTest, TaskModalMessageBoxHoldsEveryWindowOfTheProgram) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = kInst;
    wc.lpszClassName = "Main";
    RegisterClassA(&wc);
    HWND a = CreateWindowExA(0, "Main", "a", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, kInst, nullptr);
    HWND b = CreateWindowExA(0, "Main", "b", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, kInst, nullptr);
    struct Watch : nv::user::WaitObserver {
        void waiting(HWND, nv::user::WaitKind) override { held = !IsWindowEnabled(a) && !IsWindowEnabled(b); }
        HWND a = nullptr, b = nullptr;
        bool held = false;
    } watch;
    watch.a = a;
    watch.b = b;
    nv::user::AddWaitObserver(&watch);
    answers("message x\n  enter\n");
    EXPECT_EQ(MessageBoxA(nullptr, "x", "y", MB_OK | MB_TASKMODAL), IDOK);
    nv::user::RemoveWaitObserver(&watch);
    EXPECT_TRUE(watch.held);
    EXPECT_TRUE(IsWindowEnabled(a));
    EXPECT_TRUE(IsWindowEnabled(b));
}

TEST_F(DialogTest, DialogItemIntegersAndStringTablesAcrossBlocks) {
    auto t = threeButtons();
    HWND dlg = CreateDialogIndirectParamA(kInst, t.get(), nullptr, QuietDlgProc, 0);
    BOOL ok = FALSE;
    SetDlgItemInt(dlg, 117, static_cast<UINT>(-42), TRUE);
    EXPECT_EQ(static_cast<int>(GetDlgItemInt(dlg, 117, &ok, TRUE)), -42);
    EXPECT_TRUE(ok);
    GetDlgItemInt(dlg, 117, &ok, FALSE);
    EXPECT_FALSE(ok);  // a sign is no unsigned number
    SetDlgItemTextA(dlg, 117, " 12x");
    GetDlgItemInt(dlg, 117, &ok, FALSE);
    EXPECT_FALSE(ok);
    SetDlgItemTextA(dlg, 117, "4294967295");
    EXPECT_EQ(GetDlgItemInt(dlg, 117, &ok, FALSE), 4294967295u);
    EXPECT_TRUE(ok);
    char small[4];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(GetDlgItemTextA(dlg, 117, small, sizeof small), 3u);
    EXPECT_STREQ(small, "429");
    EXPECT_EQ(GetDlgItemTextA(dlg, 999, small, sizeof small), 0u);
    EXPECT_STREQ(small, "");
    DestroyWindow(dlg);

    // Ids 15, 16 and 1161 fall in three blocks; accented texts survive UTF-16.
    nv::user::resources::addStringTable(kInst, {{15, "fifteen"}, {16, "Fran\xe7" "ais"}, {1161, "Norsk \x80"}});
    char buf[32];
    EXPECT_EQ(LoadStringA(kInst, 15, buf, sizeof buf), 7);
    EXPECT_EQ(LoadStringA(kInst, 16, buf, sizeof buf), 8);
    EXPECT_STREQ(buf, "Fran\xe7" "ais");
    EXPECT_EQ(LoadStringA(kInst, 1161, buf, sizeof buf), 7);
    EXPECT_STREQ(buf, "Norsk \x80");
    EXPECT_EQ(LoadStringA(kInst, 17, buf, sizeof buf), 0);
    EXPECT_EQ(LoadStringA(reinterpret_cast<HINSTANCE>(0x500000), 15, buf, sizeof buf), 0);
    // "#5" names the id 5.
    nv::user::resources::add(kInst, RT_RCDATA, MAKEINTRESOURCEA(5), {1, 2, 3});
    HRSRC r = FindResourceA(kInst, "#5", RT_RCDATA);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(SizeofResource(kInst, r), 3u);
}

}  // namespace
