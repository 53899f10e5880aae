// The group conversation with the machine's Program Manager: every command
// string in order, the groups and links it leaves, the limits of the fields,
// and each way Program Manager can fail the conversation without holding the
// run.
#include "progman/ProgramGroups.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "CommandRun.h"
#include "MessageSequence.h"
#include "ProgramTest.h"
#include "platform/progman/ProgmanWindow.h"
#include "shared/BoundedText.h"

using nv::testing::MessageSequence;
using nv::testing::ProgramTest;
using nv::testing::sequenceIs;
namespace fs = std::filesystem;

namespace {

// What Program Manager's window is given to execute, in order.
std::vector<std::string> received;
std::vector<std::string> receivedEnabled;  // the commands that came while its window took input
WNDPROC serverProc = nullptr;

LRESULT CALLBACK RecordExecutes(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DDE_EXECUTE) {
        auto* text = static_cast<const char*>(GlobalLock(reinterpret_cast<HGLOBAL>(lParam)));
        received.push_back(text ? text : "(no block)");
        if (IsWindowEnabled(hwnd))
            receivedEnabled.push_back(received.back());
        GlobalUnlock(reinterpret_cast<HGLOBAL>(lParam));
    }
    return CallWindowProcA(serverProc, hwnd, msg, wParam, lParam);
}

const char kInf[] =
    "[PROGMAN.GROUPS.ENU]\n"
    "Norvalk_Printer_Tools.ENU, NVTOOLS.GRP\n"  // its group file exists: built from it
    "Norvalk_Fonts.ENU\n"                       // no file: deleted first
    "Other_Group.ENU, MISSING.GRP\n"            // file named but absent: deleted first
    "NoDot_Group\n"
    "\n"
    "[Norvalk_Printer_Tools.ENU]\n"
    "\"Status Monitor\", 5SYS:QSSTAT.EXE, , 5SYS:QSSTAT.EXE, 12abc\n"
    "\"Printer Help\", 7ANY:WINHELP.EXE, 3SYS:QS8000.HLP, 5SYS:NOICON.ICO, 2\n"
    "\"Read Me\", 7ANY:NOTEPAD.EXE, 3SYS:NOREADME.TXT\n"  // argument missing: left out
    "\"Uninstall\", 6PRG:ANYTHING.EXE, 2WIN:QS8000.INI, 6PRG:X, 1\n"
    "\"No Program\"\n"
    "\"Short\", 5SYS\n"
    "\n"
    "[Norvalk_Fonts.ENU]\n"
    "\"Font Samples\", 5SYS:QSSTAT.EXE, 7ARG:/FONTS, 5SYS:QSSTAT.EXE, 3\n"
    "\n"
    "[PROGMAN.GROUPS]\n"
    "Main\n"
    "Norvalk_Fonts\n"
    "Norvalk_Printer_Tools, 1\n"
    "Other_Group, 2\n";

const MessageSequence kCreated{
    "groups afresh or from their file, items, arrangement, exit",
    {"[creategroup(Norvalk Printer Tools,C:\\WINDOWS\\NVTOOLS.GRP)]",
     "[showgroup(Norvalk Printer Tools,1)]",
     "[replaceitem(Status Monitor)]",
     "[additem(C:\\WINDOWS\\SYSTEM\\QSSTAT.EXE ,Status Monitor,C:\\WINDOWS\\SYSTEM\\QSSTAT.EXE,12)]",
     "[replaceitem(Printer Help)]",
     "[additem(WINHELP.EXE C:\\WINDOWS\\SYSTEM\\QS8000.HLP,Printer Help,,2)]",
     "[replaceitem(Uninstall)]",
     "[additem(C:\\WINDOWS\\SYSTEM\\nvins32b.exe C:\\WINDOWS\\QS8000.INI,Uninstall,C:\\WINDOWS\\SYSTEM\\nvins32b.exe,1)]",
     "[replaceitem(No Program)]",
     "[additem( ,No Program,,0)]",
     "[replaceitem(Short)]",
     "[additem( ,Short,,0)]",
     "[deletegroup(Norvalk Fonts)]",
     "[creategroup(Norvalk Fonts)]",
     "[showgroup(Norvalk Fonts,1)]",
     "[replaceitem(Font Samples)]",
     "[additem(C:\\WINDOWS\\SYSTEM\\QSSTAT.EXE /FONTS,Font Samples,C:\\WINDOWS\\SYSTEM\\QSSTAT.EXE,3)]",
     "[deletegroup(Other Group)]",
     "[creategroup(Other Group,C:\\WINDOWS\\MISSING.GRP)]",
     "[showgroup(Other Group,1)]",
     "[deletegroup(NoDot Group)]",
     "[creategroup(NoDot Group)]",
     "[showgroup(NoDot Group,1)]",
     "[showgroup(Main,2)]",
     "[showgroup(Norvalk Fonts,2)]",
     "[showgroup(Norvalk Printer Tools,1)]",
     "[exitprogman(1)]"}};

const MessageSequence kRemoved{"only groups with a group file are removed",
                               {"[deletegroup(Norvalk Printer Tools,0)]", "[deletegroup(Other Group,0)]",
                                "[exitprogman(1)]"}};

class ProgramGroups : public ProgramTest {
protected:
    void SetUp() override {
        nv::progman::registerProgramManager();
        ProgramTest::SetUp();  // Program Manager starts with the window manager
        for (const char* f : {"WINDOWS/SYSTEM/QSSTAT.EXE", "WINDOWS/SYSTEM/QS8000.HLP", "WINDOWS/SYSTEM/NVINS32B.EXE",
                              "WINDOWS/QS8000.INI", "WINDOWS/NOTEPAD.EXE"})
            tm().put('C', f, "stand-in file");
        CopyText(state.languageCode, "ENU");
        received.clear();
        receivedEnabled.clear();
    }
    void TearDown() override {
        serverProc = nullptr;
        ProgramTest::TearDown();
    }
    // Program Manager's window, its executes recorded.
    HWND server() {
        HWND progman = FindWindowA("Progman", nullptr);
        if (progman && !serverProc)
            serverProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(progman, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordExecutes)));
        return progman;
    }
    void setting(const char* key, const char* value) { ASSERT_EQ(tm().setting(key, value), "") << key; }
    bool group(const std::string& name) { return fs::is_directory(programs() / name); }
    fs::path programs() { return tm().host('C', "WINDOWS/Start Menu/Programs"); }
    // Nothing of the conversation is left behind.
    void expectClosedCleanly(HWND progman) {
        EXPECT_EQ(FindWindowA("InsDDEClass", nullptr), nullptr);
        EXPECT_EQ(state.ddeClient, nullptr);
        EXPECT_EQ(state.ddeServer, nullptr);
        EXPECT_EQ(GlobalFindAtomA("PROGMAN"), 0);
        if (IsWindow(progman)) {
            EXPECT_TRUE(IsWindowEnabled(progman));
        }
    }
};

}  // namespace

TEST_F(ProgramGroups, EveryCommandAsWrittenAndTheGroupsOnTheMachine) {
    tm().put('C', "WINDOWS/NVTOOLS.GRP", "group file");
    loadScript("OEM.INF", kInf);
    HWND progman = server();
    ASSERT_NE(progman, nullptr);
    EXPECT_EQ(CreateProgramGroups(nullptr), 1);
    EXPECT_TRUE(sequenceIs(received, kCreated));
    // Program Manager takes no input while the conversation lasts, and again before its last command.
    EXPECT_EQ(receivedEnabled, std::vector<std::string>{"[exitprogman(1)]"});
    expectClosedCleanly(progman);
    EXPECT_TRUE(group("Norvalk Printer Tools"));
    EXPECT_TRUE(fs::exists(programs() / "Norvalk Printer Tools/Uninstall.lnk"));
    EXPECT_FALSE(fs::exists(programs() / "Norvalk Printer Tools/Read Me.lnk"));
    EXPECT_TRUE(fs::exists(programs() / "Norvalk Fonts/Font Samples.lnk"));
    ASSERT_TRUE(tm().machine().save().ok());
    auto shown = nv::testing::runNvmachine({"groups", tm().dir().string()});
    EXPECT_NE(shown.out.find("Status Monitor\n      target     C:\\WINDOWS\\SYSTEM\\QSSTAT.EXE"), std::string::npos)
        << shown.out;

    received.clear();
    EXPECT_EQ(RemoveProgramGroups(nullptr), 1);
    EXPECT_TRUE(sequenceIs(received, kRemoved));
    expectClosedCleanly(progman);
    EXPECT_FALSE(group("Norvalk Printer Tools"));
    EXPECT_FALSE(group("Other Group"));
    EXPECT_TRUE(group("Norvalk Fonts"));  // no group file: it stays
}

TEST_F(ProgramGroups, TheSampleProductsGroupsInTwoLanguages) {
    std::string inf = nv::testing::readWholeFile(fs::path(NV_SOURCE_DIR) / "samples/product/scripts/NVQS8000.INF");
    ASSERT_FALSE(inf.empty());
    loadScript("OEM.INF", inf);
    for (const char* code : {"ENU", "DEU"}) {
        CopyText(state.languageCode, code);
        EXPECT_EQ(CreateProgramGroups(nullptr), 1) << code;
    }
    EXPECT_TRUE(fs::exists(programs() / "Norvalk Printer Tools/QS-8000 Status Monitor.lnk"));
    EXPECT_TRUE(fs::exists(programs() / "Norvalk Druckerprogramme/Norvalk-Treiber entfernen.lnk"));
    EXPECT_TRUE(fs::exists(programs() / "Norvalk Schriften/Schriftmuster.lnk"));
    if (nv::testing::runShell("command -v lnkinfo >/dev/null 2>&1").status == 0) {
        auto info = nv::testing::runShell(
            "lnkinfo " + nv::testing::shellQuoted((programs() / "Norvalk Druckerprogramme/Norvalk-Treiber entfernen.lnk").string()) +
            " 2>&1");
        EXPECT_EQ(info.status, 0) << info.out;
        EXPECT_NE(info.out.find("nvins32b.exe"), std::string::npos) << info.out;
    }
    CopyText(state.languageCode, "DEU");
    EXPECT_EQ(RemoveProgramGroups(nullptr), 1);
    EXPECT_FALSE(group("Norvalk Druckerprogramme"));
    EXPECT_TRUE(group("Norvalk Printer Tools"));
    CopyText(state.languageCode, "XXX");
    EXPECT_EQ(CreateProgramGroups(nullptr), 0);  // no section for the language
    EXPECT_EQ(RemoveProgramGroups(nullptr), 0);
}

TEST_F(ProgramGroups, FieldsThatDoNotFitAreRefusedWhole) {
    std::string longTitle(128, 'L');
    std::string inf = "[PROGMAN.GROUPS.ENU]\n" + longTitle + ".ENU\nG.ENU\n\n[G.ENU]\n\"" + longTitle +
                      "\", 5SYS:QSSTAT.EXE\n"
                      "\"" + std::string(110, 'W') +
                      "\", 5SYS:QSSTAT.EXE, 3SYS:QS8000.HLP, 5SYS:QSSTAT.EXE\n"  // additem of 206
                      "\"ok\", 5SYS:QSSTAT.EXE\n";
    loadScript("OEM.INF", inf);
    server();
    EXPECT_EQ(CreateProgramGroups(nullptr), 1);
    EXPECT_TRUE(sequenceIs(received, {"[deletegroup(G)]", "[creategroup(G)]", "[showgroup(G,1)]", "[replaceitem(ok)]",
                                      "[additem(C:\\WINDOWS\\SYSTEM\\QSSTAT.EXE ,ok,,0)]", "[exitprogman(1)]"}));
    // A command of exactly 127 characters is sent.
    std::string name(127 - std::strlen("[deletegroup()]"), 'N');
    loadScript("OEM2.INF", "[PROGMAN.GROUPS.ENU]\n" + name + ".ENU\n");
    received.clear();
    EXPECT_EQ(CreateProgramGroups(nullptr), 1);
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received[0], "[deletegroup(" + name + ")]");
    EXPECT_EQ(received[0].size(), 127u);
}

// Each fault of Program Manager: the call ends on the machine clock, and no
// window is left disabled or behind.
TEST_F(ProgramGroups, NoFaultOfProgramManagerHoldsTheRun) {
    struct Case {
        const char* progman;
        const char* fault;
        int result;
        int groupsMade;  // -1: either (late answers run whatever block is there then)
        DWORD leastMs, mostMs;
    } cases[] = {
        {"0", "none", 0, false, 0, 0},                    // absent: nothing answers the initiation
        {"1", "noack", 1, false, 2000 * 28, 2000 * 28},   // each of the 28 waits ends with its timer
        {"1", "delay,500", 1, true, 500 * 28, 500 * 28},  // each answer comes 500 ms late
        // A late answer ends the wait of a later command.
        {"1", "delay,3000", 1, -1, 2000, 2000 * 28},
        {"1", "close,2", 0, false, 2000, 2000},  // gone at the second execute, found gone by the timer
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.progman) + " " + c.fault);
        setting("progman", c.progman);
        setting("progmanFault", c.fault);
        nv::user::reset();  // the machine's programs start as the settings now say
        serverProc = nullptr;
        fs::remove_all(programs());
        loadScript("OEM.INF", kInf);
        HWND progman = server();
        HWND main = CreateWindowExA(0, "STATIC", "main", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                    nullptr, nullptr);
        DWORD before = GetTickCount();
        EXPECT_EQ(CreateProgramGroups(main), c.result);
        DWORD took = GetTickCount() - before;
        EXPECT_GE(took, c.leastMs);
        EXPECT_LE(took, c.mostMs);
        if (c.groupsMade >= 0) {
            EXPECT_EQ(group("Norvalk Fonts"), c.groupsMade == 1);
        }
        EXPECT_TRUE(IsWindowEnabled(main));
        expectClosedCleanly(progman);
        EXPECT_EQ(RemoveProgramGroups(main), 1);
        expectClosedCleanly(progman);
        DestroyWindow(main);
    }
}
