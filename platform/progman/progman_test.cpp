// Program Manager's command language, shell links and group folders, without
// its window: what a DDE execute string does to the machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "CommandRun.h"
#include "TempMachine.h"
#include "platform/progman/CommandParser.h"
#include "platform/progman/GroupStore.h"
#include "platform/progman/Shell.h"
#include "platform/progman/ShellLink.h"
#include "windows.h"

namespace fs = std::filesystem;
using namespace nv::progman;

namespace {

TEST(ProgmanCommands, ParsesSeveralCommandsQuotesAndEmptyArguments) {
    auto r = parseCommands(
        "  [CreateGroup(Norvalk Tools)] [ADDITEM( C:\\NV\\SETUP.EXE  /x , \"Set up, then print\",,3)]"
        "[additem(\"C:\\Program Files\\A B\\X.EXE\" /q,X)][exitprogman()][Reload]");
    ASSERT_TRUE(r.ok()) << r.error().message;
    ASSERT_EQ(r->size(), 5u);
    EXPECT_EQ((*r)[0].verb, Verb::CreateGroup);
    EXPECT_EQ((*r)[0].args, std::vector<std::string>{"Norvalk Tools"});
    EXPECT_EQ((*r)[1].args, (std::vector<std::string>{"C:\\NV\\SETUP.EXE  /x", "Set up, then print", "", "3"}));
    EXPECT_EQ((*r)[2].args[0], "\"C:\\Program Files\\A B\\X.EXE\" /q");
    EXPECT_TRUE((*r)[3].args.empty());
    EXPECT_EQ((*r)[4].verb, Verb::Reload);
}

TEST(ProgmanCommands, MalformedStringsAreRefusedWhole) {
    for (const char* bad : {"", "   ", "CreateGroup(X)", "[CreateGroup(X)", "[CreateGroup(X]", "[Frobnicate(X)]",
                            "[CreateGroup(\"X)]", "[CreateGroup(X)]junk", "[CreateGroup()]", "[ShowGroup(X)]",
                            "[DeleteItem(a,b)]", "[AddItem(,Title)]", "[CreateGroup(X)][ShowGroup(X,1,0,9)]"}) {
        auto r = parseCommands(bad);
        EXPECT_FALSE(r.ok()) << "accepted: " << bad;
    }
    auto r = parseCommands("[CreateGroup(A)][Bogus]");
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().message.find("Bogus"), std::string::npos) << r.error().message;
}

TEST(ShellLinks, RoundTripAndLimits) {
    ShellLink l;
    l.target = "C:\\WINDOWS\\SYSTEM\\NVINS32B.EXE";
    l.arguments = "C:\\WINDOWS\\NV.TXT";
    l.workingDir = "C:\\WINDOWS\\SYSTEM";
    l.iconPath = "C:\\WINDOWS\\SYSTEM\\NVICON.DLL";
    l.iconIndex = -3;
    l.description = "Remove: Norvalk";
    l.showCommand = 7;
    l.hotKey = 0x0341;
    l.volumeLabel = "SYSTEM";
    auto bytes = encodeShellLink(l);
    EXPECT_EQ(bytes[0], 0x4C);
    auto back = decodeShellLink(bytes);
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_EQ(back->target, l.target);
    EXPECT_EQ(back->arguments, l.arguments);
    EXPECT_EQ(back->workingDir, l.workingDir);
    EXPECT_EQ(back->iconPath, l.iconPath);
    EXPECT_EQ(back->iconIndex, -3);
    EXPECT_EQ(back->description, l.description);
    EXPECT_EQ(back->showCommand, 7u);
    EXPECT_EQ(back->hotKey, 0x0341);
    EXPECT_EQ(back->volumeLabel, "SYSTEM");
    // Every cut of the file is refused with a message, never read past.
    for (size_t n = 0; n + 4 < bytes.size(); ++n) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
        EXPECT_FALSE(decodeShellLink(cut).ok()) << "accepted " << n << " bytes";
    }
    ShellLink big;
    big.target = "C:\\X.EXE";
    big.arguments = std::string(65536, 'a');
    auto bigBack = decodeShellLink(encodeShellLink(big));
    ASSERT_TRUE(bigBack.ok());
    EXPECT_EQ(bigBack->arguments.size(), 65535u);
}

class ProgmanShell : public ::testing::Test {
protected:
    void SetUp() override {
        tm.put('C', "WINDOWS/SYSTEM/NVINS32B.EXE", "program");
        tm.put('C', "WINDOWS/NOTEPAD.EXE", "notepad");
        fs::create_directories(tm.host('C', "WINDOWS/Start Menu/Programs/Accessories"));
    }
    fs::path groupDir(const std::string& g) const { return tm.host('C', "WINDOWS/Start Menu/Programs/" + g); }

    nv::testing::TempMachine tm;
    Shell shell;
};

TEST_F(ProgmanShell, BuildsGroupsAsFoldersOfLinks) {
    ASSERT_TRUE(shell.execute("[creategroup(Norvalk QS-8000,C:\\WINDOWS\\NV.GRP)][showgroup(Norvalk QS-8000,1)]").ok());
    EXPECT_TRUE(fs::is_directory(groupDir("Norvalk QS-8000")));
    EXPECT_FALSE(shell.execute("[replaceitem(Remove)]").ok());  // nothing to replace yet
    auto r = shell.execute("[additem(C:\\WINDOWS\\SYSTEM\\NVINS32B.EXE C:\\WINDOWS\\INF\\NV.INF,Remove,"
                           "C:\\WINDOWS\\SYSTEM\\NVINS32B.EXE,1)]");
    ASSERT_TRUE(r.ok()) << r.error().message;
    ASSERT_TRUE(shell.execute("[additem(C:\\WINDOWS\\NOTEPAD.EXE ,Read: me,,0)]").ok());
    EXPECT_TRUE(fs::exists(groupDir("Norvalk QS-8000") / "Remove.lnk"));
    EXPECT_TRUE(fs::exists(groupDir("Norvalk QS-8000") / "Read_ me.lnk"));

    auto groups = loadGroups();
    ASSERT_TRUE(groups.ok());
    Group* g = groups->group("norvalk qs-8000");
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->items.size(), 2u);
    Item* remove = g->item("Remove");
    ASSERT_NE(remove, nullptr);
    EXPECT_EQ(remove->link.target, "C:\\WINDOWS\\SYSTEM\\NVINS32B.EXE");
    EXPECT_EQ(remove->link.arguments, "C:\\WINDOWS\\INF\\NV.INF");
    EXPECT_EQ(remove->link.workingDir, "C:\\WINDOWS\\SYSTEM");
    EXPECT_EQ(remove->link.iconIndex, 1);
    EXPECT_EQ(remove->link.fileSize, 7u);
    ASSERT_NE(g->item("Read: me"), nullptr);
    EXPECT_EQ(g->item("Read: me")->link.arguments, "");

    // Replacing an item and deleting the group leave the rest alone.
    ASSERT_TRUE(shell.execute("[replaceitem(Remove)][additem(C:\\WINDOWS\\NOTEPAD.EXE,Remove)]").ok());
    EXPECT_EQ(loadGroups()->group("Norvalk QS-8000")->item("Remove")->link.target, "C:\\WINDOWS\\NOTEPAD.EXE");
    ASSERT_TRUE(shell.execute("[DeleteGroup(Norvalk QS-8000,0)]").ok());
    EXPECT_FALSE(fs::exists(groupDir("Norvalk QS-8000")));
    EXPECT_TRUE(fs::is_directory(groupDir("Accessories")));
    EXPECT_FALSE(shell.execute("[additem(C:\\WINDOWS\\NOTEPAD.EXE)]").ok()) << "no active group after its deletion";
}

TEST_F(ProgmanShell, AFailingCommandChangesNothing) {
    ASSERT_TRUE(shell.execute("[CreateGroup(Keep)][AddItem(C:\\WINDOWS\\NOTEPAD.EXE)]").ok());
    auto before = loadGroups();
    EXPECT_FALSE(shell.execute("[CreateGroup(New)][AddItem(C:\\X.EXE)][DeleteGroup(Nowhere)]").ok());
    EXPECT_FALSE(shell.execute("[CreateGroup(New)][AddItem(C:\\X.EXE,X,,notanumber)]").ok());
    EXPECT_FALSE(shell.execute("[CreateGroup(New)][ShowGroup(New,9)]").ok());
    EXPECT_FALSE(fs::exists(groupDir("New")));
    EXPECT_EQ(shell.activeGroup(), "Keep");
    auto after = loadGroups();
    ASSERT_EQ(after->groups.size(), before->groups.size());
    EXPECT_EQ(after->group("Keep")->items.size(), 1u);
    EXPECT_EQ(after->group("Keep")->items[0].title, "NOTEPAD");
}

TEST_F(ProgmanShell, CommandLinesSplitAtTheProgram) {
    tm.put('C', "Program Files/Norvalk Tools/NV TOOL.EXE", "x");
    EXPECT_EQ(splitCommandLine("C:\\Program Files\\Norvalk Tools\\NV TOOL.EXE").program,
              "C:\\Program Files\\Norvalk Tools\\NV TOOL.EXE");
    auto quoted = splitCommandLine("\"C:\\Program Files\\Norvalk Tools\\NV TOOL.EXE\"  /a /b ");
    EXPECT_EQ(quoted.program, "C:\\Program Files\\Norvalk Tools\\NV TOOL.EXE");
    EXPECT_EQ(quoted.arguments, "/a /b");
    auto plain = splitCommandLine("C:\\WINDOWS\\NOTEPAD.EXE C:\\WINDOWS\\README.TXT");
    EXPECT_EQ(plain.program, "C:\\WINDOWS\\NOTEPAD.EXE");
    EXPECT_EQ(plain.arguments, "C:\\WINDOWS\\README.TXT");
}

// A bare program name is found where the shell looks, whatever folder the
// program sending the command is in.
TEST_F(ProgmanShell, BareProgramNamesAreLookedForInTheWindowsAndSystemFolders) {
    tm.put('C', "WINDOWS/WINHELP.EXE", "help");
    tm.put('C', "WINDOWS/SYSTEM/COLOR/NV.ICM", "profile");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\WINDOWS\\SYSTEM\\COLOR"));
    ASSERT_TRUE(shell.execute("[CreateGroup(Norvalk)][AddItem(WINHELP.EXE NVHELP.HLP,Help)]"
                              "[AddItem(NVINS32B.EXE,Setup)][AddItem(NOWHERE.EXE,Missing)]")
                    .ok());
    auto groups = loadGroups();
    ASSERT_TRUE(groups.ok());
    Group* g = groups->group("Norvalk");
    ASSERT_NE(g, nullptr);
    ASSERT_NE(g->item("Help"), nullptr);
    EXPECT_EQ(g->item("Help")->link.target, "C:\\WINDOWS\\WINHELP.EXE");
    EXPECT_EQ(g->item("Help")->link.arguments, "NVHELP.HLP");
    EXPECT_EQ(g->item("Help")->link.fileSize, 4u);
    ASSERT_NE(g->item("Setup"), nullptr);
    EXPECT_EQ(g->item("Setup")->link.target, "C:\\WINDOWS\\SYSTEM\\NVINS32B.EXE");
    ASSERT_NE(g->item("Missing"), nullptr);
    EXPECT_EQ(g->item("Missing")->link.target, "C:\\WINDOWS\\NOWHERE.EXE");
}

// The value of a "\tLabel\t\t: value" line of lnkinfo's report.
std::string field(const std::string& report, const std::string& label) {
    auto at = report.find("\t" + label + "\t");
    if (at == std::string::npos)
        return "(no " + label + ")";
    auto colon = report.find(": ", at);
    auto end = report.find('\n', colon);
    return report.substr(colon + 2, end - colon - 2);
}

// Every link the stand-in writes is read by an independent reader, lnkinfo of
// liblnk-utils (tools/install-deps.sh installs it).
TEST_F(ProgmanShell, LnkinfoReadsEveryLink) {
    if (nv::testing::runShell("command -v lnkinfo >/dev/null 2>&1").status != 0)
        GTEST_SKIP() << "lnkinfo (liblnk-utils) is not installed";
    ASSERT_TRUE(shell.execute("[CreateGroup(Norvalk)][AddItem(C:\\WINDOWS\\SYSTEM\\NVINS32B.EXE C:\\WINDOWS\\NV.INF,"
                              "Remove Norvalk,C:\\WINDOWS\\SYSTEM\\NVINS32B.EXE,2,,,C:\\WINDOWS,,1)]"
                              "[AddItem(C:\\WINDOWS\\NOTEPAD.EXE,Read: me)][AddItem(C:\\WINDOWS\\NOTEPAD.EXE)]")
                    .ok());
    int seen = 0;
    for (const auto& e : fs::directory_iterator(groupDir("Norvalk"))) {
        auto run = nv::testing::runShell("lnkinfo " + nv::testing::shellQuoted(e.path().string()) + " 2>&1");
        EXPECT_EQ(run.status, 0) << e.path() << "\n" << run.out;
        EXPECT_NE(run.out.find("Local path"), std::string::npos) << run.out;
        if (e.path().filename() == "Remove Norvalk.lnk") {
            EXPECT_EQ(field(run.out, "Local path"), "C:\\WINDOWS\\SYSTEM\\NVINS32B.EXE") << run.out;
            EXPECT_EQ(field(run.out, "Command line arguments"), "C:\\WINDOWS\\NV.INF") << run.out;
            EXPECT_EQ(field(run.out, "Working directory"), "C:\\WINDOWS") << run.out;
            EXPECT_EQ(field(run.out, "Icon location"), "C:\\WINDOWS\\SYSTEM\\NVINS32B.EXE") << run.out;
            EXPECT_EQ(field(run.out, "Icon index"), "2") << run.out;
            EXPECT_EQ(field(run.out, "Show Window value"), "0x00000007") << run.out;
        }
        ++seen;
    }
    EXPECT_EQ(seen, 3);
}

}  // namespace
