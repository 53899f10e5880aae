// The look of the standard controls in a dialog, checked at the pixels that
// carry their state: selected list rows, checked radio buttons and check
// boxes, greyed text of disabled buttons, edit fields.
#include <gtest/gtest.h>

#include <windows.h>

#include "TempMachine.h"
#include "platform/gdi/Screenshot.h"
#include "platform/gdi/Win95Painter.h"
#include "platform/gdi/WindowSurface.h"
#include "platform/user/Input.h"
#include "platform/user/TemplateBuilder_test.h"
#include "platform/user/WindowManager.h"

namespace {

namespace input = nv::user::input;
using nv::gdi::Surface;

HINSTANCE kInst = reinterpret_cast<HINSTANCE>(0x400000);
constexpr COLORREF kFace = RGB(192, 192, 192);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kNavy = RGB(0, 0, 128);

enum Id { kList = 10, kRadioA, kRadioB, kCheck, kEdit, kHelp, kWrap, kCentre, kRight, kGroup };

INT_PTR CALLBACK GalleryProc(HWND dlg, UINT msg, WPARAM, LPARAM) {
    if (msg != WM_INITDIALOG)
        return FALSE;
    SetWindowTextA(dlg, "Select Printer");
    for (const char* m : {"QS-8000", "QS-8100", "QS-8200", "QS-8300 PostScript", "QS-8400", "QS-8500", "QS-8600"})
        SendDlgItemMessageA(dlg, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m));
    SendDlgItemMessageA(dlg, kList, LB_SETCURSEL, 2, 0);
    SetDlgItemTextA(dlg, kWrap, "Select the printer model you want to install. This text wraps onto a second line.");
    SetDlgItemTextA(dlg, kCentre, "Centred");
    SetDlgItemTextA(dlg, kRight, "Right");
    SetDlgItemTextA(dlg, kGroup, "Options");
    SetDlgItemTextA(dlg, kRadioA, "&Local port");
    SetDlgItemTextA(dlg, kRadioB, "&Network");
    SetDlgItemTextA(dlg, kCheck, "&Keep old driver");
    SetDlgItemTextA(dlg, kEdit, "C:\\WINDOWS\\SYSTEM");
    SetDlgItemTextA(dlg, IDOK, "OK");
    SetDlgItemTextA(dlg, IDCANCEL, "Cancel");
    SetDlgItemTextA(dlg, kHelp, "&Help");
    CheckRadioButton(dlg, kRadioA, kRadioB, kRadioB);
    SendDlgItemMessageA(dlg, kCheck, BM_SETCHECK, BST_CHECKED, 0);
    EnableWindow(GetDlgItem(dlg, kHelp), FALSE);
    return TRUE;
}

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        nv::user::reset();
        nv::gdi::InstallPainter();
        input::SetStopHandler([](input::Status, const std::string&) {});
        nv::testing::TemplateBuilder t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK | WS_VISIBLE, 240,
                                       150, u"");
        t.item(0x82, SS_LEFT, 8, 6, 160, 18, kWrap);
        t.item(0x83, WS_BORDER | WS_VSCROLL | LBS_NOTIFY | WS_TABSTOP, 8, 28, 110, 50, kList);
        t.item(0x80, BS_GROUPBOX, 126, 26, 106, 52, kGroup);
        t.item(0x80, BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, 132, 38, 90, 10, kRadioA);
        t.item(0x80, BS_AUTORADIOBUTTON, 132, 50, 90, 10, kRadioB);
        t.item(0x80, BS_AUTOCHECKBOX | WS_TABSTOP, 132, 62, 96, 10, kCheck);
        t.item(0x81, WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 8, 84, 110, 12, kEdit);
        t.item(0x82, SS_CENTER, 126, 84, 50, 8, kCentre);
        t.item(0x82, SS_RIGHT, 180, 84, 52, 8, kRight);
        t.item(0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, 20, 126, 50, 14, IDOK);
        t.item(0x80, BS_PUSHBUTTON | WS_TABSTOP, 90, 126, 50, 14, IDCANCEL);
        t.item(0x80, BS_PUSHBUTTON | WS_TABSTOP, 160, 126, 50, 14, kHelp);
        bytes_ = t.bytes();
        dlg_ = CreateDialogIndirectParamA(kInst, reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()), nullptr,
                                          GalleryProc, 0);
        ASSERT_NE(dlg_, nullptr);
        UpdateWindow(dlg_);
        screen_ = nv::gdi::composeScreen();
        if (const char* out = std::getenv("NV_GDI_SHOTS")) {
            EXPECT_TRUE(nv::gdi::SavePng(screen_, std::string(out) + "/gallery.png").ok());
        }
    }
    void TearDown() override {
        DestroyWindow(dlg_);
        input::SetStopHandler(nullptr);
        nv::user::SetPainter(nullptr);
        nv::user::reset();
    }
    // A control's client rectangle on the screen.
    RECT onScreen(int id) const {
        HWND c = GetDlgItem(dlg_, id);
        RECT r{};
        GetClientRect(c, &r);
        POINT p{0, 0};
        ClientToScreen(c, &p);
        return RECT{p.x, p.y, p.x + r.right, p.y + r.bottom};
    }
    COLORREF at(int x, int y) const { return nv::gdi::toColorref(screen_.at(x, y)); }
    int count(const RECT& r, COLORREF c) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += at(x, y) == c;
        return n;
    }

    nv::testing::TempMachine machine_;
    std::vector<BYTE> bytes_;
    HWND dlg_ = nullptr;
    Surface screen_;
};

TEST_F(ControlsTest, TheSelectedListRowIsHighlightedAndTheOthersAreWhite) {
    RECT list = onScreen(kList);
    const int itemHeight = static_cast<int>(SendDlgItemMessageA(dlg_, kList, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(itemHeight, 0);
    RECT row2{list.left, list.top + 2 * itemHeight, list.left + 40, list.top + 3 * itemHeight};
    RECT row1{list.left, list.top + itemHeight, list.left + 40, list.top + 2 * itemHeight};
    const int area = 40 * itemHeight;
    EXPECT_GT(count(row2, kNavy), area / 2);
    EXPECT_GT(count(row2, kWhite), 10);  // the text of the row
    EXPECT_EQ(count(row1, kNavy), 0);
    EXPECT_GT(count(row1, kBlack), 10);
    // Seven rows do not fit: a scroll bar stands at the right.
    RECT bar{list.right - 16, list.top, list.right, list.top + 16};
    EXPECT_GT(count(bar, kFace), 50);
}

TEST_F(ControlsTest, OnlyTheCheckedRadioButtonHasItsDot) {
    RECT a = onScreen(kRadioA), b = onScreen(kRadioB);
    const int ay = a.top + (a.bottom - a.top - 12) / 2, by = b.top + (b.bottom - b.top - 12) / 2;
    EXPECT_EQ(at(a.left + 5, ay + 5), kWhite);
    EXPECT_EQ(at(b.left + 5, by + 5), kBlack);
    EXPECT_EQ(at(b.left + 6, by + 6), kBlack);
    EXPECT_EQ(at(b.left + 1, by + 2), kGrey);  // the shadowed upper rim
}

TEST_F(ControlsTest, TheCheckedBoxShowsItsMark) {
    RECT c = onScreen(kCheck);
    const int y = c.top + (c.bottom - c.top - 13) / 2;
    RECT inside{c.left + 2, y + 2, c.left + 11, y + 11};
    EXPECT_GT(count(inside, kBlack), 10);
    EXPECT_GT(count(inside, kWhite), 20);
    EXPECT_EQ(at(c.left, y), kGrey);  // the sunken edge
}

TEST_F(ControlsTest, ADisabledButtonHasEmbossedGreyText) {
    RECT h = onScreen(kHelp);
    RECT inner{h.left + 3, h.top + 3, h.right - 3, h.bottom - 3};
    EXPECT_EQ(count(inner, kBlack), 0);
    EXPECT_GT(count(inner, kGrey), 10);
    EXPECT_GT(count(inner, kWhite), 10);
    RECT ok = onScreen(IDOK);
    RECT okInner{ok.left + 3, ok.top + 3, ok.right - 3, ok.bottom - 3};
    EXPECT_GT(count(okInner, kBlack), 10);
}

TEST_F(ControlsTest, StaticTextsAlignAndWrap) {
    RECT wrap = onScreen(kWrap);
    const int half = (wrap.bottom - wrap.top) / 2;
    EXPECT_GT(count(RECT{wrap.left, wrap.top, wrap.right, wrap.top + half}, kBlack), 20);
    EXPECT_GT(count(RECT{wrap.left, wrap.top + half, wrap.right, wrap.bottom}, kBlack), 20);  // the second line

    RECT right = onScreen(kRight);
    const int w = right.right - right.left;
    EXPECT_EQ(count(RECT{right.left, right.top, right.left + w / 3, right.bottom}, kBlack), 0);
    EXPECT_GT(count(RECT{right.right - w / 3, right.top, right.right, right.bottom}, kBlack), 5);

    RECT centre = onScreen(kCentre);
    const int cw = centre.right - centre.left;
    EXPECT_EQ(count(RECT{centre.left, centre.top, centre.left + 4, centre.bottom}, kBlack), 0);
    EXPECT_EQ(count(RECT{centre.right - 4, centre.top, centre.right, centre.bottom}, kBlack), 0);
    EXPECT_GT(count(RECT{centre.left + cw / 3, centre.top, centre.right - cw / 3, centre.bottom}, kBlack), 5);
}

TEST_F(ControlsTest, TheEditFieldIsWhiteWithItsTextAndASunkenEdge) {
    RECT e = onScreen(kEdit);
    EXPECT_GT(count(e, kBlack), 20);
    EXPECT_GT(count(e, kWhite), (e.right - e.left) * (e.bottom - e.top) / 2);
    EXPECT_EQ(at(e.left - 2, e.top - 2), kGrey);  // the outer line of the client edge
}

// Looks at the screen whenever a dialog or message box waits.
class Watcher : public nv::user::WaitObserver {
public:
    void waiting(HWND hwnd, nv::user::WaitKind) override {
        waited = hwnd;
        GetWindowRect(hwnd, &rect);
        screen = nv::gdi::composeScreen();
    }
    HWND waited = nullptr;
    RECT rect{};
    Surface screen;
};

TEST_F(ControlsTest, AMessageBoxOverTheDialogTakesTheActiveCaption) {
    Watcher watcher;
    nv::user::AddWaitObserver(&watcher);
    ASSERT_TRUE(input::UseAnswerText("message \"Really?\"\n  press Enter\n", "answers").ok());
    MessageBoxA(dlg_, "Really?", "Question", MB_YESNO | MB_ICONQUESTION);
    nv::user::RemoveWaitObserver(&watcher);
    input::UseNone();
    ASSERT_NE(watcher.waited, nullptr);
    RECT d{};
    GetWindowRect(dlg_, &d);
    const RECT m = watcher.rect;
    ASSERT_GT(m.right - m.left, 20);
    auto px = [&](int x, int y) { return nv::gdi::toColorref(watcher.screen.at(x, y)); };
    if (const char* out = std::getenv("NV_GDI_SHOTS")) {
        EXPECT_TRUE(nv::gdi::SavePng(watcher.screen, std::string(out) + "/over.png").ok());
    }
    EXPECT_EQ(px(d.left + 5, d.top + 5), kGrey);   // the dialog's caption, now inactive
    EXPECT_EQ(px(m.left + 5, m.top + 5), kNavy);   // the message box's, active
    // The message box stands over the dialog.
    EXPECT_EQ(px((m.left + m.right) / 2, m.bottom - 3), kFace);
}

// Message boxes with each icon, photographed while they wait.
class MessageBoxLook : public ::testing::Test {
protected:
    void SetUp() override {
        nv::user::reset();
        input::SetStopHandler([](input::Status, const std::string&) {});
        ASSERT_TRUE(nv::gdi::EnableScreenshots(dir_.path().string()).ok());
    }
    void TearDown() override {
        nv::gdi::DisableScreenshots();
        input::UseNone();
        input::SetStopHandler(nullptr);
        nv::user::SetPainter(nullptr);
        nv::user::reset();
    }
    nv::testing::TempMachine machine_;
    nv::testing::TempDir dir_;
};

TEST_F(MessageBoxLook, EachIconKindIsDrawnInItsColours) {
    struct Case {
        UINT type;
        const char* text;
        COLORREF mark;  // a colour only that icon has
    };
    const Case cases[] = {{MB_ICONHAND, "Cannot open file", RGB(255, 0, 0)},
                          {MB_ICONEXCLAMATION, "Do you really want to cancel the installation?", RGB(255, 255, 0)},
                          {MB_ICONASTERISK, "The driver was installed.", RGB(0, 0, 255)},
                          {MB_ICONQUESTION, "Do you want to install the Demo file?", RGB(0, 0, 255)}};
    std::string answers;
    for (const auto& c : cases)
        answers += std::string("message \"") + c.text + "\"\n  press Enter\n";
    ASSERT_TRUE(input::UseAnswerText(answers, "answers").ok());
    for (const auto& c : cases)
        MessageBoxA(nullptr, c.text, "Norvalk Driver Installation", c.type | (c.type == MB_ICONQUESTION ? MB_YESNO : MB_OK));
    const auto& files = nv::gdi::ScreenshotFiles();
    ASSERT_EQ(files.size(), 4u);
    if (const char* out = std::getenv("NV_GDI_SHOTS")) {
        for (const auto& f : files)
            std::filesystem::copy_file(f, std::filesystem::path(out) / std::filesystem::path(f).filename(),
                                       std::filesystem::copy_options::overwrite_existing);
    }
    EXPECT_EQ(input::status(), input::Status::Running);
}

}  // namespace
