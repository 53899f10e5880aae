// Every answer file of samples/answers run by the built launcher on a fresh
// machine with the sample disks, and the machine checked afterwards: the
// files, INI lines and registry values the run is for, what every run owes
// the machine (tests/AnswerRun.h), and the launcher's account of how the run
// ended.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "AnswerRun.h"

namespace fs = std::filesystem;

namespace {

using nv::testing::AnswerRun;
using nv::testing::CommandRun;
using nv::testing::endLines;
using nv::testing::kFontsKey;
using nv::testing::kInstalledRestart;
using nv::testing::kNothing;
using nv::testing::nvmachine;
using nv::testing::RunOptions;

TEST_F(AnswerRun, TypicalInstall) {
    EXPECT_EQ(run("typical-install.txt"), endLines(kInstalledRestart));
    EXPECT_EQ(privateIni("DriverName"), "Norvalk QS-8000 series");
    EXPECT_EQ(privateIni("Language"), "0");
    EXPECT_EQ(privateIni("FontPath"), "C:\\WINDOWS\\FONTS");
    for (const char* f : {"C:\\WINDOWS\\SYSTEM\\qs8000.drv", "C:\\WINDOWS\\SYSTEM\\QSUI.DLL",
                          "C:\\WINDOWS\\SYSTEM\\NVBIDI.386", "C:\\WINDOWS\\SYSTEM\\qsdemo.prn",
                          "C:\\WINDOWS\\SYSTEM\\COLOR\\QS8000.ICM", "C:\\WINDOWS\\FONTS\\NVCOND.TTF",
                          "C:\\WINDOWS\\SYSTEM\\QS8000.IN1", "C:\\WINDOWS\\SYSTEM\\QS8000.IN2"})
        EXPECT_TRUE(exists(f)) << f;
    // The virtual device driver is loaded by SYSTEM.INI, whose backup holds the old text.
    EXPECT_EQ(ini("C:\\WINDOWS\\SYSTEM.INI", "386Enh", "device"), "NVBIDI.386");
    EXPECT_EQ(privateIni("BFileSysIni"), "C:\\WINDOWS\\SYSTEM.B00");
    EXPECT_EQ(nv::testing::readWholeFile(onMachine("C:\\WINDOWS\\SYSTEM.B00")),
              nv::testing::readWholeFile(systemIniBefore));
    std::string fonts = registry(kFontsKey);
    EXPECT_NE(fonts.find("\"Norvalk Sans (TrueType)\"=\"C:\\\\WINDOWS\\\\FONTS\\\\NVSANS.TTF\""), std::string::npos)
        << fonts;
    // The printer on LPT1 with the product's print processor and monitor, and the groups.
    std::string printers = nvmachine({"printers", machine.string()}).out;
    EXPECT_NE(printers.find("  Norvalk QS-8000 series  (default printer)\n    driver      Norvalk QS-8000 series\n"
                            "    port        LPT1:\n    processor   NVPRNPRC\n"),
              std::string::npos)
        << printers;
    EXPECT_NE(printers.find("Norvalk Language Monitor       NVLMON.DLL"), std::string::npos) << printers;
    std::string groups = nvmachine({"groups", machine.string()}).out;
    EXPECT_NE(groups.find("  Norvalk Printer Tools\n"), std::string::npos) << groups;
    EXPECT_NE(groups.find("    Uninstall Norvalk Driver\n      target     C:\\WINDOWS\\SYSTEM\\nvins32b.exe\n"
                          "      arguments  C:\\WINDOWS\\QS8000.INI\n"),
              std::string::npos)
        << groups;
}

// A driver of the product's name in the spooler: the new printer takes the
// proposed "(Copy 2)" name beside the old one.
TEST_F(AnswerRun, PrinterNameTaken) {
    ASSERT_EQ(nvmachine({"new", machine.string()}).status, 0);
    CommandRun set = nvmachine({"setting", machine.string(), "spoolerPreload",
                                "Norvalk QS-8000 series,Norvalk QS-8000 series,QS8000.DRV,LPT1:"});
    ASSERT_EQ(set.status, 0) << set.out;
    EXPECT_EQ(run("printer-name-taken.txt"), endLines(kInstalledRestart));
    std::string printers = nvmachine({"printers", machine.string()}).out;
    EXPECT_NE(printers.find("  Norvalk QS-8000 series (Copy 2)  (default printer)\n"), std::string::npos) << printers;
    EXPECT_NE(printers.find("  Norvalk QS-8000 series\n"), std::string::npos) << printers;
}

// "/ND" after an install whose groups were deleted makes them again and
// changes nothing else but the kept copies.
TEST_F(AnswerRun, GroupOnlyRunMakesTheGroupsAgain) {
    EXPECT_EQ(run("typical-install.txt"), endLines(kInstalledRestart));
    fs::remove_all(onMachine("C:\\WINDOWS\\Start Menu\\Programs\\Norvalk Printer Tools"));
    fs::remove_all(onMachine("C:\\WINDOWS\\Start Menu\\Programs\\Norvalk Fonts"));
    ASSERT_EQ(nvmachine({"groups", machine.string()}).out.find("Norvalk"), std::string::npos);
    fs::remove(before);
    EXPECT_EQ(run("group-only.txt", RunOptions().program({"/ND"})), endLines(kNothing));
    std::string groups = nvmachine({"groups", machine.string()}).out;
    EXPECT_NE(groups.find("  Norvalk Printer Tools\n"), std::string::npos) << groups;
    EXPECT_NE(groups.find("  Norvalk Fonts\n"), std::string::npos) << groups;
}

TEST_F(AnswerRun, SecondModel) {
    EXPECT_EQ(run("second-model.txt"), endLines(kInstalledRestart));
    EXPECT_EQ(privateIni("DriverName"), "Norvalk QS-8300 series");
    EXPECT_TRUE(exists("C:\\WINDOWS\\SYSTEM\\qs8300.drv"));
    EXPECT_FALSE(exists("C:\\WINDOWS\\SYSTEM\\qs8000.drv"));
}

TEST_F(AnswerRun, German) {
    EXPECT_EQ(run("german.txt"), endLines(kInstalledRestart));
    EXPECT_EQ(privateIni("Language"), "2");
    EXPECT_TRUE(exists("C:\\WINDOWS\\SYSTEM\\QSUI.DLL"));
    EXPECT_TRUE(exists("C:\\WINDOWS\\FONTS\\NVSANS.TTF"));
}

TEST_F(AnswerRun, FontsOnAnotherDrive) {
    EXPECT_EQ(run("fonts-on-drive-d.txt", RunOptions().machineArgs({"--drive", "D:fixed"})), endLines(kInstalledRestart));
    EXPECT_EQ(privateIni("FontPath"), "D:\\NVFONTS");
    EXPECT_TRUE(exists("D:\\NVFONTS\\NVSANS.TTF"));
    EXPECT_FALSE(exists("C:\\WINDOWS\\FONTS\\NVSANS.TTF"));
    std::string fonts = registry(kFontsKey);
    EXPECT_NE(fonts.find("\"Norvalk Sans (TrueType)\"=\"D:\\\\NVFONTS\\\\NVSANS.TTF\""), std::string::npos) << fonts;
}

TEST_F(AnswerRun, DemoFileDeclined) {
    EXPECT_EQ(run("demo-declined.txt"), endLines(kInstalledRestart));
    EXPECT_FALSE(exists("C:\\WINDOWS\\SYSTEM\\qsdemo.prn"));
    EXPECT_TRUE(exists("C:\\WINDOWS\\SYSTEM\\qs8000.drv"));
    EXPECT_TRUE(exists("C:\\WINDOWS\\FONTS\\NVSANS.TTF"));
}

// Unattended, the first model's list of driver files gives only its virtual
// device drivers: the printer driver itself comes from Windows' Add Printer.
TEST_F(AnswerRun, UnattendedTakesTheFirstModelWithoutAQuestion) {
    EXPECT_EQ(run("unattended.txt", RunOptions().program({"/1"})), endLines(kInstalledRestart));
    EXPECT_EQ(privateIni("DriverName"), "Norvalk QS-8000 series");
    EXPECT_TRUE(exists("C:\\WINDOWS\\SYSTEM\\NVBIDI.386"));
    EXPECT_FALSE(exists("C:\\WINDOWS\\SYSTEM\\qs8000.drv"));
    EXPECT_TRUE(exists("C:\\WINDOWS\\SYSTEM\\QSUI.DLL"));
    EXPECT_TRUE(exists("C:\\WINDOWS\\FONTS\\NVSANS.TTF"));
}

// [REBOOTSYSTEM] 1 logs off with the reserved argument all bits set; 2 restarts.
TEST_F(AnswerRun, RestartAcceptedLogsOffInModeOne) {
    EXPECT_EQ(run("restart-accepted.txt"),
              endLines(kInstalledRestart, "asked for: log off (reserved argument 0xFFFFFFFF)"));
}

TEST_F(AnswerRun, RestartAcceptedRestartsInModeTwo) {
    EXPECT_EQ(run("restart-accepted.txt", RunOptions().from("variants/restart-2")),
              endLines(kInstalledRestart, "asked for: restart Windows"));
}

// A cancel at each dialog of the sequence: the run ends with the outcome
// that says what happened, and the checks every run gets hold.
TEST_F(AnswerRun, CancelAtEachDialog) {
    struct Cancel {
        const char* answers;
        std::string outcome;
        bool driver;  // the driver files were installed
        bool fonts;
        std::vector<std::string> newArgs = {};
        const char* font = "C:\\WINDOWS\\FONTS\\NVSANS.TTF";  // where a font would have gone
    };
    const Cancel cancels[] = {
        {"cancel-at-language.txt", kNothing, false, false},
        {"cancel-at-model.txt", kNothing, false, false},
        {"cancel-at-disk.txt", "the driver installation failed (runResult 1)", false, false},
        {"cancel-at-fonts-directory.txt", kInstalledRestart, true, false},
        {"cancel-at-font-list.txt", kInstalledRestart, true, false},
        {"cancel-at-space-warning.txt", kInstalledRestart, true, false, {"--drive", "D:fixed:80K"},
         "D:\\NVFONTS\\NVSANS.TTF"},
    };
    for (const Cancel& c : cancels) {
        SCOPED_TRACE(c.answers);
        fs::remove_all(machine);
        fs::remove(before);
        EXPECT_EQ(run(c.answers, RunOptions().machineArgs(c.newArgs)), endLines(c.outcome));
        EXPECT_EQ(exists("C:\\WINDOWS\\SYSTEM\\QSUI.DLL"), c.driver);
        EXPECT_EQ(exists(c.font), c.fonts);
    }
}

}  // namespace
