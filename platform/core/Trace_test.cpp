#include "platform/core/Trace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include <windows.h>

#include "TempMachine.h"

TEST(Trace, FormatsArgumentsAndResult) {
    nv::trace::startCapture();
    NV_TRACE_CALL("OpenFile", 5, "C:\\X.TXT", nullptr, 0x4000u);
    NV_TRACE_CALL("LoadStringA", 0, (const char*)MAKEINTRESOURCEA(12), static_cast<const char*>(nullptr));
    auto lines = nv::trace::stopCapture();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "OpenFile(\"C:\\X.TXT\", NULL, 16384) = 5");
    EXPECT_EQ(lines[1], "LoadStringA(#12, NULL) = 0");
    NV_TRACE_CALL("Ignored", 0);
    EXPECT_TRUE(nv::trace::captured().empty());
}

// The launcher's --trace: each call of the stand-in as a line of the file, in
// the order made; a second run replaces the first run's lines.
TEST(Trace, FileHoldsTheCallsOfOneRun) {
    nv::testing::TempMachine tm;
    tm.put('C', "WINDOWS/WIN.INI", "[windows]\r\nload=\r\n");
    auto file = tm.dir() / "trace.txt";
    auto readLines = [&file] {
        std::ifstream in(file);
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);)
            lines.push_back(l);
        return lines;
    };

    ASSERT_TRUE(nv::trace::openFile(file.string()));
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    ATOM atom = GlobalAddAtomA("bi-di.386");
    GetProfileIntA("windows", "load", 7);
    nv::trace::closeFile();
    GlobalDeleteAtom(atom);  // not traced: the file is closed
    auto lines = readLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "GetWindowsDirectoryA(260) = 10");
    EXPECT_EQ(lines[1].rfind("GlobalAddAtomA(\"bi-di.386\") = ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "GetProfileIntA(\"windows\", \"load\", 7) = 7");

    ASSERT_TRUE(nv::trace::openFile(file.string()));
    GetSystemDirectoryA(dir, sizeof dir);
    nv::trace::closeFile();
    lines = readLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "GetSystemDirectoryA(260) = 17");

    EXPECT_FALSE(nv::trace::openFile((tm.dir() / "no/such/dir/trace.txt").string()));
    EXPECT_FALSE(nv::trace::enabled());
}

// The trace file is UTF-8 and each call one line: a text with line breaks or
// other control characters is escaped.
TEST(Trace, FileIsUtf8WithOneLinePerCall) {
    nv::testing::TempMachine tm;
    auto file = tm.dir() / "trace.txt";
    ASSERT_TRUE(nv::trace::openFile(file.string()));
    NV_TRACE_CALL("MessageBoxA", 1, static_cast<const char*>(nullptr), "M\xE9moire insuffisante.\r\nEnd\x01", "Note");
    nv::trace::closeFile();
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "MessageBoxA(NULL, \"M\xC3\xA9moire insuffisante.\\r\\nEnd\\x01\", \"Note\") = 1\n");
}
