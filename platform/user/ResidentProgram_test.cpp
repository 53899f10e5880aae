// Resident programs: hosted by window class on each machine that runs them,
// reached through the ordinary message calls, started and stopped with the
// machine's window manager.
#include <windows.h>

#include <string>

#include "platform/user/MessageLog_test.h"
#include "platform/user/ResidentProgram.h"

using nv::testing::MessageLog;
using nv::testing::sequenceIs;

namespace {

constexpr UINT kAsk = WM_USER + 7;

LRESULT CALLBACK ResidentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE)
        MessageLog::current().add("Resident:WM_CREATE");
    if (msg == WM_DESTROY)
        MessageLog::current().add("Resident:WM_DESTROY");
    if (msg == kAsk)
        return static_cast<LRESULT>(wParam * 2);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class ResidentProgramTest : public nv::testing::UserTest {
protected:
    void SetUp() override {
        nv::user::ResidentProgram p;
        p.className = "TestResident";
        p.title = "Test Resident";
        p.proc = ResidentProc;
        p.wndExtra = 4;
        // Runs where the machine's Program Manager setting says so, as Program Manager would.
        p.runs = [](const nv::machine::Machine& m) { return m.settings().progmanRunning; };
        p.start = [](HWND) { MessageLog::current().add("Resident:start"); };
        p.stop = [](HWND h) {
            MessageLog::current().add(IsWindow(h) ? "Resident:stop" : "Resident:stop-without-window");
        };
        nv::user::registerResidentProgram(std::move(p));
        UserTest::SetUp();
    }
    void TearDown() override {
        UserTest::TearDown();
        nv::user::unregisterResidentProgram("TestResident");
    }
};

TEST_F(ResidentProgramTest, RunsInTheMessageSystemOfTheMachineThatRunsIt) {
    HWND h = FindWindowA("TestResident", nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h, nv::user::residentWindow("TestResident"));
    char title[32] = "";
    GetWindowTextA(h, title, sizeof title);
    EXPECT_STREQ(title, "Test Resident");
    EXPECT_EQ(SendMessageA(h, kAsk, 21, 0), 42);
    EXPECT_EQ(GetWindowLongA(h, 0), 0);  // its window extra bytes are there
    // Its procedure answers posted messages through the one queue too.
    EXPECT_TRUE(PostMessageA(h, WM_USER + 8, 0, 0));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, h);
}

TEST_F(ResidentProgramTest, StopsBeforeItsWindowGoesAndStartsAfreshOnReset) {
    MessageLog::current().clear();
    nv::user::reset();
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(),
                           {"Resident:stop", "Resident:WM_CREATE", "Resident:start"}));
    // Destroyed by someone else: stopped first, once.
    MessageLog::current().clear();
    HWND h = FindWindowA("TestResident", nullptr);
    ASSERT_TRUE(DestroyWindow(h));
    EXPECT_EQ(nv::user::residentWindow("TestResident"), nullptr);
    nv::user::reset();
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(),
                           {"Resident:stop", "Resident:WM_DESTROY", "Resident:WM_CREATE", "Resident:start"}));
}

TEST_F(ResidentProgramTest, AMachineThatDoesNotRunItHasNoWindowOfIt) {
    nv::machine::currentOrDie().settings().progmanRunning = false;
    nv::user::reset();
    EXPECT_EQ(FindWindowA("TestResident", nullptr), nullptr);
    EXPECT_EQ(nv::user::residentWindow("TestResident"), nullptr);
}

TEST_F(ResidentProgramTest, AWindowOfTheMachinesSettingsWithItsClassIsTheProgramsWindow) {
    auto& settings = nv::machine::currentOrDie().settings();
    settings.windows.push_back({"TestResident", "Resident from the settings"});
    settings.windows.push_back({"InertClass", "Inert"});
    nv::user::reset();
    HWND h = FindWindowA("TestResident", nullptr);
    ASSERT_NE(h, nullptr);
    int copies = 0;
    EnumWindows(
        [](HWND w, LPARAM n) -> BOOL {
            char cls[32] = "";
            GetClassNameA(w, cls, sizeof cls);
            if (std::string(cls) == "TestResident")
                ++*reinterpret_cast<int*>(n);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&copies));
    EXPECT_EQ(copies, 1);  // one window, not an inert one beside it
    EXPECT_EQ(FindWindowA(nullptr, "Resident from the settings"), h);
    EXPECT_EQ(SendMessageA(h, kAsk, 5, 0), 10);
    // Windows of programs the stand-in does not host stay inert.
    HWND inert = FindWindowA("InertClass", nullptr);
    ASSERT_NE(inert, nullptr);
    EXPECT_EQ(SendMessageA(inert, kAsk, 5, 0), 0);
}

TEST_F(ResidentProgramTest, ReplacingOrDetachingTheMachineStopsItWhileTheWindowStillExists) {
    HWND first = FindWindowA("TestResident", nullptr);
    ASSERT_NE(first, nullptr);
    MessageLog::current().clear();
    {
        nv::testing::TempMachine other;  // replaces the fixture's machine
        EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), {"Resident:stop"}));
        // The new machine runs a copy of its own.
        HWND second = FindWindowA("TestResident", nullptr);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(SendMessageA(second, kAsk, 1, 0), 2);
        MessageLog::current().clear();
    }
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), {"Resident:stop"}));
}

}  // namespace
