#include "sysconfig/IniEdit.h"
#include "sysconfig/IniLines.h"
#include "sysconfig/RemoveQuestions.h"

#include <string>

#include "ProgramTest.h"

using nv::testing::ProgramTest;

namespace {

std::string PrivateIni(const char* key) {
    char value[MAX_PATH];
    GetPrivateProfileStringA("Install", key, "", value, sizeof value, state.privateIniPath);
    return value;
}

}  // namespace

class DeviceLine : public ProgramTest {};

TEST_F(DeviceLine, MissingSystemIniIsCreated) {
    EXPECT_EQ(AddDeviceLine("NVBIDI.386"), 1);
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"), "[386Enh]\r\ndevice=NVBIDI.386\r\n");
}

TEST_F(DeviceLine, NewLineStandsFirstInItsSection) {
    tm().put('C', "WINDOWS/SYSTEM.INI", "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\ndevice=*vpicd\r\ndevice = NVBIDI.386\r\n");
    EXPECT_EQ(AddDeviceLine("NVBIDI.386"), 1);
    // A line with a blank before '=' is not the same line: the new one goes above it.
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"),
              "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\ndevice=NVBIDI.386\r\ndevice=*vpicd\r\ndevice = NVBIDI.386\r\n");
    EXPECT_EQ(file("WINDOWS/SYSTEM.B00"), "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\ndevice=*vpicd\r\ndevice = NVBIDI.386\r\n");
    EXPECT_EQ(PrivateIni("BFileSysIni"), "C:\\WINDOWS\\SYSTEM.B00");
    EXPECT_EQ(state.iniChanged & SYSTEM_INI_CHANGED, SYSTEM_INI_CHANGED);
}

TEST_F(DeviceLine, MissingSectionIsAppendedAndHeaderAtTheEndGetsTheLine) {
    tm().put('C', "WINDOWS/SYSTEM.INI", "[boot]\r\nshell=Explorer.exe\r\n");
    AddDeviceLine("A.386");
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"), "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\ndevice=A.386\r\n");
    tm().put('C', "WINDOWS/SYSTEM.INI", "[boot]\r\n[386Enh]\r\n");
    AddDeviceLine("B.386");
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"), "[boot]\r\n[386Enh]\r\ndevice=B.386\r\n\r\n");

    // A last line without its line end keeps its value whole.
    tm().put('C', "WINDOWS/SYSTEM.INI", "[boot]\r\nshell=Explorer.exe");
    AddDeviceLine("C.386");
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"), "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\ndevice=C.386\r\n");
    tm().put('C', "WINDOWS/SYSTEM.INI", "[boot]\r\n[386Enh]");
    AddDeviceLine("D.386");
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"), "[boot]\r\n[386Enh]\r\ndevice=D.386\r\n\r\n");
}

TEST_F(DeviceLine, PresentLineLeavesTheFileAsItWas) {
    std::string before = "[386Enh]\r\nDEVICE= nvbidi.386\r\ndevice=*vpicd\r\n";
    tm().put('C', "WINDOWS/SYSTEM.INI", before);
    AddDeviceLine("NVBIDI.386");
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"), before);
    EXPECT_FALSE(exists("WINDOWS/SYSTEM.B00"));
    EXPECT_EQ(PrivateIni("BFileSysIni"), "");
    EXPECT_EQ(state.iniChanged, 0);
}

TEST_F(DeviceLine, TwoDriversGiveTwoBackupsAndTheLatestIsRecorded) {
    tm().put('C', "WINDOWS/SYSTEM.INI", "[386Enh]\r\n");
    AddDeviceLine("A.386");
    AddDeviceLine("B.386");
    EXPECT_TRUE(exists("WINDOWS/SYSTEM.B00"));
    EXPECT_TRUE(exists("WINDOWS/SYSTEM.B01"));
    EXPECT_EQ(PrivateIni("BFileSysIni"), "C:\\WINDOWS\\SYSTEM.B01");
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"), "[386Enh]\r\ndevice=B.386\r\ndevice=A.386\r\n\r\n");
}

TEST_F(DeviceLine, LongLinesAreCopiedUnchanged) {
    std::string longLine = "path=" + std::string(600, 'x') + "\r\n";
    std::string before = "[386Enh]\r\n" + longLine + "device=*vpicd\r\n[x]\r\n" + longLine;
    tm().put('C', "WINDOWS/SYSTEM.INI", before);
    AddDeviceLine("A.386");
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"), "[386Enh]\r\ndevice=A.386\r\n" + longLine + "device=*vpicd\r\n[x]\r\n" + longLine);
}

TEST_F(DeviceLine, FailedRewriteRestoresTheFile) {
    std::string before = "[386Enh]\r\n" + std::string(3000, ';') + "\r\n";
    tm().put('C', "WINDOWS/SYSTEM.INI", before);
    // Room for the backup, not for the rewrite.
    tm().machine().drive('C')->fullAfter = before.size() + 1000;
    AddDeviceLine("A.386");
    tm().machine().drive('C')->fullAfter.reset();
    // The old content survives whole: in the file, or else in its backup.
    std::string after = file("WINDOWS/SYSTEM.INI");
    if (after != before)
        EXPECT_EQ(file("WINDOWS/SYSTEM.B00"), before);
    else
        EXPECT_FALSE(exists("WINDOWS/SYSTEM.B00"));
}

// The private INI cannot be written (its folder is read-only): an edit
// whose backup cannot be recorded is undone, so that the file is as before
// rather than changed with nothing naming its old content.
TEST_F(DeviceLine, UnrecordableBackupUndoesTheEdit) {
    std::string before = "[386Enh]\r\ndevice=*vpicd\r\n";
    tm().put('C', "WINDOWS/SYSTEM.INI", before);
    tm().put('C', "RECORD/.keep", "");
    std::strcpy(state.privateIniPath, "C:\\RECORD\\QS8000.INI");
    ASSERT_EQ(tm().setting("readOnlyFolders", "C:\\RECORD"), "");
    AddDeviceLine("A.386");
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"), before);
    EXPECT_FALSE(exists("WINDOWS/SYSTEM.B00"));
    EXPECT_EQ(state.iniChanged & SYSTEM_INI_CHANGED, 0);

    // With an earlier backup of this run recorded, that one still holds the
    // older content: the edit stays.
    ASSERT_EQ(tm().setting("readOnlyFolders", ""), "");
    AddDeviceLine("A.386");
    ASSERT_EQ(PrivateIni("BFileSysIni"), "C:\\WINDOWS\\SYSTEM.B00");
    ASSERT_EQ(tm().setting("readOnlyFolders", "C:\\RECORD"), "");
    AddDeviceLine("B.386");
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"), "[386Enh]\r\ndevice=B.386\r\ndevice=A.386\r\ndevice=*vpicd\r\n");
    EXPECT_EQ(file("WINDOWS/SYSTEM.B00"), before);
}

class EntryEdit : public ProgramTest {
protected:
    void edit(const std::string& content, const char* valueSpec, const char* key = "load") {
        tm().put('C', "WINDOWS/WIN.INI", content);
        std::strcpy(state.iniEditMode, "3:Acme");
        ASSERT_EQ(EditIniEntry(nullptr, "21:WIN.INI", "windows", key, valueSpec, "Disabled by setup:"), 1);
    }
};

TEST_F(EntryEdit, ItemsOfListsAreRemovedWhateverTheSeparator) {
    edit("[windows]\r\nload=a.exe,acmemon.exe\r\nrun=\r\n", "0:ACMEMON.EXE");
    EXPECT_EQ(file("WINDOWS/WIN.INI"),
              "[windows]\r\nload=a.exe\r\n;Disabled by setup: load=a.exe,acmemon.exe\r\nrun=\r\n");
    EXPECT_EQ(PrivateIni("BFileWinIni"), "C:\\WINDOWS\\WIN.B00");
    EXPECT_EQ(state.iniChanged & WIN_INI_CHANGED, WIN_INI_CHANGED);

    edit("[windows]\r\nload=a.exe acmemon.exe b.exe\r\n", "0:ACMEMON.EXE");
    EXPECT_EQ(file("WINDOWS/WIN.INI"), "[windows]\r\nload=a.exe b.exe\r\n;Disabled by setup: load=a.exe acmemon.exe b.exe\r\n");
    // The bit was set by the first edit: this backup is not kept.
    EXPECT_EQ(PrivateIni("BFileWinIni"), "C:\\WINDOWS\\WIN.B00");
    EXPECT_FALSE(exists("WINDOWS/WIN.B01"));

    edit("[windows]\r\nload=acmemon.exe,b.exe\r\n", "0:ACMEMON.EXE");
    EXPECT_EQ(file("WINDOWS/WIN.INI"), "[windows]\r\nload=b.exe\r\n;Disabled by setup: load=acmemon.exe,b.exe\r\n");

    // The last line of the file without its line end: the comment goes on a
    // line of its own, never into the value.
    edit("[windows]\r\nload=a.exe,acmemon.exe", "0:ACMEMON.EXE");
    EXPECT_EQ(file("WINDOWS/WIN.INI"), "[windows]\r\nload=a.exe\r\n;Disabled by setup: load=a.exe,acmemon.exe");
}

TEST_F(EntryEdit, WholeLineAndPathsAndAloneItems) {
    edit("[windows]\r\nload=a.exe,acmemon.exe\r\n", "1:ACMEMON.EXE");
    EXPECT_EQ(file("WINDOWS/WIN.INI"), "[windows]\r\n;Disabled by setup: load=a.exe,acmemon.exe\r\n");

    tm().put('C', "WINDOWS/SYSTEM.INI", "[386Enh]\r\ndevice=C:\\ACME\\ACMEBIDI.386\r\ndevice=*vpicd\r\n");
    std::strcpy(state.iniEditMode, "3:Acme");
    EditIniEntry(nullptr, "20:SYSTEM.INI", "386Enh", "device", "0:ACMEBIDI.386", "Disabled by setup:");
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"),
              "[386Enh]\r\n;Disabled by setup: device=C:\\ACME\\ACMEBIDI.386\r\ndevice=*vpicd\r\n");
    EXPECT_EQ(PrivateIni("BFileSysIni"), "C:\\WINDOWS\\SYSTEM.B00");
}

TEST_F(EntryEdit, NoMatchRestoresByteForByteAndDeletesTheBackup) {
    std::string before = "[windows]\nload=a.exe\n[other]\nload=acmemon.exe\n";  // LF only, match in another section
    edit(before, "0:ACMEMON.EXE");
    EXPECT_EQ(file("WINDOWS/WIN.INI"), before);
    EXPECT_FALSE(exists("WINDOWS/WIN.B00"));
    EXPECT_EQ(PrivateIni("BFileWinIni"), "");
    EXPECT_EQ(state.iniChanged, 0);
}

TEST_F(EntryEdit, OnlyTheFirstMatchingLineIsEdited) {
    edit("[windows]\r\nload=acmemon.exe\r\nload=acmemon.exe\r\n", "1:acmemon.exe");
    EXPECT_EQ(file("WINDOWS/WIN.INI"), "[windows]\r\n;Disabled by setup: load=acmemon.exe\r\nload=acmemon.exe\r\n");
}

TEST_F(EntryEdit, UnsafeOrMissingFilesAreSkipped) {
    tm().put('C', "OUTSIDE.INI", "[windows]\r\nload=acmemon.exe\r\n");
    std::strcpy(state.iniEditMode, "3:Acme");
    EXPECT_EQ(EditIniEntry(nullptr, "21:..\\OUTSIDE.INI", "windows", "load", "1:acmemon.exe", "x"), 0);
    EXPECT_EQ(tm().get('C', "OUTSIDE.INI"), "[windows]\r\nload=acmemon.exe\r\n");
    EXPECT_EQ(EditIniEntry(nullptr, "21:NONE.INI", "windows", "load", "1:acmemon.exe", "x"), 0);
    for (const char* specifier : {"20:C:\\OUTSIDE.INI", "20:\\OUTSIDE.INI", "20:/OUTSIDE.INI", "20:A\\..\\..\\OUTSIDE.INI",
                             "20:A/../../OUTSIDE.INI"}) {
        EXPECT_EQ(EditIniEntry(nullptr, specifier, "windows", "load", "1:acmemon.exe", "x"), 0) << specifier;
        EXPECT_EQ(tm().get('C', "OUTSIDE.INI"), "[windows]\r\nload=acmemon.exe\r\n") << specifier;
    }
}

// A file in a subdirectory of the Windows directory is edited like any other.
TEST_F(EntryEdit, FilesInSubdirectoriesAreEdited) {
    tm().put('C', "WINDOWS/ZXNET/ZXNET.INI", "[windows]\r\nload=acmemon.exe\r\n");
    std::strcpy(state.iniEditMode, "3:Acme");
    EXPECT_EQ(EditIniEntry(nullptr, "20:ZXNET\\ZXNET.INI", "windows", "load", "1:acmemon.exe", "x"), 1);
    EXPECT_EQ(file("WINDOWS/ZXNET/ZXNET.INI"), "[windows]\r\n;x load=acmemon.exe\r\n");
    EXPECT_EQ(PrivateIni("BFileSysIni"), "C:\\WINDOWS\\ZXNET\\ZXNET.B00");
}

// A lone item after a blank ends as it does without the blank: the comment
// line alone, no empty entry beside it.
TEST_F(EntryEdit, ALoneItemAfterABlankLeavesOnlyTheCommentLine) {
    for (const char* line : {"device=ACMEBIDI.386", "device= ACMEBIDI.386", "device=  C:\\ACME\\ACMEBIDI.386"}) {
        tm().put('C', "WINDOWS/SYSTEM.INI", std::string("[386Enh]\r\n") + line + "\r\n");
        std::strcpy(state.iniEditMode, "3:Acme");
        EditIniEntry(nullptr, "20:SYSTEM.INI", "386Enh", "device", "0:ACMEBIDI.386", "Disabled by setup:");
        EXPECT_EQ(file("WINDOWS/SYSTEM.INI"), std::string("[386Enh]\r\n;Disabled by setup: ") + line + "\r\n");
    }
}

// EditIniFile reports a processed file with 1, edited or not, and settles
// the backup itself.
TEST_F(EntryEdit, EditIniFileReturnsOneAndSettlesItsBackup) {
    tm().put('C', "WINDOWS/WIN.INI", "[windows]\r\nload=acmemon.exe\r\n");
    tm().put('C', "WINDOWS/WIN.B00", "[windows]\r\nload=acmemon.exe\r\n");
    std::strcpy(state.iniEditMode, "3:Acme");
    EXPECT_EQ(EditIniFile(nullptr, "windows", "load", "1:acmemon.exe", "x", "C:\\WINDOWS\\WIN.B00",
                          "C:\\WINDOWS\\WIN.INI"),
              1);
    EXPECT_EQ(file("WINDOWS/WIN.INI"), "[windows]\r\n;x load=acmemon.exe\r\n");
    EXPECT_EQ(PrivateIni("BFileWinIni"), "C:\\WINDOWS\\WIN.B00");
    EXPECT_EQ(state.iniChanged & 2, 2);
    tm().put('C', "WINDOWS/WIN.B01", "[windows]\r\nrun=\r\n");
    EXPECT_EQ(EditIniFileByLines(nullptr, "windows", "load", "1:acmemon.exe", "x", "C:\\WINDOWS\\WIN.B01",
                                 "C:\\WINDOWS\\WIN.INI"),
              1);
    EXPECT_EQ(file("WINDOWS/WIN.INI"), "[windows]\r\nrun=\r\n");  // nothing edited: the backup's content
    EXPECT_FALSE(exists("WINDOWS/WIN.B01"));
}

// A driver install marks WIN.INI changed before the finish's edits run; the
// first edit of WIN.INI still keeps and records its backup, and a second one
// of the same run does not replace that record.
TEST_F(EntryEdit, FirstWinIniEditAfterAnInstallRecordsItsBackup) {
    state.iniChanged = WIN_INI_CHANGED;
    edit("[windows]\r\nload=acmemon.exe\r\nrun=osmon.exe\r\n", "0:ACMEMON.EXE");
    EXPECT_EQ(file("WINDOWS/WIN.B00"), "[windows]\r\nload=acmemon.exe\r\nrun=osmon.exe\r\n");
    EXPECT_EQ(PrivateIni("BFileWinIni"), "C:\\WINDOWS\\WIN.B00");
    ASSERT_EQ(EditIniEntry(nullptr, "21:WIN.INI", "windows", "run", "0:OSMON.EXE", "Disabled by setup:"), 1);
    EXPECT_FALSE(exists("WINDOWS/WIN.B01"));
    EXPECT_EQ(PrivateIni("BFileWinIni"), "C:\\WINDOWS\\WIN.B00");
}

// An edit whose backup cannot be recorded is undone and reported as not
// made, so that a caller relying on it (the uninstall's device line) knows.
TEST_F(EntryEdit, UnrecordableBackupIsReportedAndUndone) {
    std::string before = "[windows]\r\nload=acmemon.exe\r\n";
    tm().put('C', "WINDOWS/WIN.INI", before);
    tm().put('C', "RECORD/.keep", "");
    std::strcpy(state.privateIniPath, "C:\\RECORD\\QS8000.INI");
    ASSERT_EQ(tm().setting("readOnlyFolders", "C:\\RECORD"), "");
    std::strcpy(state.iniEditMode, "3:Acme");
    EXPECT_EQ(EditIniEntry(nullptr, "21:WIN.INI", "windows", "load", "0:ACMEMON.EXE", "Disabled by setup:"),
              INI_EDIT_WRITE_FAILED);
    EXPECT_EQ(file("WINDOWS/WIN.INI"), before);
    EXPECT_FALSE(exists("WINDOWS/WIN.B00"));
}

TEST(DisplayName, OrIsTranslated) {
    ResetInstallState();
    char out[128];
    TranslateDisplayName("5:Acme Laser or Acme Jet", out, sizeof out);
    EXPECT_STREQ(out, "Acme Laser or Acme Jet");
    state.languageIndex = 2;
    TranslateDisplayName("5:Acme Laser OR Acme Jet", out, sizeof out);
    EXPECT_STREQ(out, "Acme Laser oder Acme Jet");
    state.languageIndex = 5;
    TranslateDisplayName("5:Acme Laser or Acme Jet", out, sizeof out);
    EXPECT_STREQ(out, "Acme Laser eller Acme Jet");
    state.languageIndex = 1;
    TranslateDisplayName("5:Orb", out, sizeof out);
    EXPECT_STREQ(out, "Orb");
}

TEST(PrefixEqual, StopsAtTheShorterText) {
    EXPECT_EQ(PrefixEqual("device", "DEVICE=x", 6), 1);
    EXPECT_EQ(PrefixEqual("dev", "DEVICE", 6), 1);
    EXPECT_EQ(PrefixEqual("devise", "DEVICE", 6), 0);
}

class DeleteIniRun : public ProgramTest {
protected:
    void script(const std::string& deleteIni) {
        loadScript("INSTALL.INF", "[VxD]\r\n0:NVBIDI.386\r\n[DeleteIni]\r\n" + deleteIni);
        tm().put('C', "WINDOWS/SYSTEM.INI", "[386Enh]\r\ndevice=NVBIDI.386\r\ndevice=ACMEBIDI.386\r\n");
        tm().put('C', "WINDOWS/WIN.INI", "[windows]\r\nload=a.exe,acmemon.exe\r\n");
    }
};

TEST_F(DeleteIniRun, AcceptedQuestionCommentsOutAndAsksForARestart) {
    script("\"5:Acme Laser or Acme Jet\"\r\n"
           "20:SYSTEM.INI,386Enh,device,0:ACMEBIDI.386,\"Disabled by setup:\"\r\n"
           "21:WIN.INI,windows,load,0:ACMEMON.EXE,\"Disabled by setup:\"\r\n");
    state.runResult = RESULT_INSTALLED;
    answers("message \"There is a Acme Laser or Acme Jet printer driver\"\n  click \"&Yes\"\n");
    EXPECT_EQ(RunIniEdits(nullptr), 1);
    expectAnswersUsed();
    EXPECT_EQ(state.runResult, RESULT_INSTALLED_RESTART);
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"),
              "[386Enh]\r\ndevice=NVBIDI.386\r\n;Disabled by setup: device=ACMEBIDI.386\r\n");
    EXPECT_EQ(file("WINDOWS/WIN.INI"), "[windows]\r\nload=a.exe\r\n;Disabled by setup: load=a.exe,acmemon.exe\r\n");
    EXPECT_EQ(state.iniChanged, SYSTEM_INI_CHANGED | WIN_INI_CHANGED);
}

TEST_F(DeleteIniRun, RefusedQuestionSkipsTheBlockAndCommentsOutOurOwnLine) {
    script("\"5:Acme Laser\"\r\n"
           "20:SYSTEM.INI,386Enh,device,0:ACMEBIDI.386,\"Disabled by setup:\"\r\n"
           "21:WIN.INI,windows,load,0:ACMEMON.EXE,\"Disabled by setup:\"\r\n");
    answers("message \"Acme Laser\"\n  click \"&No\"\n");
    EXPECT_EQ(RunIniEdits(nullptr), 1);
    expectAnswersUsed();
    EXPECT_EQ(state.ownVxdDeclined, 0);
    EXPECT_EQ(file("WINDOWS/WIN.INI"), "[windows]\r\nload=a.exe,acmemon.exe\r\n");
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"), "[386Enh]\r\n;Removed by Norvalk Printer Driver Setup: device=NVBIDI.386\r\n"
                                          "device=ACMEBIDI.386\r\n");
}

TEST_F(DeleteIniRun, WarningModeWarnsOncePerBlock) {
    script("\"6:Acme Laser\"\r\n"
           "20:SYSTEM.INI,386Enh,device,0:ACMEBIDI.386,\"Disabled by setup:\"\r\n"
           "21:WIN.INI,windows,load,0:ACMEMON.EXE,\"Disabled by setup:\"\r\n"
           "\"0:Nobody\"\r\n"
           "21:WIN.INI,windows,load,0:A.EXE,\"Disabled by setup:\"\r\n");
    std::strcpy(state.driverName, "Norvalk QS-8000 series");
    answers("message \"status monitor of the Norvalk QS-8000 series\"\n  press Enter\n");
    EXPECT_EQ(RunIniEdits(nullptr), 1);
    expectAnswersUsed();
    // The warning turns the block's mode to 0: only the first match is edited.
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"),
              "[386Enh]\r\ndevice=NVBIDI.386\r\n;Disabled by setup: device=ACMEBIDI.386\r\n");
    EXPECT_EQ(file("WINDOWS/WIN.INI"), "[windows]\r\nload=a.exe,acmemon.exe\r\n");
}

TEST_F(DeleteIniRun, NoSectionNoWork) {
    loadScript("INSTALL.INF", "[VxD]\r\n0:NVBIDI.386\r\n");
    EXPECT_EQ(RunIniEdits(nullptr), 0);
}
