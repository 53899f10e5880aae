// Whole DDE conversations with Program Manager's window, as a client holds
// them: initiate, several executes, terminate, and each fault setting. The
// client records what it receives; each case compares with a named list.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>

#include "DdeClient.h"
#include "TempMachine.h"
#include "platform/progman/GroupStore.h"
#include "platform/progman/ProgmanWindow.h"
#include "platform/user/MessageLog_test.h"
#include "platform/user/WindowManager.h"

namespace fs = std::filesystem;
using nv::testing::MessageLog;
using nv::testing::sequenceIs;

namespace {

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

class DdeConversation : public ::testing::Test {
protected:
    void SetUp() override {
        nv::progman::registerProgramManager();
        nv::user::reset();  // no windows of an earlier test's machine
        MessageLog::current().clear();
        tm.put('C', "WINDOWS/NOTEPAD.EXE", "notepad");
        fs::create_directories(tm.host('C', "WINDOWS/Start Menu/Programs"));
    }
    // Program Manager starts with the window manager, as the settings say.
    void startServer() {
        nv::user::reset();
        progman = nv::progman::programManagerWindow();
    }
    void setting(std::string_view key, std::string_view value) { ASSERT_EQ(tm.setting(key, value), "") << key; }
    const std::vector<std::string>& log() const { return MessageLog::current().entries(); }

    nv::testing::TempMachine tm;
    HWND progman = nullptr;
};

TEST_F(DdeConversation, InitiateSeveralExecutesTerminate) {
    startServer();
    ASSERT_NE(progman, nullptr);
    EXPECT_EQ(FindWindowA("Progman", nullptr), progman);
    nv::testing::DdeClient client;
    client.initiate();
    ASSERT_EQ(client.server(), progman);
    client.execute("[CreateGroup(Norvalk QS-8000)][ShowGroup(Norvalk QS-8000,1)]");
    client.execute("[AddItem(C:\\WINDOWS\\NOTEPAD.EXE C:\\WINDOWS\\README.TXT,Read me,,0)]");
    client.execute("[DeleteItem(Nothing here)]");
    client.execute("[AddItem(C:\\WINDOWS\\NOTEPAD.EXE");
    client.execute("[ExitProgman(1)]");
    client.terminate();
    EXPECT_TRUE(sequenceIs(log(), kConversation));
    EXPECT_TRUE(fs::exists(tm.host('C', "WINDOWS/Start Menu/Programs/Norvalk QS-8000/Read me.lnk")));
    EXPECT_TRUE(IsWindow(progman));
    // The initiation's atoms were all given back.
    EXPECT_EQ(GlobalFindAtomA("PROGMAN"), 0);
}

TEST_F(DdeConversation, AbsentProgramManagerAnswersNothing) {
    setting("progman", "0");
    startServer();
    EXPECT_EQ(progman, nullptr);
    EXPECT_EQ(FindWindowA("Progman", nullptr), nullptr);
    nv::testing::DdeClient client;
    client.initiate();
    EXPECT_EQ(client.server(), nullptr);
    EXPECT_TRUE(sequenceIs(log(), kNoServer));
}

TEST_F(DdeConversation, NeverAcknowledgingLeavesTheWaitToTheTimer) {
    setting("progmanFault", "noack");
    startServer();
    nv::testing::DdeClient client;
    client.initiate();
    client.execute("[CreateGroup(Norvalk)]");
    EXPECT_TRUE(sequenceIs(log(), kNeverAcknowledged));
    EXPECT_FALSE(fs::exists(tm.host('C', "WINDOWS/Start Menu/Programs/Norvalk")));
    client.freeUnanswered();
}

TEST_F(DdeConversation, DelayedAcknowledgementComesInMachineTime) {
    setting("progmanFault", "delay,500");
    startServer();
    nv::testing::DdeClient client;
    client.initiate();
    DWORD before = GetTickCount();
    client.execute("[CreateGroup(Norvalk)]");
    EXPECT_GE(GetTickCount() - before, 500u);
    EXPECT_LT(GetTickCount() - before, 2000u);
    EXPECT_EQ(MessageLog::current().entries().back(), "client:WM_DDE_ACK(0x8000, own block)");
    EXPECT_TRUE(fs::is_directory(tm.host('C', "WINDOWS/Start Menu/Programs/Norvalk")));

    MessageLog::current().clear();
    MessageLog::current().add("client:WM_DDE_ACK(initiate PROGMAN PROGMAN)");
    setting("progmanFault", "Delay,3000");  // later than the installer waits
    client.execute("[DeleteGroup(Norvalk)]");
    client.wait();  // the late answer still arrives
    EXPECT_TRUE(sequenceIs(log(), kAcknowledgedLate));
    EXPECT_FALSE(fs::exists(tm.host('C', "WINDOWS/Start Menu/Programs/Norvalk")));
}

TEST_F(DdeConversation, ClosingInTheMiddleLeavesNoWindow) {
    setting("progmanFault", "close,2");
    startServer();
    nv::testing::DdeClient client;
    client.initiate();
    client.execute("[CreateGroup(Norvalk)]");
    client.execute("[AddItem(C:\\WINDOWS\\NOTEPAD.EXE)]");
    EXPECT_FALSE(IsWindow(progman));
    EXPECT_EQ(FindWindowA("Progman", nullptr), nullptr);
    EXPECT_TRUE(sequenceIs(log(), kClosedAtSecondExecute));
    client.freeUnanswered();
}

TEST_F(DdeConversation, AWindowClosedNormallyTerminatesItsConversations) {
    startServer();
    nv::testing::DdeClient client;
    client.initiate();
    DestroyWindow(progman);
    client.wait();
    EXPECT_TRUE(sequenceIs(log(), kClosedNormally));
}

}  // namespace
