// The main job as tools/run-sample does it, with the built tools: a fresh
// machine, the built disk 1 in A:, the installer started from A:\ with the
// typical answers. Also the hard-disk copy of the disks, started from its
// first numbered folder. What the start leaves on the machine shows that the
// sample, the machine template and the launcher fit together.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CommandRun.h"
#include "TempMachine.h"

namespace fs = std::filesystem;

namespace {

using nv::testing::TempDir;

const fs::path kBin = NV_BINARY_DIR;
const fs::path kSource = NV_SOURCE_DIR;

using ToolRun = nv::testing::CommandRun;
using nv::testing::runTool;

ToolRun nvmachine(const std::vector<std::string>& args) { return nv::testing::runNvmachine(args); }
std::string slurp(const fs::path& p) { return nv::testing::readWholeFile(p); }

class SampleRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::is_regular_file(kBin / "samples/disks/DISK1/INSTALL.INF"))
            << "the sample disks are built by the sample_disks target";
        ToolRun made = nvmachine({"new", machine.string()});
        ASSERT_EQ(made.status, 0) << made.out;
    }

    // Runs the installer from a folder of the machine with an answer file of samples/answers.
    ToolRun install(const std::string& from, const std::string& answers = "typical-install.txt") {
        // The answers insert the later disks from the machine directory, as tools/run-sample puts them.
        if (!fs::exists(machine / "disks"))
            fs::copy(kBin / "samples/disks", machine / "disks", fs::copy_options::recursive);
        return runTool(kBin / "tools/nvins32b/nvins32b",
                    {"--machine", machine.string(), "--from", from, "--trace", trace.string(), "--answers",
                     (kSource / "samples/answers" / answers).string()});
    }

    std::string winIni(const std::string& key) {
        ToolRun r = nvmachine({"ini", "get", machine.string(), "C:\\WINDOWS\\WIN.INI", "Norvalk QS-8000 series", key});
        return r.status == 0 ? r.out : "(missing: " + r.out + ")";
    }

    TempDir tmp;
    fs::path machine = tmp.path() / "m";
    fs::path trace = tmp.path() / "trace.txt";
};

TEST_F(SampleRun, StartsFromDiskOneInDriveA) {
    ToolRun in = nvmachine({"insert", machine.string(), "A:", (kBin / "samples/disks/DISK1").string()});
    ASSERT_EQ(in.status, 0) << in.out;
    ToolRun r = install("A:\\");
    // A message box or dialog with nobody to answer it stops the run with
    // another status: the typical answers must cover whatever the run asks.
    EXPECT_EQ(r.status, 0) << r.out << "\n(samples/answers/typical-install.txt may need new steps)";

    // The start probed the template's ECP port on LPT1 and its colour-profile
    // directory, and wrote both under the product's WIN.INI section.
    EXPECT_EQ(winIni("LPT1"), "1\n");
    EXPECT_EQ(winIni("LPT2"), "0\n");
    EXPECT_EQ(winIni("LPT3"), "0\n");
    EXPECT_EQ(winIni("ICMPath"), "C:\\WINDOWS\\SYSTEM\\COLOR\n");

    // Both scripts were read from the floppy, and the script copy is gone.
    std::string calls = slurp(trace);
    EXPECT_NE(calls.find("LZOpenFileA(\"A:\\INSTALL.INF\""), std::string::npos);
    EXPECT_NE(calls.find("_lopen(\"A:\\NVQS8000.INF\""), std::string::npos);
    EXPECT_FALSE(fs::exists(machine / "drives/C/WINDOWS/~NV00001.txt"));
}

TEST_F(SampleRun, StartsFromTheFirstNumberedFolderOfTheHardDiskCopy) {
    fs::copy(kBin / "samples/variants/harddisk/SETUP", machine / "drives/C/SETUP", fs::copy_options::recursive);
    ToolRun r = install("C:\\SETUP\\DISK1", "typical-install-harddisk.txt");
    EXPECT_EQ(r.status, 0) << r.out;
    std::string calls = slurp(trace);
    EXPECT_NE(calls.find("LZOpenFileA(\"C:\\SETUP\\DISK1\\INSTALL.INF\""), std::string::npos);
    EXPECT_NE(calls.find("_lopen(\"C:\\SETUP\\DISK1\\NVQS8000.INF\""), std::string::npos);
    EXPECT_EQ(winIni("ICMPath"), "C:\\WINDOWS\\SYSTEM\\COLOR\n");
}

// Answers that do not fit the run end it at once with the file and line of
// the step: here the floppy answers from the hard-disk copy, where the first
// disk change they expect never comes and the demonstration question does.
// The copy run between the two pumps messages; the stop must not leave it
// spinning.
TEST_F(SampleRun, AnswersThatDoNotFitEndTheRunWithTheirLine) {
    fs::copy(kBin / "samples/variants/harddisk/SETUP", machine / "drives/C/SETUP", fs::copy_options::recursive);
    ToolRun r = install("C:\\SETUP\\DISK1", "typical-install.txt");
    EXPECT_EQ(r.status, 4) << r.out;
    EXPECT_NE(r.out.find("typical-install.txt:14: expected message \"Driver disk #2\", but message box \"Question\""),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("answers not used"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("nvins32b: outcome: the run was stopped before its end (an answer did not fit); so far: "
                         "the driver installation finished"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("nvins32b: exit status 4\n"), std::string::npos) << r.out;
    // The machine is saved as the stop left it: the driver files were copied.
    EXPECT_TRUE(fs::exists(machine / "machine.ini")) << "machine directory kept";
}

}  // namespace
