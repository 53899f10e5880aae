// nvmachine: make, inspect and change simulated Windows 95 machines.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/ToolMain.h"
#include "tools/nvmachine/Command.h"

namespace nv::tool {

static std::vector<Command>& registry() {
    static std::vector<Command> list;
    return list;
}

void registerCommand(const Command& command) { registry().push_back(command); }
const std::vector<Command>& commands() { return registry(); }

}  // namespace nv::tool

static void printUsage(FILE* out) {
    auto list = nv::tool::commands();
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return std::strcmp(a.name, b.name) < 0; });
    std::fprintf(out, "usage: nvmachine COMMAND ARGS...\n\ncommands:\n");
    for (const auto& c : list)
        std::fprintf(out, "%s\n", c.usage);
    std::fputs("\n"
               "DIR is a machine directory; WINPATH and FILE are Windows paths on it (\"C:\\WINDOWS\\WIN.INI\").\n"
               "\n"
               "exit status:\n"
               "  0  done (diff: no differences)\n"
               "  1  what was asked for is missing: a file, section, key or path (diff: differences)\n"
               "  2  a usage error, a damaged file, or a change that failed\n"
               "\n"
               "examples:\n"
               "  nvmachine new m && nvmachine insert m A: build/dev/samples/disks/DISK1\n"
               "  nvmachine ini get m win.ini \"Norvalk QS-8000 series\"\n"
               "  nvmachine snapshot m before.snap && nvmachine diff before.snap m\n",
               out);
}

static int runTool(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "help") || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        printUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const auto& c : nv::tool::commands()) {
        if (std::strcmp(c.name, argv[1]) == 0)
            return c.run(nv::tool::Args(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "nvmachine: unknown command '%s' (try 'nvmachine help')\n", argv[1]);
    return 2;
}

int main(int argc, char** argv) {
    return nv::tool::guardedMain("nvmachine", 2, [&] { return runTool(argc, argv); });
}
