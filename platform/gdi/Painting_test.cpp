// Windows on the screen: window DCs, BeginPaint's erase, composition in
// z-order, dialogs laid out from dialog units and painted in the Windows 95
// look, and screenshots of waiting dialogs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <windows.h>

#include "TempMachine.h"
#include "platform/gdi/FontMetrics.h"
#include "platform/gdi/Screen.h"
#include "platform/gdi/Screenshot.h"
#include "platform/gdi/Win95Painter.h"
#include "platform/gdi/WindowSurface.h"
#include "platform/user/Input.h"
#include "platform/user/Resources.h"
#include "platform/user/TemplateBuilder_test.h"
#include "platform/user/WindowManager.h"

namespace {

namespace input = nv::user::input;
using nv::gdi::composeScreen;
using nv::gdi::Surface;
using nv::gdi::toColorref;

HINSTANCE kInst = reinterpret_cast<HINSTANCE>(0x400000);
constexpr COLORREF kFace = RGB(192, 192, 192);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

COLORREF at(const Surface& s, int x, int y) { return toColorref(s.at(x, y)); }

int paints = 0;
LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        ++paints;
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

INT_PTR CALLBACK QuietDlgProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

class PaintingTest : public ::testing::Test {
protected:
    void SetUp() override {
        nv::user::reset();
        nv::gdi::InstallPainter();
        input::SetStopHandler([](input::Status, const std::string&) {});
        WNDCLASSA wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = kInst;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "Plain";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    void TearDown() override {
        nv::gdi::DisableScreenshots();
        input::UseNone();
        input::SetStopHandler(nullptr);
        nv::user::SetPainter(nullptr);
        nv::user::reset();
    }
    HWND popup(int x, int y, int w, int h) {
        HWND hwnd = CreateWindowExA(0, "Plain", "", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr, kInst, nullptr);
        UpdateWindow(hwnd);
        return hwnd;
    }
    void fill(HWND hwnd, COLORREF color) {
        HDC dc = GetDC(hwnd);
        HBRUSH b = CreateSolidBrush(color);
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(dc, &r, b);
        DeleteObject(b);
        ReleaseDC(hwnd, dc);
    }
    nv::testing::TempMachine machine_;
};

TEST_F(PaintingTest, BeginPaintErasesOnlyWhenTheInvalidationAskedForIt) {
    HWND w = popup(10, 10, 40, 30);
    fill(w, kRed);
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    EXPECT_EQ(at(composeScreen(), 20, 20), kRed);

    RECT part{0, 0, 10, 10};
    InvalidateRect(w, &part, TRUE);
    UpdateWindow(w);
    Surface s = composeScreen();
    EXPECT_EQ(at(s, 10, 10), kFace);   // inside the erased part: the class brush
    EXPECT_EQ(at(s, 20, 20), kRed);    // outside it: untouched
    RECT left{};
    EXPECT_FALSE(GetUpdateRect(w, &left, FALSE));  // and BeginPaint validated
}

TEST_F(PaintingTest, PaintStructNamesTheUpdateRectangleAndDrawingIsClippedToIt) {
    HWND w = popup(0, 0, 50, 50);
    RECT part{5, 6, 15, 16};
    InvalidateRect(w, &part, FALSE);
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(w, &ps);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(ps.rcPaint.left, 5);
    EXPECT_EQ(ps.rcPaint.bottom, 16);
    EXPECT_FALSE(ps.fErase);
    RECT all{0, 0, 50, 50};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(w, &ps);
    Surface s = composeScreen();
    EXPECT_EQ(at(s, 5, 6), kBlack);
    EXPECT_EQ(at(s, 14, 15), kBlack);
    EXPECT_EQ(at(s, 15, 15), kFace);
    EXPECT_EQ(at(s, 4, 6), kFace);
}

TEST_F(PaintingTest, UpperWindowsCoverLowerOnesAndLeaveNoTraceWhenGone) {
    HWND lower = popup(10, 10, 60, 60);
    fill(lower, kRed);
    HWND upper = popup(40, 40, 60, 60);
    fill(upper, RGB(0, 0, 255));
    Surface s = composeScreen();
    EXPECT_EQ(at(s, 20, 20), kRed);
    EXPECT_EQ(at(s, 50, 50), RGB(0, 0, 255));
    EXPECT_EQ(at(s, 5, 5), RGB(0, 128, 128));  // the desktop
    DestroyWindow(upper);
    s = composeScreen();
    EXPECT_EQ(at(s, 50, 50), kRed);
    EXPECT_EQ(at(s, 90, 90), RGB(0, 128, 128));
}

TEST_F(PaintingTest, AWindowWithoutClassBrushShowsWhatWasUnderItUntilItPaints) {
    HWND lower = popup(0, 0, 40, 40);
    fill(lower, kRed);
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = kInst;
    wc.lpszClassName = "NoBrush";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND upper = CreateWindowExA(0, "NoBrush", "", WS_POPUP | WS_VISIBLE, 20, 20, 60, 60, nullptr, nullptr, kInst, nullptr);
    UpdateWindow(upper);  // BeginPaint and EndPaint only
    Surface s = composeScreen();
    EXPECT_EQ(at(s, 30, 30), kRed);                   // the window beneath
    EXPECT_EQ(at(s, 70, 70), RGB(0, 128, 128));       // the desktop
    HDC dc = GetDC(upper);
    RECT r{0, 0, 5, 5};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(upper, dc);
    DestroyWindow(lower);
    s = composeScreen();
    EXPECT_EQ(at(s, 20, 20), kBlack);
    EXPECT_EQ(at(s, 30, 30), kRed);  // still what it showed, not the desktop that came out behind it
}

TEST_F(PaintingTest, AChildDrawsOnlyInsideItsParentsClientArea) {
    HWND parent = popup(0, 0, 40, 40);
    HWND child = CreateWindowExA(0, "Plain", "", WS_CHILD | WS_VISIBLE, 30, 30, 30, 30, parent, nullptr, kInst, nullptr);
    UpdateWindow(child);
    fill(child, kRed);
    Surface s = composeScreen();
    EXPECT_EQ(at(s, 35, 35), kRed);
    EXPECT_EQ(at(s, 45, 35), RGB(0, 128, 128));  // the part outside the parent is cut off
}

TEST_F(PaintingTest, DialogControlsStandWhereTheirDialogUnitsSay) {
    nv::testing::TemplateBuilder t(WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_VISIBLE, 150, 80, u"Units");
    t.item(0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 20, 50, 14, IDOK, u"OK");
    t.item(0x80, BS_PUSHBUTTON | WS_TABSTOP, 70, 20, 50, 14, IDCANCEL, u"Cancel");
    HWND dlg = CreateDialogIndirectParamA(kInst, t.get(), nullptr, QuietDlgProc, 0);
    ASSERT_NE(dlg, nullptr);
    UpdateWindow(dlg);
    Surface s = composeScreen();

    auto u = nv::gdi::templateBaseUnits("MS Sans Serif", 8);
    POINT origin{0, 0};
    ClientToScreen(dlg, &origin);
    const int left = origin.x + MulDiv(10, u.cx, 4), top = origin.y + MulDiv(20, u.cy, 8);
    // Position and size are each converted, as Windows creates dialog items.
    const int right = left + MulDiv(50, u.cx, 4), bottom = top + MulDiv(14, u.cy, 8);
    // The default button's black outline runs exactly along its rectangle.
    EXPECT_EQ(at(s, left, top), kBlack);
    EXPECT_EQ(at(s, right - 1, bottom - 1), kBlack);
    EXPECT_EQ(at(s, left + 10, top), kBlack);
    EXPECT_EQ(at(s, left - 1, top), kFace);
    EXPECT_EQ(at(s, right, bottom - 1), kFace);
    EXPECT_EQ(at(s, left, bottom), kFace);
    // The plain button: white highlight on its top and left edge, black at the
    // bottom and right.
    const int cl = origin.x + MulDiv(70, u.cx, 4), cr = cl + MulDiv(50, u.cx, 4);
    EXPECT_EQ(at(s, cl, top + 3), RGB(255, 255, 255));
    EXPECT_EQ(at(s, cr - 1, top + 3), kBlack);
    EXPECT_EQ(at(s, cl - 1, top + 3), kFace);
    if (const char* out = std::getenv("NV_GDI_SHOTS")) {
        EXPECT_TRUE(nv::gdi::SavePng(s, std::string(out) + "/units.png").ok());
    }
    DestroyWindow(dlg);
}

// No more of a window than the screen's size can be seen, so its backing
// surface holds no more: a window of exactly the screen's size is backed whole,
// one a pixel larger is clipped there, and a dialog of 32000 x 32000 units
// (4 GB of pixels in full) is created, painted and composed in bounded memory.
TEST_F(PaintingTest, AWindowLargerThanTheScreenIsBackedUpToTheScreensSize) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HWND fits = popup(0, 0, w, h);
    fill(fits, kRed);
    ASSERT_NE(nv::gdi::Screen::get().existing(fits), nullptr);
    EXPECT_EQ(nv::gdi::Screen::get().existing(fits)->width(), w);
    EXPECT_EQ(nv::gdi::Screen::get().existing(fits)->height(), h);
    EXPECT_EQ(at(composeScreen(), w - 1, h - 1), kRed);
    DestroyWindow(fits);

    HWND past = popup(0, 0, w + 1, h + 1);
    fill(past, kBlack);
    EXPECT_EQ(nv::gdi::Screen::get().existing(past)->width(), w);
    EXPECT_EQ(nv::gdi::Screen::get().existing(past)->height(), h);
    EXPECT_EQ(at(composeScreen(), w - 1, h - 1), kBlack);
    HDC dc = GetDC(past);
    EXPECT_EQ(SetPixel(dc, w, h, kRed), CLR_INVALID);  // beyond the backing: clipped
    EXPECT_EQ(GetPixel(dc, w - 1, h - 1), kBlack);
    ReleaseDC(past, dc);
    DestroyWindow(past);

    nv::testing::TemplateBuilder t(WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_VISIBLE, 32000, 32000, u"Huge");
    t.item(0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, 31000, 31000, 500, 500, IDOK, u"OK");
    HWND dlg = CreateDialogIndirectParamA(kInst, t.get(), nullptr, QuietDlgProc, 0);
    ASSERT_NE(dlg, nullptr);
    RECT wr{};
    GetWindowRect(dlg, &wr);
    EXPECT_GT(wr.right - wr.left, 40000);
    UpdateWindow(dlg);
    Surface screen = composeScreen();
    EXPECT_EQ(screen.width(), w);
    EXPECT_LE(nv::gdi::Screen::get().existing(dlg)->width(), w);
    EXPECT_LE(nv::gdi::Screen::get().existing(dlg)->height(), h);
    DestroyWindow(dlg);
}

TEST_F(PaintingTest, ACaptionIsNavyWhileActiveAndHoldsItsTitle) {
    nv::testing::TemplateBuilder t(WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_VISIBLE | WS_SYSMENU, 120, 40, u"Title");
    HWND dlg = CreateDialogIndirectParamA(kInst, t.get(), nullptr, QuietDlgProc, 0);
    ASSERT_NE(dlg, nullptr);
    UpdateWindow(dlg);
    RECT wr;
    GetWindowRect(dlg, &wr);
    Surface s = composeScreen();
    const int barY = wr.top + 3 + 2;
    int navy = 0, white = 0;
    for (int x = wr.left + 3; x < wr.left + 60; ++x) {
        navy += at(s, x, barY) == RGB(0, 0, 128);
        for (int y = wr.top + 3; y < wr.top + 20; ++y)
            white += at(s, x, y) == RGB(255, 255, 255);
    }
    EXPECT_GT(navy, 40);
    EXPECT_GT(white, 15);  // the letters of "Title"
    EXPECT_EQ(at(s, wr.left, wr.top + 30), kFace);        // the outer light line of the frame
    EXPECT_EQ(at(s, wr.right - 1, wr.top + 30), kBlack);  // the dark outer line at the right
    DestroyWindow(dlg);
}

TEST_F(PaintingTest, AMessageBoxThatWaitsIsPhotographedWithItsIcon) {
    nv::testing::TempDir dir;
    ASSERT_TRUE(nv::gdi::EnableScreenshots(dir.path().string()).ok());
    ASSERT_TRUE(input::UseAnswerText("message \"Disk full\"\n  press Enter\n", "answers").ok());
    EXPECT_EQ(MessageBoxA(nullptr, "Disk full", "Warning", MB_OK | MB_ICONHAND), IDOK);
    const auto& files = nv::gdi::ScreenshotFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_NE(files[0].find("001-msgbox-Warning"), std::string::npos) << files[0];
    ASSERT_TRUE(std::filesystem::exists(files[0]));
    std::ifstream png(files[0], std::ios::binary);
    char magic[4] = {};
    png.read(magic, 4);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
}

// A person leafs through a run: one numbered picture per wait, named after
// the template and caption, none for a wait that shows nothing new, and the
// screen at the end.
TEST_F(PaintingTest, ARunIsPhotographedInOrderWithNamesAndAnEndPicture) {
    nv::testing::TemplateBuilder t(WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_VISIBLE, 120, 50, u"");
    t.item(0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 30, 40, 14, IDOK, u"OK");
    t.item(0x80, BS_PUSHBUTTON | WS_TABSTOP, 60, 30, 40, 14, IDCANCEL, u"Cancel");
    nv::user::resources::add(kInst, RT_DIALOG, "PICKDLG", t.bytes());
    nv::testing::TempDir dir;
    ASSERT_TRUE(nv::gdi::EnableScreenshots(dir.path().string()).ok());
    ASSERT_TRUE(input::UseAnswerText("dialog PICKDLG\n"
                                     "  wait 10\n"       // the same picture again: no new file
                                     "  click Cancel\n"
                                     "message \"Sure?\"\n"
                                     "  press Enter\n"
                                     "dialog PICKDLG\n"
                                     "  click OK\n",
                                     "answers")
                    .ok());
    INT_PTR r = DialogBoxParamA(kInst, "PICKDLG", nullptr, [](HWND dlg, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) {
            SetWindowTextA(dlg, "Pick: a model?");
            return TRUE;
        }
        if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
            MessageBoxA(dlg, "Sure?", "Question", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
            return TRUE;
        }
        if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
            EndDialog(dlg, 7);
            return TRUE;
        }
        return FALSE;
    }, 0);
    EXPECT_EQ(r, 7);
    nv::user::NotifyRunEnded();

    std::vector<std::string> names;
    for (const auto& f : nv::gdi::ScreenshotFiles()) {
        EXPECT_TRUE(std::filesystem::exists(f)) << f;
        names.push_back(std::filesystem::path(f).filename().string());
    }
    const std::vector<std::string> want = {"001-PICKDLG-Pick__a_model.png", "002-msgbox-Question.png",
                                           "003-PICKDLG-Pick__a_model.png", "004-end.png"};
    EXPECT_EQ(names, want);
    nv::user::resources::clear();
}

TEST_F(PaintingTest, TheHandIconIsRedWithAWhiteCross) {
    HWND w = popup(0, 0, 40, 40);
    HDC dc = GetDC(w);
    ASSERT_TRUE(DrawIcon(dc, 4, 4, LoadIconA(nullptr, IDI_HAND)));
    ReleaseDC(w, dc);
    Surface s = composeScreen();
    EXPECT_EQ(at(s, 4 + 15, 4 + 15), RGB(255, 255, 255));  // the middle of the cross
    EXPECT_EQ(at(s, 4 + 15, 4 + 5), kRed);
    EXPECT_EQ(at(s, 1, 1), kFace);                         // nothing outside the icon
}

TEST(Screen, TakesItsSizeFromTheMachine) {
    auto settings = nv::testing::TempMachine::defaultSettings();
    settings.screenWidth = 1024;
    settings.screenHeight = 768;
    nv::testing::TempMachine machine(settings);
    nv::user::reset();
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, HORZRES), 1024);
    EXPECT_EQ(GetDeviceCaps(screen, VERTRES), 768);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 24);
    // Drawing on the screen DC lands on the desktop under every window.
    RECT r{1000, 700, 1024, 768};
    FillRect(screen, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    Surface s = composeScreen();
    EXPECT_EQ(s.width(), 1024);
    EXPECT_EQ(s.height(), 768);
    EXPECT_EQ(at(s, 1023, 767), kBlack);
    EXPECT_EQ(at(s, 999, 767), RGB(0, 128, 128));
    nv::user::reset();
}

}  // namespace
