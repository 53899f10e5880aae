// Windows and messages: creation and destruction sequences, the tree and
// z-order, rectangles, window data, posting, sending, broadcasts, the queue
// order, timers on the machine clock.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/user/MessageLog_test.h"

using nv::testing::MessageLog;
using nv::testing::messageName;
using nv::testing::sequenceIs;

namespace {

HINSTANCE kInst = reinterpret_cast<HINSTANCE>(0x400000);

// Logs the messages of interest with the window's title as the tag.
LRESULT CALLBACK LoggingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    char title[32] = "";
    if (msg != WM_GETTEXT && msg != WM_NCCREATE)
        DefWindowProcA(hwnd, WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title));
    std::string entry = std::string(title) + ":" + messageName(msg);
    if (msg == WM_TIMER || msg == WM_SHOWWINDOW || msg >= WM_USER || msg == WM_DEVMODECHANGE)
        entry += "(" + std::to_string(wParam) + ")";
    if (msg != WM_GETTEXT && msg != WM_GETTEXTLENGTH)
        MessageLog::current().add(entry);
    if (msg == WM_USER + 101) {
        // The chain: each stage posts the next one.
        if (wParam < 3)
            PostMessageA(hwnd, WM_USER + 101, wParam + 1, 0);
        else
            PostQuitMessage(7);
        return 0;
    }
    if (msg == WM_USER + 102)
        return 1234;
    if (msg == WM_TIMER && wParam == 2)
        KillTimer(hwnd, 2);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class WindowTest : public nv::testing::UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        WNDCLASSA wc{};
        wc.lpfnWndProc = LoggingProc;
        wc.hInstance = kInst;
        wc.cbWndExtra = 8;
        wc.lpszClassName = "LogClass";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    HWND make(const char* title, DWORD style = WS_OVERLAPPEDWINDOW, HWND parent = nullptr, int id = 0) {
        return CreateWindowExA(0, "LogClass", title, style, 10, 20, 300, 200, parent,
                               reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), kInst, nullptr);
    }
};

TEST_F(WindowTest, CreateShowAndDestroySendTheWindowsSequence) {
    HWND main = make("main");
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(),
                           {":WM_NCCREATE", "main:WM_CREATE", "main:WM_SIZE", "main:WM_MOVE"}));
    MessageLog::current().clear();
    ShowWindow(main, SW_SHOWNORMAL);
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_SHOWWINDOW", "WM_ACTIVATE", "WM_SETFOCUS"}),
                           {"main:WM_SHOWWINDOW(1)", "main:WM_ACTIVATE", "main:WM_SETFOCUS"}));
    EXPECT_EQ(GetFocus(), main);
    EXPECT_EQ(GetActiveWindow(), main);

    HWND child = make("child", WS_CHILD | WS_VISIBLE, main, 5);
    HWND grandchild = make("grand", WS_CHILD | WS_VISIBLE, child, 6);
    MessageLog::current().clear();
    EXPECT_TRUE(DestroyWindow(main));
    // Destruction: WM_DESTROY parent first, WM_NCDESTROY children first.
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_DESTROY", "WM_NCDESTROY"}),
                           {"main:WM_DESTROY", "child:WM_DESTROY", "grand:WM_DESTROY", "grand:WM_NCDESTROY",
                            "child:WM_NCDESTROY", "main:WM_NCDESTROY"}));
    EXPECT_FALSE(IsWindow(main));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(IsWindow(grandchild));
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowTest, TreeOrderRectanglesAndData) {
    HWND main = make("main", WS_POPUP | WS_CAPTION);
    HWND a = make("a", WS_CHILD, main, 1);
    HWND b = make("b", WS_CHILD, main, 2);
    HWND c = make("c", WS_CHILD, main, 3);
    // Children keep creation order, as the dialog manager relies on.
    EXPECT_EQ(GetWindow(main, GW_CHILD), a);
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
    EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetWindow(c, GW_HWNDPREV), b);
    BringWindowToTop(c);
    EXPECT_EQ(GetTopWindow(main), c);
    EXPECT_EQ(GetParent(b), main);
    EXPECT_TRUE(IsChild(main, b));

    RECT wr, cr;
    GetWindowRect(main, &wr);
    GetClientRect(main, &cr);
    EXPECT_EQ(wr.left, 10);
    EXPECT_EQ(wr.top, 20);
    // Caption frame: 3-pixel dialog frame, 18-pixel caption.
    EXPECT_EQ(cr.right, 300 - 6);
    EXPECT_EQ(cr.bottom, 200 - 6 - 18);
    POINT p{0, 0};
    ClientToScreen(a, &p);
    EXPECT_EQ(p.x, 10 + 3 + 10);
    EXPECT_EQ(p.y, 20 + 3 + 18 + 20);
    ScreenToClient(main, &p);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 20);
    POINT q{1, 1};
    MapWindowPoints(a, main, &q, 1);
    EXPECT_EQ(q.x, 11);

    EXPECT_EQ(GetWindowLongA(b, GWL_ID), 2);
    EXPECT_EQ(GetWindowLongA(b, GWL_STYLE) & WS_CHILD, static_cast<LONG>(WS_CHILD));
    SetWindowLongA(main, GWL_USERDATA, 77);
    EXPECT_EQ(GetWindowLongA(main, GWL_USERDATA), 77);
    EXPECT_EQ(SetWindowLongA(main, 4, 0x12345678), 0);
    EXPECT_EQ(GetWindowLongA(main, 4), 0x12345678);
    EXPECT_EQ(GetWindowWord(main, 4), 0x5678);
    // Past the extra bytes: an error, not a read past the end.
    SetLastError(0);
    EXPECT_EQ(GetWindowLongA(main, 6), 0);
    EXPECT_EQ(GetLastError(), 1413u);

    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(GetWindowTextA(main, buf, 5), 4);
    EXPECT_STREQ(buf, "main");
    EXPECT_EQ(GetWindowTextA(main, buf, 4), 3);  // one short: cut, still terminated
    EXPECT_STREQ(buf, "mai");
    EXPECT_EQ(FindWindowA("LOGCLASS", nullptr), main);
    EXPECT_EQ(FindWindowA("LogClass", "nothing"), nullptr);
}

TEST_F(WindowTest, PostedChainRunsInOrderAndQuitEndsTheLoop) {
    HWND main = make("main");
    MessageLog::current().clear();
    PostMessageA(main, WM_USER + 101, 0, 0);
    MSG msg;
    int loops = 0;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ASSERT_LT(++loops, 100);
    }
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_USER"}),
                           {"main:WM_USER+101(0)", "main:WM_USER+101(1)", "main:WM_USER+101(2)", "main:WM_USER+101(3)"}));
}

TEST_F(WindowTest, SendReturnsTheResultAndBroadcastReachesTopLevelWindowsOnly) {
    HWND one = make("one");
    HWND two = make("two", WS_POPUP);
    make("kid", WS_CHILD, one, 1);
    EXPECT_EQ(SendMessageA(two, WM_USER + 102, 0, 0), 1234);
    MessageLog::current().clear();
    SendMessageA(HWND_BROADCAST, WM_DEVMODECHANGE, 9, 0);
    auto got = MessageLog::current().only({"WM_DEVMODECHANGE"});
    std::sort(got.begin(), got.end());
    EXPECT_TRUE(sequenceIs(got, {"one:WM_DEVMODECHANGE(9)", "two:WM_DEVMODECHANGE(9)"}));
    SetLastError(0);
    EXPECT_EQ(SendMessageA(reinterpret_cast<HWND>(0x999), WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowTest, PeekHonoursRangesAndPaintComesAfterPostedMessages) {
    HWND main = make("main", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    PostMessageA(main, WM_USER + 5, 0, 0);
    PostMessageA(main, WM_DEVMODECHANGE, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_DEVMODECHANGE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_DEVMODECHANGE));
    // The window was shown: its paint is due once the posted messages are gone.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    DispatchMessageA(&msg);
    RECT r;
    EXPECT_FALSE(GetUpdateRect(main, &r, FALSE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    InvalidateRect(main, nullptr, TRUE);
    EXPECT_TRUE(GetUpdateRect(main, &r, FALSE));
    MessageLog::current().clear();
    UpdateWindow(main);
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_PAINT"}), {"main:WM_PAINT"}));
    EXPECT_FALSE(GetUpdateRect(main, &r, FALSE));
}

TEST_F(WindowTest, TimersFireOnTheMachineClockWithoutWaiting) {
    HWND main = make("main");
    DWORD start = GetTickCount();
    SetTimer(main, 1, 500, nullptr);
    SetTimer(main, 2, 1200, nullptr);  // killed at its first tick
    MessageLog::current().clear();
    MSG msg;
    std::vector<DWORD> ticks;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
        ticks.push_back(GetTickCount() - start);
        DispatchMessageA(&msg);
    }
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_TIMER"}),
                           {"main:WM_TIMER(1)", "main:WM_TIMER(1)", "main:WM_TIMER(2)", "main:WM_TIMER(1)"}));
    EXPECT_EQ(ticks, (std::vector<DWORD>{500, 1000, 1200, 1500}));
    EXPECT_TRUE(KillTimer(main, 1));
    EXPECT_FALSE(KillTimer(main, 2));
}

TEST_F(WindowTest, AWaitThatNothingCanEndStopsTheRunInsteadOfSpinning) {
    make("main");
    std::string why;
    nv::user::setStallHandler([&](const std::string& w) { why = w; });
    MSG msg;
    EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_NE(why.find("nothing can send"), std::string::npos) << why;
    EXPECT_TRUE(nv::user::halted());
}

TEST_F(WindowTest, ForeignWindowsOfTheMachineArePresent) {
    nv::machine::currentOrDie().settings().windows.push_back({"WLInstallWClass", "Norvalk"});
    nv::user::reset();
    HWND h = FindWindowA("WLInstallWClass", nullptr);
    ASSERT_NE(h, nullptr);
    char t[16];
    GetWindowTextA(h, t, sizeof t);
    EXPECT_STREQ(t, "Norvalk");
    // They take part in broadcasts like any window.
    EXPECT_EQ(SendMessageA(HWND_BROADCAST, WM_DEVMODECHANGE, 0, 0), 1);
}

TEST_F(WindowTest, DisablingTheFocusedWindowTakesTheFocusAway) {
    HWND main = make("main", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND kid = make("kid", WS_CHILD | WS_VISIBLE, main, 1);
    SetFocus(kid);
    EXPECT_EQ(GetFocus(), kid);
    EXPECT_FALSE(EnableWindow(kid, FALSE));  // was enabled
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_FALSE(IsWindowEnabled(kid));
    EXPECT_TRUE(EnableWindow(kid, TRUE));  // was disabled
}

}  // namespace
