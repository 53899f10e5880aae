// LZ expansion throughput: LZCopy on the simulated machine against libmspack
// called directly, against the msexpand tool, and against plain copies of the
// expanded file.
//
//   lz_bench [--sizes MB,MB...] [--runs N] [--keep DIR]
//
// Prints MB/s (of expanded data) per method and the ratio to libmspack direct.
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
        line += " " + std::to_string(rng() % 10000) + "\r\n";
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

// Best (shortest) of `runs` timings of fn; fn returns false on failure.
double best(int runs, const std::function<bool()>& fn) {
    double bestSec = 1e30;
    for (int i = 0; i < runs; ++i) {
        auto t0 = Clock::now();
        if (!fn())
            return -1;
        double s = std::chrono::duration<double>(Clock::now() - t0).count();
        bestSec = std::min(bestSec, s);
    }
    return bestSec;
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

}  // namespace

int main(int argc, char** argv) {
    std::vector<size_t> sizesMB = {10, 100};
    int runs = 3;
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
        } else if (a == "--keep" && i + 1 < argc) {
            keep = argv[++i];
        } else {
            std::fprintf(stderr, "usage: lz_bench [--sizes MB,MB...] [--runs N] [--keep DIR]\n");
            return 2;
        }
    }
    fs::path dir = keep.empty() ? fs::temp_directory_path() / ("nv-lzbench-" + std::to_string(::getpid())) : keep;
    fs::create_directories(dir / "drives" / "C");

    nv::machine::Settings settings;
    nv::machine::Drive c;
    c.letter = 'C';
    c.folder = "drives/C";
    c.capacity = 64ull << 30;
    settings.drives['C'] = c;
    nv::machine::attach(nv::machine::Machine::fromSettings(dir, settings));

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

            double direct = best(runs, [&] { return mspackDirect(drive / "SRC.DA_", drive / "OUT1.DAT"); });
            double lz = best(runs, [&] { return lzCopy("C:\\SRC.DAT", "C:\\OUT2.DAT"); });
            double msexp = best(runs, [&] {
                std::string cmd = "msexpand < '" + (drive / "SRC.DA_").string() + "' > '" + (drive / "OUT3.DAT").string() + "'";
                return std::system(cmd.c_str()) == 0;
            });
            double plainLz = best(runs, [&] { return lzCopy("C:\\PLAIN.DAT", "C:\\OUT4.DAT"); });
            double host = best(runs, [&] { return hostCopy(drive / "PLAIN.DAT", drive / "OUT5.DAT"); });

            // The expanders must agree before their speeds mean anything.
            for (const char* out : {"OUT1.DAT", "OUT2.DAT", "OUT3.DAT", "OUT4.DAT", "OUT5.DAT"}) {
                std::error_code ec;
                if (fs::file_size(drive / out, ec) != n) {
                    std::fprintf(stderr, "lz_bench: %s has the wrong size\n", out);
                    status = 1;
                }
            }
            struct Row {
                const char* name;
                double sec;
            } rows[] = {{"libmspack direct", direct},
                        {"LZCopy (expand)", lz},
                        {"msexpand", msexp},
                        {"LZCopy (plain file)", plainLz},
                        {"host read/write copy", host}};
            for (const auto& r : rows) {
                if (r.sec < 0) {
                    std::printf("%-8s %4zuMB %-26s %10s\n", kind, mb, r.name, "failed");
                    status = 1;
                    continue;
                }
                std::printf("%-8s %4zuMB %-26s %10.1f %8.2f\n", kind, mb, r.name, mbytes / r.sec, direct / r.sec);
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
