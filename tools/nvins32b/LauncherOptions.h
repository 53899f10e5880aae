// Command-line options of the launcher nvins32b, which runs the installer on
// a simulated machine:
//
//   nvins32b --machine DIR [--from WINPATH] [--answers FILE | --console | --window [--scale 2]]
//            [--record FILE] [--screenshots DIR] [--trace FILE] [--dialog NAME]
//            [-- ARGS]
//
// Everything after "--" is the installer's own command line, joined with
// single blanks (empty, "/1", "/ND" or a path).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace nv::launcher {

enum class InputKind { None, Answers, Console, Window };

struct Options {
    std::string machineDir;
    std::string fromDir = "A:\\";     // the folder the program is started from
    InputKind input = InputKind::None;
    std::string answersFile;
    std::string recordFile;
    std::string screenshotsDir;
    std::string traceFile;
    std::string programArgs;          // the installer's own command line
    std::string dialog;               // --dialog: the one dialog to show (see DialogTryout.h)
    int scale = 1;                    // --scale: host pixels per machine pixel in the window
};

struct ParseResult {
    std::optional<Options> options;   // set on success
    std::string error;                // otherwise: what was wrong, quoting it
};

ParseResult parseOptions(const std::vector<std::string>& args);

// The program's module file name: the start folder plus NVINS32B.EXE.
std::string modulePathFor(const std::string& fromDir);

extern const char* const kUsage;
// The --help text: every option, the exit statuses and an example.
extern const char* const kHelp;

}  // namespace nv::launcher
