// Round trips of the SZDD compressor through libmspack (our expander) and
// through msexpand, a separate implementation.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include <mspack.h>

#include "TempMachine.h"
#include "platform/lz/SzddExpander.h"
#include "tools/szdd/SzddCompressor.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes expandWithLibmspack(const Bytes& packed, int64_t* result = nullptr) {
    nv::lz::MemorySource in(packed);
    nv::lz::VectorSink out;
    int64_t r = nv::lz::expand(in, out);
    if (result)
        *result = r;
    return out.data();
}

Bytes readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::filesystem::path& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

Bytes expandWithMsexpand(const Bytes& packed, const std::filesystem::path& dir) {
    auto in = dir / "in.bi_";
    auto out = dir / "out.bin";
    writeFile(in, packed);
    std::string cmd = "msexpand < '" + in.string() + "' > '" + out.string() + "' 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return readFile(out);
}

struct Sample {
    const char* name;
    Bytes data;
};

std::vector<Sample> samples() {
    std::mt19937 rng(12345);
    Bytes random(100000);
    for (auto& b : random)
        b = uint8_t(rng());
    Bytes repetitive(70000, 'x');
    Bytes text;
    const std::string line = "[386Enh]\r\ndevice=NVLPT.386\r\nLPT1.OS2=C:\\WINDOWS\\SYSTEM\r\n";
    for (int i = 0; text.size() < 50000; ++i) {
        std::string l = line + std::to_string(i * 7919 % 1000) + "\r\n";
        text.insert(text.end(), l.begin(), l.end());
    }
    Bytes blanks(5000, ' ');  // matches reaching into the preset window
    Bytes pattern;
    for (int i = 0; i < 20000; ++i)
        pattern.push_back(uint8_t(i % 251));
    return {{"empty", {}},          {"one byte", {'Z'}},   {"two bytes", {'a', 'b'}},
            {"three same", {7, 7, 7}}, {"random", random},  {"repetitive", repetitive},
            {"text", text},         {"blanks", blanks},    {"long period", pattern}};
}

TEST(SzddCompressor, RoundTripsThroughBothExpanders) {
    nv::testing::TempDir dir;
    for (auto effort : {nv::szdd::Effort::Fast, nv::szdd::Effort::Thorough}) {
        for (const auto& s : samples()) {
            SCOPED_TRACE(s.name);
            auto packed = nv::szdd::compress(s.data, 'V', effort);
            ASSERT_TRUE(packed);
            int64_t r = 0;
            EXPECT_EQ(expandWithLibmspack(*packed, &r), s.data);
            EXPECT_EQ(r, int64_t(s.data.size()));
            EXPECT_EQ(expandWithMsexpand(*packed, dir.path()), s.data);
        }
    }
}

TEST(SzddCompressor, HeaderCarriesMissingCharAndLength) {
    Bytes data(1234, 'q');
    auto packed = nv::szdd::compress(data, 'S');
    ASSERT_TRUE(packed);
    nv::lz::SzddHeader h;
    ASSERT_EQ(nv::lz::probe(*packed, &h), nv::lz::Kind::Compressed);
    EXPECT_EQ(h.missingChar, 'S');
    EXPECT_EQ(h.length, 1234u);
    EXPECT_EQ((*packed)[8], 'A');
    // libmspack reads the same header fields, for names of either case and
    // for names that lose no character.
    nv::testing::TempDir dir;
    for (const char* name : {"QS8000.DRV", "lpt.vxd", "README.TX", "README"}) {
        SCOPED_TRACE(name);
        auto file = nv::szdd::compress(data, nv::szdd::missingCharOf(name));
        ASSERT_TRUE(file);
        auto path = dir.path() / nv::szdd::compressedName(name);
        writeFile(path, *file);
        msszdd_decompressor* d = mspack_create_szdd_decompressor(nullptr);
        ASSERT_NE(d, nullptr);
        msszddd_header* hdr = d->open(d, path.c_str());
        ASSERT_NE(hdr, nullptr);
        EXPECT_EQ(hdr->format, MSSZDD_FMT_NORMAL);
        EXPECT_EQ(hdr->length, off_t(data.size()));
        std::string n(name);
        char expected = n.size() > 4 && n[n.size() - 4] == '.' ? n.back() : '\0';
        EXPECT_EQ(hdr->missing_char, expected);
        d->close(d, hdr);
        mspack_destroy_szdd_decompressor(d);
    }
    // Highly repetitive input must actually shrink.
    EXPECT_LT(packed->size(), data.size() / 4);
}

TEST(SzddCompressor, NamesOnDisk) {
    EXPECT_EQ(nv::szdd::compressedName("DRIVER.DRV"), "DRIVER.DR_");
    EXPECT_EQ(nv::szdd::missingCharOf("DRIVER.DRV"), 'V');
    EXPECT_EQ(nv::szdd::compressedName("lpt.vxd"), "lpt.vx_");
    EXPECT_EQ(nv::szdd::missingCharOf("lpt.vxd"), 'd');
    EXPECT_EQ(nv::szdd::compressedName("README.TX"), "README.TX_");
    EXPECT_EQ(nv::szdd::missingCharOf("README.TX"), 0);
    EXPECT_EQ(nv::szdd::compressedName("README"), "README._");
    EXPECT_EQ(nv::szdd::compressedName("A:\\DIR.X\\README"), "A:\\DIR.X\\README._");
    EXPECT_EQ(nv::szdd::missingCharOf("A:\\DIR.X\\README"), 0);
    EXPECT_EQ(nv::szdd::compressedName("ARCH.TAR.GZ"), "ARCH.TAR.GZ_");
}

}  // namespace
