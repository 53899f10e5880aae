// Loading texts from the machine's drives and the queries that start from a
// text or from the current one.
#include "script/IniText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/core/Trace.h"
#include "shared/InstallState.h"
#include "TempMachine.h"

namespace {

using nv::testing::TempMachine;

const char* kScript =
    "[PRINTERDRIVER]\r\n"
    "PATH = C:\\NORVALK ; where the driver goes\r\n"
    "[NEEDED]\r\n"
    "DiskSpace=1200\r\n"
    "[Install]\r\n"
    "Name=\"Norvalk QS-8000 series\"\r\n";

class IniTextLoad : public ::testing::Test {
protected:
    void SetUp() override { ResetInstallState(); }
    void TearDown() override {
        // Texts belong to the machine's memory; release them before it goes.
        if (state.currentText)
            FreeIniText(nullptr);
    }
    TempMachine machine;
};

TEST_F(IniTextLoad, FirstTextBecomesCurrentAndQueriesUseIt) {
    machine.put('A', "INSTALL.INF", kScript);
    machine.put('A', "OEMSETUP.INF", "[Manufacturer]\r\n\"Norvalk\"=NORVALK\r\n");
    IniText script = LoadIniText("A:\\INSTALL.INF");
    ASSERT_NE(script, nullptr);
    ASSERT_NE(script, INITEXT_EMPTY);
    EXPECT_EQ(state.currentText, script);
    IniText oem = LoadIniText("A:\\OEMSETUP.INF");
    ASSERT_NE(oem, nullptr);
    EXPECT_EQ(state.currentText, script);  // a second text does not replace the current one

    char value[128];
    EXPECT_EQ(GetSectionValue(nullptr, "install", "NAME", value), 1);
    EXPECT_STREQ(value, "Norvalk QS-8000 series");
    EXPECT_EQ(GetDottedValue("PRINTERDRIVER.PATH", value), 1);
    EXPECT_STREQ(value, "C:\\NORVALK");
    EXPECT_EQ(GetDottedValue("NEEDED.DiskSpace", value), 1);
    EXPECT_STREQ(value, "1200");
    EXPECT_STREQ(FindSection(oem, "MANUFACTURER"), "\"Norvalk\"=NORVALK");
    EXPECT_EQ(FindSection(nullptr, "Manufacturer"), nullptr);  // not in the current text

    FreeIniText(oem);
    EXPECT_EQ(state.currentText, script);
    FreeIniText(nullptr);
    EXPECT_EQ(state.currentText, nullptr);
    EXPECT_EQ(FindSection(nullptr, "Install"), nullptr);

    // With no current text, the next load becomes current again.
    IniText again = LoadIniText("A:\\OEMSETUP.INF");
    EXPECT_EQ(state.currentText, again);
}

TEST_F(IniTextLoad, MissingValuesLeaveEmptyOutputs) {
    machine.put('A', "INSTALL.INF", kScript);
    ASSERT_NE(LoadIniText("A:\\INSTALL.INF"), nullptr);
    char value[16] = "poison";
    EXPECT_EQ(GetSectionValue(nullptr, "Nowhere", "PATH", value), 0);
    EXPECT_STREQ(value, "");
    std::strcpy(value, "poison");
    EXPECT_EQ(GetSectionValue(nullptr, "Install", "Nothing", value), 0);
    EXPECT_STREQ(value, "");
    std::strcpy(value, "poison");
    EXPECT_EQ(GetDottedValue("NODOT", value), 0);
    EXPECT_STREQ(value, "");
    std::strcpy(value, "poison");
    EXPECT_EQ(GetDottedValue(".PATH", value), 0);
    EXPECT_STREQ(value, "");
    // The split is at the last dot.
    EXPECT_EQ(GetDottedValue("PRINTERDRIVER.X.PATH", value), 0);
    // Bounded: the caller's size wins over the value's length.
    EXPECT_EQ(GetDottedValue("PRINTERDRIVER.PATH", value, 4), 1);
    EXPECT_STREQ(value, "C:\\");
}

TEST_F(IniTextLoad, EmptyMissingAndUnreadableFiles) {
    machine.put('A', "EMPTY.INF", "");
    IniText empty = LoadIniText("A:\\EMPTY.INF");
    EXPECT_EQ(empty, INITEXT_EMPTY);
    EXPECT_EQ(state.currentText, nullptr);  // an empty text never becomes current
    EXPECT_EQ(FindSection(empty, "Install"), nullptr);
    FreeIniText(empty);  // ignored

    EXPECT_EQ(LoadIniText("A:\\MISSING.INF"), nullptr);
    EXPECT_EQ(LoadIniText(nullptr), nullptr);
    std::string longPath = "A:\\" + std::string(141, 'x');  // 144 characters
    EXPECT_EQ(LoadIniText(longPath.c_str()), nullptr);
    EXPECT_EQ(state.currentText, nullptr);
}

TEST_F(IniTextLoad, LargeFilesLoadWholeAndReadsStopAtTheEnd) {
    // Well past 64 KiB, with the section that matters at the very end and
    // a last line without a line feed.
    std::string big;
    for (int i = 0; big.size() < 200000; ++i)
        big += "[Filler" + std::to_string(i) + "]\r\nkey = value " + std::to_string(i) + "\r\n";
    big += "[Last]\r\nfinal=yes";
    machine.put('C', "BIG.INF", big);

    nv::trace::startCapture();
    IniText text = LoadIniText("C:\\BIG.INF");
    auto calls = nv::trace::stopCapture();
    ASSERT_NE(text, nullptr);
    char value[8];
    EXPECT_EQ(GetSectionValue(text, "Last", "final", value), 1);
    EXPECT_STREQ(value, "yes");
    EXPECT_EQ(GetSectionValue(text, "Filler0", "key", value), 1);
    EXPECT_STREQ(value, "value0");

    size_t reads = 0;
    for (const auto& line : calls)
        reads += line.rfind("_lread(", 0) == 0;
    EXPECT_EQ(reads, (big.size() + 1023) / 1024) << "one read per 1024 bytes, none past the end";
}

TEST_F(IniTextLoad, FileIsOpenedMeasuredReadClosedThenTheBufferReleased) {
    machine.put('A', "INSTALL.INF", kScript);
    nv::trace::startCapture();
    ASSERT_NE(LoadIniText("A:\\INSTALL.INF"), nullptr);
    std::vector<std::string> names;
    for (const auto& line : nv::trace::stopCapture()) {
        std::string name = line.substr(0, line.find('('));
        if (name != "GlobalLock" && name != "GlobalUnlock")
            names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"_lopen", "_llseek", "_llseek", "GlobalAlloc", "GlobalAlloc",
                                               "_lread", "_lclose", "GlobalFree"}));
}

TEST_F(IniTextLoad, AllocationFailureGivesNoneAndNoCurrentText) {
    machine.put('A', "INSTALL.INF", kScript);
    // The read buffer (first allocation), then the text block (third: the
    // second load's read buffer is the second).
    for (int nth : {1, 3}) {
        machine.machine().settings().failAllocation = nth;
        EXPECT_EQ(LoadIniText("A:\\INSTALL.INF"), nullptr) << "allocation " << nth;
        EXPECT_EQ(state.currentText, nullptr);
    }
    machine.machine().settings().failAllocation = 0;
    EXPECT_NE(LoadIniText("A:\\INSTALL.INF"), nullptr);
}

}  // namespace
