#include <cstring>
#include <string>

#include "ProgramTest.h"
#include "platform/gdi/Win95Painter.h"
#include "platform/gdi/WindowSurface.h"
#include "ui/Background.h"
#include "ui/ProgressClasses.h"
#include "ui/ProgressWindow.h"

using nv::testing::ProgramTest;

namespace {

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        BackgroundPaint(hwnd, dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

}  // namespace

class Progress : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        nv::gdi::InstallPainter();
        ASSERT_EQ(RegisterProBarClass(state.instance), 1);
        ASSERT_EQ(RegisterTextClass(state.instance), 1);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = state.instance;
        wc.lpszClassName = "OwnerForTest";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    void TearDown() override {
        if (owner_)
            DestroyWindow(owner_);
        nv::user::SetPainter(nullptr);
        ProgramTest::TearDown();
    }
    HWND makeOwner(int w = 799, int h = 599) {
        owner_ = CreateWindowA("OwnerForTest", "Norvalk Driver Installation", WS_POPUP | WS_VISIBLE, 0, 0, w, h,
                               nullptr, nullptr, state.instance, nullptr);
        UpdateWindow(owner_);
        return owner_;
    }
    HWND child(const char* className) {
        for (HWND c = GetWindow(ProgressWindow(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            char name[32];
            GetClassNameA(c, name, sizeof name);
            if (std::strcmp(name, className) == 0)
                return c;
        }
        return nullptr;
    }
    // The bar's interior pixels of one row in the middle, as a string:
    // 'B' blue, 'W' white, '.' anything else.
    std::string barRow(int dy = -1) {
        nv::gdi::Surface s = nv::gdi::composeScreen();
        RECT r;
        GetWindowRect(child("probar"), &r);
        int y = dy < 0 ? (r.top + r.bottom) / 2 : r.top + dy;
        std::string row;
        for (int x = r.left; x < r.right; ++x) {
            COLORREF c = nv::gdi::toColorref(s.at(x, y));
            row.push_back(c == kBlue ? 'B' : c == kWhite ? 'W' : c == kBlack ? 'K' : '.');
        }
        return row;
    }
    HWND owner_ = nullptr;
};

TEST_F(Progress, BarSplitsAtItsShareAndGuardsTheRange) {
    HWND owner = makeOwner();
    HDC dc = OpenProgress(owner);
    ASSERT_NE(ProgressWindow(), nullptr);
    EXPECT_FALSE(IsWindowEnabled(owner));
    char caption[64];
    GetWindowTextA(ProgressWindow(), caption, sizeof caption);
    EXPECT_STREQ(caption, "");  // install mode

    // Range 0 counts as 1; nothing filled. Top row: frame only inside the edges.
    EXPECT_EQ(SetBarRange(0), 1);
    std::string top = barRow(0);
    EXPECT_EQ(top, std::string(top.size(), 'K'));
    std::string empty = barRow(2);
    EXPECT_EQ(empty.front(), 'K');
    EXPECT_EQ(empty.find('B'), std::string::npos) << empty;

    // Half way: blue up to the split (r * 2 / 4 + 1), white after it.
    SetBarRange(4);
    SetBarPos(2);
    std::string half = barRow(2);
    const int r = static_cast<int>(half.size()) - 1;
    const int split = r * 2 / 4 + 1;
    EXPECT_EQ(half.substr(1, split - 1), std::string(split - 1, 'B')) << half;
    EXPECT_EQ(half.substr(split, r - split), std::string(r - split, 'W')) << half;

    // Every step done: all blue; more steps than the range stay at the edge.
    StepBar(1);
    StepBar(1);
    std::string full = barRow(2);
    EXPECT_EQ(full.substr(1, r - 1), std::string(r - 1, 'B')) << full;
    StepBar(3);
    EXPECT_EQ(barRow(2), full);
    // The digits change colour exactly at the split: white on blue, blue on white.
    SetBarPos(2);
    std::string middle = barRow();
    EXPECT_NE(middle.substr(1, split - 1).find('W'), std::string::npos) << middle;
    EXPECT_NE(middle.substr(split, r - split).find('B'), std::string::npos) << middle;

    CloseProgress(owner, dc);
    EXPECT_TRUE(IsWindowEnabled(owner));
    // The controls are gone with their window: nothing is sent any more.
    EXPECT_EQ(SetBarRange(3), 0);
    EXPECT_EQ(StepBar(1), 0);
    EXPECT_EQ(RedrawStatus(), 0);
    EXPECT_EQ(ShowStatus(), 0);
}

TEST_F(Progress, BarWordsWrapAt16Bits) {
    HWND owner = makeOwner();
    HDC dc = OpenProgress(owner);
    HWND bar = child("probar");
    SetBarRange(10);
    SetBarPos(65535);
    StepBar(2);
    EXPECT_EQ(GetWindowWord(bar, 2), 1);
    EXPECT_EQ(GetWindowWord(bar, 0), 10);
    CloseProgress(owner, dc);
}

TEST_F(Progress, StatusLineShowsLabelAndWipesLongerNames) {
    HWND owner = makeOwner();
    HDC dc = OpenProgress(owner);
    HWND status = child("text");
    ASSERT_NE(status, nullptr);
    auto inked = [&] {
        nv::gdi::Surface s = nv::gdi::composeScreen();
        RECT r;
        GetWindowRect(status, &r);
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                count += nv::gdi::toColorref(s.at(x, y)) == kBlack;
        return count;
    };
    std::strcpy(state.statusFileName, "A_VERY_LONG_NAME_OF_FORTY_OR_MORE_LETTERS.DLL");
    EXPECT_EQ(RedrawStatus(), 1);
    int longName = inked();
    std::strcpy(state.statusFileName, "X.DLL");
    RedrawStatus();
    int shortName = inked();
    EXPECT_GT(longName, shortName);  // the long name is wiped
    std::strcpy(state.statusFileName, "");
    RedrawStatus();
    int labelOnly = inked();
    EXPECT_GT(shortName, labelOnly);
    EXPECT_GT(labelOnly, 50);  // "Copying   " stays
    CloseProgress(owner, dc);
}

TEST_F(Progress, UninstallCaption) {
    state.operationMode = 1;
    HWND owner = makeOwner();
    HDC dc = OpenProgress(owner);
    char caption[64];
    GetWindowTextA(ProgressWindow(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Deleting  ...");
    CloseProgress(owner, dc);
}

TEST_F(Progress, CloseBoxSetsTheAbortFlag) {
    HWND owner = makeOwner();
    HDC dc = OpenProgress(owner);
    EXPECT_TRUE(AbortProc(nullptr, 0));  // nothing pending: go on
    PostMessageA(ProgressWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(AbortProc(nullptr, 0));
    EXPECT_EQ(ProgressWindow(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(SetBarRange(1), 0);
    EXPECT_FALSE(AbortProc(nullptr, 0));  // stays set for the rest of the run
    CloseProgress(owner, dc);
    EXPECT_TRUE(AbortProc(nullptr, 0));
    dc = OpenProgress(owner);
    EXPECT_TRUE(AbortProc(nullptr, 0));
    CloseProgress(owner, dc);
}

TEST_F(Progress, BackgroundGradientTitleAndVersion) {
    state.instVersionShown = 1;
    makeOwner(799, 599);
    nv::gdi::Surface s = nv::gdi::composeScreen();
    auto at = [&](int x, int y) { return nv::gdi::toColorref(s.at(x, y)); };
    // 599 rows: bands of 6, 99 of them, from blue 198 down to 2.
    EXPECT_EQ(at(2, 0), RGB(0, 0, 198));
    EXPECT_EQ(at(2, 6), RGB(0, 0, 196));
    EXPECT_EQ(at(2, 593), RGB(0, 0, 2));
    EXPECT_EQ(at(2, 594), RGB(0, 0, 0));
    // The title at y 44 - 5 (white letters) with black shadow pixels below.
    const int x0 = (799 - 638) / 2;
    int white = 0, black = 0;
    for (int y = 39; y < 39 + 107; ++y)
        for (int x = x0 + 65; x < x0 + 65 + 524; ++x) {
            white += at(x, y) == kWhite;
            black += at(x, y) == kBlack;
        }
    EXPECT_GT(white, 2000);
    EXPECT_GT(black, 200);
    // The version caption, white, right of the title's middle.
    int version = 0;
    for (int y = 120; y < 136; ++y)
        for (int x = x0 + 520; x < x0 + 600; ++x)
            version += at(x, y) == kWhite;
    EXPECT_GT(version, 20);
}

TEST_F(Progress, BackgroundTitleMovesWithTheWindowSize) {
    // The first white (letter) pixel of the title, for two window sizes.
    auto firstWhite = [&](int w, int h) {
        HWND owner = makeOwner(w, h);
        nv::gdi::Surface s = nv::gdi::composeScreen();
        POINT first = {9999, 9999};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (nv::gdi::toColorref(s.at(x, y)) == kWhite) {
                    first.x = std::min<LONG>(first.x, x);
                    first.y = std::min<LONG>(first.y, y);
                }
        DestroyWindow(owner);
        owner_ = nullptr;
        return first;
    };
    state.instVersionShown = 0;
    POINT tall = firstWhite(799, 599);
    POINT low = firstWhite(600, 480);
    // 480 rows or fewer: the title moves from y 44 up to y 15; a window
    // narrower than 638 pixels moves it left of x 65 ((600 - 638) / 2 = -19).
    EXPECT_EQ(tall.y - low.y, 44 - 15);
    EXPECT_EQ(tall.x - low.x, (799 - 638) / 2 - (600 - 638) / 2);
    // The low window's gradient: bands of 4 from blue 240 (the 121st, blue 0, lies below).
    HWND owner = makeOwner(600, 480);
    nv::gdi::Surface s = nv::gdi::composeScreen();
    EXPECT_EQ(nv::gdi::toColorref(s.at(0, 0)), RGB(0, 0, 240));
    EXPECT_EQ(nv::gdi::toColorref(s.at(0, 479)), RGB(0, 0, 2));
    (void)owner;
}
