// Conformance tests of the registry functions on a temporary machine whose
// registry file is written before the first call.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include <windows.h>

#include "TempMachine.h"
#include "Unprivileged.h"
#include "platform/core/Trace.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;
constexpr char kPoison = '\x5a';

const char kRegistry[] =
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Enum\\Root\\*PNP0401\\0000]\r\n"
    "\"PortName\"=\"LPT1\"\r\n"
    "\"Flags\"=dword:00000010\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Enum\\Root\\*PNP0401\\0001]\r\n"
    "\"PortName\"=\"LPT2\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Fonts]\r\n"
    "\"Arial (TrueType)\"=\"ARIAL.TTF\"\r\n";

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(kRegistry);
        SetLastError(kSentinel);
        std::memset(buf, kPoison, sizeof buf);
    }
    void TearDown() override {
        EXPECT_EQ(GetLastError(), kSentinel);  // the registry functions return their errors
    }
    std::filesystem::path file() const { return tm.dir() / "registry.reg"; }
    void writeFile(const std::string& text) const { std::ofstream(file(), std::ios::binary) << text; }
    std::string readFile() const {
        std::ifstream in(file(), std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    HKEY open(HKEY root, const char* path) {
        HKEY k = nullptr;
        EXPECT_EQ(RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS) << path;
        return k;
    }

    nv::testing::TempMachine tm;
    char buf[64];
};

TEST_F(Registry, QueryValueSizesAndTypes) {
    HKEY k = open(HKEY_LOCAL_MACHINE, "enum\\ROOT\\*pnp0401\\0000");
    DWORD type = 0, size = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(k, "portname", nullptr, &type, reinterpret_cast<LPBYTE>(buf), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 5u);
    EXPECT_STREQ(buf, "LPT1");
    EXPECT_EQ(buf[5], kPoison);

    // Exact fit, one short (buffer untouched, size needed), size query.
    std::memset(buf, kPoison, sizeof buf);
    size = 5;
    EXPECT_EQ(RegQueryValueExA(k, "PortName", nullptr, nullptr, reinterpret_cast<LPBYTE>(buf), &size), ERROR_SUCCESS);
    EXPECT_STREQ(buf, "LPT1");
    std::memset(buf, kPoison, sizeof buf);
    size = 4;
    EXPECT_EQ(RegQueryValueExA(k, "PortName", nullptr, nullptr, reinterpret_cast<LPBYTE>(buf), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(buf[0], kPoison);
    size = 0;
    type = 0;
    EXPECT_EQ(RegQueryValueExA(k, "Flags", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size, 4u);
    DWORD flags = 0;
    size = sizeof flags;
    EXPECT_EQ(RegQueryValueExA(k, "Flags", nullptr, nullptr, reinterpret_cast<LPBYTE>(&flags), &size), ERROR_SUCCESS);
    EXPECT_EQ(flags, 16u);

    EXPECT_EQ(RegQueryValueExA(k, "Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(k, nullptr, nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(k, "PortName", nullptr, nullptr, reinterpret_cast<LPBYTE>(buf), nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
}

TEST_F(Registry, OpenAndCloseErrors) {
    HKEY k = reinterpret_cast<HKEY>(0x1234);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Enum\\Nothing", 0, KEY_ALL_ACCESS, &k), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(k, nullptr);
    EXPECT_EQ(RegOpenKeyExA(reinterpret_cast<HKEY>(0x777), "Enum", 0, KEY_ALL_ACCESS, &k), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Enum", 0, KEY_ALL_ACCESS, nullptr), ERROR_INVALID_PARAMETER);
    k = open(HKEY_LOCAL_MACHINE, "Enum");
    HKEY same = nullptr;
    EXPECT_EQ(RegOpenKeyA(k, "", &same), ERROR_SUCCESS);
    EXPECT_EQ(same, k);
    EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(RegFlushKey(k), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, EnumeratesInOrderWithBufferLimits) {
    HKEY k = open(HKEY_LOCAL_MACHINE, "Enum\\Root\\*PNP0401");
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof buf;
        LONG r = RegEnumKeyExA(k, i, buf, &size, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS)
            break;
        ASSERT_EQ(r, ERROR_SUCCESS);
        EXPECT_EQ(size, std::strlen(buf));
        names.push_back(buf);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"0000", "0001"}));
    // "0000" needs 5 characters: fits exactly, one short.
    DWORD size = 5;
    EXPECT_EQ(RegEnumKeyExA(k, 0, buf, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    std::memset(buf, kPoison, sizeof buf);
    size = 4;
    EXPECT_EQ(RegEnumKeyExA(k, 0, buf, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(buf[0], kPoison);
    EXPECT_EQ(RegEnumKeyA(k, 1, buf, 5), ERROR_SUCCESS);
    EXPECT_STREQ(buf, "0001");
    EXPECT_EQ(RegEnumKeyA(k, 1, buf, 4), ERROR_MORE_DATA);
    EXPECT_EQ(RegEnumKeyA(k, 2, buf, sizeof buf), ERROR_NO_MORE_ITEMS);
    RegCloseKey(k);

    k = open(HKEY_LOCAL_MACHINE, "Enum\\Root\\*PNP0401\\0000");
    char data[16];
    DWORD nameSize = sizeof buf, dataSize = sizeof data, type = 0;
    EXPECT_EQ(RegEnumValueA(k, 1, buf, &nameSize, nullptr, &type, reinterpret_cast<LPBYTE>(data), &dataSize),
              ERROR_SUCCESS);
    EXPECT_STREQ(buf, "Flags");
    EXPECT_EQ(nameSize, 5u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(dataSize, 4u);
    nameSize = sizeof buf;
    dataSize = 2;
    EXPECT_EQ(RegEnumValueA(k, 0, buf, &nameSize, nullptr, nullptr, reinterpret_cast<LPBYTE>(data), &dataSize),
              ERROR_MORE_DATA);
    EXPECT_EQ(dataSize, 5u);
    nameSize = 8;  // "PortName" needs 9
    EXPECT_EQ(RegEnumValueA(k, 0, buf, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    nameSize = sizeof buf;
    EXPECT_EQ(RegEnumValueA(k, 2, buf, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(k);
}

TEST_F(Registry, ChangesAreWrittenBackAtOnce) {
    HKEY k = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Norvalk\\QS-8000", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &k, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    const char path[] = "C:\\FONTS\\NV.TTF";
    EXPECT_EQ(RegSetValueExA(k, "Font", 0, REG_SZ, reinterpret_cast<const BYTE*>(path), sizeof path), ERROR_SUCCESS);
    DWORD one = 1;
    EXPECT_EQ(RegSetValueExA(k, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(k, "NoNul", 0, REG_SZ, reinterpret_cast<const BYTE*>("ab"), 2), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(k, "Bad", 0, REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(k, "Two\nlines", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2), ERROR_INVALID_PARAMETER);
    RegCloseKey(k);
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\NORVALK", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(k);

    std::string text = readFile();
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Norvalk\\QS-8000]\r\n"
                        "\"Font\"=\"C:\\\\FONTS\\\\NV.TTF\"\r\n"
                        "\"Count\"=dword:00000001\r\n"
                        "\"NoNul\"=\"ab\"\r\n"),
              std::string::npos)
        << text;
    EXPECT_FALSE(std::filesystem::exists(file().string() + ".tmp"));

    // A fresh machine on the same directory reads it back.
    auto reopened = nv::machine::Machine::fromSettings(tm.dir(), tm.machine().settings());
    nv::machine::attach(std::move(reopened));
    k = open(HKEY_LOCAL_MACHINE, "software\\norvalk\\qs-8000");
    DWORD size = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(k, "font", nullptr, nullptr, reinterpret_cast<LPBYTE>(buf), &size), ERROR_SUCCESS);
    EXPECT_STREQ(buf, path);
    RegCloseKey(k);
}

TEST_F(Registry, AFailedWriteBackLeavesFileAndKeysAsTheyWere) {
    // A machine folder where no file can be made: the write-back cannot start.
    // Root makes files anywhere, so the failing part runs unprivileged.
    HKEY k = open(HKEY_LOCAL_MACHINE, "Enum\\Root\\*PNP0401\\0000");
    std::filesystem::permissions(tm.dir(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                               std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                                               std::filesystem::perms::others_exec);
    std::filesystem::permissions(tm.dir(), std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    std::string outcome = nv::testing::runUnprivileged([&]() -> std::string {
        if (RegSetValueExA(k, "PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>("LPT9"), 5) != ERROR_CANTWRITE)
            return "a set that could not be written back did not fail with ERROR_CANTWRITE";
        if (RegDeleteValueA(k, "Flags") != ERROR_CANTWRITE)
            return "a delete that could not be written back did not fail with ERROR_CANTWRITE";
        if (readFile() != kRegistry)
            return "the registry file changed";
        // Memory agrees with the file: the failed changes are not there.
        DWORD size = sizeof buf;
        if (RegQueryValueExA(k, "PortName", nullptr, nullptr, reinterpret_cast<LPBYTE>(buf), &size) != ERROR_SUCCESS ||
            std::string(buf) != "LPT1")
            return "PortName is not LPT1 after the failed set";
        size = sizeof buf;
        if (RegQueryValueExA(k, "Flags", nullptr, nullptr, reinterpret_cast<LPBYTE>(buf), &size) != ERROR_SUCCESS)
            return "Flags is gone after the failed delete";
        return "";
    });
    std::filesystem::permissions(tm.dir(), std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    if (outcome.rfind("skip:", 0) == 0)
        GTEST_SKIP() << outcome;
    EXPECT_EQ(outcome, "");
    EXPECT_EQ(readFile(), kRegistry);

    EXPECT_EQ(RegSetValueExA(k, "PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>("LPT9"), 5), ERROR_SUCCESS);
    EXPECT_NE(readFile().find("\"PortName\"=\"LPT9\""), std::string::npos);
    RegCloseKey(k);
}

TEST_F(Registry, DeletesKeysWithTheirSubkeysAndValues) {
    HKEY parent = open(HKEY_LOCAL_MACHINE, "Enum\\Root");
    HKEY child = open(HKEY_LOCAL_MACHINE, "Enum\\Root\\*PNP0401\\0000");
    EXPECT_EQ(RegDeleteValueA(child, "flags"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(child, "flags"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(parent, "*pnp0401"), ERROR_SUCCESS);  // with 0000 and 0001 below it
    EXPECT_EQ(RegDeleteKeyA(parent, "*pnp0401"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(parent, ""), ERROR_BADKEY);
    DWORD size = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(child, "PortName", nullptr, nullptr, reinterpret_cast<LPBYTE>(buf), &size),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(child), ERROR_SUCCESS);
    EXPECT_EQ(RegEnumKeyA(parent, 0, buf, sizeof buf), ERROR_NO_MORE_ITEMS);
    RegCloseKey(parent);
    EXPECT_EQ(readFile().find("PNP0401"), std::string::npos);
    EXPECT_NE(readFile().find("Arial (TrueType)"), std::string::npos);
}

// Keys and values come back in the order they were made, not sorted, and
// keep that order through the file.
TEST_F(Registry, EnumerationKeepsTheOrderOfCreation) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Norvalk", &k), ERROR_SUCCESS);
    for (const char* name : {"Zeta", "alpha", "Mid"}) {
        HKEY sub = nullptr;
        ASSERT_EQ(RegCreateKeyA(k, name, &sub), ERROR_SUCCESS);
        RegCloseKey(sub);
        ASSERT_EQ(RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>("\1\0\0\0"), 4), ERROR_SUCCESS);
    }
    auto keys = [&] {
        std::vector<std::string> out;
        for (DWORD i = 0; RegEnumKeyA(k, i, buf, sizeof buf) == ERROR_SUCCESS; ++i)
            out.push_back(buf);
        return out;
    };
    auto values = [&] {
        std::vector<std::string> out;
        DWORD size = sizeof buf;
        for (DWORD i = 0; RegEnumValueA(k, i, buf, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
             ++i, size = sizeof buf)
            out.push_back(buf);
        return out;
    };
    const std::vector<std::string> made{"Zeta", "alpha", "Mid"};
    EXPECT_EQ(keys(), made);
    EXPECT_EQ(values(), made);
    RegCloseKey(k);
    // Read back from the file by a fresh machine.
    std::string text = readFile();
    EXPECT_LT(text.find("Norvalk\\Zeta]"), text.find("Norvalk\\alpha]"));
    EXPECT_LT(text.find("Norvalk\\alpha]"), text.find("Norvalk\\Mid]"));
    nv::testing::TempMachine again;
    std::ofstream(again.dir() / "registry.reg", std::ios::binary) << text;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Norvalk", &k), ERROR_SUCCESS);
    EXPECT_EQ(keys(), made);
    EXPECT_EQ(values(), made);
    RegCloseKey(k);
}

// Windows 95 keeps a string value as a C string: up to its first NUL, with a
// NUL added when the data had none; zero bytes give the empty string.
TEST_F(Registry, StringValuesAreStoredAsWindows95StoresThem) {
    HKEY k = open(HKEY_LOCAL_MACHINE, "Enum\\Root\\*PNP0401\\0000");
    struct Case {
        std::string data;
        std::string stored;
    } cases[] = {{"ThisNeverBreaks", std::string("ThisNeverBreaks\0", 16)},
                 {std::string("ThisNeverBreaks\0", 16), std::string("ThisNeverBreaks\0", 16)},
                 {"", std::string("\0", 1)},
                 {std::string("\0", 1), std::string("\0", 1)},
                 {std::string("This\0Breaks\0\0A\0", 16), std::string("This\0", 5)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data.size());
        ASSERT_EQ(RegSetValueExA(k, "S", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.data.data()),
                                 static_cast<DWORD>(c.data.size())),
                  ERROR_SUCCESS);
        std::memset(buf, kPoison, sizeof buf);
        DWORD size = sizeof buf, type = 0;
        ASSERT_EQ(RegQueryValueExA(k, "S", nullptr, &type, reinterpret_cast<LPBYTE>(buf), &size), ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(std::string(buf, size), c.stored);
        EXPECT_EQ(buf[size], kPoison);
    }
    RegCloseKey(k);
}

// Every call through the handle of a deleted key answers ERROR_KEY_DELETED,
// even after a key of the same name is made again.
TEST_F(Registry, ADeletedKeysHandleAnswersKeyDeleted) {
    HKEY k = open(HKEY_LOCAL_MACHINE, "Enum\\Root\\*PNP0401");
    HKEY other = open(HKEY_LOCAL_MACHINE, "Enum\\Root\\*PNP0401");
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Enum\\Root\\*PNP0401"), ERROR_SUCCESS);
    DWORD size = sizeof buf;
    HKEY sub = nullptr;
    EXPECT_EQ(RegEnumKeyA(k, 0, buf, sizeof buf), ERROR_KEY_DELETED);
    EXPECT_EQ(RegEnumValueA(k, 0, buf, &size, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExA(k, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>("y"), 2), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCreateKeyA(k, "0002", &sub), ERROR_KEY_DELETED);
    EXPECT_EQ(RegOpenKeyA(k, "0000", &sub), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteValueA(k, "x"), ERROR_KEY_DELETED);
    HKEY again = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Enum\\Root\\*PNP0401", &again), ERROR_SUCCESS);
    EXPECT_EQ(RegEnumKeyA(again, 0, buf, sizeof buf), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumKeyA(other, 0, buf, sizeof buf), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExA(k, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>("y"), 2), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(other), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(again), ERROR_SUCCESS);
}

TEST_F(Registry, DamagedFileFailsEveryCallAndIsKept) {
    const std::string damaged = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=dword:zz\r\n";
    writeFile(damaged);
    nv::machine::attach(nv::machine::Machine::fromSettings(tm.dir(), tm.machine().settings()));
    HKEY k = nullptr;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_ALL_ACCESS, &k), ERROR_BADDB);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("registry.reg:3: cannot read the value data: '\"x\"=dword:zz'"), std::string::npos) << err;
    EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "B", &k), ERROR_BADDB);
    EXPECT_EQ(readFile(), damaged);
}

TEST_F(Registry, ClassesRootAndTrace) {
    nv::trace::startCapture();
    HKEY k = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, ".nvp", &k), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
    auto lines = nv::trace::stopCapture();
    EXPECT_EQ(lines, (std::vector<std::string>{"RegCreateKeyA(2147483648, \".nvp\") = 0 [4096]", "RegCloseKey(4096) = 0"}));
    k = open(HKEY_LOCAL_MACHINE, "Software\\Classes\\.NVP");
    RegCloseKey(k);
}

}  // namespace
