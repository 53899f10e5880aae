#include "platform/core/Machine.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <winerror.h>

#include "TempMachine.h"

using nv::machine::Machine;
using nv::testing::TempMachine;

TEST(MachinePaths, FullPathNormalisesSeparatorsDotsAndDrives) {
    TempMachine tm;
    auto& m = tm.machine();
    EXPECT_EQ(*m.fullPath("c:/windows/./system/../fonts"), "C:\\windows\\fonts");
    EXPECT_EQ(*m.fullPath("\\a\\b"), "C:\\a\\b");
    EXPECT_EQ(*m.fullPath("C:\\..\\..\\x"), "C:\\x");  // ".." at the root stays there
    EXPECT_EQ(*m.fullPath("a:file.txt"), "A:\\file.txt");
    EXPECT_EQ(*m.fullPath("C:\\dir.\\name "), "C:\\dir\\name");
    EXPECT_EQ(m.fullPath("\\\\server\\share").error().code, (DWORD)ERROR_BAD_PATHNAME);
    EXPECT_EQ(m.fullPath("C:\\a|b").error().code, (DWORD)ERROR_INVALID_NAME);
    EXPECT_EQ(m.fullPath("").error().code, (DWORD)ERROR_PATH_NOT_FOUND);
}

TEST(MachinePaths, LengthLimitIs259Characters) {
    TempMachine tm;
    std::string fits = "C:\\" + std::string(256, 'x');  // 259 characters
    std::string over = fits + "y";
    EXPECT_TRUE(tm.machine().fullPath(fits).ok());
    EXPECT_EQ(tm.machine().fullPath(over).error().code, (DWORD)ERROR_FILENAME_EXCED_RANGE);
}

TEST(MachinePaths, RelativePathsUseTheCurrentDirectoryOfTheirDrive) {
    TempMachine tm;
    tm.put('C', "WINDOWS/SYSTEM/x.drv", "x");
    auto& m = tm.machine();
    ASSERT_TRUE(m.setCurrentDirectory("c:\\windows").ok());
    EXPECT_EQ(m.currentDirectory(), "C:\\WINDOWS");
    EXPECT_EQ(*m.fullPath("system\\x.drv"), "C:\\WINDOWS\\system\\x.drv");
    EXPECT_EQ(*m.fullPath("..\\autoexec.bat"), "C:\\autoexec.bat");
    EXPECT_EQ(*m.fullPath("A:x"), "A:\\x");  // A: still at its root
    EXPECT_FALSE(m.setCurrentDirectory("C:\\nowhere").ok());
    EXPECT_EQ(m.currentDirectory(), "C:\\WINDOWS");
}

TEST(MachinePaths, ResolveMatchesComponentsWithoutRegardToCase) {
    TempMachine tm;
    tm.put('C', "WINDOWS/System/Lpt.VxD", "data");
    auto r = tm.machine().resolve("c:\\windows\\SYSTEM\\lpt.vxd");
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r->exists);
    EXPECT_EQ(r->winPath, "C:\\WINDOWS\\System\\Lpt.VxD");
    EXPECT_EQ(r->host, tm.host('C', "WINDOWS/System/Lpt.VxD"));

    auto missing = tm.machine().resolve("C:\\windows\\NEW\\file.txt");
    ASSERT_TRUE(missing.ok());
    EXPECT_FALSE(missing->exists);
    EXPECT_FALSE(missing->parentExists);
    EXPECT_EQ(missing->winPath, "C:\\WINDOWS\\NEW\\file.txt");

    auto newFile = tm.machine().resolve("C:\\windows\\New.TXT");
    ASSERT_TRUE(newFile.ok());
    EXPECT_FALSE(newFile->exists);
    EXPECT_TRUE(newFile->parentExists);
    EXPECT_EQ(newFile->host, tm.host('C', "WINDOWS/New.TXT"));  // keeps the case it was given
}

TEST(MachinePaths, NothingResolvesOutsideTheMachine) {
    TempMachine tm;
    namespace fs = std::filesystem;
    // A link inside a drive that points at the host is refused, not followed.
    fs::create_directory_symlink("/etc", tm.host('C', "escape"));
    auto r = tm.machine().resolve("C:\\escape\\passwd");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, (DWORD)ERROR_ACCESS_DENIED);
    auto up = tm.machine().resolve("C:\\..\\..\\..\\etc\\passwd");
    ASSERT_TRUE(up.ok());
    EXPECT_EQ(up->host, tm.host('C', "etc/passwd"));
    EXPECT_FALSE(up->exists);

    // Nor does a link in the drive's folder setting, nor a link as the last
    // component, whatever case the path uses.
    fs::create_symlink("/etc/passwd", tm.host('C', "pw"));
    EXPECT_EQ(tm.machine().resolve("c:\\PW").error().code, (DWORD)ERROR_ACCESS_DENIED);
    fs::create_directory_symlink(tm.dir() / "drives", tm.dir() / "linked");
    tm.machine().drive('A')->folder = "linked/C";
    EXPECT_EQ(tm.machine().resolve("A:\\x").error().code, (DWORD)ERROR_ACCESS_DENIED);
    tm.machine().drive('A')->folder = "drives/none";
    EXPECT_EQ(tm.machine().resolve("A:\\x").error().code, (DWORD)ERROR_NOT_READY);
}

TEST(MachineDrives, MissingDriveEmptyDriveAndFileAsDirectory) {
    TempMachine tm;
    tm.put('C', "plain.txt", "x");
    EXPECT_EQ(tm.machine().resolve("Q:\\x").error().code, (DWORD)ERROR_PATH_NOT_FOUND);
    tm.machine().drive('A')->hasDisk = false;
    EXPECT_EQ(tm.machine().resolve("A:\\x").error().code, (DWORD)ERROR_NOT_READY);
    EXPECT_EQ(tm.machine().freeSpace('A').error().code, (DWORD)ERROR_NOT_READY);
    EXPECT_EQ(tm.machine().resolve("C:\\plain.txt\\x").error().code, (DWORD)ERROR_PATH_NOT_FOUND);
}

TEST(MachineDrives, WriteFaultsAndFreeSpace) {
    TempMachine tm;
    auto& m = tm.machine();
    tm.put('C', "data.bin", std::string(1000, 'x'));
    m.drive('C')->capacity = 5000;
    EXPECT_EQ(*m.freeSpace('C'), 4000u);
    m.drive('C')->fullAfter = 100;
    EXPECT_EQ(*m.freeSpace('C'), 100u);
    EXPECT_TRUE(m.chargeWrite('C', 60).ok());
    EXPECT_TRUE(m.chargeWrite('C', 40).ok());
    EXPECT_EQ(m.chargeWrite('C', 1).error().code, (DWORD)ERROR_DISK_FULL);
    m.drive('A')->readOnly = true;
    EXPECT_EQ(m.chargeWrite('A', 1).error().code, (DWORD)ERROR_WRITE_PROTECT);
    m.drive('C')->failWrites = true;
    EXPECT_EQ(m.chargeWrite('C', 0).error().code, (DWORD)ERROR_WRITE_FAULT);
}

// failWrite N: the Nth write on any drive fails once, as a fault sweep needs.
TEST(MachineDrives, TheNthWriteFailsOnce) {
    auto s = TempMachine::defaultSettings();
    s.failWrite = 3;
    TempMachine tm(s);
    auto& m = tm.machine();
    EXPECT_TRUE(m.chargeWrite('C', 10).ok());
    EXPECT_TRUE(m.chargeWrite('A', 0).ok());
    EXPECT_EQ(m.chargeWrite('C', 0).error().code, (DWORD)ERROR_WRITE_FAULT);
    EXPECT_TRUE(m.chargeWrite('C', 10).ok());
}

TEST(MachineSettings, RoundTripAndErrorsNameFileAndLine) {
    auto s = TempMachine::defaultSettings();
    s.versionMajor = 3;
    s.versionMinor = 95;
    s.screenWidth = 640;
    s.screenHeight = 480;
    s.timeZoneMinutes = 60;
    s.openFiles = {"C:\\WINDOWS\\SYSTEM\\busy.drv"};
    s.atoms = {"bi-di.386"};
    s.windows = {{"WLInstallWClass", "Norvalk Driver Installation"}};
    s.drives['C'].fullAfter = 1234;
    s.failAllocation = 7;
    s.failWrite = 12;
    auto text = nv::machine::formatSettings(s);
    auto back = nv::machine::parseSettings(text, "machine.ini");
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_EQ(back->versionMajor, 3);
    EXPECT_EQ(back->versionMinor, 95);
    EXPECT_EQ(back->screenWidth, 640);
    EXPECT_EQ(back->timeZoneMinutes, 60);
    EXPECT_EQ(back->openFiles, s.openFiles);
    EXPECT_EQ(back->atoms, s.atoms);
    ASSERT_EQ(back->windows.size(), 1u);
    EXPECT_EQ(back->windows[0].className, "WLInstallWClass");
    EXPECT_EQ(back->drives.at('C').fullAfter, 1234u);
    EXPECT_EQ(back->drives.at('A').kind, nv::machine::DriveKind::Removable);
    EXPECT_EQ(back->failAllocation, 7);
    EXPECT_EQ(back->failWrite, 12);

    auto v31 = nv::machine::parseSettings("[machine]\nversion=3.1\n", "m.ini");
    ASSERT_TRUE(v31.ok());
    EXPECT_EQ(v31->versionMinor, 10);

    auto bad = nv::machine::parseSettings("[machine]\nversion=4.0\nscreen=huge\n", "m.ini");
    ASSERT_FALSE(bad.ok());
    EXPECT_NE(bad.error().message.find("m.ini:3"), std::string::npos) << bad.error().message;
    EXPECT_NE(bad.error().message.find("screen=huge"), std::string::npos);

    auto escape = nv::machine::parseSettings("[drive C]\nfolder=../../etc\n", "m.ini");
    ASSERT_FALSE(escape.ok());
    EXPECT_NE(escape.error().message.find("m.ini:2"), std::string::npos);
}

TEST(MachineSettings, DriveFoldersStayBelowTheMachineDirectory) {
    EXPECT_TRUE(nv::machine::isDriveFolder("drives/C"));
    EXPECT_TRUE(nv::machine::isDriveFolder("disk1"));
    for (const char* bad : {"", ".", "./", "drives//C", "drives/./C", "drives/", "/etc", "..", "a/../b", "disk..1",
                            "a\nb"})
        EXPECT_FALSE(nv::machine::isDriveFolder(bad)) << bad;
}

TEST(MachineSettings, HeldOpenFilesCompareFullPathsWithoutCase) {
    auto s = TempMachine::defaultSettings();
    s.openFiles = {"c:/windows/system/BUSY.DRV"};
    TempMachine tm(s);
    EXPECT_TRUE(tm.machine().isHeldOpen("C:\\WINDOWS\\SYSTEM\\busy.drv"));
    EXPECT_FALSE(tm.machine().isHeldOpen("C:\\WINDOWS\\SYSTEM\\free.drv"));
}
