// Conformance tests of the profile functions: a sentinel last error, poisoned
// output buffers, and buffer sizes that fit, fit exactly and are one short.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include <windows.h>

#include "TempMachine.h"
#include "platform/core/Trace.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;
constexpr char kPoison = '\x5a';

const char kIni[] =
    "[section1]\r\n"
    "name1=val1\r\n"
    "name2=\"val2\"\r\n"
    "name3\r\n"
    "name4=a\r\n"
    "; comment=x\r\n"
    "[section2]\r\n"
    "quoted='single'\r\n"
    "mixed=\"unbalanced'\r\n"
    "lone=\"\r\n"
    "spaced =   padded   \r\n";

class Profile : public ::testing::Test {
protected:
    void SetUp() override {
        tm.put('C', "test.ini", kIni);
        std::filesystem::create_directories(tm.host('C', "WINDOWS"));
        SetLastError(kSentinel);
        std::memset(buf, kPoison, sizeof buf);
    }
    DWORD get(LPCSTR sec, LPCSTR key, LPCSTR def, DWORD size, LPCSTR file = "C:\\test.ini") {
        return GetPrivateProfileStringA(sec, key, def, buf, size, file);
    }
    // The buffer as a listing: strings up to the double NUL, joined by '|'.
    std::string listing(DWORD size) const {
        std::string out;
        for (DWORD i = 0; i < size; ++i)
            out += buf[i] ? buf[i] : '|';
        return out;
    }

    nv::testing::TempMachine tm;
    char buf[256];
};

TEST_F(Profile, ValuesQuotesAndDefaults) {
    EXPECT_EQ(get("section1", "name1", "def", sizeof buf), 4u);
    EXPECT_STREQ(buf, "val1");
    EXPECT_EQ(get("SECTION1", " NAME2 ", "def", sizeof buf), 4u);
    EXPECT_STREQ(buf, "val2");
    EXPECT_EQ(get("section2", "quoted", "", sizeof buf), 6u);
    EXPECT_STREQ(buf, "single");
    EXPECT_EQ(get("section2", "mixed", "", sizeof buf), 12u);
    EXPECT_STREQ(buf, "\"unbalanced'");
    EXPECT_EQ(get("section2", "lone", "", sizeof buf), 1u);
    EXPECT_STREQ(buf, "\"");
    EXPECT_EQ(get("section2", "spaced", "", sizeof buf), 6u);
    EXPECT_STREQ(buf, "padded");
    EXPECT_EQ(get("section1", "name3", "def", sizeof buf), 0u);  // a name without '=' has an empty value
    EXPECT_STREQ(buf, "");

    // Defaults: missing key, section, file; empty names; trailing blanks dropped.
    EXPECT_EQ(get("section1", "nokey", "default  ", sizeof buf), 7u);
    EXPECT_STREQ(buf, "default");
    EXPECT_EQ(get("nosection", "name1", "  lead", sizeof buf), 6u);
    EXPECT_STREQ(buf, "  lead");
    EXPECT_EQ(get("", "name1", "def", sizeof buf), 3u);
    EXPECT_EQ(get("section1", "", "def", sizeof buf), 3u);
    EXPECT_EQ(get("section1", "nokey", nullptr, sizeof buf), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(GetLastError(), kSentinel);
    EXPECT_EQ(get("section1", "name1", "def", sizeof buf, "C:\\missing.ini"), 3u);
    EXPECT_STREQ(buf, "def");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetLastError(kSentinel);
    EXPECT_EQ(get("section1", "name1", "def", sizeof buf, ""), 3u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetLastError(kSentinel);
    EXPECT_EQ(get("section1", "name1", "def", sizeof buf, nullptr), 3u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Profile, ValueTruncation) {
    // "val1" needs 5 bytes: fits, fits exactly, one short, and the extremes.
    EXPECT_EQ(get("section1", "name1", "", 6), 4u);
    EXPECT_STREQ(buf, "val1");
    EXPECT_EQ(buf[5], kPoison);
    EXPECT_EQ(get("section1", "name1", "", 5), 4u);
    EXPECT_STREQ(buf, "val1");
    std::memset(buf, kPoison, sizeof buf);
    EXPECT_EQ(get("section1", "name1", "", 4), 3u);
    EXPECT_STREQ(buf, "val");
    EXPECT_EQ(buf[4], kPoison);
    EXPECT_EQ(get("section1", "name1", "", 1), 0u);
    EXPECT_EQ(buf[0], '\0');
    std::memset(buf, kPoison, sizeof buf);
    EXPECT_EQ(get("section1", "name1", "", 0), 0u);
    EXPECT_EQ(buf[0], kPoison);
    // Defaults are cut the same way.
    EXPECT_EQ(get("x", "y", "default", 4), 3u);
    EXPECT_STREQ(buf, "def");
    EXPECT_EQ(GetLastError(), kSentinel);
}

TEST_F(Profile, SectionAndKeyListings) {
    // "section1|section2||" is 19 bytes.
    EXPECT_EQ(get(nullptr, "ignored", "ignored", sizeof buf), 18u);
    EXPECT_EQ(listing(19), "section1|section2||");
    std::memset(buf, kPoison, sizeof buf);
    EXPECT_EQ(get(nullptr, nullptr, nullptr, 19), 18u);  // exact fit
    EXPECT_EQ(listing(19), "section1|section2||");
    std::memset(buf, kPoison, sizeof buf);
    EXPECT_EQ(get(nullptr, nullptr, nullptr, 18), 16u);  // one short: last name cut, two NULs
    EXPECT_EQ(listing(18), "section1|section||");
    EXPECT_EQ(buf[18], kPoison);
    EXPECT_EQ(get(nullptr, nullptr, nullptr, 12), 10u);
    EXPECT_EQ(listing(12), "section1|s||");
    EXPECT_EQ(get(nullptr, nullptr, nullptr, 2), 0u);
    EXPECT_EQ(listing(2), "||");

    // Keys: comments and names without '=' are left out.
    std::memset(buf, kPoison, sizeof buf);
    EXPECT_EQ(get("section1", nullptr, "def", sizeof buf), 18u);
    EXPECT_EQ(listing(19), "name1|name2|name4||");
    // An unknown section gives the default, a missing file an empty listing.
    EXPECT_EQ(get("nosection", nullptr, "def", sizeof buf), 3u);
    EXPECT_STREQ(buf, "def");
    EXPECT_EQ(get(nullptr, nullptr, "def", sizeof buf, "C:\\missing.ini"), 0u);
    EXPECT_EQ(listing(2), "||");

    // The section as "key=value" lines.
    std::memset(buf, kPoison, sizeof buf);
    EXPECT_EQ(GetPrivateProfileSectionA("section1", buf, sizeof buf, "C:\\test.ini"), 38u);
    EXPECT_EQ(listing(39), "name1=val1|name2=\"val2\"|name3|name4=a||");
    EXPECT_EQ(GetLastError(), 0u);
}

TEST_F(Profile, IntegerConversion) {
    struct Case {
        const char* text;
        UINT expected;
    } cases[] = {
        {"-1", 4294967295u},     {"+1", 0},  /* Windows 95: a plus sign is no digit */          {"4294967296", 0},   {"4294967297", 1},
        {"42A94967297", 42},     {"B4294967297", 0}, {"0x1F", 31},        {"0X1fz", 31},
        {"0o17", 15},            {"0b101", 5},       {"0b102", 2},        {"  12", 12},
        {"\"7\"", 7},            {"-0x10", 0xFFFFFFF0u}, {"0x", 0},       {"007", 7},
    };
    std::string ini = "[n]\r\n";
    int i = 0;
    for (const auto& c : cases)
        ini += "k" + std::to_string(i++) + "=" + c.text + "\r\n";
    ini += "empty=\r\n";
    tm.put('C', "num.ini", ini);
    i = 0;
    for (const auto& c : cases) {
        std::string key = "k" + std::to_string(i++);
        EXPECT_EQ(GetPrivateProfileIntA("n", key.c_str(), 99, "C:\\num.ini"), c.expected) << c.text;
    }
    EXPECT_EQ(GetPrivateProfileIntA("n", "empty", 99, "C:\\num.ini"), 99u);
    EXPECT_EQ(GetPrivateProfileIntA("n", "missing", -5, "C:\\num.ini"), static_cast<UINT>(-5));
    EXPECT_EQ(GetLastError(), kSentinel);
    EXPECT_EQ(GetPrivateProfileIntA("n", "k0", 3, "C:\\nofile.ini"), 3u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    // Without a section or a key Windows 95 answers 0 whatever the default.
    EXPECT_EQ(GetPrivateProfileIntA(nullptr, "k0", 70, "C:\\num.ini"), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("n", nullptr, -1, "C:\\num.ini"), 0u);
    EXPECT_EQ(GetPrivateProfileIntA(nullptr, nullptr, 1, "C:\\num.ini"), 0u);
    EXPECT_EQ(GetProfileIntA(nullptr, "load", 5), 0u);
}

// The last error: 87 for a missing section or buffer, 2 for a missing file,
// 0 when a section was read or a value written.
TEST_F(Profile, LastErrors) {
    SetLastError(kSentinel);
    EXPECT_EQ(GetPrivateProfileSectionA(nullptr, buf, sizeof buf, "C:\\test.ini"), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(kSentinel);
    EXPECT_EQ(GetPrivateProfileSectionA("section1", nullptr, 0, "C:\\test.ini"), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(kSentinel);
    EXPECT_EQ(GetPrivateProfileSectionA("section1", buf, sizeof buf, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetLastError(kSentinel);
    EXPECT_EQ(GetPrivateProfileSectionA("section1", buf, sizeof buf, "C:\\none.ini"), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetLastError(kSentinel);
    EXPECT_EQ(GetPrivateProfileSectionA("nothing", buf, sizeof buf, "C:\\test.ini"), 0u);  // an empty section
    EXPECT_EQ(GetLastError(), 0u);
    SetLastError(kSentinel);
    EXPECT_GT(GetPrivateProfileSectionA("section1", buf, sizeof buf, "C:\\test.ini"), 0u);
    EXPECT_EQ(GetLastError(), 0u);

    SetLastError(kSentinel);
    EXPECT_EQ(get("section1", "name1", "default", sizeof buf, "C:\\none.ini"), 7u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetLastError(kSentinel);
    EXPECT_EQ(get("section1", "name1", "default", sizeof buf), 4u);
    EXPECT_EQ(GetLastError(), kSentinel);  // a read that found its file leaves the last error

    SetLastError(kSentinel);
    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "k", "v", "C:\\test.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetLastError(kSentinel);
    EXPECT_TRUE(WritePrivateProfileStringA("section9", "k", "v", "C:\\test.ini"));
    EXPECT_EQ(GetLastError(), 0u);
}

// A file written with its C string's NUL ends at the NUL: no extra entry in
// the last section, and a rewrite keeps the byte.
TEST_F(Profile, NulAtTheEndEndsTheFile) {
    static const char content[] = "[s]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n[t]\r\n=val5\r\n";
    tm.put('C', "nul.ini", std::string(content, sizeof content));  // the NUL included
    EXPECT_EQ(GetPrivateProfileStringA("s", nullptr, "", buf, sizeof buf, "C:\\nul.ini"), 18u);
    EXPECT_EQ(listing(19), "name1|name2|name4||");
    EXPECT_EQ(GetPrivateProfileSectionA("t", buf, sizeof buf, "C:\\nul.ini"), 6u);
    EXPECT_EQ(listing(7), "=val5||");
    tm.put('C', "nul2.ini", std::string("[s]\r\nk=v\0\0", 10));
    EXPECT_EQ(GetPrivateProfileSectionA("s", buf, sizeof buf, "C:\\nul2.ini"), 4u);
    EXPECT_EQ(listing(5), "k=v||");
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "w", "C:\\nul2.ini"));
    EXPECT_EQ(tm.get('C', "nul2.ini"), std::string("[s]\r\nk=w\0\0", 10));
}

TEST_F(Profile, WriteKeepsEveryOtherByte) {
    ASSERT_TRUE(WritePrivateProfileStringA("section1", "NAME1", "new", "C:\\test.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("section1", "added", "", "C:\\test.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("section3", "k", "v", "C:\\test.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("section2", "quoted", nullptr, "C:\\test.ini"));
    EXPECT_EQ(tm.get('C', "test.ini"),
              "[section1]\r\n"
              "name1=new\r\n"
              "name2=\"val2\"\r\n"
              "name3\r\n"
              "name4=a\r\n"
              "; comment=x\r\n"
              "added=\r\n"
              "[section2]\r\n"
              "mixed=\"unbalanced'\r\n"
              "lone=\"\r\n"
              "spaced =   padded   \r\n"
              "[section3]\r\n"
              "k=v\r\n");
    // Deleting the last key leaves the section; deleting absent things succeeds.
    ASSERT_TRUE(WritePrivateProfileStringA("section3", "k", nullptr, "C:\\test.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("section3", "k", nullptr, "C:\\test.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("nosuch", nullptr, nullptr, "C:\\test.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("section2", nullptr, "ignored", "C:\\test.ini"));
    EXPECT_EQ(tm.get('C', "test.ini"),
              "[section1]\r\n"
              "name1=new\r\n"
              "name2=\"val2\"\r\n"
              "name3\r\n"
              "name4=a\r\n"
              "; comment=x\r\n"
              "added=\r\n"
              "[section3]\r\n");
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_FALSE(std::filesystem::exists(tm.host('C', "test.ini.~nvtmp")));
}

TEST_F(Profile, WriteCreatesFilesAndRefusesBadArguments) {
    // A bare name lies in the Windows directory; a new file is CR LF.
    ASSERT_TRUE(WritePrivateProfileStringA("Install", "Language", "2", "qs8000.ini"));
    EXPECT_EQ(tm.get('C', "WINDOWS/qs8000.ini"), "[Install]\r\nLanguage=2\r\n");
    EXPECT_EQ(GetPrivateProfileIntA("install", "language", 0, "QS8000.INI"), 2u);
    // Deleting from a missing file succeeds without making it.
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", nullptr, "C:\\none.ini"));
    EXPECT_FALSE(std::filesystem::exists(tm.host('C', "none.ini")));

    struct Case {
        LPCSTR section, key, value, file;
        DWORD error;
    } cases[] = {
        {nullptr, "k", "v", "C:\\new.ini", ERROR_FILE_NOT_FOUND},
        {"s", "k", "v", "", ERROR_ACCESS_DENIED},
        {"s", "k", "v", "C:\\nodir\\x.ini", ERROR_PATH_NOT_FOUND},
        {"s", "k", "v", "C:\\WINDOWS", ERROR_ACCESS_DENIED},
        {"s", "k", "line\r\nbreak", "C:\\new.ini", ERROR_INVALID_PARAMETER},
        {"s", "a=b", "v", "C:\\new.ini", ERROR_INVALID_PARAMETER},
        {"  ", "k", "v", "C:\\new.ini", ERROR_INVALID_PARAMETER},
        {"s", "k", "v", "Q:\\new.ini", ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SetLastError(kSentinel);
        EXPECT_FALSE(WritePrivateProfileStringA(c.section, c.key, c.value, c.file)) << c.file;
        EXPECT_EQ(GetLastError(), c.error) << c.file;
    }
    EXPECT_FALSE(std::filesystem::exists(tm.host('C', "new.ini")));
    SetLastError(kSentinel);
    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr));  // flush
    EXPECT_EQ(GetLastError(), kSentinel);
}

TEST_F(Profile, DriveFaultsLeaveTheFileAlone) {
    auto& m = tm.machine();
    m.drive('C')->readOnly = true;
    EXPECT_FALSE(WritePrivateProfileStringA("section1", "name1", "x", "C:\\test.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_PROTECT));
    m.drive('C')->readOnly = false;

    m.drive('C')->failWrites = true;
    EXPECT_FALSE(WritePrivateProfileStringA("section1", "name1", "x", "C:\\test.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_FAULT));
    m.drive('C')->failWrites = false;

    // Growth is charged: 5 bytes more fit, the next 5 do not.
    m.drive('C')->fullAfter = 6;
    EXPECT_TRUE(WritePrivateProfileStringA("section1", "name1", "val1xxxxx", "C:\\test.ini"));
    EXPECT_FALSE(WritePrivateProfileStringA("section1", "name1", "val1xxxxxyyyyy", "C:\\test.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    m.drive('C')->fullAfter.reset();

    m.settings().openFiles.push_back("C:\\TEST.INI");
    EXPECT_FALSE(WritePrivateProfileStringA("section1", "name1", "x", "C:\\test.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    m.settings().openFiles.clear();

    // A read-only file, or one the program holds open, is not replaced.
    ASSERT_TRUE(SetFileAttributesA("C:\\test.ini", FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(WritePrivateProfileStringA("section1", "name1", "x", "C:\\test.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(GetFileAttributesA("C:\\test.ini") & FILE_ATTRIBUTE_READONLY, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA("C:\\test.ini", FILE_ATTRIBUTE_NORMAL));
    HANDLE open = CreateFileA("C:\\test.ini", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WritePrivateProfileStringA("section1", "name1", "x", "C:\\test.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    CloseHandle(open);

    std::string expected = kIni;
    expected.replace(expected.find("val1"), 4, "val1xxxxx");
    EXPECT_EQ(tm.get('C', "test.ini"), expected);

    // An empty drive holds no file to read.
    m.drive('A')->hasDisk = false;
    EXPECT_EQ(get("s", "k", "def", sizeof buf, "A:\\x.ini"), 3u);
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", "A:\\x.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
}

TEST_F(Profile, WinIniWrappersAndOddContent) {
    std::string odd = "[windows]\r\nload=" + std::string(1000, 'L') + "\r\n" + std::string("bin=\x01\xff\0z", 8) +
                      "\r\n[" + std::string(400, 'S') + "]\r\nk=v\r\n";
    tm.put('C', "WINDOWS/WIN.INI", odd);
    EXPECT_EQ(GetProfileStringA("windows", "load", "", buf, sizeof buf), sizeof buf - 1);
    EXPECT_EQ(std::string(buf), std::string(sizeof buf - 1, 'L'));
    EXPECT_EQ(GetProfileStringA("windows", "bin", "", buf, sizeof buf), 4u);  // copied whole, NUL included
    EXPECT_EQ(std::memcmp(buf, "\x01\xff\0z", 4), 0);
    EXPECT_EQ(GetProfileStringA(std::string(400, 's').c_str(), "k", "", buf, sizeof buf), 1u);

    ASSERT_TRUE(WriteProfileStringA("Norvalk QS-8000 series", "LPT1", "1"));
    EXPECT_EQ(GetProfileIntA("norvalk qs-8000 series", "lpt1", 0), 1u);
    ASSERT_TRUE(WriteProfileStringA("windows", "bin", nullptr));
    std::string expected = "[windows]\r\nload=" + std::string(1000, 'L') + "\r\n[" + std::string(400, 'S') +
                           "]\r\nk=v\r\n[Norvalk QS-8000 series]\r\nLPT1=1\r\n";
    EXPECT_EQ(tm.get('C', "WINDOWS/WIN.INI"), expected);
}

TEST_F(Profile, CallsAreTraced) {
    nv::trace::startCapture();
    get("section1", "name1", "d", sizeof buf);
    WritePrivateProfileStringA("s", "k", "v", "x.ini");
    auto lines = nv::trace::stopCapture();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "GetPrivateProfileStringA(\"section1\", \"name1\", \"d\", 256, \"C:\\test.ini\") = 4 [\"val1\"]");
    EXPECT_EQ(lines[1], "WritePrivateProfileStringA(\"s\", \"k\", \"v\", \"x.ini\") = 1");
}

}  // namespace
