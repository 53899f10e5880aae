// Whole DDE conversations with Program Manager's window, as a client holds
// them: initiate, several executes, terminate, and each fault setting. The
// client records what it receives; each case compares with a named list.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>

#include "TempMachine.h"
#include "platform/progman/GroupStore.h"
#include "platform/progman/ProgmanWindow.h"
#include "platform/user/MessageLog_test.h"
#include "platform/user/WindowManager.h"

namespace fs = std::filesystem;
using nv::testing::MessageLog;
using nv::testing::sequenceIs;

namespace {

constexpr UINT_PTR kWaitTimer = 30;

// What the client saw, one entry per message.
const std::vector<std::string> kConversation = {
    "client:WM_DDE_ACK(initiate PROGMAN PROGMAN)",
    "client:WM_DDE_ACK(0x8000, own block)",  // CreateGroup and ShowGroup
    "client:WM_DDE_ACK(0x8000, own block)",  // AddItem
    "client:WM_DDE_ACK(0x0, own block)",     // DeleteItem of an item that is not there
    "client:WM_DDE_ACK(0x0, own block)",     // a malformed command
    "client:WM_DDE_ACK(0x8000, own block)",  // ExitProgman
    "client:WM_DDE_TERMINATE",
};
const std::vector<std::string> kNoServer = {};
const std::vector<std::string> kNeverAcknowledged = {
    "client:WM_DDE_ACK(initiate PROGMAN PROGMAN)",
    "client:WM_TIMER(30)",
};
const std::vector<std::string> kAcknowledgedLate = {
    "client:WM_DDE_ACK(initiate PROGMAN PROGMAN)",
    "client:WM_TIMER(30)",
    "client:WM_DDE_ACK(0x8000, own block)",
};
const std::vector<std::string> kClosedAtSecondExecute = {
    "client:WM_DDE_ACK(initiate PROGMAN PROGMAN)",
    "client:WM_DDE_ACK(0x8000, own block)",
    "client:WM_TIMER(30)",
};
const std::vector<std::string> kClosedNormally = {
    "client:WM_DDE_ACK(initiate PROGMAN PROGMAN)",
    "client:WM_DDE_TERMINATE",
};

HWND gServer = nullptr;
HGLOBAL gBlock = nullptr;
bool gAnswered = false;

std::string atomName(ATOM a) {
    char buf[64] = {};
    GlobalGetAtomNameA(a, buf, sizeof buf);
    return buf;
}

LRESULT CALLBACK ClientProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto& log = MessageLog::current();
    switch (msg) {
    case WM_DDE_ACK:
        if (!gServer) {
            gServer = reinterpret_cast<HWND>(wParam);
            ATOM app = LOWORD(lParam), topic = HIWORD(lParam);
            log.add("client:WM_DDE_ACK(initiate " + atomName(app) + " " + atomName(topic) + ")");
            GlobalDeleteAtom(app);  // the server's atoms are the client's to delete
            GlobalDeleteAtom(topic);
        } else {
            UINT_PTR status = 0, block = 0;
            UnpackDDElParam(WM_DDE_ACK, lParam, &status, &block);
            FreeDDElParam(WM_DDE_ACK, lParam);
            char text[48];
            std::snprintf(text, sizeof text, "0x%X, %s", static_cast<unsigned>(status & 0xFFFF),
                          reinterpret_cast<HGLOBAL>(block) == gBlock ? "own block" : "other block");
            log.add(std::string("client:WM_DDE_ACK(") + text + ")");
            GlobalFree(reinterpret_cast<HGLOBAL>(block));
            gAnswered = true;
        }
        return 0;
    case WM_DDE_TERMINATE:
        log.add("client:WM_DDE_TERMINATE");
        gAnswered = true;
        return 0;
    case WM_TIMER:
        log.add("client:WM_TIMER(" + std::to_string(wParam) + ")");
        gAnswered = true;
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

class DdeConversation : public ::testing::Test {
protected:
    void SetUp() override {
        nv::user::reset();  // no windows of an earlier test's machine
        gServer = nullptr;
        gBlock = nullptr;
        MessageLog::current().clear();
        tm.put('C', "WINDOWS/NOTEPAD.EXE", "notepad");
        fs::create_directories(tm.host('C', "WINDOWS/Start Menu/Programs"));
    }
    void startServer() { progman = nv::progman::startProgramManager(); }
    void startClient() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ClientProc;
        wc.hInstance = reinterpret_cast<HINSTANCE>(uintptr_t{0x400000});
        wc.lpszClassName = "DdeTestClient";
        RegisterClassA(&wc);
        client = CreateWindowExA(0, "DdeTestClient", "", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(client, nullptr);
    }
    void initiate() {
        ATOM app = GlobalAddAtomA("PROGMAN"), topic = GlobalAddAtomA("PROGMAN");
        SendMessageA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(client), MAKELPARAM(app, topic));
        GlobalDeleteAtom(app);
        GlobalDeleteAtom(topic);
    }
    // Posts one execute and waits, as the installer does, for its answer or
    // the 2000 ms timer.
    void execute(const char* commands) {
        size_t n = std::strlen(commands) + 1;
        gBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, n);
        std::memcpy(GlobalLock(gBlock), commands, n);
        GlobalUnlock(gBlock);
        ASSERT_TRUE(PostMessageA(gServer, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(client),
                                 PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(gBlock))));
        waitForAnswer();
    }
    void waitForAnswer() {
        gAnswered = false;
        SetTimer(client, kWaitTimer, 2000, nullptr);
        MSG m;
        while (!gAnswered && GetMessageA(&m, nullptr, 0, 0))
            DispatchMessageA(&m);
        KillTimer(client, kWaitTimer);
    }
    void terminate() {
        PostMessageA(gServer, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client), 0);
        waitForAnswer();
    }
    nv::progman::Faults& faults() { return nv::progman::faultsOf(tm.machine()); }

    nv::testing::TempMachine tm;
    HWND progman = nullptr;
    HWND client = nullptr;
};

TEST_F(DdeConversation, InitiateSeveralExecutesTerminate) {
    startServer();
    ASSERT_NE(progman, nullptr);
    EXPECT_EQ(FindWindowA("Progman", nullptr), progman);
    startClient();
    initiate();
    ASSERT_EQ(gServer, progman);
    execute("[CreateGroup(Norvalk QS-8000)][ShowGroup(Norvalk QS-8000,1)]");
    execute("[AddItem(C:\\WINDOWS\\NOTEPAD.EXE C:\\WINDOWS\\README.TXT,Read me,,0)]");
    execute("[DeleteItem(Nothing here)]");
    execute("[AddItem(C:\\WINDOWS\\NOTEPAD.EXE");
    execute("[ExitProgman(1)]");
    terminate();
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), kConversation));
    EXPECT_TRUE(fs::exists(tm.host('C', "WINDOWS/Start Menu/Programs/Norvalk QS-8000/Read me.lnk")));
    EXPECT_TRUE(IsWindow(progman));
    // The initiation's atoms were all given back.
    EXPECT_EQ(GlobalFindAtomA("PROGMAN"), 0);
}

TEST_F(DdeConversation, AbsentProgramManagerAnswersNothing) {
    tm.machine().settings().progmanRunning = false;
    startServer();
    EXPECT_EQ(progman, nullptr);
    EXPECT_EQ(FindWindowA("Progman", nullptr), nullptr);
    startClient();
    initiate();
    EXPECT_EQ(gServer, nullptr);
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), kNoServer));
}

TEST_F(DdeConversation, NeverAcknowledgingLeavesTheWaitToTheTimer) {
    faults().mode = nv::progman::Faults::Mode::NoAck;
    startServer();
    startClient();
    initiate();
    execute("[CreateGroup(Norvalk)]");
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), kNeverAcknowledged));
    EXPECT_FALSE(fs::exists(tm.host('C', "WINDOWS/Start Menu/Programs/Norvalk")));
    GlobalFree(gBlock);
}

TEST_F(DdeConversation, DelayedAcknowledgementComesInMachineTime) {
    faults().mode = nv::progman::Faults::Mode::Delay;
    faults().delayMs = 500;
    startServer();
    startClient();
    initiate();
    DWORD before = GetTickCount();
    execute("[CreateGroup(Norvalk)]");
    EXPECT_GE(GetTickCount() - before, 500u);
    EXPECT_LT(GetTickCount() - before, 2000u);
    EXPECT_EQ(MessageLog::current().entries().back(), "client:WM_DDE_ACK(0x8000, own block)");
    EXPECT_TRUE(fs::is_directory(tm.host('C', "WINDOWS/Start Menu/Programs/Norvalk")));

    MessageLog::current().clear();
    MessageLog::current().add("client:WM_DDE_ACK(initiate PROGMAN PROGMAN)");
    faults().delayMs = 3000;  // later than the installer waits
    execute("[DeleteGroup(Norvalk)]");
    waitForAnswer();  // the late answer still arrives
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), kAcknowledgedLate));
    EXPECT_FALSE(fs::exists(tm.host('C', "WINDOWS/Start Menu/Programs/Norvalk")));
}

TEST_F(DdeConversation, ClosingInTheMiddleLeavesNoWindow) {
    faults().mode = nv::progman::Faults::Mode::Close;
    faults().closeAtExecute = 2;
    startServer();
    startClient();
    initiate();
    execute("[CreateGroup(Norvalk)]");
    execute("[AddItem(C:\\WINDOWS\\NOTEPAD.EXE)]");
    EXPECT_FALSE(IsWindow(progman));
    EXPECT_EQ(FindWindowA("Progman", nullptr), nullptr);
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), kClosedAtSecondExecute));
    GlobalFree(gBlock);
}

TEST_F(DdeConversation, AWindowClosedNormallyTerminatesItsConversations) {
    startServer();
    startClient();
    initiate();
    DestroyWindow(progman);
    waitForAnswer();
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), kClosedNormally));
}

}  // namespace
