// Conformance tests of the file functions: a sentinel last error before each
// call, poisoned buffers, and buffers that fit, fit exactly or are one short.
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>

#include <gtest/gtest.h>
#include <windows.h>

#include "TempMachine.h"
#include "platform/core/Trace.h"
#include "platform/kernel/FileOps.h"
#include "platform/kernel/FileTable.h"

namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;

using nv::testing::TempMachine;

class Files : public ::testing::Test {
protected:
    explicit Files(nv::machine::Settings s = TempMachine::defaultSettings()) : m(std::move(s)) {
        m.put('C', "WINDOWS/SYSTEM/KEEP.DLL", "");
        m.put('C', "WINDOWS/WIN.INI", "[windows]\r\n");
    }
    std::string read(const char* path) {
        HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
        std::string out;
        char buf[256];
        DWORD n = 0;
        while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n)
            out.append(buf, n);
        CloseHandle(h);
        return out;
    }
    TempMachine m;
};

// ------------------------------------------------------------------ OpenFile

TEST_F(Files, OpenFileExistFillsTheStructure) {
    m.put('C', "WINDOWS/SYSTEM/LPT.VXD", "MZxx");
    OFSTRUCT ofs;
    std::memset(&ofs, 0xCC, sizeof ofs);
    SetLastError(kSentinel);
    EXPECT_EQ(OpenFile("c:\\windows\\system\\lpt.vxd", &ofs, OF_EXIST), 1);
    EXPECT_EQ(ofs.cBytes, sizeof(OFSTRUCT));
    EXPECT_EQ(ofs.nErrCode, 0);
    EXPECT_EQ(ofs.fFixedDisk, 1);
    EXPECT_STREQ(ofs.szPathName, "C:\\windows\\system\\lpt.vxd");  // the drive letter in upper case
    EXPECT_EQ(m.machine().currentDirectory(), "C:\\");  // nothing else moved

    std::memset(&ofs, 0xCC, sizeof ofs);
    EXPECT_EQ(OpenFile("C:\\WINDOWS\\SYSTEM\\NONE.VXD", &ofs, OF_EXIST), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ofs.nErrCode, ERROR_FILE_NOT_FOUND);
    EXPECT_STREQ(ofs.szPathName, "C:\\WINDOWS\\SYSTEM\\NONE.VXD");

    EXPECT_EQ(OpenFile("C:\\NOWHERE\\NONE.VXD", &ofs, OF_EXIST), HFILE_ERROR);
    EXPECT_EQ(ofs.nErrCode, ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(OpenFile("C:\\WINDOWS", &ofs, OF_EXIST), HFILE_ERROR);  // a directory is not a file
    EXPECT_EQ(ofs.nErrCode, ERROR_ACCESS_DENIED);
    EXPECT_EQ(nv::kernel::files().openCount(), 0u);  // OF_EXIST closes what it opened
}

TEST_F(Files, OpenFileCreateWriteReadDelete) {
    OFSTRUCT ofs{};
    HFILE h = OpenFile("C:\\NEW.TXT", &ofs, OF_CREATE);
    ASSERT_NE(h, HFILE_ERROR);
    EXPECT_GE(h, 0x1000);  // never in the LZ handle range 0x400..0x40F
    EXPECT_EQ(_lwrite(h, "hello world", 11), 11u);
    EXPECT_EQ(_llseek(h, 0, FILE_BEGIN), 0);
    char buf[16] = {};
    EXPECT_EQ(_lread(h, buf, sizeof buf), 11u);  // a created file reads back
    EXPECT_EQ(_lclose(h), 0);
    EXPECT_EQ(m.get('C', "NEW.TXT"), "hello world");

    // OF_CREATE on an existing file truncates it.
    h = OpenFile("C:\\new.txt", &ofs, OF_CREATE);
    ASSERT_NE(h, HFILE_ERROR);
    _lclose(h);
    EXPECT_EQ(m.get('C', "NEW.TXT"), "");

    // OF_WRITE keeps the content: the two bytes land at the start.
    m.put('C', "LPT.VXD", "xxrest");
    h = OpenFile("C:\\LPT.VXD", &ofs, OF_WRITE);
    ASSERT_NE(h, HFILE_ERROR);
    EXPECT_EQ(_lread(h, buf, 2), static_cast<UINT>(HFILE_ERROR));  // write-only
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(_lwrite(h, "MZ", 2), 2u);
    _lclose(h);
    EXPECT_EQ(m.get('C', "LPT.VXD"), "MZrest");

    EXPECT_EQ(OpenFile("C:\\LPT.VXD", &ofs, OF_DELETE), 1);
    EXPECT_FALSE(std::filesystem::exists(m.host('C', "LPT.VXD")));
    SetLastError(kSentinel);
    EXPECT_EQ(OpenFile("C:\\LPT.VXD", &ofs, OF_DELETE), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(Files, OpenFileParseSearchReopenAndLongNames) {
    OFSTRUCT ofs{};
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\WINDOWS"));
    EXPECT_EQ(OpenFile("..\\x\\..\\y.txt", &ofs, OF_PARSE), 0);
    EXPECT_STREQ(ofs.szPathName, "C:\\y.txt");
    EXPECT_FALSE(std::filesystem::exists(m.host('C', "y.txt")));

    // A bare name is searched for; the system directory comes before the Windows one.
    m.put('C', "WINDOWS/SYSTEM/BOTH.INI", "sys");
    m.put('C', "WINDOWS/BOTH.INI", "win");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    EXPECT_EQ(OpenFile("keep.dll", &ofs, OF_EXIST), 1);
    EXPECT_STREQ(ofs.szPathName, "C:\\WINDOWS\\SYSTEM\\keep.dll");
    EXPECT_EQ(OpenFile("BOTH.INI", &ofs, OF_EXIST), 1);
    EXPECT_STREQ(ofs.szPathName, "C:\\WINDOWS\\SYSTEM\\BOTH.INI");

    // OF_REOPEN takes the name from the structure.
    HFILE h = OpenFile(nullptr, &ofs, OF_REOPEN | OF_READ);
    ASSERT_NE(h, HFILE_ERROR);
    char buf[4] = {};
    EXPECT_EQ(_lread(h, buf, 3), 3u);
    EXPECT_STREQ(buf, "sys");
    _lclose(h);

    // A path the structure cannot hold is refused, not cut.
    std::string deep = "C:\\" + std::string(130, 'd') + ".TXT";
    std::memset(&ofs, 0xCC, sizeof ofs);
    EXPECT_EQ(OpenFile(deep.c_str(), &ofs, OF_CREATE), HFILE_ERROR);
    EXPECT_EQ(ofs.nErrCode, ERROR_FILENAME_EXCED_RANGE);
}

// OFSTRUCT holds 127 characters and a NUL: a full path of 127 opens, one of
// 128 is refused.
TEST_F(Files, OpenFilePathAtTheStructureLimit) {
    OFSTRUCT ofs;
    std::string fits = "C:\\" + std::string(124, 'f');  // 127 characters
    ASSERT_EQ(fits.size(), 127u);
    HFILE h = OpenFile(fits.c_str(), &ofs, OF_CREATE);
    ASSERT_NE(h, HFILE_ERROR);
    _lclose(h);
    EXPECT_EQ(std::string(ofs.szPathName), fits);
    std::string over = fits + "g";
    std::memset(&ofs, 0xCC, sizeof ofs);
    EXPECT_EQ(OpenFile(over.c_str(), &ofs, OF_CREATE), HFILE_ERROR);
    EXPECT_EQ(ofs.nErrCode, ERROR_FILENAME_EXCED_RANGE);
}

TEST_F(Files, OpenFilePromptRetriesThroughTheHook) {
    int asked = 0;
    nv::kernel::setOpenPromptHook([&](const std::string& path) {
        ++asked;
        EXPECT_EQ(path, "A:\\DISK2.TAG");
        if (asked == 2)
            m.put('A', "DISK2.TAG", "");  // the user inserted the disk
        return asked < 3;
    });
    OFSTRUCT ofs{};
    EXPECT_EQ(OpenFile("A:\\DISK2.TAG", &ofs, OF_EXIST | OF_PROMPT), 1);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(OpenFile("A:\\NONE.TAG", &ofs, OF_EXIST), HFILE_ERROR);  // no prompt without the flag
    EXPECT_EQ(asked, 2);
    nv::kernel::setOpenPromptHook(nullptr);
    EXPECT_EQ(OpenFile("A:\\NONE.TAG", &ofs, OF_EXIST | OF_PROMPT), HFILE_ERROR);
}

TEST_F(Files, LcreatMakesAWritableFileAndKeepsTheReadOnlyAttribute) {
    m.put('C', "OLD.TXT", "old content");
    HFILE h = _lcreat("C:\\OLD.TXT", 0);
    ASSERT_NE(h, HFILE_ERROR);
    EXPECT_EQ(m.get('C', "OLD.TXT"), "");  // truncated
    EXPECT_EQ(_lwrite(h, "new", 3), 3u);
    EXPECT_EQ(_llseek(h, 0, FILE_BEGIN), 0);
    char buf[4] = {};
    EXPECT_EQ(_lread(h, buf, 3), 3u);
    _lclose(h);
    h = _lcreat("C:\\RO.TXT", FILE_ATTRIBUTE_READONLY);
    ASSERT_NE(h, HFILE_ERROR);
    EXPECT_EQ(_lwrite(h, "x", 1), 1u);  // the handle that made it may still write
    _lclose(h);
    SetLastError(kSentinel);
    EXPECT_EQ(_lcreat("C:\\RO.TXT", 0), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(Files, CallsAreTraced) {
    m.put('C', "T.TXT", "t");
    nv::trace::startCapture();
    OFSTRUCT ofs{};
    HFILE h = OpenFile("C:\\T.TXT", &ofs, OF_READ);
    char c;
    _lread(h, &c, 1);
    _lclose(h);
    OpenFile("C:\\NONE.TXT", &ofs, OF_EXIST);
    auto lines = nv::trace::stopCapture();
    const std::vector<std::string> expected = {
        "OpenFile(\"C:\\T.TXT\", 0) = " + std::to_string(h),
        "_lread(" + std::to_string(h) + ", 1) = 1",
        "_lclose(" + std::to_string(h) + ") = 0",
        "OpenFile(\"C:\\NONE.TXT\", 16384) = -1",
    };
    EXPECT_EQ(lines, expected);
}

// ------------------------------------------------------------------ handles and positions

TEST_F(Files, HandlesSeekTruncateAndStaleUse) {
    m.put('C', "DATA.BIN", "0123456789");
    HFILE h = _lopen("C:\\DATA.BIN", OF_READWRITE);
    ASSERT_NE(h, HFILE_ERROR);
    EXPECT_EQ(_llseek(h, 0, FILE_END), 10);
    EXPECT_EQ(_llseek(h, -4, FILE_CURRENT), 6);
    SetLastError(kSentinel);
    EXPECT_EQ(_llseek(h, -7, FILE_CURRENT), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(_llseek(h, 0, FILE_CURRENT), 6);  // a failed seek leaves the pointer
    EXPECT_EQ(_lwrite(h, "", 0), 0u);           // writing nothing cuts the file here
    EXPECT_EQ(m.get('C', "DATA.BIN"), "012345");

    // An HFILE is a HANDLE of the same value.
    HANDLE asHandle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(h));
    EXPECT_EQ(GetFileSize(asHandle, nullptr), 6u);
    EXPECT_EQ(SetFilePointer(asHandle, 2, nullptr, FILE_BEGIN), 2u);
    // A position beyond any size fails and leaves the pointer.
    LONG high = 0x7FFFFFFF;
    EXPECT_EQ(SetFilePointer(asHandle, -1, &high, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(SetFilePointer(asHandle, 0, nullptr, FILE_CURRENT), 2u);
    char buf[8] = {};
    DWORD n = 0;
    EXPECT_TRUE(ReadFile(asHandle, buf, 3, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "234");
    EXPECT_TRUE(CloseHandle(asHandle));

    SetLastError(kSentinel);
    EXPECT_EQ(_lread(h, buf, 1), static_cast<UINT>(HFILE_ERROR));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(_lclose(h), HFILE_ERROR);
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    // A new file never gets the old value back.
    HFILE h2 = _lopen("C:\\DATA.BIN", OF_READ);
    EXPECT_NE(h2, h);
    _lclose(h2);
}

// ------------------------------------------------------------------ CreateFileA

TEST_F(Files, CreateFileDispositions) {
    struct Case {
        bool exists;
        DWORD access;
        DWORD disposition;
        bool ok;
        DWORD error;  // after the call
        const char* content;
    };
    const Case cases[] = {
        {false, GENERIC_WRITE, CREATE_NEW, true, ERROR_SUCCESS, ""},
        {true, GENERIC_WRITE, CREATE_NEW, false, ERROR_FILE_EXISTS, "old"},
        {false, GENERIC_WRITE, CREATE_ALWAYS, true, ERROR_SUCCESS, ""},
        {true, GENERIC_WRITE, CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS, ""},
        {false, GENERIC_READ, OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND, nullptr},
        {true, GENERIC_READ, OPEN_EXISTING, true, ERROR_SUCCESS, "old"},
        {false, GENERIC_WRITE, OPEN_ALWAYS, true, ERROR_SUCCESS, ""},
        {true, GENERIC_WRITE, OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS, "old"},
        {true, GENERIC_WRITE, TRUNCATE_EXISTING, true, ERROR_SUCCESS, ""},
        {true, GENERIC_READ, TRUNCATE_EXISTING, false, ERROR_INVALID_PARAMETER, "old"},
        {false, GENERIC_WRITE, TRUNCATE_EXISTING, false, ERROR_FILE_NOT_FOUND, nullptr},
        {true, GENERIC_READ, 0, false, ERROR_INVALID_PARAMETER, "old"},
        {true, GENERIC_READ, 6, false, ERROR_INVALID_PARAMETER, "old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("disposition " + std::to_string(c.disposition) + (c.exists ? " existing" : " missing"));
        std::filesystem::remove(m.host('C', "F.TXT"));
        if (c.exists)
            m.put('C', "F.TXT", "old");
        SetLastError(kSentinel);
        HANDLE h = CreateFileA("C:\\F.TXT", c.access, 0, nullptr, c.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.ok);
        EXPECT_EQ(GetLastError(), c.error);
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        if (c.content) {
            EXPECT_EQ(m.get('C', "F.TXT"), c.content);
        } else {
            EXPECT_FALSE(std::filesystem::exists(m.host('C', "F.TXT")));
        }
    }

    SetLastError(kSentinel);
    EXPECT_EQ(CreateFileA("C:\\WINDOWS", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(CreateFileA("C:\\NO\\F.TXT", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(CreateFileA("Q:\\F.TXT", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    // A name differing only in case finds the existing file and keeps its case.
    m.put('C', "MixedCase.Txt", "x");
    HANDLE h = CreateFileA("C:\\MIXEDCASE.TXT", GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    CloseHandle(h);
    EXPECT_TRUE(std::filesystem::exists(m.host('C', "MixedCase.Txt")));
    EXPECT_FALSE(std::filesystem::exists(m.host('C', "MIXEDCASE.TXT")));

    // A created read-only file refuses a later write open.
    h = CreateFileA("C:\\RO.TXT", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(GetFileAttributesA("C:\\RO.TXT"), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(CreateFileA("C:\\RO.TXT", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(Files, SharingRules) {
    m.put('C', "S.TXT", "s");
    struct Case {
        DWORD access1, share1, access2, share2;
        bool ok;
    };
    const DWORD R = GENERIC_READ, W = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE;
    const Case cases[] = {
        {R, SR, R, SR, true},           {R, SR, W, SR | SW, false},     {R, 0, R, SR | SW, false},
        {R, SR | SW, W, SR | SW, true}, {W, SR, R, SR, false},          {W, SR, R, SR | SW, true},
        {R | W, SR | SW, R | W, SR | SW, true}, {R, SR | SW, R, SW, false}, {0, 0, R | W, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.access1 << "/" << c.share1 << " then " << c.access2 << "/"
                                          << c.share2);
        HANDLE a = CreateFileA("C:\\S.TXT", c.access1, c.share1, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(a, INVALID_HANDLE_VALUE);
        SetLastError(kSentinel);
        HANDLE b = CreateFileA("c:\\s.txt", c.access2, c.share2, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(b != INVALID_HANDLE_VALUE, c.ok);
        if (!c.ok) {
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        }
        if (b != INVALID_HANDLE_VALUE)
            CloseHandle(b);
        CloseHandle(a);
    }

    // OpenFile share modes map onto the same rules.
    OFSTRUCT o1{}, o2{};
    HFILE ex = OpenFile("C:\\S.TXT", &o1, OF_READ | OF_SHARE_EXCLUSIVE);
    ASSERT_NE(ex, HFILE_ERROR);
    EXPECT_EQ(OpenFile("C:\\S.TXT", &o2, OF_READ), HFILE_ERROR);
    EXPECT_EQ(o2.nErrCode, ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(DeleteFileA("C:\\S.TXT"));  // an open file cannot go
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    _lclose(ex);
    EXPECT_TRUE(DeleteFileA("C:\\S.TXT"));
}

TEST_F(Files, FilesTheSystemHoldsOpen) {
    m.put('C', "WINDOWS/SYSTEM/LPT.VXD", "vxd");
    m.machine().settings().openFiles.push_back("c:\\windows\\system\\lpt.vxd");
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFileA("C:\\WINDOWS\\SYSTEM\\LPT.VXD", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    HANDLE h = CreateFileA("C:\\WINDOWS\\SYSTEM\\LPT.VXD", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);  // reading alongside the system works
    CloseHandle(h);
    OFSTRUCT ofs{};
    EXPECT_EQ(OpenFile("C:\\WINDOWS\\SYSTEM\\LPT.VXD", &ofs, OF_EXIST), 1);
    EXPECT_EQ(OpenFile("C:\\WINDOWS\\SYSTEM\\LPT.VXD", &ofs, OF_CREATE), HFILE_ERROR);
    EXPECT_EQ(ofs.nErrCode, ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(DeleteFileA("C:\\WINDOWS\\SYSTEM\\LPT.VXD"));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    m.put('C', "NEW.VXD", "new");
    EXPECT_FALSE(CopyFileA("C:\\NEW.VXD", "C:\\WINDOWS\\SYSTEM\\LPT.VXD", FALSE));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(m.get('C', "WINDOWS/SYSTEM/LPT.VXD"), "vxd");
}

// ------------------------------------------------------------------ drive faults

nv::machine::Settings faultySettings() {
    auto s = TempMachine::defaultSettings();
    nv::machine::Drive d;
    d.letter = 'D';
    d.folder = "drives/D";
    d.readOnly = true;
    d.capacity = 650ull * 1024 * 1024;
    s.drives['D'] = d;
    s.drives['A'].readOnly = true;  // a write-protected floppy
    nv::machine::Drive e;
    e.letter = 'E';
    e.folder = "drives/E";
    e.failWrites = true;
    s.drives['E'] = e;
    nv::machine::Drive f;
    f.letter = 'F';
    f.folder = "drives/F";
    f.fullAfter = 10;
    s.drives['F'] = f;
    nv::machine::Drive g;
    g.letter = 'G';
    g.folder = "drives/G";
    g.kind = nv::machine::DriveKind::Removable;
    g.hasDisk = false;
    s.drives['G'] = g;
    return s;
}

class FaultyDrives : public Files {
protected:
    FaultyDrives() : Files(faultySettings()) {}
};

TEST_F(FaultyDrives, WritesFailAsTheDriveSays) {
    m.put('D', "CD.TXT", "cd");
    m.put('A', "DISK.TXT", "disk");
    OFSTRUCT ofs{};
    SetLastError(kSentinel);
    EXPECT_EQ(OpenFile("D:\\UTEMP.DAT", &ofs, OF_CREATE), HFILE_ERROR);
    EXPECT_EQ(ofs.nErrCode, ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenFile("A:\\UTEMP.DAT", &ofs, OF_CREATE), HFILE_ERROR);
    EXPECT_EQ(ofs.nErrCode, ERROR_WRITE_PROTECT);
    HFILE readable = OpenFile("D:\\CD.TXT", &ofs, OF_READ);  // reading a read-only drive works
    EXPECT_NE(readable, HFILE_ERROR);
    _lclose(readable);
    EXPECT_FALSE(DeleteFileA("D:\\CD.TXT"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(CreateDirectoryA("A:\\DIR", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_WRITE_PROTECT);
    EXPECT_EQ(m.get('D', "CD.TXT"), "cd");

    // A drive with write faults opens files but refuses the bytes.
    HFILE h = OpenFile("E:\\W.TXT", &ofs, OF_CREATE);
    ASSERT_NE(h, HFILE_ERROR);
    SetLastError(kSentinel);
    EXPECT_EQ(_lwrite(h, "abc", 3), static_cast<UINT>(HFILE_ERROR));
    EXPECT_EQ(GetLastError(), ERROR_WRITE_FAULT);
    _lclose(h);

    // A drive that fills after 10 more bytes.
    h = OpenFile("F:\\FULL.TXT", &ofs, OF_CREATE);
    ASSERT_NE(h, HFILE_ERROR);
    EXPECT_EQ(_lwrite(h, "12345678", 8), 8u);
    EXPECT_EQ(_llseek(h, 0, FILE_BEGIN), 0);
    EXPECT_EQ(_lwrite(h, "ABCDEFGH", 8), 8u);  // overwriting takes no new space
    EXPECT_EQ(_lwrite(h, "xyz", 3), static_cast<UINT>(HFILE_ERROR));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    _lclose(h);
    EXPECT_EQ(m.get('F', "FULL.TXT"), "ABCDEFGH");

    // A drive without a disk is not ready.
    EXPECT_EQ(OpenFile("G:\\SETUP.INF", &ofs, OF_EXIST), HFILE_ERROR);
    EXPECT_EQ(ofs.nErrCode, ERROR_NOT_READY);
}

TEST_F(FaultyDrives, CopyLeavesNoPartialFileOnAFullDisk) {
    m.put('C', "BIG.BIN", std::string(64, 'x'));
    m.put('C', "SMALL.BIN", "12345");
    SetLastError(kSentinel);
    EXPECT_TRUE(CopyFileA("C:\\SMALL.BIN", "F:\\SMALL.BIN", FALSE));
    EXPECT_EQ(m.get('F', "SMALL.BIN"), "12345");
    EXPECT_FALSE(CopyFileA("C:\\BIG.BIN", "F:\\BIG.BIN", FALSE));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_FALSE(std::filesystem::exists(m.host('F', "BIG.BIN")));
    EXPECT_FALSE(CopyFileA("C:\\SMALL.BIN", "E:\\SMALL.BIN", FALSE));
    EXPECT_EQ(GetLastError(), ERROR_WRITE_FAULT);
    EXPECT_FALSE(std::filesystem::exists(m.host('E', "SMALL.BIN")));
}

TEST_F(FaultyDrives, DiskFreeSpaceAndDriveTypes) {
    DWORD spc = kSentinel, bps = kSentinel, freeClusters = kSentinel, total = kSentinel;
    // The floppy: 2847 clusters of one sector, as a 1.44 MB disk reports.
    ASSERT_TRUE(GetDiskFreeSpaceA("A:\\", &spc, &bps, &freeClusters, &total));
    EXPECT_EQ(spc, 1u);
    EXPECT_EQ(bps, 512u);
    EXPECT_EQ(total, 2847u);
    EXPECT_EQ(freeClusters, 2847u);

    // 650 MB: 32 sectors a cluster keeps it under 65525 clusters.
    ASSERT_TRUE(GetDiskFreeSpaceA("d:", &spc, &bps, &freeClusters, &total));
    EXPECT_EQ(spc, 32u);
    EXPECT_EQ(total, 650u * 1024 * 1024 / (32 * 512));

    // fullAfter bounds the free space.
    ASSERT_TRUE(GetDiskFreeSpaceA("F:\\", &spc, &bps, &freeClusters, &total));
    EXPECT_EQ(static_cast<uint64_t>(spc) * bps * freeClusters, 0u);

    SetLastError(kSentinel);
    EXPECT_FALSE(GetDiskFreeSpaceA("G:\\", &spc, &bps, &freeClusters, &total));
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_FALSE(GetDiskFreeSpaceA("Q:\\", &spc, &bps, &freeClusters, &total));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(GetDiskFreeSpaceA("C:\\WINDOWS\\", &spc, &bps, &freeClusters, &total));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);

    EXPECT_EQ(GetDriveTypeA("A:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
    EXPECT_EQ(GetDriveTypeA("G:\\"), static_cast<UINT>(DRIVE_REMOVABLE));  // empty, still a drive
    EXPECT_EQ(GetDriveTypeA("c:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(GetDriveTypeA(nullptr), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
    EXPECT_EQ(GetDriveTypeA("C:\\WINDOWS"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));

    EXPECT_EQ(SetErrorMode(SEM_FAILCRITICALERRORS), 0u);
    EXPECT_EQ(SetErrorMode(0), static_cast<UINT>(SEM_FAILCRITICALERRORS));
}

TEST(DiskFreeSpace, LargeDrivesReportAtMostTwoGigabytes) {
    auto s = TempMachine::defaultSettings();
    s.drives['C'].capacity = 8ull * 1024 * 1024 * 1024;
    s.drives['C'].freeBytes = 6ull * 1024 * 1024 * 1024;
    TempMachine m(s);
    DWORD spc = 0, bps = 0, freeClusters = 0, total = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &spc, &bps, &freeClusters, &total));
    EXPECT_EQ(spc, 64u);
    EXPECT_EQ(total, 65525u);
    EXPECT_EQ(freeClusters, 65525u);
    EXPECT_LT(static_cast<uint64_t>(spc) * bps * freeClusters, 0x80000000ull);  // fits the program's 32-bit sum
}

// ------------------------------------------------------------------ files by name

TEST_F(Files, CopyDeleteMoveAndAttributes) {
    m.put('C', "SRC.TXT", "content");
    HANDLE h = CreateFileA("C:\\SRC.TXT", GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    const FILETIME old = {0xEA8EDE00u, 0x01BAD719u};
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &old));
    CloseHandle(h);

    EXPECT_TRUE(CopyFileA("C:\\SRC.TXT", "C:\\WINDOWS\\DST.TXT", TRUE));
    EXPECT_EQ(m.get('C', "WINDOWS/DST.TXT"), "content");
    h = CreateFileA("C:\\WINDOWS\\DST.TXT", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME copied{};
    ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &copied));
    CloseHandle(h);
    EXPECT_EQ(CompareFileTime(&copied, &old), 0);  // the copy keeps the source's time

    m.put('C', "WINDOWS/DST.TXT", "keep");
    SetLastError(kSentinel);
    EXPECT_FALSE(CopyFileA("C:\\SRC.TXT", "C:\\WINDOWS\\DST.TXT", TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(m.get('C', "WINDOWS/DST.TXT"), "keep");
    EXPECT_TRUE(CopyFileA("C:\\SRC.TXT", "C:\\WINDOWS\\DST.TXT", FALSE));
    EXPECT_EQ(m.get('C', "WINDOWS/DST.TXT"), "content");
    EXPECT_FALSE(CopyFileA("C:\\SRC.TXT", "C:\\src.txt", FALSE));  // onto itself
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(m.get('C', "SRC.TXT"), "content");
    EXPECT_FALSE(CopyFileA("C:\\NONE.TXT", "C:\\X.TXT", FALSE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    EXPECT_TRUE(MoveFileA("C:\\WINDOWS\\DST.TXT", "C:\\MOVED.TXT"));
    EXPECT_EQ(m.get('C', "MOVED.TXT"), "content");
    EXPECT_FALSE(MoveFileA("C:\\SRC.TXT", "C:\\MOVED.TXT"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(MoveFileA("C:\\MOVED.TXT", "C:\\Moved.txt"));  // a change of case renames
    EXPECT_TRUE(std::filesystem::exists(m.host('C', "Moved.txt")));
    EXPECT_FALSE(std::filesystem::exists(m.host('C', "MOVED.TXT")));
    EXPECT_TRUE(MoveFileA("C:\\MOVED.TXT", "A:\\MOVED.TXT"));  // across drives: copy and delete
    EXPECT_FALSE(std::filesystem::exists(m.host('C', "MOVED.TXT")));
    EXPECT_EQ(m.get('A', "MOVED.TXT"), "content");

    EXPECT_TRUE(SetFileAttributesA("C:\\SRC.TXT", FILE_ATTRIBUTE_READONLY));
    SetLastError(kSentinel);
    EXPECT_FALSE(DeleteFileA("C:\\SRC.TXT"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(SetFileAttributesA("C:\\SRC.TXT", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA("C:\\SRC.TXT"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(DeleteFileA("c:\\src.TXT"));
    EXPECT_EQ(GetFileAttributesA("C:\\SRC.TXT"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesA("C:\\NO\\SRC.TXT"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesA("C:\\windows"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(DeleteFileA("C:\\WINDOWS"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(Files, FindListsWithWildcards) {
    m.put('C', "WINDOWS/FONTS/ARIAL.TTF", "1234");
    m.put('C', "WINDOWS/FONTS/cour.ttf", "12");
    m.put('C', "WINDOWS/FONTS/README", "");
    m.put('C', "WINDOWS/FONTS/Long File Name.fon", "");
    std::filesystem::create_directories(m.host('C', "WINDOWS/FONTS/SUB"));

    auto list = [](const char* pattern) {
        std::string names;
        WIN32_FIND_DATAA fd;
        std::memset(&fd, 0xCC, sizeof fd);
        HANDLE h = FindFirstFileA(pattern, &fd);
        if (h == INVALID_HANDLE_VALUE)
            return std::string("error ") + std::to_string(GetLastError());
        do {
            names += fd.cFileName;
            if (fd.cAlternateFileName[0])
                names += std::string("=") + fd.cAlternateFileName;
            names += (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "/ " : " ";
        } while (FindNextFileA(h, &fd));
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        EXPECT_TRUE(FindClose(h));
        return names;
    };
    EXPECT_EQ(list("C:\\WINDOWS\\FONTS\\*.*"), "./ ../ ARIAL.TTF cour.ttf Long File Name.fon=LONGFI~1.FON README SUB/ ");
    EXPECT_EQ(list("c:\\windows\\fonts\\*.TTF"), "ARIAL.TTF cour.ttf ");
    EXPECT_EQ(list("C:\\WINDOWS\\FONTS\\*."), "./ ../ README SUB/ ");
    EXPECT_EQ(list("C:\\WINDOWS\\FONTS\\?OUR.*"), "cour.ttf ");
    EXPECT_EQ(list("C:\\*"), "WINDOWS/ ");  // the root has no "." and ".."
    EXPECT_EQ(list("C:\\WINDOWS\\FONTS\\*.FOT"), "error 2");
    EXPECT_EQ(list("C:\\NOWHERE\\*.*"), "error 3");

    WIN32_FIND_DATAA fd{};
    HANDLE h = FindFirstFileA("C:\\WINDOWS\\FONTS\\ARIAL.TTF", &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(fd.nFileSizeLow, 4u);
    EXPECT_EQ(fd.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    SetLastError(kSentinel);
    EXPECT_FALSE(CloseHandle(h));  // a search is not a file
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(FindClose(h));
    EXPECT_FALSE(FindClose(h));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// ------------------------------------------------------------------ directories and paths

TEST_F(Files, DirectoriesAndTheCurrentDirectory) {
    SetLastError(kSentinel);
    EXPECT_TRUE(CreateDirectoryA("C:\\NVFONTS", nullptr));
    EXPECT_FALSE(CreateDirectoryA("c:\\nvfonts", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryA("C:\\A\\B", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    ASSERT_TRUE(SetCurrentDirectoryA("C:\\NVFONTS"));
    m.put('C', "NVFONTS/F.TTF", "");
    EXPECT_FALSE(RemoveDirectoryA("C:\\NVFONTS"));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);  // the current directory
    ASSERT_TRUE(SetCurrentDirectoryA(".."));
    EXPECT_FALSE(RemoveDirectoryA("C:\\NVFONTS"));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_TRUE(DeleteFileA("NVFONTS\\F.TTF"));  // relative to the current directory
    EXPECT_TRUE(RemoveDirectoryA("C:\\NVFONTS"));
    EXPECT_FALSE(SetCurrentDirectoryA("C:\\NVFONTS"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    ASSERT_TRUE(SetCurrentDirectoryA("C:\\WINDOWS\\SYSTEM"));
    char buf[32];
    const std::string expect = "C:\\WINDOWS\\SYSTEM";  // 17 characters
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(GetCurrentDirectoryA(18, buf), 17u);  // fits exactly with its NUL
    EXPECT_STREQ(buf, expect.c_str());
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(GetCurrentDirectoryA(17, buf), 18u);  // one short: the size needed, buffer untouched
    EXPECT_EQ(buf[0], 'x');
    EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), 18u);
}

TEST_F(Files, FullPathNames) {
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\WINDOWS"));
    char buf[MAX_PATH];
    LPSTR part = reinterpret_cast<LPSTR>(1);
    EXPECT_EQ(GetFullPathNameA("system\\..\\win.ini", sizeof buf, buf, &part), 18u);
    EXPECT_STREQ(buf, "C:\\WINDOWS\\win.ini");
    EXPECT_STREQ(part, "win.ini");
    EXPECT_EQ(GetFullPathNameA("A:SETUP.INF", sizeof buf, buf, &part), 12u);  // drive-relative
    EXPECT_STREQ(buf, "A:\\SETUP.INF");
    EXPECT_EQ(GetFullPathNameA("C:\\..\\..", sizeof buf, buf, &part), 3u);  // ".." stops at the root
    EXPECT_STREQ(buf, "C:\\");
    EXPECT_EQ(part, nullptr);
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(GetFullPathNameA("win.ini", 18, buf, &part), 19u);
    EXPECT_EQ(buf[0], 'x');
    part = buf;
    EXPECT_EQ(GetFullPathNameA("win.ini", 300, nullptr, &part), 19u);  // no buffer: only the size
    EXPECT_EQ(part, nullptr);
    std::string tooLong = "C:\\" + std::string(300, 'a');
    SetLastError(kSentinel);
    EXPECT_EQ(GetFullPathNameA(tooLong.c_str(), sizeof buf, buf, &part), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
}

TEST_F(Files, SystemDirectoriesVersionAndModule) {
    char buf[32];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(GetWindowsDirectoryA(buf, sizeof buf), 10u);
    EXPECT_STREQ(buf, "C:\\WINDOWS");
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(GetWindowsDirectoryA(buf, 10), 11u);
    EXPECT_EQ(buf[0], 'x');
    EXPECT_EQ(GetSystemDirectoryA(buf, 18), 17u);
    EXPECT_STREQ(buf, "C:\\WINDOWS\\SYSTEM");
    EXPECT_EQ(GetTempPathA(sizeof buf, buf), 16u);
    EXPECT_STREQ(buf, "C:\\WINDOWS\\TEMP\\");

    m.machine().modulePath = "A:\\NVINS32B.EXE";  // 15 characters
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buf, 16), 15u);
    EXPECT_STREQ(buf, "A:\\NVINS32B.EXE");
    std::memset(buf, 'x', sizeof buf);
    SetLastError(kSentinel);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buf, 15), 15u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_STREQ(buf, "A:\\NVINS32B.EX");

    EXPECT_EQ(LOWORD(GetVersion()), 0x0004);
    m.machine().settings().versionMajor = 3;
    m.machine().settings().versionMinor = 95;
    EXPECT_EQ(LOBYTE(GetVersion()), 3);
    EXPECT_EQ(HIBYTE(LOWORD(GetVersion())), 95);
    EXPECT_TRUE(GetVersion() & 0x80000000u);  // not Windows NT
}

// ------------------------------------------------------------------ file times

TEST_F(Files, FileTimesAreTheHostTimesTo100Nanoseconds) {
    m.put('C', "LPT.VXD", "MZ");
    HANDLE h = CreateFileA("C:\\LPT.VXD", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const FILETIME set = {0xEA8EDE07u, 0x01BAD719u};  // 1995-12-31 00:50:01 UTC, 7 ticks past the installer's value
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &set));
    CloseHandle(h);

    struct stat st {};
    ASSERT_EQ(::stat(m.host('C', "LPT.VXD").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 820371001);
    EXPECT_EQ(st.st_mtim.tv_nsec, 549568700);  // the value carries 0.5495687 s

    h = CreateFileA("C:\\LPT.VXD", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME got;
    std::memset(&got, 0xCC, sizeof got);
    ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &got));
    EXPECT_EQ(got.dwHighDateTime, set.dwHighDateTime);
    EXPECT_EQ(got.dwLowDateTime, set.dwLowDateTime);
    SetLastError(kSentinel);
    EXPECT_FALSE(SetFileTime(h, nullptr, nullptr, &set));  // read-only handle
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(h);
    EXPECT_FALSE(GetFileTime(h, nullptr, nullptr, &got));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

}  // namespace
