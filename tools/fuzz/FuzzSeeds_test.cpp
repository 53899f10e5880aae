// Replays the fuzz targets' seed inputs, and cuts of them, through their
// entry points, so every build (and the sanitizer build) runs them even
// without libFuzzer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tools/fuzz/FuzzEntries.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::vector<uint8_t>> seeds(const char* kind) {
    std::vector<std::vector<uint8_t>> out;
    fs::path dir = fs::path(NV_SOURCE_DIR) / "tools" / "fuzz" / "seeds" / kind;
    for (const auto& e : fs::directory_iterator(dir)) {
        std::ifstream in(e.path(), std::ios::binary);
        out.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return out;
}

// Every seed whole and cut at `cuts` places.
void replay(const char* kind, void (*entry)(const uint8_t*, size_t), size_t cuts) {
    auto all = seeds(kind);
    ASSERT_GE(all.size(), 4u) << kind;
    for (const auto& s : all) {
        for (size_t cut = 0; cut < s.size(); cut += 1 + s.size() / cuts)
            entry(s.data(), cut);
        entry(s.data(), s.size());
    }
}

TEST(FuzzSeeds, SzddExpansion) { replay("szdd", nv::fuzz::szddExpandInput, 64); }
TEST(FuzzSeeds, SzddCompression) { replay("szdd_compress", nv::fuzz::szddCompressInput, 16); }
TEST(FuzzSeeds, Version) { replay("version", nv::fuzz::versionInput, 64); }
TEST(FuzzSeeds, Script) { replay("script", nv::fuzz::scriptInput, 32); }
TEST(FuzzSeeds, Profile) { replay("profile", nv::fuzz::profileInput, 32); }
TEST(FuzzSeeds, Registry) { replay("registry", nv::fuzz::registryInput, 32); }
TEST(FuzzSeeds, Answers) { replay("answers", nv::fuzz::answersInput, 8); }
TEST(FuzzSeeds, Dialog) { replay("dialog", nv::fuzz::dialogInput, 16); }
TEST(FuzzSeeds, IniEdit) { replay("iniedit", nv::fuzz::iniEditInput, 16); }

}  // namespace
