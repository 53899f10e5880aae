// Read-only folders (the machine's readOnlyFolders setting): every call that
// creates, writes, deletes or renames at or below such a folder fails with
// ERROR_ACCESS_DENIED and changes nothing; reading works, and a sibling that
// only shares the name's beginning is an ordinary folder.
#include <gtest/gtest.h>
#include <windows.h>

#include "TempMachine.h"

namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;

using nv::testing::TempMachine;

class ReadOnlyFolder : public ::testing::Test {
protected:
    ReadOnlyFolder() {
        m.put('C', "DRV/OLD.DLL", "old");
        m.put('C', "DRV/SUB/DEEP.DLL", "deep");
        m.put('C', "DRVX/FREE.DLL", "free");
        EXPECT_EQ(m.setting("readOnlyFolders", "c:\\drv\\ ; C:\\OTHER"), "");
    }
    // The call's result and its last error, set to a sentinel first.
    template <typename Call>
    std::pair<BOOL, DWORD> attempt(Call call) {
        SetLastError(kSentinel);
        BOOL ok = call() ? TRUE : FALSE;
        return {ok, GetLastError()};
    }
    static std::pair<BOOL, DWORD> denied() { return {FALSE, ERROR_ACCESS_DENIED}; }
    TempMachine m;
};

TEST_F(ReadOnlyFolder, SettingTakesFullDirectoriesOnly) {
    EXPECT_EQ(m.machine().settings().readOnlyFolders, (std::vector<std::string>{"c:\\drv", "C:\\OTHER"}));
    EXPECT_NE(m.setting("readOnlyFolders", "DRV"), "");
    EXPECT_NE(m.setting("readOnlyFolders", "C:\\A;C:\\B|C"), "");
    EXPECT_EQ(m.machine().settings().readOnlyFolders.size(), 2u);  // a refused value changes nothing
    EXPECT_EQ(m.setting("readOnlyFolders", ""), "");
    EXPECT_TRUE(m.machine().settings().readOnlyFolders.empty());
}

TEST_F(ReadOnlyFolder, FolderItselfCannotBeRemovedOrRenamed) {
    EXPECT_EQ(attempt([] { return RemoveDirectoryA("C:\\DRV\\SUB"); }), denied());
    EXPECT_EQ(attempt([] { return MoveFileA("C:\\DRV", "C:\\MOVED"); }), denied());
    EXPECT_EQ(attempt([] { return MoveFileA("C:\\DRVX", "C:\\DRV\\DRVX"); }), denied());
    EXPECT_EQ(attempt([] { return SetFileAttributesA("C:\\DRV", FILE_ATTRIBUTE_NORMAL); }), denied());
    // Reaching it in another case or through ".." changes nothing.
    EXPECT_EQ(attempt([] { return CreateDirectoryA("c:\\DRVX\\..\\drv\\NEW", nullptr); }), denied());
    EXPECT_NE(GetFileAttributesA("C:\\DRV"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA("C:\\DRV\\NEW"), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA("C:\\DRVX"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ReadOnlyFolder, FilesInItAndBelowAreReadOnly) {
    for (const char* dir : {"C:\\DRV", "C:\\DRV\\SUB"}) {
        SCOPED_TRACE(dir);
        std::string base = dir;
        std::string existing = base + (base == "C:\\DRV" ? "\\OLD.DLL" : "\\DEEP.DLL");
        std::string fresh = base + "\\NEW.DLL";
        EXPECT_EQ(attempt([&] {
                      return CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr) !=
                             INVALID_HANDLE_VALUE;
                  }),
                  denied());
        EXPECT_EQ(attempt([&] {
                      return CreateFileA(existing.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr) !=
                             INVALID_HANDLE_VALUE;
                  }),
                  denied());
        OFSTRUCT ofs{};
        EXPECT_EQ(OpenFile(fresh.c_str(), &ofs, OF_CREATE), HFILE_ERROR);
        EXPECT_EQ(ofs.nErrCode, ERROR_ACCESS_DENIED);
        EXPECT_EQ(OpenFile(existing.c_str(), &ofs, OF_DELETE), HFILE_ERROR);
        EXPECT_EQ(attempt([&] { return DeleteFileA(existing.c_str()); }), denied());
        EXPECT_EQ(attempt([&] { return CopyFileA("C:\\DRVX\\FREE.DLL", fresh.c_str(), FALSE); }), denied());
        EXPECT_EQ(attempt([&] { return MoveFileA(existing.c_str(), "C:\\DRVX\\TAKEN.DLL"); }), denied());
        EXPECT_EQ(attempt([&] { return MoveFileA("C:\\DRVX\\FREE.DLL", fresh.c_str()); }), denied());
        EXPECT_EQ(attempt([&] { return CreateDirectoryA((base + "\\D").c_str(), nullptr); }), denied());
        EXPECT_EQ(attempt([&] { return WritePrivateProfileStringA("S", "K", "V", (base + "\\X.INI").c_str()); }),
                  denied());
        EXPECT_EQ(GetFileAttributesA(fresh.c_str()), INVALID_FILE_ATTRIBUTES);

        // Reading and copying out work.
        HANDLE h = CreateFileA(existing.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
        EXPECT_TRUE(CopyFileA(existing.c_str(), "C:\\DRVX\\COPY.DLL", FALSE));
        EXPECT_TRUE(DeleteFileA("C:\\DRVX\\COPY.DLL"));
    }
    EXPECT_EQ(m.get('C', "DRV/OLD.DLL"), "old");
    EXPECT_EQ(m.get('C', "DRV/SUB/DEEP.DLL"), "deep");
    EXPECT_EQ(m.get('C', "DRVX/FREE.DLL"), "free");
}

TEST_F(ReadOnlyFolder, SiblingWithTheSameBeginningIsWritable) {
    EXPECT_TRUE(CreateDirectoryA("C:\\DRVX\\D", nullptr));
    HANDLE h = CreateFileA("C:\\DRVX\\NEW.DLL", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_TRUE(WritePrivateProfileStringA("S", "K", "V", "C:\\DRVX\\X.INI"));
    EXPECT_TRUE(MoveFileA("C:\\DRVX\\NEW.DLL", "C:\\DRVX\\D\\NEW.DLL"));
    EXPECT_TRUE(DeleteFileA("C:\\DRVX\\FREE.DLL"));
    EXPECT_TRUE(CreateDirectoryA("C:\\DR", nullptr));  // a shorter name is no folder below it either
}

// A root in the list protects the whole drive, as a read-only drive would,
// but with the folder's answer.
TEST_F(ReadOnlyFolder, RootCoversTheDrive) {
    EXPECT_EQ(m.setting("readOnlyFolders", "C:\\"), "");
    EXPECT_EQ(attempt([] { return CreateDirectoryA("C:\\ANY", nullptr); }), denied());
    EXPECT_EQ(attempt([] { return DeleteFileA("C:\\DRVX\\FREE.DLL"); }), denied());
}

}  // namespace
