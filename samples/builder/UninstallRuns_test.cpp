// Round trips of the sample product on fresh machines, run by the built
// launcher with the answer files of samples/answers: installed, then removed
// again from a normal start or from the program group's setup-information
// start, whole or one model at a time. Afterwards `nvmachine diff` against
// the machine before the install lists exactly the leftovers that
// docs/uninstall.md documents. Also the uninstall on a machine where nothing
// of the product is installed, beside another maker's printer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "AnswerRun.h"

namespace fs = std::filesystem;

namespace {

using nv::testing::CommandRun;
using nv::testing::endLines;
using nv::testing::kInstalledRestart;
using nv::testing::kPrivateIni;
using nv::testing::nvmachine;
using nv::testing::RunOptions;

const std::string kRemoved = "nvins32b: outcome: the driver was removed (runResult 3)\n";
const std::string kNothing = "nvins32b: outcome: nothing was installed or removed (runResult 0)\n";

// The way the program group's "Uninstall Norvalk Driver" item starts the
// installer: its copy in the system directory, the private INI as the
// setup-information file.
RunOptions FromTheGroupsItem() { return RunOptions().launcher({"--from", "C:\\WINDOWS\\SYSTEM"}).program({kPrivateIni}); }
const char* const kKey8000 = "HKEY_LOCAL_MACHINE\\Enum\\LPTENUM\\NORVALKQS-8000_SERIEC9E2";
const char* const kKey8300 = "HKEY_LOCAL_MACHINE\\Enum\\LPTENUM\\NORVALKQS-8300_SERIED1A8";

// A diff record without what the same leftover may vary in: a file keeps its
// path, not its size and hash; a changed record its old form. Tabs become
// blanks, as docs/uninstall.md shows them.
std::string Normalised(const std::string& line) {
    std::string out = line.substr(0, line.find("\t->\t"));
    if (out.size() > 7 && out.compare(1, 6, " file\t") == 0)
        out = out.substr(0, out.find('\t', 7));
    for (char& c : out)
        if (c == '\t')
            c = ' ';
    return out;
}

// The lines of the fenced block that follows the marker line in docs/uninstall.md.
std::set<std::string> DocumentedLeftovers(const std::string& marker) {
    std::ifstream in(fs::path(NV_SOURCE_DIR) / "docs/uninstall.md");
    std::set<std::string> lines;
    bool found = false;
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (!found) {
            found = line == marker;
            continue;
        }
        if (line.rfind("```", 0) == 0) {
            if (inside)
                break;
            inside = true;
            continue;
        }
        if (inside && !line.empty())
            lines.insert(line);
    }
    EXPECT_TRUE(found) << "docs/uninstall.md has no line " << marker;
    EXPECT_FALSE(lines.empty()) << "no fenced block after " << marker;
    return lines;
}

// The installs run through AnswerRun::run, which checks what every run owes
// the machine; the uninstalls cannot get those checks (they take away the
// private INI that records the backups), their check is the comparison with
// the machine before the install.
class UninstallRun : public nv::testing::AnswerRun {
protected:
    // A fresh machine with disk 1 in A: and, as Windows has it, the key the
    // parallel port's plug-and-play enumerator keeps its printers under;
    // `pristine` is its snapshot. A drive A: with disk 1 back in it at the
    // end compares equal, so drive A: stays in the comparison.
    void SetUp() override {
        CommandRun made = nvmachine({"new", machine.string()});
        ASSERT_EQ(made.status, 0) << made.out;
        fs::copy(binaryDir() / "samples/disks", machine / "disks", fs::copy_options::recursive);
        for (const auto& [key, value] : settings)
            ASSERT_EQ(nvmachine({"setting", machine.string(), key, value}).status, 0);
        importKeys({"HKEY_LOCAL_MACHINE\\Enum\\LPTENUM"});
        insertDisk1();
        CommandRun snap = nvmachine({"snapshot", machine.string(), pristine.string()});
        ASSERT_EQ(snap.status, 0) << snap.out;
    }

    void insertDisk1() {
        CommandRun in = nvmachine({"insert", machine.string(), "A:", (machine / "disks/DISK1").string()});
        ASSERT_EQ(in.status, 0) << in.out;
    }

    void install(const std::string& answers) { EXPECT_EQ(run(answers), endLines(kInstalledRestart)) << answers; }

    // What plug-and-play detection leaves for a printer on the port.
    void importKeys(const std::vector<std::string>& keys) {
        std::string reg = "REGEDIT4\n";
        for (const auto& k : keys)
            reg += "\n[" + k + "]\n";
        nv::testing::writeWholeFile(tmp.path() / "keys.reg", reg);
        CommandRun r = nvmachine({"reg", "import", machine.string(), (tmp.path() / "keys.reg").string()});
        ASSERT_EQ(r.status, 0) << r.out;
    }
    bool hasKey(const std::string& key) { return nvmachine({"reg", "export", machine.string(), key}).status == 0; }

    // Runs the launcher with a file of samples/answers, disk 1 in A:; returns
    // its account of how the run ended (the line with the outcome).
    std::string uninstall(const std::string& answers, const RunOptions& options = {}) {
        insertDisk1();
        CommandRun done = launch(answers, options);
        EXPECT_EQ(done.status, 0) << answers << ":\n" << done.out;
        size_t at = done.out.find("nvins32b: outcome: ");
        return at == std::string::npos ? done.out : done.out.substr(at, done.out.find('\n', at) + 1 - at);
    }

    // What differs from the machine before the install, normalised.
    std::set<std::string> differences() {
        CommandRun d = nvmachine({"diff", pristine.string(), machine.string()});
        std::set<std::string> lines;
        std::istringstream in(d.out);
        for (std::string line; std::getline(in, line);)
            if (!line.empty() && (line[0] == '+' || line[0] == '-' || line[0] == '~'))
                lines.insert(Normalised(line));
        return lines;
    }

    void expectDifferences(const std::set<std::string>& expected, const std::string& what) {
        std::set<std::string> got = differences();
        std::ostringstream extra;
        std::ostringstream missing;
        for (const auto& l : got)
            if (!expected.count(l))
                extra << "  " << l << "\n";
        for (const auto& l : expected)
            if (!got.count(l))
                missing << "  " << l << "\n";
        if (!extra.str().empty())
            ADD_FAILURE() << "left behind but not in " << what << ":\n" << extra.str();
        if (!missing.str().empty())
            ADD_FAILURE() << "in " << what << " but not left behind:\n" << missing.str();
    }

    std::string printers() { return nvmachine({"printers", machine.string()}).out; }
    std::string groups() { return nvmachine({"groups", machine.string()}).out; }

    fs::path pristine = tmp.path() / "pristine.snapshot";
    std::vector<std::pair<std::string, std::string>> settings;  // machine settings made before the snapshot
};

const std::string kFullRemoval = "<!-- leftovers: full removal -->";
const std::string kOneAtATime = "<!-- leftovers: two models removed one at a time -->";

// A typical install removed whole, from a normal start (Uninstall chosen in
// MODE_INSTALL) and from the program group's item (the private INI as the
// setup-information file): the same leftovers either way.
struct Start {
    const char* answers;
    RunOptions options;
};

void PrintTo(const Start& s, std::ostream* os) { *os << s.answers; }

class UninstallRoundTrip : public UninstallRun, public ::testing::WithParamInterface<Start> {};

TEST_P(UninstallRoundTrip, LeavesOnlyTheDocumentedLeftovers) {
    install("typical-install.txt");
    importKeys({kKey8000});
    ASSERT_NE(printers().find("  Norvalk QS-8000 series  (default printer)\n"), std::string::npos) << printers();
    EXPECT_EQ(uninstall(GetParam().answers, GetParam().options), kRemoved);
    expectDifferences(DocumentedLeftovers(kFullRemoval), kFullRemoval);
}

INSTANTIATE_TEST_SUITE_P(Starts, UninstallRoundTrip,
                         ::testing::Values(Start{"uninstall.txt", {}},
                                           Start{"uninstall-from-group.txt", FromTheGroupsItem()}),
                         [](const auto& info) { return info.index == 0 ? "NormalStart" : "FromTheGroupsItem"; });

// Two models installed, the second removed (a partial removal: what the
// first needs stays), then the first (a full removal).
TEST_F(UninstallRun, TwoModelsRemovedOneAtATime) {
    install("typical-install.txt");
    install("add-second-model.txt");
    importKeys({kKey8000, kKey8300});
    ASSERT_NE(printers().find("  Norvalk QS-8300 series  (default printer)\n"), std::string::npos) << printers();

    EXPECT_EQ(uninstall("uninstall-second-of-two.txt"), kRemoved);
    std::string spooler = printers();
    EXPECT_NE(spooler.find("  Norvalk QS-8000 series\n    driver      Norvalk QS-8000 series\n"), std::string::npos)
        << spooler;
    EXPECT_EQ(spooler.find("QS-8300"), std::string::npos) << spooler;
    EXPECT_NE(spooler.find("Norvalk Language Monitor       NVLMON.DLL"), std::string::npos) << spooler;
    EXPECT_NE(groups().find("  Norvalk Printer Tools\n"), std::string::npos) << groups();
    for (const char* kept : {"C:\\WINDOWS\\SYSTEM\\QS8000.IN1", "C:\\WINDOWS\\SYSTEM\\QS8000.IN2", kPrivateIni,
                             "C:\\WINDOWS\\SYSTEM\\QSUI.DLL", "C:\\WINDOWS\\SYSTEM\\NVLMON.DLL",
                             "C:\\WINDOWS\\SYSTEM\\qs8000.drv"})
        EXPECT_TRUE(exists(kept)) << kept;
    EXPECT_TRUE(hasKey(kKey8000));
    EXPECT_FALSE(hasKey(kKey8300));

    EXPECT_EQ(uninstall("uninstall.txt"), kRemoved);
    expectDifferences(DocumentedLeftovers(kOneAtATime), kOneAtATime);
}

// The group's uninstall item with nothing of the product installed: the
// missing setup-information file is named and nothing changes, least of all
// another maker's printer.
class UninstallBesideAcme : public UninstallRun {
protected:
    UninstallBesideAcme() { settings = {{"spoolerPreload", "Acme Jet,Acme Jet,ACME.DRV,LPT2:,default"}}; }
};

TEST_F(UninstallBesideAcme, NothingInstalled) {
    EXPECT_EQ(uninstall("uninstall-nothing-installed.txt", FromTheGroupsItem()), kNothing);
    expectDifferences({}, "an unchanged machine");
    EXPECT_NE(printers().find("  Acme Jet  (default printer)\n    driver      Acme Jet\n    port        LPT2:\n"),
              std::string::npos)
        << printers();
}

// A driver of the product left without a printer (its printer deleted by
// hand), beside another maker's printer: Uninstall is offered, the first
// model comes selected, its driver entry goes, and the other maker's
// printer, driver and file stay.
class UninstallLeftoverDriver : public UninstallRun {
protected:
    UninstallLeftoverDriver() {
        settings = {{"spoolerPreload", "Acme Jet,Acme Jet,ACME.DRV,LPT2:,default;,Norvalk QS-8000 series,QS8000.DRV,"}};
    }
};

TEST_F(UninstallLeftoverDriver, OnlyTheProductsDriverEntryGoes) {
    EXPECT_EQ(uninstall("uninstall.txt"), kRemoved);
    std::set<std::string> expected{
        "+ file C:\\WINDOWS\\WIN.B00",
        "- driver Norvalk QS-8000 series QS8000.DRV QS8000.DRV QS8000.DRV    RAW",
        "- key HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\control\\Print\\Environments\\Windows 4.0\\Drivers\\"
        "Norvalk QS-8000 series",
    };
    for (const char* value : {"\"Configuration File\" \"QS8000.DRV\"", "\"Data File\" \"QS8000.DRV\"",
                              "\"Datatype\" \"RAW\"", "\"Dependent Files\" hex(7):00", "\"Driver\" \"QS8000.DRV\"",
                              "\"Help File\" \"\"", "\"Monitor\" \"\"", "\"Version\" dword:00000400"})
        expected.insert(std::string("- value HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\control\\Print\\"
                                    "Environments\\Windows 4.0\\Drivers\\Norvalk QS-8000 series ") +
                        value);
    expectDifferences(expected, "the driver entry and the WIN.INI backup");
    EXPECT_TRUE(exists("C:\\WINDOWS\\SYSTEM\\ACME.DRV"));
}

}  // namespace
