// A hostile or unlucky machine directory: links planted where temporary files
// go, files that exist but cannot be read, pipes where files belong. Nothing
// may be written outside the machine, no file may be lost, nothing may hang.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <windows.h>

#include "TempMachine.h"
#include "Unprivileged.h"
#include "platform/core/Machine.h"
#include "platform/registry/RegistryStore.h"

namespace fs = std::filesystem;
using nv::testing::TempDir;
using nv::testing::TempMachine;

namespace {

constexpr char kWinIni[] = "[windows]\r\nload=\r\nrun=\r\n; keep me\r\n[Devices]\r\nPrinter=WINSPOOL,LPT1:\r\n";

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A file outside every machine, where a planted link points.
struct Outside {
    TempDir dir;
    fs::path file = dir.path() / "victim.txt";
    Outside() { std::ofstream(file) << "untouched"; }
    bool untouched() const { return slurp(file) == "untouched"; }
};

class HostileFiles : public ::testing::Test {
protected:
    void SetUp() override {
        tm.put('C', "WINDOWS/WIN.INI", kWinIni);
        tm.put('C', "WINDOWS/SYSTEM/x", "");
    }
    std::string getWin(const char* section, const char* key) {
        char buf[64] = "poison";
        GetPrivateProfileStringA(section, key, "dflt", buf, sizeof buf, "WIN.INI");
        return buf;
    }
    TempMachine tm;
};

}  // namespace

TEST_F(HostileFiles, LinksAtTemporaryNamesAreNeverFollowed) {
    Outside outside;
    // The names the atomic writes once used, and a guess at a fresh one.
    for (const char* name : {"WIN.INI.~nvtmp", "WIN.INI.tmp", ".WIN.INI.tmp"})
        fs::create_symlink(outside.file, tm.host('C', std::string("WINDOWS/") + name));
    ASSERT_TRUE(WritePrivateProfileStringA("windows", "load", "NVMON.EXE", "WIN.INI"));
    EXPECT_TRUE(outside.untouched());
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(tm.host('C', "WINDOWS/WIN.INI"))));
    EXPECT_EQ(getWin("windows", "load"), "NVMON.EXE");

    fs::create_symlink(outside.file, tm.dir() / "machine.ini.tmp");
    fs::create_symlink(outside.file, tm.dir() / "registry.reg.tmp");
    tm.machine().settings().screenWidth = 1024;
    ASSERT_TRUE(tm.machine().save().ok());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Norvalk", &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_TRUE(outside.untouched());
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(tm.dir() / "machine.ini")));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(tm.dir() / "registry.reg")));
}

TEST_F(HostileFiles, LinksAreRefusedAtEveryComponent) {
    Outside outside;
    fs::create_directory_symlink(outside.dir.path(), tm.host('C', "WINDOWS/OUT"));
    fs::create_symlink(outside.file, tm.host('C', "WINDOWS/LINK.INI"));
    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileStringA("a", "b", "c", "C:\\WINDOWS\\OUT\\victim.txt"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_FALSE(WritePrivateProfileStringA("a", "b", "c", "C:\\WINDOWS\\LINK.INI"));
    HANDLE h = CreateFileA("C:\\WINDOWS\\OUT\\victim.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(outside.untouched());

    // A registry file reached through a linked folder is refused, not read or written.
    fs::create_directory_symlink(outside.dir.path(), tm.dir() / "regs");
    tm.machine().settings().registryFile = "regs/victim.txt";
    nv::registry::RegistryStore store(tm.machine());
    ASSERT_TRUE(store.loadError().has_value());
    EXPECT_NE(store.loadError()->message.find("symbolic links"), std::string::npos) << store.loadError()->message;
    EXPECT_FALSE(store.save().ok());
    EXPECT_TRUE(outside.untouched());
}

TEST_F(HostileFiles, AFileThatCannotBeReadIsNeverReplaced) {
    const fs::path ini = tm.host('C', "WINDOWS/WIN.INI");
    fs::permissions(tm.host('C', "WINDOWS"), fs::perms::all);  // anyone may create files beside it
    fs::permissions(ini, fs::perms::none);
    std::string outcome = nv::testing::runUnprivileged([&]() -> std::string {
        if (getWin("Devices", "Printer") != "dflt")
            return "a read of an unreadable file did not give the default";
        SetLastError(0);
        if (WritePrivateProfileStringA("windows", "load", "NVMON.EXE", "WIN.INI"))
            return "the write over an unreadable file succeeded";
        if (GetLastError() != ERROR_ACCESS_DENIED)
            return "last error " + std::to_string(GetLastError()) + ", not ERROR_ACCESS_DENIED";
        if (WriteProfileStringA("Devices", nullptr, nullptr))
            return "deleting a section of an unreadable file succeeded";
        return "";
    });
    if (outcome.rfind("skip:", 0) == 0)
        GTEST_SKIP() << outcome;
    EXPECT_EQ(outcome, "");
    fs::permissions(ini, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(slurp(ini), kWinIni);
}

TEST_F(HostileFiles, AFileHeldOpenIsReadAsDefaultAndNotReplaced) {
    tm.machine().settings().openFiles = {"C:\\WINDOWS\\WIN.INI"};
    EXPECT_EQ(getWin("Devices", "Printer"), "dflt");
    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileStringA("windows", "load", "X", "WIN.INI"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    EXPECT_EQ(tm.get('C', "WINDOWS/WIN.INI"), kWinIni);
}

TEST_F(HostileFiles, PipesAndDevicesAreRefusedWithoutHanging) {
    // A read that blocked would hang the test; the alarm ends it instead.
    ::alarm(20);
    fs::remove(tm.host('C', "WINDOWS/WIN.INI"));
    ASSERT_EQ(::mkfifo(tm.host('C', "WINDOWS/WIN.INI").c_str(), 0666), 0);
    ASSERT_EQ(::mkfifo(tm.host('C', "INSTALL.INF").c_str(), 0666), 0);
    EXPECT_EQ(getWin("windows", "load"), "dflt");
    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileStringA("windows", "load", "X", "WIN.INI"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    for (DWORD access : {DWORD(GENERIC_READ), DWORD(GENERIC_WRITE)}) {
        SetLastError(0);
        HANDLE h = CreateFileA("C:\\INSTALL.INF", access, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(h, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    }
    OFSTRUCT of{};
    EXPECT_EQ(OpenFile("C:\\INSTALL.INF", &of, OF_READ), HFILE_ERROR);
    EXPECT_EQ(GetFileAttributesA("C:\\INSTALL.INF"), INVALID_FILE_ATTRIBUTES);
    WIN32_FIND_DATAA fd{};
    HANDLE find = FindFirstFileA("C:\\*.INF", &fd);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << fd.cFileName;  // the pipe is not a file to list
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    EXPECT_TRUE(fs::is_fifo(tm.host('C', "INSTALL.INF")));
    // A device node (made only where the user may make one).
    if (::mknod(tm.host('C', "NULL.DRV").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        HANDLE h = CreateFileA("C:\\NULL.DRV", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    }
    ::alarm(0);
}

TEST_F(HostileFiles, ProfileReadsOfOneFileCostOneRead) {
    const uint64_t before = tm.machine().store().wholeReads();
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(getWin("Devices", "Printer"), "WINSPOOL,LPT1:");
    EXPECT_EQ(tm.machine().store().wholeReads() - before, 1u);

    // A write keeps the parsed copy current: no read after it either.
    ASSERT_TRUE(WritePrivateProfileStringA("windows", "load", "A.EXE", "WIN.INI"));
    EXPECT_EQ(getWin("windows", "load"), "A.EXE");
    EXPECT_EQ(tm.machine().store().wholeReads() - before, 1u);

    // Nor after writes to another file through its handle (an install
    // copies files between its INI writes).
    HANDLE other = CreateFileA("C:\\OTHER.DAT", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(other, "data", 4, &written, nullptr));
    ASSERT_TRUE(SetEndOfFile(other));
    CloseHandle(other);
    EXPECT_EQ(getWin("windows", "load"), "A.EXE");
    EXPECT_EQ(tm.machine().store().wholeReads() - before, 1u);

    // A change made outside (same size, another inode) is seen at once.
    std::string text = tm.get('C', "WINDOWS/WIN.INI");
    text.replace(text.find("A.EXE"), 5, "B.EXE");
    tm.put('C', "WINDOWS/WIN.INI.new", text);
    fs::rename(tm.host('C', "WINDOWS/WIN.INI.new"), tm.host('C', "WINDOWS/WIN.INI"));
    EXPECT_EQ(getWin("windows", "load"), "B.EXE");

    // And one made in place through a file handle, within the same clock tick.
    HANDLE h = CreateFileA("C:\\WINDOWS\\WIN.INI", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFilePointer(h, static_cast<LONG>(text.find("B.EXE")), nullptr, FILE_BEGIN);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "C", 1, &n, nullptr));
    CloseHandle(h);
    EXPECT_EQ(getWin("windows", "load"), "C.EXE");
}
