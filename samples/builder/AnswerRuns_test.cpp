// Every answer file of samples/answers run by the built launcher on a fresh
// machine with the sample disks, as a packager would try them, and the
// machine checked afterwards: the files, INI lines and registry values the
// run is for, and what every run owes the machine whatever its choices (the
// temporary copies gone, each changed file accounted for in the private INI,
// SYSTEM.INI and WIN.INI as before or backed up), and the launcher's account
// of how the run ended.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CommandRun.h"
#include "TempMachine.h"

namespace fs = std::filesystem;

namespace {

using nv::testing::CommandRun;
using nv::testing::TempDir;

const fs::path kBin = NV_BINARY_DIR;
const fs::path kSource = NV_SOURCE_DIR;

CommandRun nvmachine(const std::vector<std::string>& args) { return nv::testing::runNvmachine(args); }

const char* const kPrivateIni = "C:\\WINDOWS\\QS8000.INI";
const char* const kFontsKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";

// The launcher's last three lines on standard error.
std::string endLines(const std::string& outcome, const std::string& windows = "not asked for") {
    return "nvins32b: outcome: " + outcome + "\nnvins32b: end of Windows: " + windows + "\nnvins32b: exit status 0\n";
}
const std::string kInstalledRestart =
    "the driver installation finished; Windows must restart for it to take effect (runResult 5)";
const std::string kNothing = "nothing was installed or removed (runResult 0)";


class AnswerRun : public ::testing::Test {
protected:
    // Runs a file of samples/answers to its end from the disks of the build's
    // samples/DISKS folder on a machine made with NEWARGS; returns what the
    // launcher printed.
    std::string run(const std::string& answers, const std::string& disks = "disks",
                    const std::vector<std::string>& newArgs = {}, const std::vector<std::string>& programArgs = {}) {
        if (!fs::exists(machine)) {
            std::vector<std::string> args{"new", machine.string()};
            args.insert(args.end(), newArgs.begin(), newArgs.end());
            CommandRun made = nvmachine(args);
            EXPECT_EQ(made.status, 0) << made.out;
        }
        if (!fs::exists(machine / "disks"))
            fs::copy(kBin / "samples" / disks, machine / "disks", fs::copy_options::recursive);
        CommandRun in = nvmachine({"insert", machine.string(), "A:", (machine / "disks/DISK1").string()});
        EXPECT_EQ(in.status, 0) << in.out;
        CommandRun snap = nvmachine({"snapshot", machine.string(), before.string()});
        EXPECT_EQ(snap.status, 0) << snap.out;
        fs::copy_file(onMachine("C:\\WINDOWS\\SYSTEM.INI"), systemIniBefore, fs::copy_options::overwrite_existing);
        std::vector<std::string> launch{"--machine", machine.string(), "--answers",
                                        (kSource / "samples/answers" / answers).string()};
        if (!programArgs.empty()) {
            launch.push_back("--");
            launch.insert(launch.end(), programArgs.begin(), programArgs.end());
        }
        CommandRun done = nv::testing::runTool(kBin / "tools/nvins32b/nvins32b", launch);
        EXPECT_EQ(done.status, 0) << done.out;
        checkConsistent();
        return done.out;
    }

    fs::path onMachine(const std::string& winPath) {
        std::string p = winPath;
        for (char& c : p)
            if (c == '\\')
                c = '/';
        return machine / "drives" / std::string(1, p[0]) / p.substr(3);
    }
    bool exists(const std::string& winPath) { return fs::exists(onMachine(winPath)); }

    std::string ini(const std::string& file, const std::string& section, const std::string& key) {
        CommandRun r = nvmachine({"ini", "get", machine.string(), file, section, key});
        if (r.status != 0)
            return "(missing)";
        if (!r.out.empty() && r.out.back() == '\n')
            r.out.pop_back();
        return r.out;
    }
    std::string privateIni(const std::string& key) { return ini(kPrivateIni, "Install", key); }

    std::string registry(const std::string& key) {
        return nvmachine({"reg", "export", machine.string(), key}).out;
    }

    // What every run owes the machine, whatever was chosen.
    void checkConsistent() {
        // The temporary copies are gone.
        for (const char* temp : {"C:\\WINDOWS\\~NV00001.txt", "C:\\WINDOWS\\~NV00002.txt",
                                 "C:\\WINDOWS\\SYSTEM\\~NV00002.txt", "C:\\WINDOWS\\SYSTEM\\INSTALL.INF"})
            EXPECT_FALSE(exists(temp)) << temp << " left behind";

        // Each file the run made or changed on C: or D: is recorded in the
        // private INI (an installed file, a backup, a kept script copy), or
        // is one of the configuration files checked below.
        std::string recorded = nvmachine({"ini", "get", machine.string(), kPrivateIni, "Install"}).out;
        std::string upperRecorded = upper(recorded);
        std::istringstream diff(nvmachine({"diff", before.string(), machine.string()}).out);
        for (std::string line; std::getline(diff, line);) {
            if (line.rfind("+ file\t", 0) != 0 && line.rfind("~ file\t", 0) != 0)
                continue;
            std::string path = line.substr(7, line.find('\t', 7) - 7);
            if (path[0] == 'A')
                continue;
            std::string up = upper(path);
            if (up == "C:\\WINDOWS\\QS8000.INI" || up == "C:\\WINDOWS\\WIN.INI" || up == "C:\\WINDOWS\\SYSTEM.INI")
                continue;
            // Program Manager's groups are its own files, not the installer's.
            if (up.rfind("C:\\WINDOWS\\START MENU\\", 0) == 0)
                continue;
            // The port driver swapped for the product's keeps the old one as lpt.vxz.
            if (up == "C:\\WINDOWS\\SYSTEM\\LPT.VXD" || up == "C:\\WINDOWS\\SYSTEM\\LPT.VXZ")
                continue;
            EXPECT_NE(upperRecorded.find("=" + up + "\n"), std::string::npos)
                << path << " was made or changed but is not recorded in the private INI:\n" << recorded;
        }

        // SYSTEM.INI and WIN.INI are as before or their backups are recorded.
        checkBackedUp("C:\\WINDOWS\\SYSTEM.INI", "BFileSysIni");
        checkBackedUp("C:\\WINDOWS\\WIN.INI", "BFileWinIni");
    }

    // A configuration file either unchanged, or its backup named in the
    // private INI. WIN.INI's own section of the product is written by the
    // start of every run (the port probe), before anything is installed;
    // the spooler's sections are the spooler's.
    void checkBackedUp(const std::string& file, const std::string& key) {
        std::string diff = nvmachine({"diff", before.string(), machine.string()}).out;
        bool changed = false;
        std::istringstream lines(diff);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("+ ini\t" + file + "\t", 0) != 0 && line.rfind("- ini\t" + file + "\t", 0) != 0)
                continue;
            if (line.find("\tNorvalk QS-8000 series\t") != std::string::npos)
                continue;
            // The spooler keeps its printers in WIN.INI, as Windows does.
            if (line.find("\tPrinterPorts\t") != std::string::npos || line.find("\tdevices\t") != std::string::npos ||
                line.find("\twindows\tdevice=") != std::string::npos)
                continue;
            changed = true;
        }
        if (!changed)
            return;
        std::string backup = privateIni(key);
        ASSERT_NE(backup, "(missing)") << file << " was edited without a backup recorded:\n" << diff;
        EXPECT_TRUE(exists(backup)) << backup;
    }

    static std::string upper(std::string s) {
        for (char& c : s)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }

    TempDir tmp;
    fs::path machine = tmp.path() / "m";
    fs::path before = tmp.path() / "before.snapshot";
    fs::path systemIniBefore = tmp.path() / "SYSTEM.INI.before";
};

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
    EXPECT_EQ(run("group-only.txt", "disks", {}, {"/ND"}), endLines(kNothing));
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
    EXPECT_EQ(run("fonts-on-drive-d.txt", "disks", {"--drive", "D:fixed"}), endLines(kInstalledRestart));
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
    EXPECT_EQ(run("unattended.txt", "disks", {}, {"/1"}), endLines(kInstalledRestart));
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
    EXPECT_EQ(run("restart-accepted.txt", "variants/restart-2"),
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
    };
    const Cancel cancels[] = {
        {"cancel-at-language.txt", kNothing, false, false},
        {"cancel-at-model.txt", kNothing, false, false},
        {"cancel-at-disk.txt", "the driver installation failed (runResult 1)", false, false},
        {"cancel-at-fonts-directory.txt", kInstalledRestart, true, false},
        {"cancel-at-font-list.txt", kInstalledRestart, true, false},
    };
    for (const Cancel& c : cancels) {
        SCOPED_TRACE(c.answers);
        fs::remove_all(machine);
        fs::remove(before);
        EXPECT_EQ(run(c.answers), endLines(c.outcome));
        EXPECT_EQ(exists("C:\\WINDOWS\\SYSTEM\\QSUI.DLL"), c.driver);
        EXPECT_EQ(exists("C:\\WINDOWS\\FONTS\\NVSANS.TTF"), c.fonts);
    }
}

}  // namespace
