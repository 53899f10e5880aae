// The script inspector, run as people run it: the built nvmachine on a file.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "CommandRun.h"
#include "TempMachine.h"

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class ScriptInspector : public ::testing::Test {
protected:
    std::string file(const std::string& name, const std::string& content) {
        auto p = dir_.path() / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    Outcome run(const std::string& args) {
        std::string err = (dir_.path() / "stderr.txt").string();
        std::string command = std::string(NV_BINARY_DIR) + "/tools/nvmachine/nvmachine script " + args + " 2>" + err;
        nv::testing::CommandRun done = nv::testing::runShell(command);
        Outcome r{done.status, done.out, ""};
        std::ifstream in(err, std::ios::binary);
        r.err.assign(std::istreambuf_iterator<char>(in), {});
        return r;
    }
    nv::testing::TempDir dir_;
};

const char* kInf =
    "; test\r\n"
    "stray = 1\r\n"
    "[Install]extra\r\n"
    "Name = Norvalk QS-8000 series\r\n"
    "List=a,\"b c\"\r\n"
    "[Empty]\r\n"
    "[Install]\r\n"
    "x=2\r\n"
    "[Fonts]\r\n"
    "ARIAL.TTF , \"Arial Regular\",120\r\n"
    "tab=\"\t\"\r\n";

TEST_F(ScriptInspector, ListsSectionsWithWhatTheReaderFinds) {
    std::string path = file("t.inf", kInf);
    Outcome r = run(path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "; " + path + ": " + std::to_string(std::string(kInf).size()) +
                         " bytes, compact form 136 bytes\n"
                         "; before the first section\n"
                         "  stray=1\n"
                         "[Install]extra\t; Install: 2 lines\n"
                         "  Name=NorvalkQS-8000series\n"
                         "  List=a,\"b c\"\n"
                         "[Empty]\t; Empty: empty, not found\n"
                         "[Install]\t; Install: repeated, not found (the first one wins)\n"
                         "  x=2\n"
                         "[Fonts]\t; Fonts: 2 lines\n"
                         "  ARIAL.TTF,\"Arial Regular\",120\n"
                         "  tab=\"\\x09\"\n");
}

TEST_F(ScriptInspector, PrintsOneValueOrFailsWithTheReason) {
    std::string path = file("t.inf", kInf);
    Outcome r = run(path + " install NAME");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "NorvalkQS-8000series\n");
    r = run(path + " Install List");
    EXPECT_EQ(r.out, "a,\"b c\"\n");

    r = run(path + " Empty x");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("section [Empty] not found"), std::string::npos) << r.err;
    r = run(path + " Install x");  // only in the second [Install], which the reader never sees
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("key x not found in section [Install]"), std::string::npos) << r.err;
}

TEST_F(ScriptInspector, PrintsFieldsUpToTheFirstMissingOne) {
    std::string path = file("t.inf", kInf);
    Outcome r = run(path + " Fonts --fields");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "line 1: ARIAL.TTF,\"Arial Regular\",120\n"
              "  0: 0 (output untouched)\n"
              "  1: 1 \"ARIAL.TTF\"\n"
              "  2: 1 \"Arial Regular\"\n"
              "  3: 1 \"120\"\n"
              "  4: 0 \"\"\n"
              "line 2: tab=\"\\x09\"\n"
              "  0: 1 \"tab\"\n"
              "  1: 1 \"\"\n"
              "  2: 0 \"\"\n");
}

TEST_F(ScriptInspector, RefusesEmptyMissingFilesAndBadUsage) {
    Outcome r = run(file("empty.inf", ""));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("empty"), std::string::npos);
    r = run((dir_.path() / "missing.inf").string());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("missing.inf"), std::string::npos);
    r = run(file("t.inf", kInf) + " Install");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage"), std::string::npos);
}

}  // namespace
