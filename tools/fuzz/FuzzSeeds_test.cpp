// Replays the fuzz targets' seed inputs through their entry points, so every
// build (and the sanitizer build) runs them even without libFuzzer.
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

TEST(FuzzSeeds, SzddSeedsAndTheirTruncations) {
    auto all = seeds("szdd");
    ASSERT_GE(all.size(), 4u);
    for (const auto& s : all)
        for (size_t cut = 0; cut <= s.size(); cut += 1 + s.size() / 64)
            nv::fuzz::szddInput(s.data(), cut);
}

TEST(FuzzSeeds, VersionSeedsAndTheirTruncations) {
    auto all = seeds("version");
    ASSERT_GE(all.size(), 4u);
    for (const auto& s : all)
        for (size_t cut = 0; cut <= s.size(); cut += 1 + s.size() / 64)
            nv::fuzz::versionInput(s.data(), cut);
}

}  // namespace
