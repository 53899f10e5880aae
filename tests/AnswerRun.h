// Runs of the built launcher on a fresh simulated machine with the sample
// disks and an answer file of samples/answers, as a packager would try them,
// and the machine read back afterwards. Every run is also checked for what
// it owes the machine whatever its choices: the temporary copies gone, each
// changed file accounted for in the private INI, SYSTEM.INI and WIN.INI as
// before or backed up. A test may run several answer files one after the
// other on the same machine (an install, then its uninstall).
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "CommandRun.h"
#include "TempMachine.h"

namespace nv::testing {

inline const char* const kPrivateIni = "C:\\WINDOWS\\QS8000.INI";
inline const char* const kFontsKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";

// The launcher's last three lines on standard error.
inline std::string endLines(const std::string& outcome, const std::string& windows = "not asked for") {
    return "nvins32b: outcome: " + outcome + "\nnvins32b: end of Windows: " + windows + "\nnvins32b: exit status 0\n";
}
inline const std::string kInstalledRestart =
    "the driver installation finished; Windows must restart for it to take effect (runResult 5)";
inline const std::string kNothing = "nothing was installed or removed (runResult 0)";

inline CommandRun nvmachine(const std::vector<std::string>& args) { return runNvmachine(args); }

// How a run is started; what is not set stays as it is
// (RunOptions().program({"/ND"})).
struct RunOptions {
    std::string disks = "disks";             // folder of the build's samples/ whose DISK1 goes into A:
    std::vector<std::string> newArgs;        // for `nvmachine new`, when the machine is made by the run
    std::vector<std::string> launcherArgs;   // for the launcher, before the program's own arguments
    std::vector<std::string> programArgs;    // the installer's command line
    enum class Input { AnswerFile, Console } input = Input::AnswerFile;  // the file given, or piped to the console

    RunOptions& from(std::string folder) { disks = std::move(folder); return *this; }
    RunOptions& machineArgs(std::vector<std::string> args) { newArgs = std::move(args); return *this; }
    RunOptions& launcher(std::vector<std::string> args) { launcherArgs = std::move(args); return *this; }
    RunOptions& program(std::vector<std::string> args) { programArgs = std::move(args); return *this; }
    RunOptions& atTheConsole() { input = Input::Console; return *this; }
};

class AnswerRun : public ::testing::Test {
protected:
    // Runs a file of samples/answers to its end; the machine is made first
    // when it is not there yet, and the disks are copied into it (the
    // answers insert the later disks from there). Returns what the launcher
    // printed.
    std::string run(const std::string& answers, const RunOptions& options = {}) {
        if (!std::filesystem::exists(machine)) {
            std::vector<std::string> args{"new", machine.string()};
            args.insert(args.end(), options.newArgs.begin(), options.newArgs.end());
            CommandRun made = nvmachine(args);
            EXPECT_EQ(made.status, 0) << made.out;
        }
        if (!std::filesystem::exists(machine / "disks"))
            std::filesystem::copy(binaryDir() / "samples" / options.disks, machine / "disks",
                                  std::filesystem::copy_options::recursive);
        CommandRun in = nvmachine({"insert", machine.string(), "A:", (machine / "disks/DISK1").string()});
        EXPECT_EQ(in.status, 0) << in.out;
        hadPrivateIni = exists(kPrivateIni);
        CommandRun snap = nvmachine({"snapshot", machine.string(), before.string()});
        EXPECT_EQ(snap.status, 0) << snap.out;
        std::filesystem::copy_file(onMachine("C:\\WINDOWS\\SYSTEM.INI"), systemIniBefore,
                                   std::filesystem::copy_options::overwrite_existing);
        CommandRun done = launch(answers, options);
        EXPECT_EQ(done.status, 0) << done.out;
        checkConsistent();
        return done.out;
    }

    // Runs the launcher with a file of samples/answers on the machine as it
    // is, without the checks.
    CommandRun launch(const std::string& answers, const RunOptions& options = {}) {
        std::vector<std::string> args{"--machine", machine.string()};
        args.insert(args.end(), options.launcherArgs.begin(), options.launcherArgs.end());
        std::filesystem::path answerFile = sourceDir() / "samples/answers" / answers;
        if (options.input == RunOptions::Input::AnswerFile)
            args.insert(args.end(), {"--answers", answerFile.string()});
        else
            args.push_back("--console");
        if (!options.programArgs.empty()) {
            args.push_back("--");
            args.insert(args.end(), options.programArgs.begin(), options.programArgs.end());
        }
        CommandRun done;
        if (options.input == RunOptions::Input::AnswerFile) {
            done = runTool(binaryDir() / "tools/nvins32b/nvins32b", args);
        } else {
            // The console's dialogs and prompts go to the transcript; what
            // the launcher says of the run stays on standard error.
            std::string command = shellQuoted((binaryDir() / "tools/nvins32b/nvins32b").string());
            for (const auto& a : args)
                command += " " + shellQuoted(a);
            done = runShell(command + " < " + shellQuoted(answerFile.string()) + " 2>&1 > " +
                            shellQuoted(consoleTranscript.string()));
        }
        return done;
    }

    // Where a file of the machine ("C:\WINDOWS\WIN.INI") lies on the host.
    std::filesystem::path onMachine(const std::string& winPath) const {
        std::string p = winPath;
        for (char& c : p)
            if (c == '\\')
                c = '/';
        return machine / "drives" / std::string(1, p[0]) / p.substr(3);
    }
    bool exists(const std::string& winPath) const { return std::filesystem::exists(onMachine(winPath)); }

    // One value of a profile file of the machine, "(missing)" when it has none.
    std::string ini(const std::string& file, const std::string& section, const std::string& key) const {
        CommandRun r = nvmachine({"ini", "get", machine.string(), file, section, key});
        if (r.status != 0)
            return "(missing)";
        if (!r.out.empty() && r.out.back() == '\n')
            r.out.pop_back();
        return r.out;
    }
    std::string privateIni(const std::string& key) const { return ini(kPrivateIni, "Install", key); }

    std::string registry(const std::string& key) const {
        return nvmachine({"reg", "export", machine.string(), key}).out;
    }

    // What every run owes the machine, whatever was chosen.
    void checkConsistent() {
        // The temporary copies are gone.
        for (const char* temp : {"C:\\WINDOWS\\~NV00001.txt", "C:\\WINDOWS\\~NV00002.txt",
                                 "C:\\WINDOWS\\SYSTEM\\~NV00002.txt", "C:\\WINDOWS\\SYSTEM\\INSTALL.INF"})
            EXPECT_FALSE(exists(temp)) << temp << " left behind";

        // A full removal takes the private INI, and with it the record of
        // the install, and the INF copies kept for the uninstall.
        if (!exists(kPrivateIni) && hadPrivateIni) {
            for (const char* kept : {"C:\\WINDOWS\\SYSTEM\\QS8000.IN1", "C:\\WINDOWS\\SYSTEM\\QS8000.IN2"})
                EXPECT_FALSE(exists(kept)) << kept << " left behind by the removal";
            return;
        }

        // Each file the run made or changed on C: or D: is recorded in the
        // private INI (an installed file, a backup, a kept script copy), or
        // is one of the configuration files checked below.
        std::string recorded = nvmachine({"ini", "get", machine.string(), kPrivateIni, "Install"}).out;
        std::string upperRecorded = upper(recorded);
        const std::string changes = nvmachine({"diff", before.string(), machine.string()}).out;
        std::istringstream diff(changes);
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
        checkBackedUp("C:\\WINDOWS\\SYSTEM.INI", "BFileSysIni", changes);
        checkBackedUp("C:\\WINDOWS\\WIN.INI", "BFileWinIni", changes);
    }

    // A configuration file either unchanged, or its backup named in the
    // private INI. WIN.INI's own section of the product is written by the
    // start of every run (the port probe), before anything is installed;
    // the spooler's sections are the spooler's.
    // `diff` is what `nvmachine diff` says the run changed.
    void checkBackedUp(const std::string& file, const std::string& key, const std::string& diff) {
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
    static std::filesystem::path binaryDir() { return NV_BINARY_DIR; }
    static std::filesystem::path sourceDir() { return NV_SOURCE_DIR; }

    TempDir tmp;
    std::filesystem::path machine = tmp.path() / "m";
    std::filesystem::path before = tmp.path() / "before.snapshot";
    std::filesystem::path systemIniBefore = tmp.path() / "SYSTEM.INI.before";
    std::filesystem::path consoleTranscript = tmp.path() / "console.txt";  // of the last console run
    bool hadPrivateIni = false;  // before the last run
};

}  // namespace nv::testing
