// The version reader against files our writer made, files a standard
// resource compiler and linker made, and damaged files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "TempMachine.h"
#include "platform/version/VersionResource.h"
#include "tools/exefile/ExeWriter.h"

namespace {

using nv::exefile::VersionInfo;
using Bytes = std::vector<uint8_t>;

VersionInfo sampleInfo() {
    VersionInfo info;
    info.fileVersion = {4, 0, 0, 950};
    info.productVersion = std::array<uint16_t, 4>{4, 0, 0, 1};
    info.strings = {{"CompanyName", "Norvalk Test Works"}, {"ProductName", "Test Driver"}};
    return info;
}

std::optional<nv::version::FixedInfo> fixedOf(const Bytes& file) {
    nv::version::SpanReader r(file);
    auto block = nv::version::readBlock(r);
    if (!block)
        return std::nullopt;
    return nv::version::fixedInfo(*block);
}

std::string textOf(const Bytes& file, std::string_view path) {
    nv::version::SpanReader r(file);
    auto block = nv::version::readBlock(r);
    if (!block)
        return "<no block>";
    auto v = nv::version::query(*block, path);
    if (!v)
        return "<no value>";
    std::string s;
    if (v->layout == nv::version::Layout::Win32) {
        for (size_t i = 0; i + 1 < v->bytes.size() && v->bytes[i]; i += 2)
            s += char(v->bytes[i]);
    } else {
        for (uint8_t c : v->bytes) {
            if (!c)
                break;
            s += char(c);
        }
    }
    return s;
}

Bytes readHost(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeHost(const std::filesystem::path& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

struct Written {
    const char* what;
    nv::version::FileFormat format;
    Bytes file;
};

std::vector<Written> writtenFiles() {
    auto info = sampleInfo();
    return {{"PE", nv::version::FileFormat::PE, nv::exefile::writePe(&info)},
            {"NE", nv::version::FileFormat::NE, nv::exefile::writeNe(&info, "NVDRV")},
            {"LE", nv::version::FileFormat::LE, nv::exefile::writeLe(&info, "NVLPT_VXD", 0x4242)}};
}

TEST(VersionReader, ReadsBackWhatTheWriterWrote) {
    for (const auto& w : writtenFiles()) {
        SCOPED_TRACE(w.what);
        nv::version::SpanReader r(w.file);
        auto loc = nv::version::locate(r);
        ASSERT_TRUE(loc);
        EXPECT_EQ(loc->format, w.format);
        auto f = fixedOf(w.file);
        ASSERT_TRUE(f);
        EXPECT_EQ(nv::version::formatFileVersion(*f), "4.0.0.950");
        EXPECT_EQ(f->productVersionMS, 0x00040000u);
        EXPECT_EQ(f->productVersionLS, 1u);
        EXPECT_EQ(textOf(w.file, "\\StringFileInfo\\040904E4\\CompanyName"), "Norvalk Test Works");
        EXPECT_EQ(textOf(w.file, "\\stringfileinfo\\040904e4\\ProductName"), "Test Driver");
        EXPECT_EQ(textOf(w.file, "\\StringFileInfo\\040904E4\\FileVersion"), "4.0.0.950");
        EXPECT_EQ(textOf(w.file, "\\StringFileInfo\\040904E4\\Missing"), "<no value>");
    }
}

TEST(VersionReader, SixteenBitBlocksKeepTheFileVersionAtBytes28And32) {
    // Programs of the Windows 3.1 era read the version straight from there.
    for (const auto& w : writtenFiles()) {
        if (w.format == nv::version::FileFormat::PE)
            continue;
        SCOPED_TRACE(w.what);
        nv::version::SpanReader r(w.file);
        auto block = nv::version::readBlock(r);
        ASSERT_TRUE(block);
        ASSERT_GE(block->size(), 36u);
        EXPECT_EQ(nv::version::layoutOf(*block), nv::version::Layout::Win16);
        auto at = [&](size_t o) { return uint32_t((*block)[o]) | (*block)[o + 1] << 8 | (*block)[o + 2] << 16 | uint32_t((*block)[o + 3]) << 24; };
        EXPECT_EQ(at(28), 0x00040000u);
        EXPECT_EQ(at(32), 950u);
    }
}

TEST(VersionReader, FilesWithoutVersionResource) {
    std::vector<Bytes> files = {nv::exefile::writePe(nullptr), nv::exefile::writeNe(nullptr, "PLAIN"),
                                nv::exefile::writeLe(nullptr, "PLAIN_VXD"), Bytes{'M', 'Z'},
                                Bytes(200, 'x'), Bytes{}};
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        nv::version::SpanReader r(files[i]);
        EXPECT_FALSE(nv::version::readBlock(r));
    }
}

TEST(VersionReader, DamagedFilesFailCleanly) {
    // Every truncation, and every single header byte forced to extremes, must
    // be refused or read within bounds (the sanitizers watch the reads).
    for (const auto& w : writtenFiles()) {
        SCOPED_TRACE(w.what);
        size_t ok = 0;
        for (size_t len = 0; len < w.file.size(); ++len) {
            Bytes cut(w.file.begin(), w.file.begin() + std::ptrdiff_t(len));
            if (fixedOf(cut))
                ++ok;
        }
        // Only cuts that keep the whole version block can still succeed.
        nv::version::SpanReader whole(w.file);
        auto loc = nv::version::locate(whole);
        ASSERT_TRUE(loc);
        EXPECT_LE(ok, w.file.size() - (loc->offset + loc->size));
        for (size_t pos = 0; pos < std::min<size_t>(w.file.size(), 0x400); ++pos) {
            for (uint8_t v : {uint8_t(0x00), uint8_t(0x7F), uint8_t(0xFF)}) {
                Bytes bad = w.file;
                bad[pos] = v;
                nv::version::SpanReader r(bad);
                if (auto block = nv::version::readBlock(r)) {
                    (void)nv::version::fixedInfo(*block);
                    (void)nv::version::query(*block, "\\StringFileInfo\\040904E4\\CompanyName");
                }
            }
        }
    }
}

TEST(VersionReader, BlockWhoseLengthsLie) {
    auto info = sampleInfo();
    for (auto layout : {nv::exefile::Layout::Win16, nv::exefile::Layout::Win32}) {
        Bytes block = nv::exefile::versionBlock(info, layout);
        // A child claiming more than its parent holds ends the walk.
        Bytes bad = block;
        size_t child = layout == nv::exefile::Layout::Win16 ? 72 : 92;
        bad[child] = 0xFF;
        bad[child + 1] = 0xFF;
        EXPECT_FALSE(nv::version::query(bad, "\\StringFileInfo\\040904E4\\CompanyName"));
        EXPECT_TRUE(nv::version::fixedInfo(bad));
        // A root shorter than its fixed information gives none.
        Bytes shortRoot = block;
        shortRoot[0] = 30;
        shortRoot[1] = 0;
        EXPECT_FALSE(nv::version::fixedInfo(shortRoot));
    }
}

class ExternalTools : public ::testing::Test {
protected:
    nv::testing::TempDir dir;
    int run(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()); }
};

TEST_F(ExternalTools, ReadsAPeMadeByWindresAndLd) {
    auto rc = dir.path() / "v.rc";
    std::ofstream(rc) << "1 VERSIONINFO\nFILEVERSION 5,10,2,0\nPRODUCTVERSION 5,10,0,0\nFILETYPE 2\n"
                         "BEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n  BLOCK \"040904E4\"\n  BEGIN\n"
                         "   VALUE \"CompanyName\", \"Acme Test Works\"\n  END\n END\n"
                         " BLOCK \"VarFileInfo\"\n BEGIN\n  VALUE \"Translation\", 0x409, 1252\n END\nEND\n";
    auto obj = dir.path() / "v.o";
    auto dll = dir.path() / "v.dll";
    ASSERT_EQ(run("x86_64-w64-mingw32-windres --preprocessor=cpp -O coff '" + rc.string() + "' '" + obj.string() + "'"), 0);
    ASSERT_EQ(run("x86_64-w64-mingw32-ld --dll -e 0 -o '" + dll.string() + "' '" + obj.string() + "'"), 0);
    Bytes file = readHost(dll);
    auto f = fixedOf(file);
    ASSERT_TRUE(f);
    EXPECT_EQ(nv::version::formatFileVersion(*f), "5.10.2.0");
    EXPECT_EQ(f->productVersionMS, 0x0005000Au);
    EXPECT_EQ(textOf(file, "\\StringFileInfo\\040904E4\\CompanyName"), "Acme Test Works");
}

TEST_F(ExternalTools, ExiftoolReadsWhatTheWriterWrote) {
    auto info = sampleInfo();
    auto pe = dir.path() / "drv.dll";
    writeHost(pe, nv::exefile::writePe(&info));
    auto out = dir.path() / "out.txt";
    ASSERT_EQ(std::system(("exiftool -s -s -s -FileVersionNumber -CompanyName '" + pe.string() + "' > '" + out.string() + "' 2>/dev/null").c_str()), 0);
    std::ifstream in(out);
    std::string version, company;
    std::getline(in, version);
    std::getline(in, company);
    EXPECT_EQ(version, "4.0.0.950");
    EXPECT_EQ(company, "Norvalk Test Works");
}

TEST_F(ExternalTools, ExiftoolRecognisesTheSixteenBitFormats) {
    auto info = sampleInfo();
    auto ne = dir.path() / "drv.drv";
    auto le = dir.path() / "drv.vxd";
    writeHost(ne, nv::exefile::writeNe(&info, "NVDRV"));
    writeHost(le, nv::exefile::writeLe(&info, "NVLPT_VXD"));
    auto out = dir.path() / "types.txt";
    ASSERT_EQ(std::system(("exiftool -s -s -s -FileType '" + ne.string() + "' '" + le.string() + "' > '" + out.string() + "' 2>/dev/null").c_str()), 0);
    std::ifstream in(out);
    std::string all((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(all.find("Win16 EXE"), std::string::npos) << all;
    EXPECT_NE(all.find("Virtual Device Driver"), std::string::npos) << all;
}

TEST(VersionWriter, ParsesVersionTexts) {
    EXPECT_EQ(nv::exefile::parseVersion("4.0.0.950"), (std::array<uint16_t, 4>{4, 0, 0, 950}));
    EXPECT_FALSE(nv::exefile::parseVersion("4.0.0"));
    EXPECT_FALSE(nv::exefile::parseVersion("4.0.0.65536"));
    EXPECT_FALSE(nv::exefile::parseVersion("4.0.0.1x"));
    EXPECT_FALSE(nv::exefile::parseVersion(""));
}

}  // namespace
