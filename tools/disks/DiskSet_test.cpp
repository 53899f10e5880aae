// The disk-set builder on small trees: what lands where, compressed or not,
// and the refusals that must leave the output alone.
#include <gtest/gtest.h>

#include <fstream>

#include "TempMachine.h"
#include "platform/lz/SzddExpander.h"
#include "tools/disks/DiskSet.h"

namespace fs = std::filesystem;

namespace {

void spit(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::string expanded(const fs::path& p, nv::lz::SzddHeader* header) {
    std::string packed = slurp(p);
    std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(packed.data()), packed.size());
    EXPECT_EQ(nv::lz::probe(bytes, header), nv::lz::Kind::Compressed) << p;
    nv::lz::MemorySource in(bytes);
    nv::lz::VectorSink out;
    EXPECT_GE(nv::lz::expand(in, out), 0) << p;
    return std::string(out.data().begin(), out.data().end());
}

class DiskSetTest : public ::testing::Test {
protected:
    nv::testing::TempDir dir;
    fs::path src() const { return dir.path() / "src"; }
    fs::path out() const { return dir.path() / "out"; }
};

TEST_F(DiskSetTest, BuildsDisksWithCompressedFilesTagsAndLanguageFolders) {
    std::string driver(5000, 'd');
    spit(src() / "disk1" / "NVDISK1.TAG", "Driver disk #1");
    spit(src() / "disk1" / "INSTALL.INF", "[DISK1]\r\n");
    spit(src() / "disk1" / "DRIVER" / "QS8000.DRV.lz", driver);
    spit(src() / "disk1" / "ENU" / "QSRES.DLL.lz", "english resources");
    spit(src() / "DISK2" / "lpt.bz.lzsame", "BZ port driver");
    auto r = nv::disks::buildDiskSet(src(), out());
    ASSERT_TRUE(r) << r.error().message;
    EXPECT_TRUE(r->warnings.empty());
    ASSERT_EQ(r->files.size(), 5u);
    EXPECT_EQ(slurp(out() / "DISK1" / "NVDISK1.TAG"), "Driver disk #1");
    EXPECT_EQ(slurp(out() / "DISK1" / "INSTALL.INF"), "[DISK1]\r\n");
    nv::lz::SzddHeader h;
    EXPECT_EQ(expanded(out() / "DISK1" / "DRIVER" / "QS8000.DR_", &h), driver);
    EXPECT_EQ(h.missingChar, 'V');
    EXPECT_EQ(expanded(out() / "DISK1" / "ENU" / "QSRES.DL_", &h), "english resources");
    EXPECT_EQ(h.missingChar, 'L');
    EXPECT_EQ(expanded(out() / "DISK2" / "lpt.bz", &h), "BZ port driver");
    EXPECT_FALSE(fs::exists(out() / "DISK1" / "DRIVER" / "QS8000.DRV.lz"));
}

TEST_F(DiskSetTest, RebuildingReplacesOnlyTheDisksItWrites) {
    spit(src() / "DISK1" / "A.TXT", "a");
    spit(out() / "DISK1" / "STALE.TXT", "old");
    spit(out() / "NOTES.TXT", "keep");
    ASSERT_TRUE(nv::disks::buildDiskSet(src(), out()));
    EXPECT_FALSE(fs::exists(out() / "DISK1" / "STALE.TXT"));
    EXPECT_EQ(slurp(out() / "NOTES.TXT"), "keep");
}

TEST_F(DiskSetTest, RefusalsNameTheFileAndWriteNothing) {
    struct Case {
        const char* path;
        const char* expect;
    } cases[] = {{"DISK1/LONGFILENAME.TXT", "LONGFILENAME.TXT"},
                 {"DISK1/BAD NAME.TXT", "BAD NAME.TXT"},
                 {"DISK1/TOOLONGDIR/A.TXT", "TOOLONGDIR"},
                 {"DISK1/X.DRV.lz", "X.DR_"},    // clashes with the plain X.DR_ below
                 {"DISK1/readme.txt", "readme.txt"}};  // FAT names ignore case: README.TXT is there
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        fs::remove_all(src());
        fs::remove_all(out());
        spit(src() / "DISK1" / "OK.TXT", "ok");
        if (std::string(c.path) == "DISK1/X.DRV.lz")
            spit(src() / "DISK1" / "X.DR_", "plain");
        if (std::string(c.path) == "DISK1/readme.txt")
            spit(src() / "DISK1" / "README.TXT", "upper");
        spit(src() / c.path, "x");
        auto r = nv::disks::buildDiskSet(src(), out());
        ASSERT_FALSE(r);
        EXPECT_NE(r.error().message.find(c.expect), std::string::npos) << r.error().message;
        EXPECT_FALSE(fs::exists(out() / "DISK1"));
    }
    fs::remove_all(src());
    spit(src() / "NOTADISK" / "A.TXT", "a");
    EXPECT_FALSE(nv::disks::buildDiskSet(src(), out()));
}

TEST_F(DiskSetTest, WarnsAboutDisksLargerThanAFloppy) {
    std::string big(nv::disks::kFloppyBytes + 1, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = char((i * 2654435761u) >> 13);
    spit(src() / "DISK3" / "BIG.DAT", big);
    auto r = nv::disks::buildDiskSet(src(), out());
    ASSERT_TRUE(r);
    ASSERT_EQ(r->warnings.size(), 1u);
    EXPECT_NE(r->warnings[0].find("disk 3"), std::string::npos);
}

TEST(ShortNames, FatRules) {
    for (const char* ok : {"A", "QS8000.DRV", "LPT.BZ", "NVDISK1.TAG", "X.DR_", "ENU"})
        EXPECT_TRUE(nv::disks::isShortName(ok)) << ok;
    for (const char* bad : {"", ".TXT", "NINECHARS.TXT", "A.TEXT", "A.B.C", "A B.TXT", "A.", "A*B"})
        EXPECT_FALSE(nv::disks::isShortName(bad)) << bad;
}

}  // namespace
