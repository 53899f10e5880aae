// Subcommands of the machine tool. Each lives in its own cmd_*.cpp file,
// compiled into the executable, and registers itself with a static
// NV_COMMAND object, so adding one touches no other file.
//
// A command gets the arguments after its name and returns the exit status.
// Errors go to stderr and name the file and line where there is one.
#pragma once

#include <string>
#include <vector>

namespace nv::tool {

using Args = std::vector<std::string>;

struct Command {
    const char* name;     // first word after "nvmachine"
    const char* usage;    // one or more lines, shown by "nvmachine help"
    int (*run)(const Args& args);
};

void registerCommand(const Command& command);
const std::vector<Command>& commands();

struct Registrar {
    explicit Registrar(const Command& command) { registerCommand(command); }
};

}  // namespace nv::tool

#define NV_COMMAND_CAT2(a, b) a##b
#define NV_COMMAND_CAT(a, b) NV_COMMAND_CAT2(a, b)
#define NV_COMMAND(name, usage, fn) \
    static ::nv::tool::Registrar NV_COMMAND_CAT(nvCommand_, __LINE__)(::nv::tool::Command{name, usage, fn})
