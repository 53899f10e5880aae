// LZ expansion throughput: LZCopy on the simulated machine against libmspack
// called directly, against the msexpand tool, and against plain copies of the
// expanded file.
//
//   lz_bench [--sizes MB,MB...] [--runs N] [--msexpand-limit MB] [--keep DIR]
//
// Prints MB/s (of expanded data) per method and the ratio to libmspack direct.
// The methods take turns within each round, so that a busy machine slows
// them alike; each method's best round counts. msexpand reads and writes one
// byte per system call (about 0.2 MB/s), so it runs once, and only on sizes
// up to --msexpand-limit (default 10 MB).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include <windows.h>
#include <lzexpand.h>
#include <mspack.h>

#include "bench/BenchMachine.h"
#include "platform/core/Machine.h"
#include "tools/szdd/SzddCompressor.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<uint8_t> textLike(size_t n) {
    static const char* words[] = {"device", "printer", "NVQS8000", "port", "LPT1", "driver", "Windows",
                                  "[386Enh]", "=", "C:\\WINDOWS\\SYSTEM", "spool", "font", "TrueType", "page"};
    std::mt19937 rng(1);
    std::vector<uint8_t> out;
    out.reserve(n);
    while (out.size() < n) {
        std::string line;
        int k = int(rng() % 8) + 2;
        for (int i = 0; i < k; ++i) {
            line += words[rng() % (sizeof words / sizeof *words)];
            line += i + 1 < k ? " " : "";
        }
        // Appended piece by piece: GCC 12 misreads " " + std::string as an
        // overlapping copy at -O2 (-Wrestrict).
        line += ' ';
        line += std::to_string(rng() % 10000);
        line += "\r\n";
        out.insert(out.end(), line.begin(), line.end());
    }
    out.resize(n);
    return out;
}

std::vector<uint8_t> randomBytes(size_t n) {
    std::mt19937_64 rng(2);
    std::vector<uint8_t> out(n);
    for (size_t i = 0; i + 8 <= n; i += 8) {
        uint64_t v = rng();
        std::memcpy(&out[i], &v, 8);
    }
    return out;
}

void writeFile(const fs::path& p, const std::vector<uint8_t>& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

struct Method {
    const char* name;
    std::function<bool()> run;
    int runs;
    double best = 1e30;  // seconds; negative after a failure
    bool skipped = false;
};

// Runs the methods in turn, round after round; each keeps its shortest time.
void timeInTurns(std::vector<Method>& methods, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        for (auto& m : methods) {
            if (m.skipped || m.best < 0 || round >= m.runs)
                continue;
            auto t0 = Clock::now();
            if (!m.run()) {
                m.best = -1;
                continue;
            }
            m.best = std::min(m.best, std::chrono::duration<double>(Clock::now() - t0).count());
        }
    }
}

bool lzCopy(const char* src, const char* dst) {
    OFSTRUCT a{}, b{};
    INT s = LZOpenFileA(const_cast<char*>(src), &a, OF_READ);
    if (s < 0)
        return false;
    INT d = LZOpenFileA(const_cast<char*>(dst), &b, OF_CREATE);
    if (d < 0) {
        LZClose(s);
        return false;
    }
    LONG r = LZCopy(s, d);
    LZClose(s);
    LZClose(d);
    return r >= 0;
}

bool mspackDirect(const fs::path& src, const fs::path& dst) {
    msszdd_decompressor* d = mspack_create_szdd_decompressor(nullptr);
    if (!d)
        return false;
    int err = d->decompress(d, src.c_str(), dst.c_str());
    mspack_destroy_szdd_decompressor(d);
    return err == MSPACK_ERR_OK;
}

bool hostCopy(const fs::path& src, const fs::path& dst) {
    std::FILE* in = std::fopen(src.c_str(), "rb");
    std::FILE* out = std::fopen(dst.c_str(), "wb");
    bool ok = in && out;
    std::vector<char> buf(1 << 16);
    size_t n;
    while (ok && (n = std::fread(buf.data(), 1, buf.size(), in)) > 0)
        ok = std::fwrite(buf.data(), 1, n, out) == n;
    if (in)
        std::fclose(in);
    if (out)
        std::fclose(out);
    return ok;
}

bool sameContent(const fs::path& a, const fs::path& b) {
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    std::vector<char> p(1 << 16), q(1 << 16);
    while (x && y) {
        x.read(p.data(), std::streamsize(p.size()));
        y.read(q.data(), std::streamsize(q.size()));
        if (x.gcount() != y.gcount() || std::memcmp(p.data(), q.data(), size_t(x.gcount())) != 0)
            return false;
    }
    return x.eof() && y.eof();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<size_t> sizesMB = {10, 100};
    int runs = 3;
    size_t msexpandLimitMB = 10;
    fs::path keep;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--sizes" && i + 1 < argc) {
            sizesMB.clear();
            std::string list = argv[++i];
            for (size_t p = 0; p < list.size();) {
                size_t c = list.find(',', p);
                sizesMB.push_back(size_t(std::atol(list.substr(p, c - p).c_str())));
                p = c == std::string::npos ? list.size() : c + 1;
            }
        } else if (a == "--msexpand-limit" && i + 1 < argc) {
            msexpandLimitMB = size_t(std::atol(argv[++i]));
        } else if (a == "--keep" && i + 1 < argc) {
            keep = argv[++i];
        } else {
            std::fprintf(stderr, "usage: lz_bench [--sizes MB,MB...] [--runs N] [--msexpand-limit MB] [--keep DIR]\n");
            return 2;
        }
    }
    fs::path dir = keep.empty() ? fs::temp_directory_path() / ("nv-lzbench-" + std::to_string(::getpid())) : keep;
    nv::bench::attachBenchMachine(dir);

    std::printf("%-8s %-6s %-26s %10s %8s\n", "data", "size", "method", "MB/s", "ratio");
    int status = 0;
    for (size_t mb : sizesMB) {
        for (const char* kind : {"text", "random"}) {
            size_t n = mb * 1000 * 1000;
            auto data = std::strcmp(kind, "text") == 0 ? textLike(n) : randomBytes(n);
            auto packed = nv::szdd::compress(data, 'T', nv::szdd::Effort::Fast);
            fs::path drive = dir / "drives" / "C";
            writeFile(drive / "SRC.DA_", *packed);
            writeFile(drive / "PLAIN.DAT", data);
            data.clear();
            data.shrink_to_fit();
            double mbytes = double(n) / 1e6;

            fs::path src = drive / "SRC.DA_";
            std::string msexpandCmd = "msexpand < '" + src.string() + "' > '" + (drive / "OUT3.DAT").string() + "'";
            std::vector<Method> methods = {
                {"libmspack direct", [&] { return mspackDirect(src, drive / "OUT1.DAT"); }, runs},
                {"LZCopy (expand)", [&] { return lzCopy("C:\\SRC.DAT", "C:\\OUT2.DAT"); }, runs},
                {"msexpand", [&] { return std::system(msexpandCmd.c_str()) == 0; }, 1},
                {"LZCopy (plain file)", [&] { return lzCopy("C:\\PLAIN.DAT", "C:\\OUT4.DAT"); }, runs},
                {"host read/write copy", [&] { return hostCopy(drive / "PLAIN.DAT", drive / "OUT5.DAT"); }, runs},
            };
            methods[2].skipped = mb > msexpandLimitMB;
            timeInTurns(methods, runs);

            // The expanders must agree before their speeds mean anything.
            const char* outputs[] = {"OUT1.DAT", "OUT2.DAT", "OUT3.DAT", "OUT4.DAT", "OUT5.DAT"};
            for (size_t k = 0; k < methods.size(); ++k) {
                if (methods[k].skipped)
                    continue;
                if (!sameContent(drive / outputs[k], drive / "PLAIN.DAT")) {
                    std::fprintf(stderr, "lz_bench: %s (%s) differs from the original\n", outputs[k], methods[k].name);
                    status = 1;
                }
            }
            double direct = methods[0].best;
            for (const auto& r : methods) {
                if (r.skipped) {
                    std::printf("%-8s %4zuMB %-26s %10s\n", kind, mb, r.name, "skipped");
                    continue;
                }
                if (r.best < 0) {
                    std::printf("%-8s %4zuMB %-26s %10s\n", kind, mb, r.name, "failed");
                    status = 1;
                    continue;
                }
                std::printf("%-8s %4zuMB %-26s %10.1f %8.2f\n", kind, mb, r.name, mbytes / r.best, direct / r.best);
            }
            std::printf("%-8s %4zuMB compressed to %.1f%%\n", kind, mb, 100.0 * double(packed->size()) / double(n));
            std::fflush(stdout);
            for (const char* f : {"SRC.DA_", "PLAIN.DAT", "OUT1.DAT", "OUT2.DAT", "OUT3.DAT", "OUT4.DAT", "OUT5.DAT"})
                fs::remove(drive / f);
        }
    }
    nv::machine::detach();
    if (keep.empty())
        fs::remove_all(dir);
    return status;
}
