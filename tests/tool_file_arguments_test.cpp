// Every file argument of every tool, given a folder, a missing file, a file
// it may not read and a binary file: the tool names the file and ends with
// one of its documented statuses, never with an abort or a hang.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "CommandRun.h"
#include "TempMachine.h"
#include "Unprivileged.h"

namespace fs = std::filesystem;
using nv::testing::CommandRun;

namespace {

enum class Bad { Folder, Missing, Unreadable, Binary };

const char* name(Bad b) {
    switch (b) {
    case Bad::Folder: return "a folder";
    case Bad::Missing: return "a missing file";
    case Bad::Unreadable: return "an unreadable file";
    case Bad::Binary: return "a binary file";
    }
    return "?";
}

fs::path tool(const char* rel) { return fs::path(NV_BINARY_DIR) / rel; }

// One argument of one command: "@" in args stands for the file under test.
struct Use {
    fs::path exe;
    std::vector<std::string> args;
    int worst;  // the highest status the tool documents
};

class ToolFileArguments : public ::testing::Test {
protected:
    void SetUp() override {
        fs::permissions(tmp.path(), fs::perms::all);  // the unprivileged runs write here too
        machine = tmp.path() / "m";
        ASSERT_EQ(nv::testing::runNvmachine({"new", machine.string()}).status, 0);
        fs::create_directories(tmp.path() / "disk");
        nv::testing::writeWholeFile(tmp.path() / "disk/README.TXT", "hello");
        nv::testing::writeWholeFile(tmp.path() / "empty.answers", "");
    }

    fs::path make(Bad kind, int n) {
        fs::path p = tmp.path() / ("arg" + std::to_string(n) + ".file");
        switch (kind) {
        case Bad::Folder: fs::create_directories(p); break;
        case Bad::Missing: break;
        case Bad::Unreadable:
            nv::testing::writeWholeFile(p, "[section]\nkey=value\n");
            fs::permissions(p, fs::perms::none);
            break;
        case Bad::Binary: {
            std::string bytes;
            for (int i = 0; i < 4096; ++i)
                bytes += static_cast<char>((i * 7919) & 0xFF);
            nv::testing::writeWholeFile(p, bytes);
            break;
        }
        }
        return p;
    }

    CommandRun run(const Use& use, const fs::path& file) {
        const std::map<std::string, std::string> names = {
            {"@", file.string()},
            {"MACHINE", machine.string()},
            {"README", (tmp.path() / "disk/README.TXT").string()},
            {"OUT", (tmp.path() / "out.bin").string()},
            {"EMPTY", (tmp.path() / "empty.answers").string()},
        };
        std::vector<std::string> args;
        for (const auto& a : use.args)
            args.push_back(names.count(a) ? names.at(a) : a);
        // A hang would stop the suite; timeout ends it with status 124.
        std::vector<std::string> wrapped = {"-k", "5", "60", use.exe.string()};
        wrapped.insert(wrapped.end(), args.begin(), args.end());
        return nv::testing::runTool("timeout", wrapped);
    }

    void check(const std::vector<Use>& uses, const std::vector<Bad>& kinds) {
        for (const auto& use : uses) {
            for (Bad kind : kinds) {
                fs::path file = make(kind, ++n);
                std::string where = use.exe.filename().string();
                for (const auto& a : use.args)
                    where += " " + a;
                where += " with " + std::string(name(kind));
                CommandRun r;
                if (kind == Bad::Unreadable) {
                    // The child sends back "STATUS\nOUTPUT".
                    std::string outcome = nv::testing::runUnprivileged([&] {
                        CommandRun child = run(use, file);
                        return std::to_string(child.status) + "\n" + child.out;
                    });
                    if (outcome.rfind("skip:", 0) == 0) {
                        skipped = outcome;
                        continue;
                    }
                    size_t nl = outcome.find('\n');
                    r.status = nl == std::string::npos ? -1 : std::atoi(outcome.substr(0, nl).c_str());
                    r.out = nl == std::string::npos ? outcome : outcome.substr(nl + 1);
                } else {
                    r = run(use, file);
                }
                EXPECT_EQ(r.out.find("terminate called"), std::string::npos) << where << "\n" << r.out;
                EXPECT_GE(r.status, 0) << where << "\n" << r.out;
                EXPECT_LE(r.status, use.worst) << where << "\n" << r.out;
                if (kind != Bad::Binary) {
                    EXPECT_NE(r.status, 0) << where << "\n" << r.out;
                    EXPECT_NE(r.out.find(file.filename().string()), std::string::npos)
                        << where << ": the file is not named\n" << r.out;
                }
                if (kind == Bad::Unreadable)
                    fs::permissions(file, fs::perms::owner_all);
            }
        }
    }

    nv::testing::TempDir tmp;
    fs::path machine;
    std::string skipped;
    int n = 0;  // files made so far
};

const std::vector<Bad> kAll = {Bad::Folder, Bad::Missing, Bad::Unreadable, Bad::Binary};

}  // namespace

TEST_F(ToolFileArguments, NvmachineInputFiles) {
    const fs::path nvm = tool("tools/nvmachine/nvmachine");
    check({{nvm, {"script", "@"}, 2},
           {nvm, {"script", "@", "Section", "Key"}, 2},
           {nvm, {"lz", "compress", "@", "OUT"}, 2},
           {nvm, {"lz", "expand", "@", "OUT"}, 2},
           {nvm, {"reg", "import", "MACHINE", "@"}, 2},
           {nvm, {"version", "@"}, 2},
           {nvm, {"diff", "@", "MACHINE"}, 2},
           {nvm, {"diff", "MACHINE", "@"}, 2}},
          kAll);
    if (!skipped.empty())
        GTEST_SKIP() << "the unreadable cases: " << skipped;
}

TEST_F(ToolFileArguments, MachineDirectoriesAndTheirSettings) {
    const fs::path nvm = tool("tools/nvmachine/nvmachine");
    // The machine directory itself as the bad argument (a binary "directory" is a file).
    check({{nvm, {"ls", "@", "C:\\"}, 2},
           {nvm, {"ini", "get", "@", "WIN.INI", "windows", "load"}, 2},
           {nvm, {"snapshot", "@", "OUT"}, 2},
           {tool("tools/nvins32b/nvins32b"), {"--machine", "@"}, 3}},
          {Bad::Missing, Bad::Binary});
    // machine.ini replaced by each bad kind.
    for (Bad kind : kAll) {
        fs::path ini = machine / "machine.ini";
        fs::rename(ini, tmp.path() / "saved.ini");
        fs::path made = make(kind, 100 + static_cast<int>(kind));
        if (kind != Bad::Missing)
            fs::rename(made, ini);
        for (const Use& use : std::vector<Use>{{nvm, {"ls", "MACHINE", "C:\\"}, 2},
                                               {tool("tools/nvins32b/nvins32b"), {"--machine", "MACHINE"}, 3}}) {
            if (kind == Bad::Unreadable)
                continue;  // covered by the input-file cases; root reads it anyway
            CommandRun r = run(use, ini);
            EXPECT_GT(r.status, 0) << name(kind) << "\n" << r.out;
            EXPECT_LE(r.status, use.worst) << name(kind) << "\n" << r.out;
            EXPECT_NE(r.out.find("machine.ini"), std::string::npos) << name(kind) << "\n" << r.out;
        }
        fs::remove_all(ini);
        fs::rename(tmp.path() / "saved.ini", ini);
    }
}

TEST_F(ToolFileArguments, LauncherAndDemoFiles) {
    const fs::path nvins = tool("tools/nvins32b/nvins32b");
    check({{nvins, {"--machine", "MACHINE", "--from", "C:\\", "--answers", "@"}, 3}}, kAll);
    // Outputs: a folder in their place, or a folder on the way that is missing.
    check({{nvins, {"--machine", "MACHINE", "--from", "C:\\", "--answers", "EMPTY", "--trace", "@"}, 3},
           {tool("tools/nvmachine/nvmachine"), {"lz", "compress", "README", "@"}, 2},
           {tool("tools/nvmachine/nvmachine"), {"snapshot", "MACHINE", "@"}, 2},
           {tool("tools/mkbitmap/mkbitmap"), {"@"}, 2}},
          {Bad::Folder});
    if (!skipped.empty())
        GTEST_SKIP() << "the unreadable cases: " << skipped;
}
