#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TempMachine.h"
#include "platform/lz/SzddExpander.h"
#include "samples/builder/DiskBuilder.h"
#include "samples/builder/Variants.h"
#include "tools/szdd/SzddCompressor.h"

namespace {

namespace fs = std::filesystem;
using nv::sample::EditKind;

const std::string kScript =
    "; head\r\n"
    "[A]\r\n"
    "one\r\n"
    "; between\r\n"
    "two = 2\r\n"
    "three\r\n"
    "\r\n"
    "; about B\r\n"
    "[b]\r\n"
    "x = 1\r\n";

TEST(VariantScriptEdits, KeepLinesCutsOnlyTheSectionsLaterEntries) {
    auto out = nv::sample::keepSectionLines(kScript, "a", 1);
    ASSERT_TRUE(out) << out.error().message;
    EXPECT_EQ(*out,
              "; head\r\n[A]\r\none\r\n; between\r\n\r\n; about B\r\n[b]\r\nx = 1\r\n");

    auto two = nv::sample::keepSectionLines(kScript, "A", 2);
    ASSERT_TRUE(two);
    EXPECT_EQ(two->find("three"), std::string::npos);
    EXPECT_NE(two->find("two = 2\r\n"), std::string::npos);

    // Nothing to cut, or nothing to cut from, is an error: the table is stale.
    EXPECT_FALSE(nv::sample::keepSectionLines(kScript, "A", 3));
    EXPECT_FALSE(nv::sample::keepSectionLines(kScript, "C", 1));
}

TEST(VariantScriptEdits, SetSectionReplacesTheBodyOrAddsTheSection) {
    auto out = nv::sample::setSectionLines(kScript, "A", {"PATH =", "z"});
    ASSERT_TRUE(out) << out.error().message;
    EXPECT_EQ(*out, "; head\r\n[A]\r\nPATH =\r\nz\r\n\r\n; about B\r\n[b]\r\nx = 1\r\n");

    // The last section, and a section that is not there yet.
    auto last = nv::sample::setSectionLines(kScript, "B", {"y = 2"});
    ASSERT_TRUE(last);
    EXPECT_EQ(last->substr(last->size() - 12), "[b]\r\ny = 2\r\n");
    auto added = nv::sample::setSectionLines("[A]\nx\n", "WIN95SETUP", {"1"});
    ASSERT_TRUE(added);
    EXPECT_EQ(*added, "[A]\nx\n\n[WIN95SETUP]\n1\n");
}

TEST(VariantScriptEdits, DropSectionKeepsTheNextSectionsComment) {
    auto out = nv::sample::dropSection(kScript, "A");
    ASSERT_TRUE(out) << out.error().message;
    EXPECT_EQ(*out, "; head\r\n\r\n; about B\r\n[b]\r\nx = 1\r\n");
    auto last = nv::sample::dropSection(kScript, "b");
    ASSERT_TRUE(last);
    EXPECT_EQ(last->find("[b]"), std::string::npos);
    EXPECT_NE(last->find("three"), std::string::npos);
    EXPECT_FALSE(nv::sample::dropSection(kScript, "[A]"));
}

TEST(VariantDamage, ADamagedFileNoLongerExpands) {
    std::vector<uint8_t> data(5000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>((i * 7919) >> 3);
    auto packed = nv::szdd::compress(data, 'E');
    ASSERT_TRUE(packed);

    nv::lz::MemorySource good(*packed);
    nv::lz::VectorSink whole;
    ASSERT_EQ(nv::lz::expand(good, whole), static_cast<int64_t>(data.size()));

    auto damaged = nv::sample::damageCompressed(*packed);
    ASSERT_TRUE(damaged) << damaged.error().message;
    EXPECT_EQ(damaged->size(), 14 + (packed->size() - 14) / 2);
    nv::lz::MemorySource cut(*damaged);
    nv::lz::VectorSink partial;
    EXPECT_LT(nv::lz::expand(cut, partial), 0);

    std::vector<uint8_t> plain{'M', 'Z', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(nv::sample::damageCompressed(plain));
}

TEST(VariantTableParsing, ReadsEditsAndRejectsBadLines) {
    auto t = nv::sample::parseVariants(
        "# c\n"
        "one  keep-lines   X.INF Manufacturer 1\n"
        "hd   set-section  INSTALL.INF PRINTERDRIVER PATH = | next line\n"
        "one  drop-section X.INF Y\n"
        "hd   nest         SETUP\n",
        "variants.txt");
    ASSERT_TRUE(t) << t.error().message;
    ASSERT_EQ(t->names, (std::vector<std::string>{"one", "hd"}));
    ASSERT_EQ(t->edits.size(), 4u);
    EXPECT_EQ(t->edits[0].kind, EditKind::KeepLines);
    EXPECT_EQ(t->edits[0].count, 1);
    EXPECT_EQ(t->edits[1].lines, (std::vector<std::string>{"PATH =", "next line"}));
    EXPECT_EQ(t->edits[3].kind, EditKind::Nest);
    EXPECT_EQ(t->edits[3].line, 5);

    auto err = [](const char* text) {
        auto r = nv::sample::parseVariants(text, "v.txt");
        return r ? std::string("(parsed)") : r.error().message;
    };
    EXPECT_EQ(err("a copy X Y\n"), "v.txt:1: unknown operation 'copy'");
    EXPECT_EQ(err("A delete X\n"), "v.txt:1: variant name 'A' is not made of a-z, 0-9 and '-'");
    EXPECT_EQ(err("a keep-lines X S\n"), "v.txt:1: keep-lines: missing line count");
    EXPECT_EQ(err("a keep-lines X S one\n"), "v.txt:1: line count 'one' is not a number");
    EXPECT_EQ(err("a delete ..\\X\n"), "v.txt:1: '..\\X' is not a plain file or folder name");
    EXPECT_EQ(err("a delete X Y\n"), "v.txt:1: unexpected 'Y' after the arguments");
}

class VariantBuild : public ::testing::Test {
protected:
    nv::testing::TempDir tmp;
    fs::path disks = tmp.path() / "disks";

    void put(const std::string& rel, const std::string& content) {
        fs::create_directories((disks / rel).parent_path());
        std::ofstream(disks / rel, std::ios::binary) << content;
    }
    static std::string get(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(VariantBuild, EditsApplyToEveryCopyAndFoldersMove) {
    put("DISK1/INSTALL.INF", "[PRINTERDRIVER]\r\nPATH = DRIVER\r\n");
    put("DISK1/OEM.INF", "[M]\r\na\r\nb\r\n");
    put("DISK1/DRIVER/OEM.INF", "[M]\r\na\r\nb\r\n");
    put("DISK1/DRIVER/Q.DR_", "driver");
    put("DISK2/X.DL_", "dll");
    auto table = nv::sample::parseVariants("hd flatten DRIVER\n"
                                           "hd keep-lines OEM.INF M 1\n"
                                           "hd set-section INSTALL.INF PRINTERDRIVER PATH =\n"
                                           "hd delete X.DL_\n"
                                           "hd nest SETUP\n",
                                           "v.txt");
    ASSERT_TRUE(table);
    fs::path out = tmp.path() / "variants" / "hd";
    auto built = nv::sample::buildVariant(*table, "hd", disks, out);
    ASSERT_TRUE(built) << built.error().message;

    EXPECT_EQ(get(out / "SETUP/DISK1/OEM.INF"), "[M]\r\na\r\n");
    EXPECT_EQ(get(out / "SETUP/DISK1/Q.DR_"), "driver");
    EXPECT_EQ(get(out / "SETUP/DISK1/INSTALL.INF"), "[PRINTERDRIVER]\r\nPATH =\r\n");
    EXPECT_FALSE(fs::exists(out / "SETUP/DISK1/DRIVER"));
    EXPECT_FALSE(fs::exists(out / "SETUP/DISK2/X.DL_"));
    EXPECT_TRUE(fs::is_directory(out / "SETUP/DISK2"));
    EXPECT_FALSE(fs::exists(out / "DISK1"));
    // The built disks themselves are left as they were.
    EXPECT_EQ(get(disks / "DISK1/DRIVER/OEM.INF"), "[M]\r\na\r\nb\r\n");
    EXPECT_TRUE(fs::exists(disks / "DISK2/X.DL_"));
}

TEST_F(VariantBuild, AnEditThatFindsNothingFailsWithItsLine) {
    put("DISK1/INSTALL.INF", "[A]\r\nx\r\n");
    auto table = nv::sample::parseVariants("gone delete NOSUCH.DL_\n"
                                           "flat flatten DRIVER\n"
                                           "sec drop-section INSTALL.INF B\n",
                                           "v.txt");
    ASSERT_TRUE(table);
    auto gone = nv::sample::buildVariant(*table, "gone", disks, tmp.path() / "v1");
    ASSERT_FALSE(gone);
    EXPECT_EQ(gone.error().message, "variants.txt:1: gone: no file 'NOSUCH.DL_' on the disks");
    auto flat = nv::sample::buildVariant(*table, "flat", disks, tmp.path() / "v2");
    ASSERT_FALSE(flat);
    EXPECT_EQ(flat.error().message, "variants.txt:2: flat: no disk has a folder 'DRIVER'");
    auto sec = nv::sample::buildVariant(*table, "sec", disks, tmp.path() / "v3");
    ASSERT_FALSE(sec);
    EXPECT_EQ(sec.error().message, "variants.txt:3: sec: INSTALL.INF: no section [B]");
    EXPECT_FALSE(nv::sample::buildVariant(*table, "unknown", disks, tmp.path() / "v4"));
}

}  // namespace
