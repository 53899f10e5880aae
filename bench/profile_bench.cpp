// Profile functions on large INI files: 100 reads and 10 writes of WIN.INI
// at each size, on a fresh simulated machine.
//
//   profile_bench [--sizes MB,MB...] [--reads N] [--writes N] [--keep DIR]
//
// For each size it prints the time of the first read (the file is read and
// parsed), of the remaining reads (served by the parsed copy while the file
// is unchanged), of the writes (each rewrites the file and replaces it
// atomically), the whole files read from disk, and the cost per MB, which
// stays flat when the cost grows linearly with the file. Default sizes: 1 and 50 MB.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <windows.h>

#include "bench/BenchMachine.h"
#include "platform/core/Machine.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// A WIN.INI of about `bytes`: many sections of ordinary entries, with the
// sections the benchmark reads and writes at the far end.
std::string bigWinIni(size_t bytes) {
    std::mt19937 rng(7);
    std::string out = "[windows]\r\nload=\r\nrun=\r\n\r\n";
    out.reserve(bytes + 256);
    int section = 0;
    while (out.size() < bytes) {
        out += "[Application " + std::to_string(section++) + "]\r\n";
        for (int i = 0; i < 20 && out.size() < bytes; ++i)
            out += "Setting" + std::to_string(i) + "=" + std::to_string(rng()) + ",C:\\PROGRA~1\\APP\\FILE.DAT\r\n";
        out += "\r\n";
    }
    out += "[Devices]\r\nNorvalk QS-8000=NVQS8000,LPT1:\r\n";
    return out;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::vector<double> parseSizes(const char* text) {
    std::vector<double> out;
    std::stringstream ss(text);
    for (std::string part; std::getline(ss, part, ',');)
        out.push_back(std::atof(part.c_str()));
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<double> sizes = {1, 50};
    int reads = 100, writes = 10;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--sizes") && i + 1 < argc)
            sizes = parseSizes(argv[++i]);
        else if (!std::strcmp(argv[i], "--reads") && i + 1 < argc)
            reads = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--writes") && i + 1 < argc)
            writes = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--keep") && i + 1 < argc)
            keep = argv[++i];
        else {
            std::fprintf(stderr, "usage: profile_bench [--sizes MB,MB...] [--reads N] [--writes N] [--keep DIR]\n");
            return 2;
        }
    }
    if (reads < 1 || writes < 0) {
        std::fprintf(stderr, "profile_bench: at least one read\n");
        return 2;
    }
    fs::path dir = keep.empty() ? fs::temp_directory_path() / ("nvprofilebench-" + std::to_string(::getpid())) : fs::path(keep);
    std::printf("%8s %12s %14s %14s %12s %8s %10s\n", "MB", "first read s", "other reads s", "writes s", "total s",
                "file rd", "s per MB");
    for (double mb : sizes) {
        fs::remove_all(dir);
        fs::create_directories(dir / "drives/C/WINDOWS/SYSTEM");
        {
            std::ofstream out(dir / "drives/C/WINDOWS/WIN.INI", std::ios::binary);
            out << bigWinIni(static_cast<size_t>(mb * 1024 * 1024));
        }
        nv::bench::attachBenchMachine(dir);
        const uint64_t readsBefore = nv::machine::currentOrDie().store().wholeReads();

        char buf[256];
        auto t0 = Clock::now();
        GetProfileStringA("Devices", "Norvalk QS-8000", "", buf, sizeof buf);
        auto t1 = Clock::now();
        bool ok = std::strcmp(buf, "NVQS8000,LPT1:") == 0;
        for (int i = 1; i < reads; ++i) {
            GetProfileStringA(i % 2 ? "windows" : "Devices", i % 2 ? "load" : "Norvalk QS-8000", "", buf, sizeof buf);
            ok = ok && (i % 2 || std::strcmp(buf, "NVQS8000,LPT1:") == 0);
        }
        auto t2 = Clock::now();
        for (int i = 0; i < writes; ++i) {
            std::string value = "NVMON" + std::to_string(i) + ".EXE";
            ok = ok && WriteProfileStringA("windows", "load", value.c_str());
            GetProfileStringA("windows", "load", "", buf, sizeof buf);
            ok = ok && value == buf;
        }
        auto t3 = Clock::now();
        const uint64_t fileReads = nv::machine::currentOrDie().store().wholeReads() - readsBefore;
        nv::machine::detach();
        if (!ok) {
            std::fprintf(stderr, "profile_bench: a read or write at %.0f MB gave the wrong result\n", mb);
            return 1;
        }
        double total = seconds(t3 - t0);
        std::printf("%8.0f %12.3f %14.3f %14.3f %12.3f %8llu %10.4f\n", mb, seconds(t1 - t0), seconds(t2 - t1),
                    seconds(t3 - t2), total, static_cast<unsigned long long>(fileReads), total / mb);
    }
    if (keep.empty())
        fs::remove_all(dir);
    return 0;
}
