#include "transfer/DiskPrompts.h"

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "ProgramTest.h"
#include "platform/core/Trace.h"

using nv::testing::ProgramTest;

namespace {

constexpr const char* kScript =
    "[DISK1]\r\n1 = \"Driver disk #1\", DISK1.TAG\r\n"
    "[DISK2]\r\n1 = \"Driver disk #2\", DISK2.TAG\r\n"
    "[DISK3]\r\n1 = \"Font disk #3\", FONT3.TT_\r\n"
    "[DISK4]\r\n1 = \"Extra disk\", DISK4.TAG\r\n"
    "[DISK5]\r\n1 = \"\", DISK5.TAG\r\n";

// The calls that make up a disk prompt, in order.
std::vector<std::string> PromptCalls(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        if (l.rfind("MessageBeep", 0) == 0 || l.rfind("MessageBoxA", 0) == 0 || l.rfind("DialogBoxParamA", 0) == 0 ||
            l.rfind("OpenFile(\"a:", 0) == 0)
            out.push_back(l.substr(0, l.find('(')) + (l.rfind("OpenFile", 0) == 0 ? " " + l.substr(9, l.find(',') - 9) : ""));
    return out;
}

}  // namespace

class DiskPrompts : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        loadScript("INSTALL.INF", kScript);
        std::strcpy(state.languageCode, "ENU");
    }
    // A file in a folder of the machine directory (a disk to insert).
    void putDisk(const std::string& folder, const std::string& rel, const std::string& content = "") {
        auto p = tm().dir() / folder / rel;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
    }
    void source(const char* dir) {
        std::strcpy(state.sourceDir, dir);
        std::strcpy(state.driverSourceDir, dir);
    }
};

TEST_F(DiskPrompts, NumberedDirectoriesSwitchWithoutAQuestion) {
    tm().put('C', "SETUP/DISK1/DISK1.TAG", "");
    tm().put('C', "SETUP/DISK2/DISK2.TAG", "");
    source("C:\\SETUP\\DISK1");
    EXPECT_EQ(EnsureDisk(nullptr, 2), 1);
    EXPECT_STREQ(state.sourceDir, "C:\\SETUP\\DISK2");
    EXPECT_STREQ(state.driverSourceDir, "C:\\SETUP\\DISK2");
    // Already there: the tag of the disk in use is found in place.
    EXPECT_EQ(EnsureDisk(nullptr, 2), 1);
    EXPECT_STREQ(state.sourceDir, "C:\\SETUP\\DISK2");
}

TEST_F(DiskPrompts, DriveANeverSwitchesAndNineIsNeverRaised) {
    tm().put('A', "DISK2/DISK2.TAG", "");
    source("A:\\DISK1");
    answers("message \"Insert the Driver disk #2 into your disk drive.\"\n  press Enter\n"
            "dialog SELECTDRIVE\n  click 2\n");
    EXPECT_EQ(EnsureDisk(nullptr, 2), 0);
    EXPECT_STREQ(state.sourceDir, "a:\\");

    // 8 is raised to 9; 9 is the last: no further step.
    tm().put('C', "S/DISK9/DISK2.TAG", "");
    source("C:\\S\\DISK8");
    EXPECT_EQ(EnsureDisk(nullptr, 2), 1);
    EXPECT_STREQ(state.sourceDir, "C:\\S\\DISK9");
    answers("message \"Insert the Font disk #3\"\n  press Enter\n"
            "dialog SELECTDRIVE\n  click 2\n");
    EXPECT_EQ(EnsureDisk(nullptr, 3), 0);
    expectAnswersUsed();
}

TEST_F(DiskPrompts, MissingTagBeepsAsksTestsAThenAsksForThePath) {
    tm().put('C', "DISKS/TWO/DISK2.TAG", "");
    source("C:\\SRC");
    answers(
        "message \"Insert the Driver disk #2\"\n  press Enter\n"
        // The dialog proposes the old directory; a wrong path warns (237).
        "dialog SELECTDRIVE\n  type 650 \"C:\\WRONG\"\n  click 1\n"
        "message \"File not found.\"\n  press Enter\n"
        // A path typed with a trailing backslash works.
        "dialog SELECTDRIVE\n  type 650 \"C:\\DISKS\\TWO\\\\\"\n  click 1\n");
    nv::trace::startCapture();
    EXPECT_EQ(EnsureDisk(nullptr, 2), 1);
    auto calls = PromptCalls(nv::trace::stopCapture());
    std::vector<std::string> expected = {"MessageBeep", "MessageBoxA", "OpenFile \"a:\\DISK2.TAG\"",
                                         "DialogBoxParamA", "MessageBoxA", "DialogBoxParamA"};
    EXPECT_EQ(calls, expected);
    EXPECT_STREQ(state.sourceDir, "C:\\DISKS\\TWO\\");
    EXPECT_STREQ(state.promptPath, "C:\\DISKS\\TWO\\DISK2.TAG");
    EXPECT_EQ(state.promptState, 1);
    EXPECT_EQ(state.promptDisk, 2);
    expectAnswersUsed();
}

TEST_F(DiskPrompts, FontDiskWarnsWithTheFontText) {
    tm().put('C', "FONTS3/FONT3.TT_", "");
    source("C:\\SRC");
    answers("message \"Insert the Font disk #3\"\n  press Enter\n"
            "dialog SELECTDRIVE\n  type 650 \"C:\\\\\"\n  click 1\n"
            "message \"TrueType-compatible fonts file not found.\"\n  press Enter\n"
            "dialog SELECTDRIVE\n  type 650 \"C:\\FONTS3\"\n  click 1\n");
    EXPECT_EQ(EnsureDisk(nullptr, 3), 1);
    expectAnswersUsed();
}

TEST_F(DiskPrompts, DiskInsertedAtTheMessageIsFoundInDriveA) {
    putDisk("disks/two", "DISK2.TAG");
    source("A:");
    answers("message \"Insert the Driver disk #2\"\n  insert A: disks/two\n  press Enter\n");
    EXPECT_EQ(EnsureDisk(nullptr, 2), 1);
    EXPECT_STREQ(state.sourceDir, "a:\\");
    // The next file comes from the prompted drive.
    putDisk("disks/two", "QS.DR_", "x");
    char path[MAX_PATH];
    EXPECT_EQ(FindSourceFile("12:QS.DRV", path), 1);
    EXPECT_STREQ(path, "a:\\QS.DR_");
    EXPECT_EQ(state.promptState, 2);
    EXPECT_STREQ(state.promptedSourceDir, "a:");
    expectAnswersUsed();
}

TEST_F(DiskPrompts, MissingSectionCancelsWithoutAMessage) {
    EXPECT_EQ(EnsureDisk(nullptr, 7), 0);
    EXPECT_EQ(EnsureDisk(nullptr, 0), 0);
    EXPECT_EQ(ShowInsertDisk(nullptr, 8), 0);
}

TEST_F(DiskPrompts, InsertDiskWordingInTheLanguages) {
    state.languageIndex = 1;
    answers("message \"disquette #2 dans le lecteur de disquettes.\"\n  press Enter\n");
    EXPECT_EQ(ShowInsertDisk(nullptr, 2), IDOK);
    state.languageIndex = 4;
    answers("message \"disketten #3 i diskettstasjonen.\"\n  press Enter\n");
    ShowInsertDisk(nullptr, 3);
    // A label without '#' is named whole after the word; an empty one not at all.
    state.languageIndex = 2;
    answers("message \"diskette Extra disk in das\"\n  press Enter\n");
    ShowInsertDisk(nullptr, 4);
    answers("message \"Legen Sie die diskette in das\"\n  press Enter\n");
    ShowInsertDisk(nullptr, 5);
    state.languageIndex = 0;
    answers("message \"Insert the disk into your disk drive.\"\n  press Enter\n");
    ShowInsertDisk(nullptr, 5);
    expectAnswersUsed();
}

TEST_F(DiskPrompts, SourceFilesFromTheLanguageFolderOrTheMainFolder) {
    source("C:\\SRC");
    tm().put('C', "SRC/ENU/QSRES.DL_", "compressed");
    tm().put('C', "SRC/QSRES.DLL", "main");
    tm().put('C', "SRC/BOTH.DRV", "plain");
    tm().put('C', "SRC/BOTH.DR_", "compressed");
    tm().put('C', "SRC/ONLY.DR_", "compressed");
    char path[MAX_PATH];
    EXPECT_EQ(FindSourceFile("41:QSRES.DLL", path), 1);
    EXPECT_STREQ(path, "C:\\SRC\\ENU\\QSRES.DL_");
    std::strcpy(state.languageCode, "FRC");  // no FRC folder: the main folder
    EXPECT_EQ(FindSourceFile("41:QSRES.DLL", path), 1);
    EXPECT_STREQ(path, "C:\\SRC\\QSRES.DLL");
    EXPECT_EQ(FindSourceFile("11:BOTH.DRV", path), 1);
    EXPECT_STREQ(path, "C:\\SRC\\BOTH.DRV");  // plain before compressed
    EXPECT_EQ(FindSourceFile("11:ONLY.DRV", path), 1);
    EXPECT_STREQ(path, "C:\\SRC\\ONLY.DR_");
    // Missing under both names: the platform's retry box, then none.
    answers("message \"Cannot find file\"\n  click \"Cancel\"\n");
    EXPECT_EQ(FindSourceFile("11:NONE.DRV", path), 0);
    expectAnswersUsed();
    // A directory chosen in an earlier run is where later runs read.
    std::strcpy(state.promptedSourceDir, "C:\\SRC\\ENU");
    EXPECT_EQ(FindSourceFile("11:QSRES.DLL", path), 1);
    EXPECT_STREQ(path, "C:\\SRC\\ENU\\QSRES.DL_");
}
