#include "shared/PathOps.h"

#include <filesystem>

#include "ProgramTest.h"

using nv::testing::ProgramTest;

TEST(PathParts, FileNameAndExtension) {
    EXPECT_STREQ(FileNamePart("A:DRIVER.DRV"), "DRIVER.DRV");
    EXPECT_STREQ(FileNamePart("C:\\WINDOWS\\SYSTEM\\x.386"), "x.386");
    EXPECT_STREQ(FileNamePart("dir/name"), "name");
    EXPECT_STREQ(FileNamePart("plain"), "plain");
    EXPECT_STREQ(FileNamePart("C:\\dir\\"), "");
    EXPECT_STREQ(ExtensionPart("NAME.TAR.GZ"), "TAR.GZ");
    EXPECT_EQ(ExtensionPart("NAME"), nullptr);
}

class Backups : public ProgramTest {};

TEST_F(Backups, NamesCountUpFromB00) {
    tm().put('C', "WINDOWS/SYSTEM.INI", "[boot]\r\n");
    char out[BACKUP_PATH_SIZE];
    ASSERT_EQ(MakeBackup("C:\\WINDOWS\\SYSTEM.INI", out), 1);
    EXPECT_STREQ(out, "C:\\WINDOWS\\SYSTEM.B00");
    ASSERT_EQ(MakeBackup("C:\\WINDOWS\\SYSTEM.INI", out), 1);
    EXPECT_STREQ(out, "C:\\WINDOWS\\SYSTEM.B01");
    EXPECT_EQ(file("WINDOWS/SYSTEM.B01"), "[boot]\r\n");
}

TEST_F(Backups, NoNameWithoutAnExtensionInTheFileName) {
    // The only dot lies in the Windows directory: no backup name, no copy.
    std::strcpy(state.windowsDir, "C:\\WIN.95");
    tm().put('C', "WIN.95/SYSTEM", "x");
    char out[BACKUP_PATH_SIZE];
    EXPECT_EQ(NextBackupName("C:\\WIN.95\\SYSTEM", out), 0);
    EXPECT_STREQ(out, "C:\\WIN.95\\SYSTEM");
    EXPECT_EQ(MakeBackup("C:\\WIN.95\\SYSTEM", out), 0);
    // A dot in a directory further down is no extension either.
    tm().put('C', "DATA.D/FILE", "x");
    EXPECT_EQ(NextBackupName("C:\\DATA.D\\FILE", out), 0);
}

// A dot in a directory name before the file name: the backup takes the file
// name's own extension.
TEST_F(Backups, ADotInADirectoryNameLeavesTheFileNamesExtension) {
    tm().put('C', "WINDOWS/ZX.NET/ZXNET.INI", "[a]\r\n");
    char out[BACKUP_PATH_SIZE];
    ASSERT_EQ(NextBackupName("C:\\WINDOWS\\ZX.NET\\ZXNET.INI", out), 1);
    EXPECT_STREQ(out, "C:\\WINDOWS\\ZX.NET\\ZXNET.B00");
    tm().put('C', "MY.DIR/SUB.D/SYSTEM.INI", "[a]\r\n");
    ASSERT_EQ(MakeBackup("C:\\MY.DIR\\SUB.D\\SYSTEM.INI", out), 1);
    EXPECT_STREQ(out, "C:\\MY.DIR\\SUB.D\\SYSTEM.B00");
    EXPECT_EQ(file("MY.DIR/SUB.D/SYSTEM.B00"), "[a]\r\n");
}

TEST_F(Backups, ShortAndLongExtensionsStayValid) {
    char out[BACKUP_PATH_SIZE];
    ASSERT_EQ(NextBackupName("C:\\A.X", out), 1);
    EXPECT_STREQ(out, "C:\\A.B00");
    ASSERT_EQ(NextBackupName("C:\\A.", out), 1);
    EXPECT_STREQ(out, "C:\\A.B00");
    ASSERT_EQ(NextBackupName("C:\\A.ABCD", out), 1);
    EXPECT_STREQ(out, "C:\\A.B00D");
    char tiny[6];
    EXPECT_EQ(NextBackupName("C:\\A.X", tiny), 0);  // no room for the name
}

TEST_F(Backups, MissingFileMakesNothing) {
    char out[BACKUP_PATH_SIZE];
    EXPECT_EQ(MakeBackup("C:\\WINDOWS\\NONE.INI", out), 0);
    EXPECT_FALSE(exists("WINDOWS/NONE.B00"));
}

TEST_F(Backups, FullSetReusesTheOldest) {
    for (int n = 0; n < 100; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "WINDOWS/SYSTEM.B%02d", n);
        tm().put('C', name, "old");
        // B37 is the oldest.
        auto when = std::filesystem::file_time_type::clock::now() - std::chrono::hours(n == 37 ? 100 : 1);
        std::filesystem::last_write_time(tm().host('C', name), when);
    }
    tm().put('C', "WINDOWS/SYSTEM.INI", "new");
    char out[BACKUP_PATH_SIZE];
    ASSERT_EQ(MakeBackup("C:\\WINDOWS\\SYSTEM.INI", out), 1);
    EXPECT_STREQ(out, "C:\\WINDOWS\\SYSTEM.B37");
    EXPECT_EQ(file("WINDOWS/SYSTEM.B37"), "new");
}

TEST_F(Backups, FailedCopyLeavesNoBackup) {
    tm().put('C', "WINDOWS/SYSTEM.INI", std::string(5000, 'x'));
    tm().machine().drive('C')->fullAfter = 100;
    char out[BACKUP_PATH_SIZE];
    EXPECT_EQ(MakeBackup("C:\\WINDOWS\\SYSTEM.INI", out), 0);
    EXPECT_FALSE(exists("WINDOWS/SYSTEM.B00"));
}
