#include "tools/nvins32b/LauncherOptions.h"

namespace nv::launcher {

const char* const kUsage =
    "usage: nvins32b --machine DIR [--from WINPATH] [--answers FILE | --console | --window [--scale 2]]\n"
    "                [--record FILE] [--screenshots DIR] [--trace FILE] [--dialog NAME]\n"
    "                [-- ARGS]\n";

const char* const kHelp =
    "nvins32b runs the Norvalk driver installer on a simulated Windows 95 machine.\n"
    "\n"
    "usage: nvins32b --machine DIR [--from WINPATH] [--answers FILE | --console | --window [--scale 2]]\n"
    "                [--record FILE] [--screenshots DIR] [--trace FILE] [--dialog NAME]\n"
    "                [-- ARGS]\n"
    "\n"
    "options:\n"
    "  --machine DIR      the machine directory (made with 'nvmachine new'); required\n"
    "  --from WINPATH     the folder the installer is started from (default A:\\)\n"
    "  --answers FILE     answer the dialogs from an answer file (UTF-8; see docs/answer-files.md)\n"
    "  --console          answer the dialogs at the console (the default when --record is given)\n"
    "  --window           show the machine's screen in a desktop window and answer with the mouse\n"
    "                     and keys (needs a display; see README.md for the disk keys and commands)\n"
    "  --scale 2          show the window at twice the size\n"
    "  --record FILE      write the answers given at the console or in the window to FILE, as an\n"
    "                     answer file\n"
    "  --screenshots DIR  save a PNG picture of the screen at each dialog into DIR\n"
    "  --trace FILE       write every Win32 call of the installer to FILE (UTF-8), one line each\n"
    "  --dialog NAME      start up as usual, then show only this dialog and print what it chose:\n"
    "                     language, MODE_INSTALL, SELECTDRV, SELECTDRVMULTI, WIN_RESTART or FONT\n"
    "  -- ARGS            the installer's own command line: nothing, /1, /ND or the path of a\n"
    "                     setup-information file\n"
    "  -h, --help         show this text\n"
    "\n"
    "exit status:\n"
    "  0      the installer ran to its end (its own exit status)\n"
    "  2      a bad command line or answer file\n"
    "  3      the machine, trace file or screenshot folder could not be opened, or the answers\n"
    "         ended while a dialog was waiting\n"
    "  4      a dialog did not match what the answer file expected\n"
    "  5      the run stalled: nobody could answer\n"
    "  6      the window was closed before the run ended (the machine is saved as it was)\n"
    "\n"
    "example:\n"
    "  nvmachine new m && nvmachine insert m A: build/dev/samples/disks/DISK1\n"
    "  nvins32b --machine m --console --trace trace.txt\n";

ParseResult parseOptions(const std::vector<std::string>& args) {
    Options o;
    ParseResult result;
    auto fail = [&](std::string message) {
        result.error = std::move(message);
        return result;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") {
            for (size_t j = i + 1; j < args.size(); ++j) {
                if (j > i + 1)
                    o.programArgs += ' ';
                o.programArgs += args[j];
            }
            break;
        }
        if (a == "--console" || a == "--window") {
            InputKind kind = a == "--console" ? InputKind::Console : InputKind::Window;
            if (o.input != InputKind::None && o.input != kind)
                return fail("--answers, --console and --window exclude each other");
            o.input = kind;
            continue;
        }
        if (a == "--scale") {
            if (i + 1 >= args.size() || (args[i + 1] != "1" && args[i + 1] != "2"))
                return fail("option '--scale' takes 1 or 2");
            o.scale = args[++i][0] - '0';
            continue;
        }
        std::string* target = nullptr;
        if (a == "--machine")
            target = &o.machineDir;
        else if (a == "--from")
            target = &o.fromDir;
        else if (a == "--answers")
            target = &o.answersFile;
        else if (a == "--record")
            target = &o.recordFile;
        else if (a == "--screenshots")
            target = &o.screenshotsDir;
        else if (a == "--trace")
            target = &o.traceFile;
        else if (a == "--dialog")
            target = &o.dialog;
        else
            return fail("unknown option '" + a + "'");
        if (i + 1 >= args.size() || args[i + 1].empty())
            return fail("option '" + a + "' needs a value");
        *target = args[++i];
        if (a == "--answers") {
            if (o.input != InputKind::None)
                return fail("--answers, --console and --window exclude each other");
            o.input = InputKind::Answers;
        }
    }
    if (o.machineDir.empty())
        return fail("--machine DIR is required");
    result.options = std::move(o);
    return result;
}

std::string modulePathFor(const std::string& fromDir) {
    std::string path = fromDir;
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path + "NVINS32B.EXE";
}

}  // namespace nv::launcher
