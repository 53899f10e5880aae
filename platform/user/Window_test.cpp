// Windows and messages: creation and destruction sequences, the tree and
// z-order, rectangles, window data, posting, sending, broadcasts, the queue
// order, timers on the machine clock.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/user/MessageLog_test.h"

using nv::testing::MessageLog;
using nv::testing::messageName;
using nv::testing::MessageSequence;
using nv::testing::sequenceIs;

namespace {

// ---- expected sequences ----

const MessageSequence kCreateOverlapped{
    "CreateWindowExA of a hidden overlapped window",
    {":WM_NCCREATE", "main:WM_CREATE", "main:WM_SIZE", "main:WM_MOVE"}};
const MessageSequence kShowActivatesAndFocuses{
    "ShowWindow(SW_SHOWNORMAL), activation and focus only",
    {"main:WM_SHOWWINDOW(1)", "main:WM_ACTIVATE", "main:WM_SETFOCUS"}};
const MessageSequence kDestroyTree{
    "DestroyWindow of a window with a child and a grandchild, destruction only",
    {"main:WM_DESTROY", "child:WM_DESTROY", "grand:WM_DESTROY", "grand:WM_NCDESTROY", "child:WM_NCDESTROY",
     "main:WM_NCDESTROY"}};
const MessageSequence kPostedChain{
    "a chain of posted stages, each posting the next",
    {"main:WM_USER+101(0)", "main:WM_USER+101(1)", "main:WM_USER+101(2)", "main:WM_USER+101(3)"}};
const MessageSequence kTimersOnTheClock{
    "timers 1 (500 ms) and 2 (1200 ms, killed on its first tick)",
    {"main:WM_TIMER(1)", "main:WM_TIMER(1)", "main:WM_TIMER(2)", "main:WM_TIMER(1)"}};
const MessageSequence kDisableCancelsModes{
    "EnableWindow(FALSE) of the window holding the capture",
    {"main:WM_CANCELMODE", "main:WM_CAPTURECHANGED", "main:WM_ENABLE(0)"}};
const MessageSequence kCaptureMoves{
    "SetCapture(one), SetCapture(two), ReleaseCapture",
    {"one:WM_CAPTURECHANGED", "two:WM_CAPTURECHANGED"}};

HINSTANCE kInst = reinterpret_cast<HINSTANCE>(0x400000);

// Logs the messages of interest with the window's title as the tag.
LRESULT CALLBACK LoggingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    char title[32] = "";
    if (msg != WM_GETTEXT && msg != WM_NCCREATE)
        DefWindowProcA(hwnd, WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title));
    std::string entry = std::string(title) + ":" + messageName(msg);
    if (msg == WM_TIMER || msg == WM_SHOWWINDOW || msg >= WM_USER || msg == WM_DEVMODECHANGE || msg == WM_ENABLE)
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
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), kCreateOverlapped));
    MessageLog::current().clear();
    ShowWindow(main, SW_SHOWNORMAL);
    EXPECT_TRUE(
        sequenceIs(MessageLog::current().only({"WM_SHOWWINDOW", "WM_ACTIVATE", "WM_SETFOCUS"}), kShowActivatesAndFocuses));
    EXPECT_EQ(GetFocus(), main);
    EXPECT_EQ(GetActiveWindow(), main);

    HWND child = make("child", WS_CHILD | WS_VISIBLE, main, 5);
    HWND grandchild = make("grand", WS_CHILD | WS_VISIBLE, child, 6);
    MessageLog::current().clear();
    EXPECT_TRUE(DestroyWindow(main));
    // Destruction: WM_DESTROY parent first, WM_NCDESTROY children first.
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_DESTROY", "WM_NCDESTROY"}), kDestroyTree));
    EXPECT_FALSE(IsWindow(main));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(IsWindow(grandchild));
    EXPECT_EQ(GetFocus(), nullptr);
}

// Disabling a window releases the mouse capture that it or a child of it
// holds, as when a modal dialog disables its owner; others keep theirs.
TEST_F(WindowTest, DisablingAWindowReleasesItsCapture) {
    HWND main = make("main");
    HWND child = make("child", WS_CHILD | WS_VISIBLE, main, 5);
    HWND other = make("other");
    SetCapture(main);
    EnableWindow(main, FALSE);
    EXPECT_EQ(GetCapture(), nullptr);
    EnableWindow(main, TRUE);
    SetCapture(child);
    EnableWindow(main, FALSE);
    EXPECT_EQ(GetCapture(), nullptr);
    EnableWindow(main, TRUE);
    SetCapture(other);
    EnableWindow(main, FALSE);
    EXPECT_EQ(GetCapture(), other);
    ReleaseCapture();
}

// Windows tells a window that it is being disabled with WM_CANCELMODE first
// (its default handling gives up the capture), then WM_ENABLE.
TEST_F(WindowTest, DisablingSendsCancelModeBeforeEnable) {
    HWND main = make("main");
    SetCapture(main);
    MessageLog::current().clear();
    EnableWindow(main, FALSE);
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_CANCELMODE", "WM_CAPTURECHANGED", "WM_ENABLE"}),
                           kDisableCancelsModes));
    EXPECT_EQ(GetCapture(), nullptr);
}

// While a window holds the capture, the mouse is its own: a click meant for
// another window reaches the capture window, in its client coordinates.
TEST_F(WindowTest, MouseInputGoesToTheCaptureWindow) {
    HWND one = CreateWindowExA(0, "LogClass", "one", WS_POPUP | WS_VISIBLE, 100, 100, 50, 50, nullptr, nullptr, kInst,
                               nullptr);
    HWND two = CreateWindowExA(0, "LogClass", "two", WS_POPUP | WS_VISIBLE, 300, 200, 50, 50, nullptr, nullptr, kInst,
                               nullptr);
    SetCapture(one);
    nv::user::postInput(two, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6));
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, one);
    EXPECT_EQ(static_cast<short>(LOWORD(msg.lParam)), 205);
    EXPECT_EQ(static_cast<short>(HIWORD(msg.lParam)), 106);
    ReleaseCapture();
    nv::user::postInput(two, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, two);
    EXPECT_EQ(msg.lParam, MAKELPARAM(5, 6));
}

// A message box with no owner tells the active window to drop its modes, so
// the capture it held no longer takes the box's clicks.
HWND captureInBox = reinterpret_cast<HWND>(1);
LRESULT CALLBACK AnswerBoxHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_MESSAGEBOX) {
        captureInBox = GetCapture();
        EndDialog(FindWindowA("#32770", "Ownerless"), IDOK);
        return TRUE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(WindowTest, AnOwnerlessMessageBoxTakesTheCaptureFromTheActiveWindow) {
    HWND main = make("main", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_EQ(GetActiveWindow(), main);
    SetCapture(main);
    HHOOK hook = SetWindowsHookExA(WH_MSGFILTER, AnswerBoxHook, nullptr, 0);
    PostMessageA(main, WM_USER + 300, 0, 0);  // something for the box's loop to take
    MessageLog::current().clear();
    EXPECT_EQ(MessageBoxA(nullptr, "text", "Ownerless", MB_OK), IDOK);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(captureInBox, nullptr);
    EXPECT_EQ(MessageLog::current().only({"WM_CANCELMODE"}), std::vector<std::string>{"main:WM_CANCELMODE"});
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
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_USER"}), kPostedChain));
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
    // A posted broadcast waits in the queue like any posted message.
    MessageLog::current().clear();
    EXPECT_TRUE(PostMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0));
    EXPECT_TRUE(MessageLog::current().entries().empty());
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_FONTCHANGE, WM_FONTCHANGE, PM_REMOVE))
        DispatchMessageA(&msg);
    got = MessageLog::current().only({"WM_FONTCHANGE"});
    std::sort(got.begin(), got.end());
    EXPECT_TRUE(sequenceIs(got, {"one:WM_FONTCHANGE", "two:WM_FONTCHANGE"}));
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
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_TIMER"}), kTimersOnTheClock));
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

std::vector<std::string> gVisited;
BOOL CALLBACK Visit(HWND h, LPARAM stopAt) {
    char t[16] = "";
    GetWindowTextA(h, t, sizeof t);
    gVisited.push_back(t);
    return gVisited.size() != static_cast<size_t>(stopAt);
}

TEST_F(WindowTest, EnumChildWindowsVisitsEveryDescendantDepthFirstAndStopsWhenTold) {
    HWND main = make("main", WS_POPUP);
    HWND a = make("a", WS_CHILD, main, 1);
    make("a1", WS_CHILD, a, 11);
    make("a2", WS_CHILD, a, 12);
    HWND b = make("b", WS_CHILD, main, 2);
    make("other", WS_POPUP);
    gVisited.clear();
    EXPECT_TRUE(EnumChildWindows(main, Visit, 0));
    EXPECT_EQ(gVisited, (std::vector<std::string>{"a", "a1", "a2", "b"}));
    // FALSE from the callback ends the walk, and the call says so.
    gVisited.clear();
    EXPECT_FALSE(EnumChildWindows(main, Visit, 2));
    EXPECT_EQ(gVisited, (std::vector<std::string>{"a", "a1"}));
    // No parent: the top-level windows, as EnumWindows gives them.
    gVisited.clear();
    EnumChildWindows(nullptr, Visit, 0);
    EXPECT_NE(std::find(gVisited.begin(), gVisited.end(), "other"), gVisited.end());
    EXPECT_EQ(std::find(gVisited.begin(), gVisited.end(), "a1"), gVisited.end());
    // A window without children: the callback is never called.
    gVisited.clear();
    EXPECT_TRUE(EnumChildWindows(b, Visit, 0));
    EXPECT_TRUE(gVisited.empty());
}

TEST_F(WindowTest, CaptureMovesWithANoticeToTheWindowThatLosesIt) {
    HWND one = make("one", WS_POPUP | WS_VISIBLE);
    HWND two = make("two", WS_POPUP | WS_VISIBLE);
    MessageLog::current().clear();
    EXPECT_EQ(SetCapture(one), nullptr);
    EXPECT_EQ(GetCapture(), one);
    EXPECT_EQ(SetCapture(two), one);
    EXPECT_EQ(GetCapture(), two);
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(ReleaseCapture());  // nothing captured: still fine, no notice
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_CAPTURECHANGED"}), kCaptureMoves));
    // A destroyed window gives the capture up.
    SetCapture(one);
    DestroyWindow(one);
    EXPECT_EQ(GetCapture(), nullptr);

    // The cursor's state is the machine's: a fresh one starts shown, with none set.
    ShowCursor(FALSE);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    nv::user::reset();
    EXPECT_EQ(GetCursor(), nullptr);
    EXPECT_EQ(ShowCursor(TRUE), 1);
}

// ---- classes and window data ----

TEST_F(WindowTest, AClassWithWindowsCannotBeUnregisteredAndStaysUsable) {
    HWND main = make("main");
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(UnregisterClassA("LogClass", kInst));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
    WNDCLASSA info{};
    EXPECT_TRUE(GetClassInfoA(kInst, "LogClass", &info));
    HWND still = make("still");
    EXPECT_NE(still, nullptr);  // still registered: new windows of it come up
    DestroyWindow(main);
    DestroyWindow(still);
    // A child window of the class, under a window of another class, holds it too.
    HWND holder = CreateWindowExA(0, "Static", "holder", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, kInst, nullptr);
    ASSERT_NE(make("nested", WS_CHILD, holder, 2), nullptr);
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(UnregisterClassA("LogClass", kInst));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(holder);
    // Without windows it goes, once.
    SetLastError(0xDEADBEEF);
    EXPECT_TRUE(UnregisterClassA("logclass", kInst));
    EXPECT_FALSE(GetClassInfoA(kInst, "LogClass", &info));
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(UnregisterClassA("LogClass", kInst));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
    EXPECT_EQ(make("gone"), nullptr);
    // The system's classes stay.
    EXPECT_FALSE(UnregisterClassA("Button", nullptr));
    EXPECT_TRUE(GetClassInfoA(nullptr, "Button", &info));
}

LRESULT CALLBACK Refuser(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE)
        return -1;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(WindowTest, ClassesRegisterOnceAndUnknownOnesFail) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = LoggingProc;
    wc.hInstance = kInst;
    wc.lpszClassName = "logclass";  // the same name in another case
    SetLastError(0);
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

    WNDCLASSA info{};
    ASSERT_TRUE(GetClassInfoA(kInst, "LOGCLASS", &info));
    EXPECT_EQ(info.lpfnWndProc, LoggingProc);
    EXPECT_EQ(info.cbWndExtra, 8);
    ASSERT_TRUE(GetClassInfoA(nullptr, "button", &info));  // the system's own
    EXPECT_FALSE(GetClassInfoA(kInst, "NoSuchClass", &info));

    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", 0, 0, 0, 1, 1, nullptr, nullptr, kInst, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));

    // WM_CREATE returning -1 refuses the window: it is destroyed again.
    wc.lpfnWndProc = Refuser;
    wc.lpszClassName = "Refuser";
    ASSERT_NE(RegisterClassA(&wc), 0);
    EXPECT_EQ(CreateWindowExA(0, "Refuser", "x", 0, 0, 0, 1, 1, nullptr, nullptr, kInst, nullptr), nullptr);
    EXPECT_EQ(FindWindowA("Refuser", nullptr), nullptr);

    HWND w = make("w");
    char name[8];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(GetClassNameA(w, name, 4), 3);
    EXPECT_STREQ(name, "Log");
    EXPECT_FALSE(UnregisterClassA("LogClass", kInst));  // a window still uses it
    DestroyWindow(w);
    EXPECT_TRUE(UnregisterClassA("LogClass", kInst));
}

WNDPROC gOriginal = nullptr;
LRESULT CALLBACK Subclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_USER + 102)
        return 1 + CallWindowProcA(gOriginal, hwnd, msg, wParam, lParam);
    return CallWindowProcA(gOriginal, hwnd, msg, wParam, lParam);
}

TEST_F(WindowTest, SubclassingGoesThroughThePointerSizedSlot) {
    HWND w = make("w");
    // A procedure address does not fit 32 bits here: the LONG form refuses it.
    SetLastError(0);
    EXPECT_EQ(SetWindowLongA(w, GWL_WNDPROC, 0x1234), 0);
    EXPECT_EQ(GetLastError(), 1413u);
    gOriginal = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Subclass)));
    EXPECT_EQ(gOriginal, LoggingProc);
    EXPECT_EQ(SendMessageA(w, WM_USER + 102, 0, 0), 1235);
    SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gOriginal));
    EXPECT_EQ(SendMessageA(w, WM_USER + 102, 0, 0), 1234);
    // Extra bytes: words and longs at any offset inside, nothing outside.
    EXPECT_EQ(SetWindowWord(w, 6, 0xBEEF), 0);
    EXPECT_EQ(GetWindowWord(w, 6), 0xBEEF);
    EXPECT_EQ(GetWindowWord(w, 7), 0);
    EXPECT_EQ(GetLastError(), 1413u);
    EXPECT_EQ(GetWindowLongA(w, -100), 0);
}

TEST_F(WindowTest, MovingAndSizingSendTheirMessagesAndAdjustTheFrame) {
    HWND w = make("w", WS_POPUP | WS_CAPTION | WS_VISIBLE);
    MessageLog::current().clear();
    SetWindowPos(w, nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_WINDOWPOSCHANGED", "WM_MOVE", "WM_SIZE"}),
                           {"w:WM_WINDOWPOSCHANGED", "w:WM_MOVE"}));
    MessageLog::current().clear();
    MoveWindow(w, 50, 60, 400, 300, TRUE);
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_WINDOWPOSCHANGED", "WM_MOVE", "WM_SIZE"}),
                           {"w:WM_WINDOWPOSCHANGED", "w:WM_SIZE"}));
    MessageLog::current().clear();
    MoveWindow(w, 50, 60, 400, 300, TRUE);  // no change: no messages
    EXPECT_TRUE(MessageLog::current().entries().empty());

    RECT r{0, 0, 100, 50};
    AdjustWindowRectEx(&r, WS_CAPTION, FALSE, 0);
    EXPECT_EQ(r.left, -3);
    EXPECT_EQ(r.top, -21);
    EXPECT_EQ(r.right, 103);
    EXPECT_EQ(r.bottom, 53);
    RECT t{0, 0, 100, 50};
    AdjustWindowRectEx(&t, WS_OVERLAPPEDWINDOW, FALSE, 0);
    EXPECT_EQ(t.left, -4);  // a sizing frame
    RECT e{0, 0, 10, 10};
    AdjustWindowRectEx(&e, WS_CHILD, FALSE, WS_EX_CLIENTEDGE);
    EXPECT_EQ(e.left, -2);

    ShowWindow(w, SW_MAXIMIZE);
    EXPECT_TRUE(IsZoomed(w));
    RECT m;
    GetWindowRect(w, &m);
    EXPECT_EQ(m.right - m.left, GetSystemMetrics(SM_CXSCREEN));
    OpenIcon(w);
    EXPECT_FALSE(IsZoomed(w));
}

TEST_F(WindowTest, UpdateRegionsGrowShrinkAndSkipHiddenWindows) {
    HWND w = make("w", WS_POPUP | WS_VISIBLE);  // client 300 x 200
    UpdateWindow(w);
    RECT u;
    EXPECT_FALSE(GetUpdateRect(w, &u, FALSE));
    RECT a{10, 10, 20, 20}, b{50, 5, 60, 15};
    InvalidateRect(w, &a, FALSE);
    InvalidateRect(w, &b, FALSE);
    ASSERT_TRUE(GetUpdateRect(w, &u, FALSE));
    EXPECT_EQ(u.left, 10);
    EXPECT_EQ(u.top, 5);
    EXPECT_EQ(u.right, 60);
    EXPECT_EQ(u.bottom, 20);
    // A band across the whole update rectangle takes it off.
    RECT band{0, 0, 300, 10};
    ValidateRect(w, &band);
    ASSERT_TRUE(GetUpdateRect(w, &u, FALSE));
    EXPECT_EQ(u.top, 10);
    EXPECT_EQ(u.bottom, 20);
    // A rectangle in the middle does not: regions are kept as rectangles.
    RECT mid{20, 12, 30, 14};
    ValidateRect(w, &mid);
    EXPECT_TRUE(GetUpdateRect(w, &u, FALSE));
    ValidateRect(w, nullptr);
    EXPECT_FALSE(GetUpdateRect(w, &u, FALSE));
    // Invalidation past the client area is clipped to it.
    RECT big{-50, -50, 1000, 1000};
    InvalidateRect(w, &big, TRUE);
    ASSERT_TRUE(GetUpdateRect(w, &u, FALSE));
    EXPECT_EQ(u.left, 0);
    EXPECT_EQ(u.right, 300);
    ValidateRect(w, nullptr);

    HWND hidden = make("h", WS_POPUP);
    InvalidateRect(hidden, nullptr, TRUE);
    EXPECT_FALSE(GetUpdateRect(hidden, &u, FALSE));
    MessageLog::current().clear();
    UpdateWindow(hidden);
    EXPECT_TRUE(MessageLog::current().only({"WM_PAINT"}).empty());
    // A child of a window that is invalidated whole gets painted too.
    HWND kid = make("kid", WS_CHILD | WS_VISIBLE, w, 1);
    UpdateWindow(w);
    MessageLog::current().clear();
    InvalidateRect(w, nullptr, TRUE);
    UpdateWindow(w);
    EXPECT_TRUE(sequenceIs(MessageLog::current().only({"WM_PAINT"}), {"w:WM_PAINT", "kid:WM_PAINT"}));
    EXPECT_FALSE(GetUpdateRect(kid, &u, FALSE));
}

std::vector<std::string> gProcTicks;
void CALLBACK TickProc(HWND hwnd, UINT msg, UINT_PTR id, DWORD time) {
    gProcTicks.push_back(std::to_string(id) + "@" + std::to_string(time));
}

TEST_F(WindowTest, TimerProceduresAndThreadTimers) {
    HWND w = make("w");
    gProcTicks.clear();
    SetTimer(w, 7, 3, TickProc);  // raised to 10 ms
    UINT_PTR t1 = SetTimer(nullptr, 0, 25, TickProc);
    UINT_PTR t2 = SetTimer(nullptr, 0, 40, TickProc);
    EXPECT_NE(t1, 0u);
    EXPECT_NE(t1, t2);
    MSG msg;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(gProcTicks, (std::vector<std::string>{"7@10", "7@20", std::to_string(t1) + "@25", "7@30"}));
    // The window's procedure never saw them: the timer procedure took them.
    EXPECT_TRUE(MessageLog::current().only({"WM_TIMER"}).empty());
    // Resetting a timer restarts its period.
    SetTimer(w, 7, 100, TickProc);
    EXPECT_TRUE(KillTimer(nullptr, t1));
    EXPECT_TRUE(KillTimer(nullptr, t2));
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(GetTickCount(), 130u);
    // Destroying the window ends its timers.
    DestroyWindow(w);
    nv::user::setStallHandler([](const std::string&) {});
    EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
}

// ---- hooks ----

std::vector<std::string> gHookLog;
HHOOK gFirst = nullptr, gSecond = nullptr;
LRESULT CALLBACK FirstHook(int code, WPARAM w, LPARAM l) {
    gHookLog.push_back("first:" + std::to_string(code));
    return CallNextHookEx(gFirst, code, w, l);
}
LRESULT CALLBACK SecondHook(int code, WPARAM w, LPARAM l) {
    gHookLog.push_back("second:" + std::to_string(code));
    auto* m = reinterpret_cast<MSG*>(l);
    if (m->wParam == VK_F3)
        return 1;
    return CallNextHookEx(gSecond, code, w, l);
}

TEST_F(WindowTest, MessageFilterHooksChainNewestFirst) {
    gHookLog.clear();
    gFirst = SetWindowsHookExA(WH_MSGFILTER, FirstHook, nullptr, 0);
    gSecond = SetWindowsHookExA(WH_MSGFILTER, SecondHook, nullptr, 0);
    ASSERT_NE(gFirst, nullptr);
    MSG m{};
    m.message = WM_KEYDOWN;
    m.wParam = VK_F3;
    EXPECT_TRUE(CallMsgFilterA(&m, MSGF_DIALOGBOX));  // swallowed by the newest
    m.wParam = VK_F2;
    EXPECT_FALSE(CallMsgFilterA(&m, MSGF_MESSAGEBOX));
    EXPECT_EQ(gHookLog, (std::vector<std::string>{"second:0", "second:1", "first:1"}));
    EXPECT_TRUE(UnhookWindowsHook(WH_MSGFILTER, SecondHook));
    EXPECT_FALSE(UnhookWindowsHook(WH_MSGFILTER, SecondHook));
    gHookLog.clear();
    m.wParam = VK_F3;
    EXPECT_FALSE(CallMsgFilterA(&m, MSGF_DIALOGBOX));
    EXPECT_EQ(gHookLog, (std::vector<std::string>{"first:0"}));
    EXPECT_TRUE(UnhookWindowsHookEx(gFirst));
    EXPECT_FALSE(UnhookWindowsHookEx(gFirst));
    // Only the message-filter hook exists on this machine.
    EXPECT_EQ(SetWindowsHookExA(WH_KEYBOARD, FirstHook, nullptr, 0), nullptr);
}

}  // namespace
