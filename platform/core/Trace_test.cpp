#include "platform/core/Trace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include <windows.h>

#include "TempMachine.h"

namespace {

// Edge functions in miniature: each opens its scope first, as the stand-in's do.
int gInnerCalls = 0;
int inner(int n) {
    NV_TRACE_ENTER("Inner", n);
    ++gInnerCalls;
    NV_TRACE_RESULT(n + 1);
    return n + 1;
}
using Procedure = int (*)(int);
// Calls the stand-in's own helper, then (like SendMessageA) the program's procedure.
int outer(const char* text, Procedure proc) {
    NV_TRACE_ENTER("Outer", text);
    int r = inner(1);
    if (proc) {
        nv::trace::Callback program(proc);
        r += proc(r);
    }
    NV_TRACE_RESULT(r);
    return r;
}
int programProc(int n) { return inner(n * 10); }
int nestingProc(int n) { return outer("again", programProc) + n; }
int fill(char* out) {
    NV_TRACE_ENTER("Fill");
    std::snprintf(out, 8, "abc");
    NV_TRACE_RESULT(3, static_cast<const char*>(out), 7);
    return 3;
}
void noResult() { NV_TRACE_ENTER("NoResult", nullptr); }

}  // namespace

TEST(Trace, FormatsArgumentsResultsAndOutputs) {
    nv::trace::startCapture();
    outer("C:\\X.TXT\r\n\x01", nullptr);
    char buf[8];
    fill(buf);
    noResult();
    { NV_TRACE_ENTER("LoadStringA", (const char*)MAKEINTRESOURCEA(12), static_cast<const char*>(nullptr), 0x4000u); }
    auto lines = nv::trace::stopCapture();
    std::vector<std::string> expected = {
        "Outer(\"C:\\X.TXT\\r\\n\\x01\") = 2",
        "Fill() = 3 [\"abc\", 7]",
        "NoResult(NULL) = ?",
        "LoadStringA(#12, NULL, 16384) = ?",
    };
    EXPECT_EQ(lines, expected);
    inner(0);
    EXPECT_TRUE(nv::trace::captured().empty());
}

// Only the program's calls are lines: a call the stand-in makes inside
// another is not, one the program makes from a procedure the stand-in calls
// is, indented under the call that led to it, after that call's opening line.
TEST(Trace, NestedCallsComeInTheOrderMadeAndIndented) {
    gInnerCalls = 0;
    nv::trace::startCapture();
    outer("a", programProc);
    outer("b", nestingProc);
    auto lines = nv::trace::stopCapture();
    std::vector<std::string> expected = {
        "Outer(\"a\") {",
        "  Inner(20) = 21",
        "} Outer = 23",
        "Outer(\"b\") {",
        "  Outer(\"again\") {",
        "    Inner(20) = 21",
        "  } Outer = 23",
        "} Outer = 27",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(gInnerCalls, 5);  // the stand-in's own calls ran, unrecorded

    // The stand-in's own procedures stay its own.
    nv::trace::internalProcedure(programProc);
    nv::trace::startCapture();
    outer("c", programProc);
    EXPECT_EQ(nv::trace::stopCapture(), std::vector<std::string>{"Outer(\"c\") = 23"});

    // So does what the host does around the program.
    nv::trace::startCapture();
    {
        nv::trace::Quiet quiet;
        outer("d", nestingProc);
    }
    EXPECT_TRUE(nv::trace::stopCapture().empty());
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
    EXPECT_EQ(lines[0], "GetWindowsDirectoryA(260) = 10 [\"C:\\WINDOWS\"]");
    EXPECT_EQ(lines[1].rfind("GlobalAddAtomA(\"bi-di.386\") = ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "GetProfileIntA(\"windows\", \"load\", 7) = 7");

    ASSERT_TRUE(nv::trace::openFile(file.string()));
    GetSystemDirectoryA(dir, sizeof dir);
    nv::trace::closeFile();
    lines = readLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "GetSystemDirectoryA(260) = 17 [\"C:\\WINDOWS\\SYSTEM\"]");

    EXPECT_FALSE(nv::trace::openFile((tm.dir() / "no/such/dir/trace.txt").string()));
    EXPECT_FALSE(nv::trace::enabled());
}

// A run that ends inside a call (its input stopped it, and the launcher
// closes the trace on the way out) still shows the calls it was in.
TEST(Trace, ClosingTheFileInsideACallShowsTheCall) {
    nv::testing::TempMachine tm;
    auto file = tm.dir() / "trace.txt";
    ASSERT_TRUE(nv::trace::openFile(file.string()));
    outer("stopped", [](int) {
        inner(7);
        nv::trace::closeFile();
        return 0;
    });
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "Outer(\"stopped\") {\n  Inner(7) = 8\n");
}

// The trace file is UTF-8 and each call one line: a text with line breaks or
// other control characters is escaped.
TEST(Trace, FileIsUtf8WithOneLinePerCall) {
    nv::testing::TempMachine tm;
    auto file = tm.dir() / "trace.txt";
    ASSERT_TRUE(nv::trace::openFile(file.string()));
    {
        NV_TRACE_ENTER("MessageBoxA", static_cast<const char*>(nullptr), "M\xE9moire insuffisante.\r\nEnd\x01", "Note");
        NV_TRACE_RESULT(1);
    }
    nv::trace::closeFile();
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "MessageBoxA(NULL, \"M\xC3\xA9moire insuffisante.\\r\\nEnd\\x01\", \"Note\") = 1\n");
}
