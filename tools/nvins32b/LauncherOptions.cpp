#include "tools/nvins32b/LauncherOptions.h"

namespace nv::launcher {

const char* const kUsage =
    "usage: nvins32b --machine DIR [--from WINPATH] [--answers FILE | --console]\n"
    "                [--record FILE] [--screenshots DIR] [--trace FILE] [-- ARGS]\n";

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
        if (a == "--console") {
            if (o.input == InputKind::Answers)
                return fail("--console and --answers exclude each other");
            o.input = InputKind::Console;
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
        else
            return fail("unknown option '" + a + "'");
        if (i + 1 >= args.size() || args[i + 1].empty())
            return fail("option '" + a + "' needs a value");
        *target = args[++i];
        if (a == "--answers") {
            if (o.input == InputKind::Console)
                return fail("--console and --answers exclude each other");
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
