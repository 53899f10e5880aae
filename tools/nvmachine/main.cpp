// nvmachine: make, inspect and change simulated Windows 95 machines.
#include <algorithm>
#include <cstdio>
#include <cstring>

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
}

int main(int argc, char** argv) {
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
