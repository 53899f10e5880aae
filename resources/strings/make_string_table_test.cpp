// The string table generator, run as the build runs it: a reference file and
// translations, each check a translator can trip over.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "TempMachine.h"

namespace {

class StringTableBuild : public ::testing::Test {
protected:
    std::string file(const std::string& name, const std::string& content) {
        auto p = dir_.path() / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    // Runs the generator on the reference and one translation at offset 1000.
    int build(const std::string& translation, std::string& err, std::string& out) {
        std::string ref = file("en.txt", "# reference\n153\t\"%s driver installation has failed.\"\n"
                                         "144\t\" already exists!!!\\nDo you want to replace:\\n     \"\n");
        std::string tr = file("xx.txt", translation);
        std::string outPath = (dir_.path() / "table.cpp").string();
        std::string errPath = (dir_.path() / "err.txt").string();
        std::string command = std::string(NV_BINARY_DIR) + "/resources/strings/make_string_table " + outPath + " " +
                              ref + " " + ref + "=0 " + tr + "=1000 2>" + errPath;
        int raw = std::system(command.c_str());
        std::ifstream e(errPath, std::ios::binary);
        err.assign(std::istreambuf_iterator<char>(e), {});
        std::ifstream o(outPath, std::ios::binary);
        out.assign(std::istreambuf_iterator<char>(o), {});
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    nv::testing::TempDir dir_;
};

TEST_F(StringTableBuild, GoodTranslationBecomesWindows1252Entries) {
    std::string err, out;
    EXPECT_EQ(build("153\t\"L'installation du pilote %s a échoué.\"\n"
                    "144\t\" existe déjà !!!\\nVoulez-vous remplacer :\\n     \"\n"
                    "  # an indented comment\n\n"
                    "121\t\"\\n\\nno English text: no checks\"\n",
                    err, out),
              0)
        << err;
    EXPECT_NE(out.find("{1153, \"L'installation du pilote %s a \\351chou\\351.\"}"), std::string::npos) << out;
    EXPECT_NE(out.find("{1121, \"\\012\\012no English text: no checks\"}"), std::string::npos) << out;
    EXPECT_NE(out.find("{153, "), std::string::npos);
}

TEST_F(StringTableBuild, MismatchedPlaceholdersAndLineBreaksStopTheBuild) {
    std::string err, out;
    EXPECT_EQ(build("153\t\"Echec de %d.\"\n144\t\" existe déjà\\nremplacer :     \"\n", err, out), 1);
    EXPECT_NE(err.find("xx.txt:1: error: text 153 has the placeholders \"%d\" where the reference has \"%s\""),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("xx.txt:2: error: text 144 has 1 line breaks where the reference has 2"), std::string::npos)
        << err;
}

TEST_F(StringTableBuild, BadLinesAreNamedWithFileAndLine) {
    std::string err, out;
    std::string longText(256, 'x');
    EXPECT_EQ(build("160\tunquoted\n"
                    "161\t\"bad \\q escape\"\n"
                    "162\t\"\xE4\xB8\x80 has no Windows-1252 form\"\n"
                    "163\t\"" + longText + "\"\n"
                    "164\t\"once\"\n"
                    "164\t\"twice\"\n",
                    err, out),
              1);
    EXPECT_NE(err.find("xx.txt:1: error: the text must stand in double quotes"), std::string::npos) << err;
    EXPECT_NE(err.find("xx.txt:2: error: unknown escape \\q"), std::string::npos) << err;
    EXPECT_NE(err.find("xx.txt:3: error: character U+4E00"), std::string::npos) << err;
    EXPECT_NE(err.find("xx.txt:4: error: text 163 is longer than 255 bytes"), std::string::npos) << err;
    EXPECT_NE(err.find("xx.txt:6: error: id 164 is given twice (first at "), std::string::npos) << err;
}

}  // namespace
