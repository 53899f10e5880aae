// A person's mouse and keys at the desktop window, as the machine's input
// messages: hit testing through group boxes, static texts and disabled
// controls, the capture of a pressed button, the dialog manager's keys and
// mnemonics, the US layout's characters, the message-filter hook, and record
// mode writing actions by control that replay headless to the same result.
// A scripted host stands in for the window: no display is needed.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/user/Input.h"
#include "platform/user/InputScript.h"
#include "platform/user/MessageLog_test.h"
#include "platform/user/TemplateBuilder_test.h"
#include "platform/user/WindowManager.h"
#include "tools/window/InputTranslator.h"

namespace input = nv::user::input;
using nv::testing::TemplateBuilder;
using nv::window::InputTranslator;
using nv::window::MouseButton;
using nv::window::Press;

namespace {

const HINSTANCE kInst = reinterpret_cast<HINSTANCE>(0x400000);
constexpr int kEdit = 117, kRadioA = 201, kRadioB = 202, kInGroup = 203, kDisabled = 204, kList = 110;

// What the dialog saw: the commands of its buttons, and at the end the edit's text.
std::vector<std::string> seen;

INT_PTR CALLBACK FormProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) {
        SendDlgItemMessageA(dlg, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("QS-8000"));
        SendDlgItemMessageA(dlg, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("QS-8200"));
        SendDlgItemMessageA(dlg, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("QS-8400"));
        SetDlgItemTextA(dlg, kEdit, "C:\\OLD");
        return TRUE;
    }
    if (msg != WM_COMMAND || HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    int id = LOWORD(wParam);
    seen.push_back("command " + std::to_string(id));
    if (id == IDOK || id == IDCANCEL) {
        char text[64] = {};
        GetDlgItemTextA(dlg, kEdit, text, sizeof text);
        int row = static_cast<int>(SendDlgItemMessageA(dlg, kList, LB_GETCURSEL, 0, 0));
        seen.push_back(std::string("edit ") + text + " row " + std::to_string(row) + " radio " +
                       (IsDlgButtonChecked(dlg, kRadioB) ? "B" : "A"));
        EndDialog(dlg, id);
    }
    return TRUE;
}

TemplateBuilder formTemplate() {
    TemplateBuilder t(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 220, 140, u"Form");
    t.item(0x82, 0, 5, 2, 200, 10, 0xFFFF, u"A static text over the edit's row")
        .item(0x81, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 10, 10, 120, 12, kEdit)
        .item(0x80, BS_GROUPBOX, 5, 26, 150, 40, 0xFFFF, u"Group")
        .item(0x80, BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, 10, 36, 60, 10, kRadioA, u"&Alpha")
        .item(0x80, BS_AUTORADIOBUTTON, 80, 36, 60, 10, kRadioB, u"&Beta")
        .item(0x80, BS_PUSHBUTTON | WS_TABSTOP, 10, 50, 60, 12, kInGroup, u"&Inside")
        .item(0x80, BS_PUSHBUTTON | WS_DISABLED, 160, 30, 50, 14, kDisabled, u"&Off")
        .item(0x83, WS_TABSTOP | WS_BORDER | LBS_NOTIFY, 10, 70, 100, 40, kList)
        .item(0x80, WS_TABSTOP | BS_DEFPUSHBUTTON, 110, 120, 50, 14, IDOK, u"OK")
        .item(0x80, WS_TABSTOP | BS_PUSHBUTTON, 165, 120, 50, 14, IDCANCEL, u"Cancel");
    return t;
}

// Stands in for the desktop window: each time the dialog waits, the next
// thing the person does; when they are used up the window "closes".
class ScriptedHost : public nv::user::LiveHost {
public:
    using Act = std::function<void(InputTranslator&, HWND dlg)>;
    explicit ScriptedHost(std::vector<Act> acts) : acts_(std::move(acts)) { nv::user::setLiveHost(this); }
    ~ScriptedHost() override { nv::user::setLiveHost(nullptr); }
    void wait(std::optional<uint64_t>, HWND waiting, nv::user::WaitKind) override {
        t.setWaiting(waiting);
        if (next_ >= acts_.size()) {
            t.flushTyping();
            input::Stop(input::Status::Closed, "closed");
            return;
        }
        acts_[next_++](t, waiting);
    }
    void poll() override {}
    InputTranslator t;

private:
    std::vector<Act> acts_;
    size_t next_ = 0;
};

POINT centreOf(HWND dlg, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dlg, id), &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

ScriptedHost::Act clickAt(int id, int dx = 0, int dy = 0) {
    return [=](InputTranslator& t, HWND dlg) {
        POINT p = centreOf(dlg, id);
        p.x += dx;
        p.y += dy;
        t.mouseButton(p, MouseButton::Left, Press::Down);
        t.mouseButton(p, MouseButton::Left, Press::Up);
    };
}

// Keys pressed and released in turn; Shift and Alt stay held until the end.
ScriptedHost::Act keys(std::vector<int> vks) {
    return [=](InputTranslator& t, HWND) {
        for (int vk : vks) {
            t.key(vk, Press::Down);
            if (vk != VK_SHIFT && vk != VK_MENU)
                t.key(vk, Press::Up);
        }
        t.key(VK_SHIFT, Press::Up);
        t.key(VK_MENU, Press::Up);
    };
}

class WindowInput : public nv::testing::UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        seen.clear();
        input::SetStopHandler([this](input::Status s, const std::string&) { stopped_ = s; });
        input::UseNone();
    }
    void TearDown() override {
        input::UseNone();
        input::SetStopHandler(nullptr);
        UserTest::TearDown();
    }
    INT_PTR run() {
        auto t = formTemplate();
        return DialogBoxIndirectParamA(kInst, t.get(), nullptr, FormProc, 0);
    }
    input::Status stopped_ = input::Status::Running;
};

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST_F(WindowInput, ClicksReachTheControlUnderTheMouseThroughGroupBoxesAndStatics) {
    ScriptedHost host({clickAt(kInGroup), clickAt(kRadioB), clickAt(IDOK)});
    EXPECT_EQ(run(), IDOK);
    EXPECT_EQ(stopped_, input::Status::Running);
    // The radio's click is its own command; the button inside the group box got its click.
    EXPECT_EQ(seen, (std::vector<std::string>{"command 203", "command 202", "command 1",
                                              "edit C:\\OLD row -1 radio B"}));
}

TEST_F(WindowInput, ADisabledControlTakesNoClickAndAReleaseOutsideIsNoClick) {
    ScriptedHost host({clickAt(kDisabled),
                       // Pressed on Cancel, released outside it: the capture
                       // takes the release, and no click comes of it.
                       [](InputTranslator& t, HWND dlg) {
                           t.mouseButton(centreOf(dlg, IDCANCEL), MouseButton::Left, Press::Down);
                       },
                       [](InputTranslator& t, HWND dlg) {
                           EXPECT_EQ(GetCapture(), GetDlgItem(dlg, IDCANCEL));
                           POINT p = centreOf(dlg, IDCANCEL);
                           t.mouseButton(POINT{p.x - 300, p.y}, MouseButton::Left, Press::Up);
                       },
                       clickAt(IDOK)});
    EXPECT_EQ(run(), IDOK);
    EXPECT_EQ(seen, (std::vector<std::string>{"command 1", "edit C:\\OLD row -1 radio A"}));
}

TEST_F(WindowInput, KeysGoToTheFocusWithTheDialogManagersRulesAndTheUsLayout) {
    // Tab order: edit first (all of its text selected), typed over with a
    // path in capitals, the colon and backslash from the shifted and plain
    // punctuation keys; then the mnemonic of Beta; then Escape cancels.
    ScriptedHost host({keys({VK_SHIFT, 'D', VK_OEM_1}), keys({VK_OEM_5}), keys({VK_SHIFT, 'F', 'O', 'N', 'T', 'S'}),
                       [](InputTranslator& t, HWND) {
                           t.key(VK_OEM_5, Press::Down);
                           t.key(VK_OEM_5, Press::Up);
                           t.character(0xE9);  // é, typed on a host layout that has it
                       },
                       keys({VK_MENU, 'B'}), keys({VK_ESCAPE})});
    EXPECT_EQ(run(), IDCANCEL);
    EXPECT_EQ(seen, (std::vector<std::string>{"command 202", "command 2", "edit D:\\FONTS\\\xE9 row -1 radio B"}));
}

TEST_F(WindowInput, AClickOnTheDisabledOwnerOfAModalDialogIsLost) {
    HWND owner = CreateWindowExA(0, "STATIC", "Owner", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr,
                                 kInst, nullptr);
    auto t = formTemplate();
    ScriptedHost host({[owner](InputTranslator& t, HWND dlg) {
                           POINT client{};
                           HWND under = InputTranslator::mouseTarget(POINT{700, 500}, &client);
                           char cls[64] = {};
                           GetClassNameA(under, cls, sizeof cls);
                           EXPECT_EQ(under, nullptr) << cls << " " << (under == owner);
                           EXPECT_TRUE(IsWindowEnabled(owner) == FALSE);
                           t.mouseButton(POINT{700, 500}, MouseButton::Left, Press::Down);
                           t.mouseButton(POINT{700, 500}, MouseButton::Left, Press::Up);
                           EXPECT_FALSE(nv::user::pendingInput());
                       },
                       clickAt(IDOK)});
    EXPECT_EQ(DialogBoxIndirectParamA(kInst, t.get(), owner, FormProc, 0), IDOK);
    DestroyWindow(owner);
}

TEST_F(WindowInput, ARecordedWindowRunReplaysHeadlessToTheSameResult) {
    nv::testing::TempDir dir;
    std::string rec = (dir.path() / "window.answers").string();
    ASSERT_TRUE(input::RecordTo(rec, "a run in the desktop window").ok());
    {
        ScriptedHost host({clickAt(kEdit),
                           keys({VK_END, VK_BACK, VK_BACK, VK_BACK, VK_SHIFT, 'N', 'E', 'W'}),
                           [](InputTranslator& t, HWND dlg) {
                               // The third row of the list, by its position.
                               RECT r{};
                               GetWindowRect(GetDlgItem(dlg, kList), &r);
                               int h = static_cast<int>(SendDlgItemMessageA(dlg, kList, LB_GETITEMHEIGHT, 0, 0));
                               POINT p{r.left + 10, r.top + 2 + 2 * h + h / 2};
                               t.key(VK_SHIFT, Press::Up);
                               t.mouseButton(p, MouseButton::Left, Press::Down);
                               t.mouseButton(p, MouseButton::Left, Press::Up);
                           },
                           keys({VK_TAB, VK_TAB}), keys({'B'}), clickAt(IDOK)});
        EXPECT_EQ(run(), IDOK);
    }
    EXPECT_EQ(stopped_, input::Status::Running);
    auto live = seen;
    EXPECT_EQ(live.back(), "edit C:\\NEW row 2 radio B");
    EXPECT_EQ(readAll(rec),
              "# answers recorded from a run in the desktop window\n"
              "dialog Form\n"
              "  type 117 \"C:\\NEW\"\n"
              "  select 110 2  # QS-8400\n"
              "  press Tab\n"
              "  press Tab\n"
              "  press B\n"
              "  click 1  # OK\n");

    // Replayed headless: the same commands and the same state at the end.
    seen.clear();
    input::UseNone();
    nv::user::reset();
    ASSERT_TRUE(input::UseAnswerFile(rec).ok());
    EXPECT_EQ(run(), IDOK);
    EXPECT_EQ(seen, live);
    EXPECT_EQ(input::unusedAnswers(), "");
}
