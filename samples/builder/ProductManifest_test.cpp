#include <gtest/gtest.h>

#include <string>

#include "samples/builder/ProductManifest.h"

namespace {

using nv::sample::Make;
using nv::sample::Store;

std::string errorOf(const std::string& text) {
    auto m = nv::sample::parseManifest(text, "disks.txt");
    if (m)
        return "(parsed)";
    return m.error().message;
}

TEST(ProductManifest, ParsesEveryFieldOfALine) {
    auto m = nv::sample::parseManifest(
        "# comment\n"
        "\n"
        "1  DRIVER QS8000.DRV  lz      ne                  4.0.0.1210  Norvalk QS-8000 series printer driver\n"
        "2  .      lpt.bz      lz-name le-bz               4.0.0.960   Port driver\r\n"
        "3  .      NVFONT3.TT_ plain   tag                 -           Font disk #3\n"
        "3  .      QSPHOTO.icm lz      files/QSPHOTO.ICM   -           Photo profile\n",
        "disks.txt");
    ASSERT_TRUE(m) << m.error().message;
    ASSERT_EQ(m->files.size(), 4u);

    const auto& drv = m->files[0];
    EXPECT_EQ(drv.disk, 1);
    EXPECT_EQ(drv.folder, "DRIVER");
    EXPECT_EQ(drv.name, "QS8000.DRV");
    EXPECT_EQ(drv.store, Store::Lz);
    EXPECT_EQ(drv.make, Make::Ne);
    ASSERT_TRUE(drv.version);
    EXPECT_EQ(*drv.version, (nv::sample::Version{4, 0, 0, 1210}));
    EXPECT_EQ(drv.description, "Norvalk QS-8000 series printer driver");
    EXPECT_EQ(drv.line, 3);
    EXPECT_EQ(drv.diskPath(), "DISK1/DRIVER/QS8000.DR_");

    // Compressed under its own name; the CR of a CRLF line is not part of the text.
    EXPECT_EQ(m->files[1].storedName(), "lpt.bz");
    EXPECT_EQ(m->files[1].description, "Port driver");
    EXPECT_EQ(m->files[2].diskPath(), "DISK3/NVFONT3.TT_");
    EXPECT_EQ(m->files[3].source, "files/QSPHOTO.ICM");
    EXPECT_EQ(m->files[3].storedName(), "QSPHOTO.ic_");

    EXPECT_EQ(m->diskCount(), 3);
    EXPECT_EQ(m->onDisk(3).size(), 2u);
    EXPECT_EQ(m->find(1, "driver", "qs8000.drv"), &m->files[0]);
    EXPECT_EQ(m->find(1, "", "QS8000.DRV"), nullptr);
}

TEST(ProductManifest, OnlyThreeLetterExtensionsAreCompressedIntoAnUnderscoreName) {
    auto m = nv::sample::parseManifest("1 . DATA.TXT lz files/DATA.TXT - c\n"
                                       "1 . lpt.bz lz-name le-bz 4.0.0.960 d\n",
                                       "d.txt");
    ASSERT_TRUE(m) << m.error().message;
    EXPECT_EQ(m->files[0].storedName(), "DATA.TX_");
    EXPECT_EQ(m->files[1].storedName(), "lpt.bz");
    EXPECT_EQ(errorOf("1 . A.BZ lz files/A - b\n"),
              "disks.txt:1: 'A.BZ' has no three-letter extension to compress into; store it plain or lz-name");
    EXPECT_EQ(errorOf("1 . README lz files/README - a\n"),
              "disks.txt:1: 'README' has no three-letter extension to compress into; store it plain or lz-name");
}

TEST(ProductManifest, BadLinesNameTheLineAndTheField) {
    EXPECT_EQ(errorOf("\n1 . A.TXT plain\n"),
              "disks.txt:2: expected six fields (disk folder name store from version), got '1 . A.TXT plain'");
    EXPECT_EQ(errorOf("0 . A.TXT plain files/A - x\n"), "disks.txt:1: disk '0' is not 1 to 9");
    EXPECT_EQ(errorOf("10 . A.TXT plain files/A - x\n"), "disks.txt:1: disk '10' is not 1 to 9");
    EXPECT_EQ(errorOf("1 zip A.TXT zip files/A - x\n"), "disks.txt:1: store 'zip' is not plain, lz or lz-name");
    EXPECT_EQ(errorOf("1 . A.DRV lz ne 4.0.0 x\n"), "disks.txt:1: version '4.0.0' is not A.B.C.D");
    EXPECT_EQ(errorOf("1 . A.DRV lz ne 4.0.0.70000 x\n"), "disks.txt:1: version '4.0.0.70000' is not A.B.C.D");
    EXPECT_EQ(errorOf("1 . A.DRV lz ne - x\n"), "disks.txt:1: 'A.DRV' is made as an executable and needs a version");
    EXPECT_EQ(errorOf("1 . A.TXT lz files/A 1.0.0.0 x\n"),
              "disks.txt:1: version '1.0.0.0' given for a file without a version resource");
    EXPECT_EQ(errorOf("1 . T.TAG plain tag -\n"), "disks.txt:1: tag file 'T.TAG' needs a description as its text");
    EXPECT_EQ(errorOf(""), "disks.txt: lists no files");
}

TEST(ProductManifest, NamesCannotLeaveTheirDiskOrTheProductTree) {
    EXPECT_EQ(errorOf("1 .. A.TXT plain files/A - x\n"), "disks.txt:1: folder '..' is not one plain folder name");
    EXPECT_EQ(errorOf("1 A\\B A.TXT plain files/A - x\n"), "disks.txt:1: folder 'A\\B' is not one plain folder name");
    EXPECT_EQ(errorOf("1 . ..\\A.TXT plain files/A - x\n"), "disks.txt:1: name '..\\A.TXT' is not a plain file name");
    EXPECT_EQ(errorOf("1 . C:A.TXT plain files/A - x\n"), "disks.txt:1: name 'C:A.TXT' is not a plain file name");
    // Floppies hold 8.3 names.
    EXPECT_EQ(errorOf("1 . NVSERIFIT.TTF plain files/A - x\n"), "disks.txt:1: name 'NVSERIFIT.TTF' is not an 8.3 name");
    EXPECT_EQ(errorOf("1 . A.TTFX plain files/A - x\n"), "disks.txt:1: name 'A.TTFX' is not an 8.3 name");
    EXPECT_EQ(errorOf("1 . A.B.C plain files/A - x\n"), "disks.txt:1: name 'A.B.C' is not an 8.3 name");
    EXPECT_EQ(errorOf("1 DRIVERS95 A.TXT plain files/A - x\n"), "disks.txt:1: folder 'DRIVERS95' is not an 8.3 name");
    EXPECT_EQ(errorOf("1 . A.TXT plain ../secret - x\n"),
              "disks.txt:1: from '../secret' is neither a kind of file to make nor a path inside the product");
    EXPECT_EQ(errorOf("1 . A.TXT plain /etc/passwd - x\n"),
              "disks.txt:1: from '/etc/passwd' is neither a kind of file to make nor a path inside the product");
    EXPECT_EQ(errorOf("1 . A.TXT plain files//A - x\n"),
              "disks.txt:1: from 'files//A' is neither a kind of file to make nor a path inside the product");
}

TEST(ProductManifest, AFileStandsOncePerDiskAndFolder) {
    // The same stored name twice, in another case.
    EXPECT_EQ(errorOf("1 . A.TXT plain files/A - x\n1 . a.txt plain files/B - y\n"),
              "disks.txt:2: 'DISK1/a.txt' is already stored by line 1");
    // A compressed file whose stored name is that of a plain one.
    EXPECT_EQ(errorOf("1 . A.TX_ plain files/A - x\n1 . A.TXT lz files/B - y\n"),
              "disks.txt:2: 'DISK1/A.TX_' is already stored by line 1");
    // The same file stored plain and compressed.
    EXPECT_EQ(errorOf("1 . A.TXT plain files/A - x\n1 . A.TXT lz files/A - y\n"),
              "disks.txt:2: 'A.TXT' already stands on this disk and folder, line 1");
    // Another disk or folder is another place.
    auto m = nv::sample::parseManifest("1 . A.TXT plain files/A - x\n2 . A.TXT plain files/A - x\n"
                                       "1 SUB A.TXT plain files/A - x\n",
                                       "disks.txt");
    EXPECT_TRUE(m) << m.error().message;
}

}  // namespace
