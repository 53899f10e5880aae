#include "ui/DriveDialogs.h"

#include <cstring>
#include <string>

#include "ProgramTest.h"
#include "ui/DialogPlumbing.h"

using nv::testing::ProgramTest;

namespace {

// What SELECTDRIVE showed when it came up.
struct SelectDriveView {
    char field[300], insert[300], caption[100];
    BOOL listVisible;
} probe;

INT_PTR CALLBACK ProbeSelectDrive(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR r = SelectDrvProc(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG) {
        GetDlgItemTextA(dialog, IDC_SRC_EDIT, probe.field, sizeof probe.field);
        GetDlgItemTextA(dialog, IDC_SRC_INSERT, probe.insert, sizeof probe.insert);
        GetWindowTextA(dialog, probe.caption, sizeof probe.caption);
        probe.listVisible = IsWindowVisible(GetDlgItem(dialog, IDC_SRC_LIST));
    }
    return r;
}

}  // namespace

class DriveDialogs : public ProgramTest {
protected:
    nv::machine::Drive& drive(char letter) { return *tm().machine().drive(letter); }
    INT_PTR directory() { return RunDialog(nullptr, Direc_Set, "DIRECTORY"); }
};

TEST_F(DriveDialogs, DirectoryProposalKeptIsTheDefaultAndIsCreated) {
    answers("dialog DIRECTORY\n  click 1\n");
    EXPECT_EQ(directory(), 1);
    EXPECT_STREQ(state.fontDir, "C:\\WINDOWS\\FONTS");
    EXPECT_STREQ(state.fontDirTyped, "C:\\WINDOWS\\FONTS");
    EXPECT_EQ(state.fontDirIsDefault, 1);
    EXPECT_TRUE(std::filesystem::is_directory(tm().host('C', "WINDOWS/FONTS")));
    EXPECT_FALSE(exists("UTEMP.DAT"));  // the write test cleans up
    expectAnswersUsed();
}

TEST_F(DriveDialogs, DirectoryNormalisesRelativeAndRootedTexts) {
    // A bare name lies below the system directory; any change clears the default.
    answers("dialog DIRECTORY\n  type 117 \"fonts\"\n  click 1\n");
    EXPECT_EQ(directory(), 1);
    EXPECT_STREQ(state.fontDir, "C:\\WINDOWS\\SYSTEM\\FONTS");  // the field takes capitals
    EXPECT_STREQ(state.fontDirTyped, "FONTS");
    EXPECT_EQ(state.fontDirIsDefault, 0);
    EXPECT_TRUE(std::filesystem::is_directory(tm().host('C', "WINDOWS/SYSTEM/FONTS")));

    // A leading backslash goes on the Windows drive; every level is made.
    answers("dialog DIRECTORY\n  type 117 \"\\MY\\DEEP\\FONTS\\\\\"\n  click 1\n");
    EXPECT_EQ(directory(), 1);
    EXPECT_STREQ(state.fontDir, "C:\\MY\\DEEP\\FONTS\\");
    EXPECT_TRUE(std::filesystem::is_directory(tm().host('C', "MY/DEEP/FONTS")));
    expectAnswersUsed();
}

TEST_F(DriveDialogs, DirectoryRefusalsKeepTheDialogOpen) {
    drive('A').readOnly = true;
    tm().put('C', "BLOCK", "a file where a directory belongs");
    answers(
        // No backslash after the drive: refused after the drive test.
        "dialog DIRECTORY\n  type 117 \"C:FONTS\"\n  click 1\n"
        "message \"Cannot create directory\"\n  press Enter\n"
        // No drive behind the letter.
        "dialog DIRECTORY\n  type 117 \"Q:\\FONTS\"\n  click 1\n"
        "message \"Drive Q is an invalid disk drive.\"\n  press Enter\n"
        // A write-protected disk.
        "dialog DIRECTORY\n  type 117 \"A:\\FONTS\"\n  click 1\n"
        "message \"Drive A is a read only disk drive.\"\n  press Enter\n"
        // A file is never turned into a directory, nor overwritten.
        "dialog DIRECTORY\n  type 117 \"C:\\BLOCK\\FONTS\"\n  click 1\n"
        "message \"Cannot create directory\"\n  press Enter\n"
        // Cancel asks; No stays, Yes ends with 0.
        "dialog DIRECTORY\n  press F3\n"
        "message \"Do you really want to cancel\"\n  press N\n"
        "dialog DIRECTORY\n  click 118\n"
        "message \"Do you really want to cancel\"\n  press Y\n");
    EXPECT_EQ(directory(), 0);
    EXPECT_EQ(file("BLOCK"), "a file where a directory belongs");
    EXPECT_STREQ(state.fontDir, "C:\\BLOCK\\FONTS");  // the normalised text that failed
    expectAnswersUsed();
}

TEST_F(DriveDialogs, DirectoryEmptyFieldDisablesOk) {
    answers("dialog DIRECTORY\n  type 117 \"\"\n  click 1\n");
    EXPECT_EQ(directory(), -1);
    EXPECT_NE(stopped_.find("disabled"), std::string::npos) << stopped_;
    stopped_.clear();
}

TEST_F(DriveDialogs, CheckDriveSpaceAndWriteTest) {
    std::strcpy(state.neededSpace, "2048");
    drive('C').freeBytes = 2048ull * 1024 - 1;  // one byte short
    answers("message \"approximately 2048 KB of disk space\"\n  press Enter\n");
    EXPECT_EQ(CheckDrive(nullptr, WriteCheck::Skip, DriveOf::WindowsDir), 0);
    drive('C').freeBytes = 4096ull * 1024;
    EXPECT_EQ(CheckDrive(nullptr, WriteCheck::Skip, DriveOf::WindowsDir), 1);
    // Leading blanks and a sign are read; reading stops at the first non-digit.
    std::strcpy(state.neededSpace, " +4096KB");
    EXPECT_EQ(CheckDrive(nullptr, WriteCheck::Test, DriveOf::WindowsDir), 1);
    std::strcpy(state.neededSpace, "4097");
    answers("message \"approximately 4097 KB\"\n  press Enter\n");
    EXPECT_EQ(CheckDrive(nullptr, WriteCheck::Test, DriveOf::WindowsDir), 0);
    expectAnswersUsed();
}

TEST_F(DriveDialogs, FreeBytesOfLargeAndMissingDrives) {
    // Windows 95 reports a FAT16 volume of at most 65525 clusters of 32 KB.
    drive('C').capacity = 8ull << 30;
    drive('C').freeBytes = 6ull << 30;
    EXPECT_EQ(GetFreeBytes("C:\\"), 65525L * 32768L);
    drive('C').freeBytes = 1ull << 20;
    EXPECT_EQ(GetFreeBytes("C:\\"), 1L << 20);
    EXPECT_EQ(GetFreeBytes("Q:\\"), -1);
    // An empty floppy drive answers -1 without a system box.
    drive('A').hasDisk = false;
    EXPECT_EQ(GetFreeBytes("A:\\"), -1);
    EXPECT_EQ(SetErrorMode(0), 0u);  // the error mode is back as it was
    EXPECT_EQ(WriteTest("A:\\X"), -1);
    EXPECT_NE(WriteTest("C:\\WINDOWS"), -1);
    EXPECT_FALSE(exists("UTEMP.DAT"));
}

TEST_F(DriveDialogs, CannotCreateNamesALongFontDirReadably) {
    std::string longDir = "C:\\" + std::string(120, 'D') + "\\LAST";
    std::strcpy(state.fontDir, longDir.c_str());
    // The message keeps the drive and the last directory around "...".
    answers("message \"such as C:\\DDD\"\n  press Enter\n");
    ShowCannotCreate(nullptr);
    answers("message \"D...D\"\n  press Enter\n");
    ShowCannotCreate(nullptr);
    answers("message \"DDD\\LAST\"\n  press Enter\n");
    ShowCannotCreate(nullptr);
    std::strcpy(state.fontDir, "C:\\FONTS");
    answers("message \"Enter a full pass name such as C:\\FONTS\"\n  press Enter\n");
    EXPECT_EQ(CreateOneDirectory(nullptr, "C:\\NO\\SUCH\\PARENT"), 0);
    EXPECT_EQ(CreateOneDirectory(nullptr, "C:\\NEW"), 1);
    expectAnswersUsed();
}

TEST_F(DriveDialogs, ChangeValidatesAndCancelsWithoutAsking) {
    std::strcpy(state.fontDir, "C:\\WINDOWS\\FONTS");
    answers("dialog CHANGE\n  type 117 \"\"\n  click 1\n");
    EXPECT_EQ(RunDialog(nullptr, Change_Drv, "CHANGE"), 1);
    EXPECT_STREQ(state.fontDir, "C:\\WINDOWS\\SYSTEM");  // empty validates as the system directory
    answers("dialog CHANGE\n  click 2\n");
    EXPECT_EQ(RunDialog(nullptr, Change_Drv, "CHANGE"), 0);
    expectAnswersUsed();
}

TEST_F(DriveDialogs, SelectDriveFontPromptAndWrongPath) {
    state.promptDisk = 2;
    std::strcpy(state.promptPath, "A:\\DISK2\\FOO.TT_");
    tm().put('C', "SETUP/DISK2/DISK2.TAG", "");
    answers(
        "dialog \"Installing TrueType-compatible fonts\"\n  type 650 \"C:\\NOWHERE\\DISK2\"\n  click 1\n"
        "message \"This path does not exist\"\n  press Enter\n"
        "dialog SELECTDRIVE\n  type 650 \"C:\\SETUP\\DISK2\\\\\"\n  click 1\n");
    EXPECT_EQ(RunDialog(nullptr, SelectDrvProc, "SelectDrive"), 1);
    EXPECT_STREQ(state.promptPath, "C:\\SETUP\\DISK2\\");
    expectAnswersUsed();
}

TEST_F(DriveDialogs, SelectDriveProposesTheDirectoryAndNamesTheDisk) {
    // The driver wording; a drive root keeps its backslash.
    state.promptDisk = 3;
    std::strcpy(state.promptPath, "A:\\SETUP.INF");
    answers("dialog SELECTDRIVE\n  click 2\n");
    EXPECT_EQ(RunDialog(nullptr, ProbeSelectDrive, "SELECTDRIVE"), 0);
    EXPECT_STREQ(probe.field, "A:\\");
    EXPECT_STREQ(probe.caption, "Norvalk Driver Installation");
    EXPECT_STREQ(probe.insert, "Insert the Norvalk driver installation disk #3 into the selected drive.");
    EXPECT_FALSE(probe.listVisible);
    // A name without a dot is a font prompt; a path without '\' leaves the field empty.
    std::strcpy(state.promptPath, "TAGFILE");
    answers("dialog SELECTDRIVE\n  click 2\n");
    EXPECT_EQ(RunDialog(nullptr, ProbeSelectDrive, "SELECTDRIVE"), 0);
    EXPECT_STREQ(probe.field, "");
    EXPECT_STREQ(probe.caption, "Installing TrueType-compatible fonts");
    expectAnswersUsed();
}
