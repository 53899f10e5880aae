#include "tools/nvins32b/LauncherOptions.h"
#include "tools/nvins32b/RunSummary.h"

#include <gtest/gtest.h>

using nv::launcher::InputKind;
using nv::launcher::parseOptions;

TEST(LauncherOptions, FullCommandLine) {
    auto r = parseOptions({"--machine", "m", "--from", "C:\\SETUP\\DISK1", "--answers", "a.txt", "--record", "r.txt",
                           "--screenshots", "shots", "--trace", "t.txt", "--", "/ND"});
    ASSERT_TRUE(r.options) << r.error;
    EXPECT_EQ(r.options->machineDir, "m");
    EXPECT_EQ(r.options->fromDir, "C:\\SETUP\\DISK1");
    EXPECT_EQ(r.options->input, InputKind::Answers);
    EXPECT_EQ(r.options->answersFile, "a.txt");
    EXPECT_EQ(r.options->recordFile, "r.txt");
    EXPECT_EQ(r.options->screenshotsDir, "shots");
    EXPECT_EQ(r.options->traceFile, "t.txt");
    EXPECT_EQ(r.options->programArgs, "/ND");
}

TEST(LauncherOptions, DefaultsAndProgramArguments) {
    auto r = parseOptions({"--machine", "m"});
    ASSERT_TRUE(r.options) << r.error;
    EXPECT_EQ(r.options->fromDir, "A:\\");
    EXPECT_EQ(r.options->input, InputKind::None);
    EXPECT_EQ(r.options->programArgs, "");

    // Options after "--" belong to the program; several words join with one blank.
    r = parseOptions({"--machine", "m", "--", "C:\\WINDOWS\\QS8000.INI", "--console"});
    ASSERT_TRUE(r.options) << r.error;
    EXPECT_EQ(r.options->programArgs, "C:\\WINDOWS\\QS8000.INI --console");
    EXPECT_EQ(r.options->input, InputKind::None);

    // "/1 " must reach the program with its blank (it is an uninstall start).
    r = parseOptions({"--machine", "m", "--", "/1 "});
    ASSERT_TRUE(r.options) << r.error;
    EXPECT_EQ(r.options->programArgs, "/1 ");
}

TEST(LauncherOptions, RefusesBadCommandLines) {
    EXPECT_FALSE(parseOptions({}).options);
    EXPECT_FALSE(parseOptions({"--from", "C:\\"}).options);  // no machine
    EXPECT_FALSE(parseOptions({"--machine"}).options);       // value missing
    EXPECT_FALSE(parseOptions({"--machine", "m", "--answers", "a", "--console"}).options);
    EXPECT_FALSE(parseOptions({"--machine", "m", "--console", "--answers", "a"}).options);
    auto r = parseOptions({"--machine", "m", "--bogus"});
    EXPECT_FALSE(r.options);
    EXPECT_NE(r.error.find("'--bogus'"), std::string::npos) << r.error;
}

TEST(LauncherOptions, ModulePath) {
    EXPECT_EQ(nv::launcher::modulePathFor("A:\\"), "A:\\NVINS32B.EXE");
    EXPECT_EQ(nv::launcher::modulePathFor("C:\\SETUP\\DISK1"), "C:\\SETUP\\DISK1\\NVINS32B.EXE");
}

// --help describes every option the parser takes, the exit statuses and an
// example run.
TEST(LauncherOptions, HelpNamesEveryOptionStatusAndExample) {
    std::string help = nv::launcher::kHelp;
    for (const char* option : {"--machine DIR", "--from WINPATH", "--answers FILE", "--console", "--record FILE",
                               "--screenshots DIR", "--trace FILE", "-- ARGS"}) {
        EXPECT_NE(help.find(std::string("  ") + option), std::string::npos) << option;
        std::string name = std::string(option).substr(0, std::string(option).find(' '));
        if (name != "--" && name != "--console") {
            auto r = parseOptions({"--machine", "m", name});  // each described option is one the parser takes
            EXPECT_NE(r.error.find("needs a value"), std::string::npos) << name << ": " << r.error;
        }
    }
    for (const char* status : {"  2 ", "  3 ", "  4 ", "  5 "})
        EXPECT_NE(help.find(status), std::string::npos) << status;
    EXPECT_NE(help.find("exit status:"), std::string::npos);
    EXPECT_NE(help.find("nvins32b --machine m"), std::string::npos);
}

// The account of a run's end: a run that ended before its finish stage
// showed no outcome, and must not read as one that reported it.
TEST(RunSummary, RunWithoutItsFinishIsNotCalledFinished) {
    using nv::launcher::describeRunEnd;
    using nv::launcher::RunEnd;
    RunEnd finished{5, false, "", "", true, 0};
    EXPECT_EQ(describeRunEnd(finished).rfind("nvins32b: outcome: the driver installation finished; Windows must", 0), 0u);
    RunEnd cutShort{4, false, "", "", false, 0};
    EXPECT_EQ(describeRunEnd(cutShort),
              "nvins32b: outcome: the run ended before its finish, without an outcome message; so far: the driver "
              "installation finished (runResult 4)\nnvins32b: end of Windows: not asked for\nnvins32b: exit status 0\n");
    // A start that failed before any stage: nothing to report either way.
    RunEnd noStart{0, false, "", "", false, 0};
    EXPECT_EQ(describeRunEnd(noStart).rfind("nvins32b: outcome: nothing was installed or removed (runResult 0)", 0), 0u);
}
