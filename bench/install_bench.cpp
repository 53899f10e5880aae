// The whole install against its floors: a typical scripted install of a
// product from its hard-disk copy (C:\SETUP\DISK1 ...) on a fresh machine,
// beside the same files copied and expanded by the LZ layer alone
// (LZOpenFileA, LZCopy: the copy-and-expand floor) and by a plain host copy
// of the expanded files.
//
//   install_bench [--runs N] [--tiny] [--keep DIR] [--source DIR]
//
// Products: the sample product, and two made from it with generated data
// files (88 files on 5 disks, 160 on 9: the copy list's limit), to show how
// the cost grows with the files. --tiny: one run of the sample and of a
// 24-file product on 4 disks, only to prove that the benchmark works.
// --source: the source tree (for samples/product and samples/answers).
//
// Every timed run is a process of its own (this program started again with
// --child): it times its work itself, from opening the machine to saving it,
// and reports its CPU time and its peak resident memory (VmHWM, which is the
// process's own; ru_maxrss would also count the parent's pages a spawn
// starts from). The install is driven in-process as the launcher drives it,
// answered from samples/answers/typical-install-harddisk.txt, with no
// screenshots and no call trace. The methods take turns within each round,
// so that a busy machine slows them alike.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <windows.h>
#include <lzexpand.h>

#include "bench/InstallProducts.h"
#include "platform/core/Machine.h"
#include "platform/progman/ProgmanWindow.h"
#include "platform/user/Input.h"
#include "platform/user/Painter.h"
#include "samples/builder/DiskBuilder.h"
#include "shared/InstallState.h"
#include "startup/Startup.h"
#include "tools/loader/ProgramResources.h"
#include "tools/nvmachine/FreshMachine.h"

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const HINSTANCE kProgramInstance = reinterpret_cast<HINSTANCE>(0x400000);
constexpr const char* kFrom = "C:\\SETUP\\DISK1";

// ---- the child's side: one timed piece of work, its figures to a file ----

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto s = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

long peakKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

struct Timer {
    Clock::time_point wall = Clock::now();
    double cpu = cpuSeconds();
};

// "wall cpu peak" and what the work itself says, for the parent.
int report(const std::string& outFile, const Timer& t, const std::string& extra) {
    double wall = std::chrono::duration<double>(Clock::now() - t.wall).count();
    double cpu = cpuSeconds() - t.cpu;
    std::ofstream out(outFile);
    out << wall << ' ' << cpu << ' ' << peakKilobytes() << ' ' << extra << '\n';
    return out ? 0 : 1;
}

nv::machine::Machine* openMachine(const fs::path& dir) {
    auto opened = nv::machine::Machine::open(dir);
    if (!opened) {
        std::fprintf(stderr, "install_bench: %s\n", opened.error().message.c_str());
        return nullptr;
    }
    nv::machine::attach(std::move(opened.value()));
    return &nv::machine::currentOrDie();
}

// The launcher's work after its start: the machine opened, the program run
// from its first disk folder with the answers, the machine saved.
int childInstall(const std::string& outFile, const fs::path& machineDir, const std::string& answers) {
    namespace input = nv::user::input;
    Timer t;
    nv::progman::registerProgramManager();
    nv::machine::Machine* m = openMachine(machineDir);
    if (!m)
        return 3;
    m->modulePath = std::string(kFrom) + "\\NVINS32B.EXE";
    if (auto cd = m->setCurrentDirectory(kFrom); !cd) {
        std::fprintf(stderr, "install_bench: %s: %s\n", kFrom, cd.error().message.c_str());
        return 3;
    }
    if (auto used = input::UseAnswerFile(answers); !used) {
        std::fprintf(stderr, "install_bench: %s\n", used.error().message.c_str());
        return 3;
    }
    // Nobody is there to answer what the file does not: the run is void.
    input::SetStopHandler([](input::Status, const std::string& why) {
        std::fprintf(stderr, "install_bench: the install stopped: %s\n", why.c_str());
        std::fflush(stderr);
        std::_Exit(4);
    });
    RegisterProgramResources(kProgramInstance);
    int status = InstallerMain(kProgramInstance, "", SW_SHOWNORMAL);
    nv::user::NotifyRunEnded();
    if (auto saved = m->save(); !saved) {
        std::fprintf(stderr, "install_bench: %s\n", saved.error().message.c_str());
        return 3;
    }
    std::string unused = input::unusedAnswers();
    if (!unused.empty())
        std::fprintf(stderr, "install_bench: answers not used:\n%s", unused.c_str());
    int written = report(outFile, t, std::to_string(status) + " " + std::to_string(state.runResult) + " " +
                                         (unused.empty() ? "1" : "0"));
    nv::machine::detach();
    return written;
}

std::vector<std::pair<std::string, std::string>> readPairs(const std::string& path) {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        size_t tab = line.find('\t');
        if (tab != std::string::npos)
            pairs.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    }
    return pairs;
}

// The floor: each source opened, expanded into its destination, closed.
int childExpand(const std::string& outFile, const fs::path& machineDir, const std::string& pairsFile) {
    auto pairs = readPairs(pairsFile);
    Timer t;
    nv::machine::Machine* m = openMachine(machineDir);
    if (!m)
        return 3;
    int failed = 0;
    for (auto& [from, to] : pairs) {
        OFSTRUCT a{}, b{};
        INT source = LZOpenFileA(from.data(), &a, OF_READ);
        INT target = source < 0 ? -1 : LZOpenFileA(to.data(), &b, OF_CREATE);
        failed += source < 0 || target < 0 || LZCopy(source, target) < 0;
        if (source >= 0)
            LZClose(source);
        if (target >= 0)
            LZClose(target);
    }
    if (auto saved = m->save(); !saved)
        failed += 1;
    int written = report(outFile, t, std::to_string(failed));
    nv::machine::detach();
    return failed ? 1 : written;
}

// The host's own floor: the expanded files read and written with a 64 KB buffer.
int childCopy(const std::string& outFile, const std::string& pairsFile) {
    auto pairs = readPairs(pairsFile);
    Timer t;
    std::vector<char> buffer(1 << 16);
    int failed = 0;
    for (auto& [from, to] : pairs) {
        std::FILE* in = std::fopen(from.c_str(), "rb");
        std::FILE* out = std::fopen(to.c_str(), "wb");
        bool ok = in && out;
        size_t n;
        while (ok && (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
            ok = std::fwrite(buffer.data(), 1, n, out) == n;
        if (in)
            std::fclose(in);
        if (out)
            ok = std::fclose(out) == 0 && ok;
        failed += !ok;
    }
    int written = report(outFile, t, std::to_string(failed));
    return failed ? 1 : written;
}

// ---- the parent's side ----

struct Sample {
    double wall = 0;
    double cpu = 0;
    long peakKb = 0;
    std::vector<long> extra;  // what the work itself reported
};

// Runs this program again with `args`; its figures, or none after a failure.
bool runChild(const fs::path& self, const fs::path& outFile, const std::vector<std::string>& args, Sample& sample) {
    std::vector<std::string> all = {self.string(), "--child", outFile.string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::error_code ec;
    fs::remove(outFile, ec);
    pid_t pid;
    if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "install_bench: %s %s failed (status %d)\n", args[0].c_str(), args[1].c_str(),
                     WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        return false;
    }
    std::ifstream in(outFile);
    if (!(in >> sample.wall >> sample.cpu >> sample.peakKb))
        return false;
    for (long v; in >> v;)
        sample.extra.push_back(v);
    return true;
}

struct Method {
    const char* name;
    std::vector<Sample> samples;

    double median(double Sample::*field) const {
        std::vector<double> v;
        for (const auto& s : samples)
            v.push_back(s.*field);
        std::sort(v.begin(), v.end());
        size_t n = v.size();
        return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    double best(double Sample::*field) const {
        double b = 1e30;
        for (const auto& s : samples)
            b = std::min(b, s.*field);
        return b;
    }
    long peakKb() const {
        long p = 0;
        for (const auto& s : samples)
            p = std::max(p, s.peakKb);
        return p;
    }
};

struct ProductResult {
    nv::bench::BenchProduct product;
    Method install{"install", {}}, expand{"LZ copy-and-expand", {}}, copy{"host copy", {}};
};

// One file the install copied: from the disk, to the machine, its content.
struct CopiedFile {
    std::string sourceWin;
    std::string destinationWin;
    fs::path destinationRel;  // below the machine's drives/C
    std::vector<uint8_t> bytes;
};

// A Windows path on C: as a path below the machine directory's drives/C.
fs::path belowDriveC(const std::string& win) {
    fs::path rel;
    std::stringstream parts(win.substr(3));
    for (std::string part; std::getline(parts, part, '\\');)
        rel /= part;
    return rel;
}

std::vector<std::string> privateIniFiles(const fs::path& machineDir, const std::string& iniName) {
    std::vector<std::string> files;
    std::ifstream in(machineDir / "drives/C/WINDOWS" / iniName);
    std::string line;
    bool install = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[')
            install = line == "[Install]";
        else if (install && line.rfind("File", 0) == 0 && line.find('=') != std::string::npos)
            files.push_back(line.substr(line.find('=') + 1));
    }
    return files;
}

// What the install copied, as its private INI records it, each matched to
// the disk file it came from: the same content, under the same name when
// there is one (plain before compressed, as the program looks for them).
bool copiedFiles(const nv::bench::BenchProduct& p, const fs::path& machineDir, std::vector<CopiedFile>& out) {
    auto recorded = privateIniFiles(machineDir, p.privateIni);
    if (static_cast<int>(recorded.size()) != p.files) {
        std::fprintf(stderr, "install_bench: %s: the install recorded %zu copied files, %d expected\n",
                     p.name.c_str(), recorded.size(), p.files);
        return false;
    }
    for (const auto& win : recorded) {
        CopiedFile f;
        f.destinationWin = win;
        f.destinationRel = belowDriveC(win);
        auto bytes = nv::sample::readHostFile(machineDir / "drives/C" / f.destinationRel);
        if (!bytes || win.size() < 3 || win.compare(0, 3, "C:\\") != 0) {
            std::fprintf(stderr, "install_bench: %s: the recorded file %s is not there\n", p.name.c_str(), win.c_str());
            return false;
        }
        f.bytes = std::move(*bytes);
        std::string name = f.destinationRel.filename().string();
        const nv::bench::DiskContent* best = nullptr;
        int bestRank = 0;
        for (const auto& c : p.contents) {
            if (c.bytes != f.bytes)
                continue;
            bool sameName = nv::machine::equalsNoCase(c.name, name);
            int rank = sameName && c.storedName == c.name ? 3 : sameName ? 2 : 1;
            if (rank > bestRank) {
                best = &c;
                bestRank = rank;
            }
        }
        if (!best) {
            std::fprintf(stderr, "install_bench: %s: %s matches no file of the disks\n", p.name.c_str(), win.c_str());
            return false;
        }
        f.sourceWin = "C:\\SETUP\\DISK" + std::to_string(best->disk) + "\\" + best->storedName;
        out.push_back(std::move(f));
    }
    return true;
}

// A fresh machine with the product's hard-disk copy in C:\SETUP.
bool freshRunMachine(const fs::path& fresh, const nv::bench::BenchProduct& p, const fs::path& dir) {
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::copy(fresh, dir, fs::copy_options::recursive, ec);
    if (!ec)
        fs::copy(p.setup, dir / "drives/C/SETUP", fs::copy_options::recursive, ec);
    if (ec)
        std::fprintf(stderr, "install_bench: %s: %s\n", dir.c_str(), ec.message().c_str());
    return !ec;
}

bool writeLines(const fs::path& path, const std::vector<std::string>& lines) {
    std::ofstream out(path);
    for (const auto& l : lines)
        out << l << '\n';
    return bool(out);
}

bool sameBytes(const fs::path& file, const std::vector<uint8_t>& bytes) {
    auto read = nv::sample::readHostFile(file);
    return read && *read == bytes;
}

struct Bench {
    fs::path self;
    fs::path dir;
    fs::path fresh;
    std::string answers;
    int runs = 5;

    bool measure(ProductResult& r) {
        const auto& p = r.product;
        const fs::path out = dir / "child.out";
        const fs::path reference = dir / "reference";  // the first install, kept for the floors
        std::vector<CopiedFile> copied;
        std::error_code ec;
        for (int round = 0; round < runs; ++round) {
            fs::path machine = round == 0 ? reference : dir / "run";
            Sample s;
            if (!freshRunMachine(fresh, p, machine) ||
                !runChild(self, out, {"install", machine.string(), answers}, s))
                return false;
            // Status 0, installed (4, or 5: restart needed), every answer used.
            if (s.extra.size() != 3 || s.extra[0] != 0 || (s.extra[1] != 4 && s.extra[1] != 5) || s.extra[2] != 1) {
                std::fprintf(stderr, "install_bench: %s: the install did not finish as expected\n", p.name.c_str());
                return false;
            }
            if (round == 0 ? !copiedFiles(p, machine, copied)
                           : static_cast<int>(privateIniFiles(machine, p.privateIni).size()) != p.files) {
                std::fprintf(stderr, "install_bench: %s: the install did not copy every file\n", p.name.c_str());
                return false;
            }
            r.install.samples.push_back(s);

            // The floor on a fresh machine of its own, into the same places.
            machine = dir / "run";
            if (!freshRunMachine(fresh, p, machine))
                return false;
            std::vector<std::string> pairs;
            for (const auto& f : copied) {
                fs::create_directories((machine / "drives/C" / f.destinationRel).parent_path(), ec);
                pairs.push_back(f.sourceWin + "\t" + f.destinationWin);
            }
            Sample e;
            if (!writeLines(dir / "expand.pairs", pairs) ||
                !runChild(self, out, {"expand", machine.string(), (dir / "expand.pairs").string()}, e))
                return false;
            for (const auto& f : copied)
                if (!sameBytes(machine / "drives/C" / f.destinationRel, f.bytes)) {
                    std::fprintf(stderr, "install_bench: %s: the floor's %s differs from the install's\n",
                                 p.name.c_str(), f.destinationWin.c_str());
                    return false;
                }
            r.expand.samples.push_back(e);

            fs::path hostCopy = dir / "hostcopy";
            fs::remove_all(hostCopy, ec);
            pairs.clear();
            for (const auto& f : copied) {
                fs::create_directories((hostCopy / f.destinationRel).parent_path(), ec);
                pairs.push_back((reference / "drives/C" / f.destinationRel).string() + "\t" +
                                (hostCopy / f.destinationRel).string());
            }
            Sample c;
            if (!writeLines(dir / "copy.pairs", pairs) ||
                !runChild(self, out, {"copy", (dir / "copy.pairs").string()}, c))
                return false;
            r.copy.samples.push_back(c);
        }
        fs::remove_all(dir / "run", ec);
        fs::remove_all(dir / "hostcopy", ec);
        fs::remove_all(reference, ec);
        return true;
    }
};

void printProduct(const ProductResult& r) {
    const auto& p = r.product;
    std::string title = p.name + " (" + std::to_string(p.files) + " files, " + std::to_string(p.disks) + " disks)";
    std::printf("%s\n", title.c_str());
    std::printf("  %-20s %10s %10s %10s %10s %8s %14s\n", "method", "wall med", "wall best", "cpu med", "cpu best",
                "peak MB", "per file (best)");
    for (const Method* m : {&r.install, &r.expand, &r.copy}) {
        std::printf("  %-20s %8.4f s %8.4f s %8.4f s %8.4f s %8.1f %11.3f ms\n", m->name, m->median(&Sample::wall),
                    m->best(&Sample::wall), m->median(&Sample::cpu), m->best(&Sample::cpu),
                    double(m->peakKb()) / 1024.0, 1000.0 * m->best(&Sample::wall) / p.files);
    }
    auto ratio = [&](const Method& a, const Method& b, double Sample::*field) {
        return a.median(field) / b.median(field);
    };
    std::printf("  install / LZ floor: %.1f x wall, %.1f x cpu;  install / host copy: %.1f x wall (medians)\n",
                ratio(r.install, r.expand, &Sample::wall), ratio(r.install, r.expand, &Sample::cpu),
                ratio(r.install, r.copy, &Sample::wall));
}

void printGrowth(const std::vector<ProductResult>& results) {
    if (results.size() < 2)
        return;
    std::printf("cost growth of the install (best runs, wall and cpu):\n");
    for (size_t i = 1; i < results.size(); ++i) {
        const auto& a = results[i - 1];
        const auto& b = results[i];
        int files = b.product.files - a.product.files;
        double wall = b.install.best(&Sample::wall) - a.install.best(&Sample::wall);
        double cpu = b.install.best(&Sample::cpu) - a.install.best(&Sample::cpu);
        std::printf("  %3d -> %3d files: +%.4f s wall, +%.4f s cpu for %d files: %.3f ms wall, %.3f ms cpu per added file\n",
                    a.product.files, b.product.files, wall, cpu, files, 1000.0 * wall / files, 1000.0 * cpu / files);
    }
}

void printTargets(const ProductResult& sample) {
    double wall = sample.install.median(&Sample::wall);
    double ratio = wall / sample.expand.median(&Sample::wall);
    double peak = double(sample.install.peakKb()) / 1024.0;
    auto verdict = [](bool met) { return met ? "met" : "MISSED"; };
    std::printf("targets (the sample product's install, medians):\n");
    std::printf("  wall under 0.3 s:                        %.4f s   %s (best run %.4f s)\n", wall, verdict(wall < 0.3),
                sample.install.best(&Sample::wall));
    std::printf("  within 1.5 x the copy-and-expand floor:  %.1f x    %s\n", ratio, verdict(ratio <= 1.5));
    std::printf("  peak memory under 32 MB:                 %.1f MB   %s\n", peak, verdict(peak < 32));
}

// The host's load average: other work on the machine slows every figure.
std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five;
    in >> one >> five;
    return in ? one + " (1 min), " + five + " (5 min)" : "unknown";
}

int usage() {
    std::fprintf(stderr, "usage: install_bench [--runs N] [--tiny] [--keep DIR] [--source DIR]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
        std::string outFile = argv[2];
        std::string kind = argc > 3 ? argv[3] : "";
        if (kind == "install" && argc == 6)
            return childInstall(outFile, argv[4], argv[5]);
        if (kind == "expand" && argc == 6)
            return childExpand(outFile, argv[4], argv[5]);
        if (kind == "copy" && argc == 5)
            return childCopy(outFile, argv[4]);
        return usage();
    }

    Bench bench;
    bool tiny = false;
    fs::path keep;
    fs::path source = NV_SOURCE_DIR;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc)
            bench.runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--tiny")
            tiny = true;
        else if (a == "--keep" && i + 1 < argc)
            keep = argv[++i];
        else if (a == "--source" && i + 1 < argc)
            source = argv[++i];
        else
            return usage();
    }
    if (tiny)
        bench.runs = 1;
    std::vector<std::pair<int, int>> sizes = {{nv::bench::kSampleFiles, nv::bench::kSampleDisks}, {88, 5}, {160, 9}};
    if (tiny)
        sizes = {{nv::bench::kSampleFiles, nv::bench::kSampleDisks}, {24, 4}};

    bench.self = fs::read_symlink("/proc/self/exe");
    bench.dir = keep.empty() ? fs::temp_directory_path() / ("nv-installbench-" + std::to_string(::getpid())) : keep;
    bench.fresh = bench.dir / "fresh";
    bench.answers = (source / "samples/answers/typical-install-harddisk.txt").string();
    std::error_code ec;
    fs::remove_all(bench.fresh, ec);
    fs::create_directories(bench.dir, ec);
    if (auto made = nv::tool::createFreshMachine(bench.fresh, nv::tool::freshSettings()); !made) {
        std::fprintf(stderr, "install_bench: %s\n", made.error().message.c_str());
        return 1;
    }

    std::printf("host load average at the start: %s\n", loadAverage().c_str());
    std::printf("install_bench: %d run(s) of each; each run its own process, timed from opening the machine to\n"
                "saving it; wall = elapsed, cpu = user + system time, peak = the process's VmHWM.\n"
                "The install is answered from %s, without screenshots or call trace.\n",
                bench.runs, bench.answers.c_str());
    std::fflush(stdout);
    std::vector<ProductResult> results;
    int status = 0;
    for (auto [files, disks] : sizes) {
        auto made = nv::bench::makeProduct(source / "samples/product", bench.dir / ("product-" + std::to_string(files)),
                                           files, disks);
        if (!made) {
            std::fprintf(stderr, "install_bench: %s\n", made.error().message.c_str());
            status = 1;
            break;
        }
        ProductResult r;
        r.product = std::move(*made);
        if (!bench.measure(r)) {
            status = 1;
            break;
        }
        printProduct(r);
        std::fflush(stdout);
        results.push_back(std::move(r));
    }
    printGrowth(results);
    std::printf("host load average at the end: %s\n", loadAverage().c_str());
    if (!results.empty())
        printTargets(results.front());
    if (keep.empty())
        fs::remove_all(bench.dir, ec);
    return status;
}
