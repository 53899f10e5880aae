// Runs the built tools as a person runs them, for tests that check a whole
// command: its exit status and what it printed.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace nv::testing {

struct CommandRun {
    int status = -1;  // exit status; -1 when the command could not run or was killed
    std::string out;
};

// s in single quotes for /bin/sh, embedded quotes escaped.
inline std::string shellQuoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs a shell command line as given and collects its standard output.
inline CommandRun runShell(const std::string& command) {
    CommandRun r;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

// Runs exe with args (each quoted); standard error is mixed into out.
inline CommandRun runTool(const std::filesystem::path& exe, const std::vector<std::string>& args) {
    std::string cmd = shellQuoted(exe.string());
    for (const auto& a : args)
        cmd += " " + shellQuoted(a);
    return runShell(cmd + " 2>&1");
}

inline CommandRun runNvmachine(const std::vector<std::string>& args) {
    return runTool(std::filesystem::path(NV_BINARY_DIR) / "tools/nvmachine/nvmachine", args);
}

inline std::string readWholeFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

inline void writeWholeFile(const std::filesystem::path& p, const std::string& text) {
    if (p.has_parent_path())
        std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

}  // namespace nv::testing
