// The sample product as the installer will read it: the disks are built from
// samples/product, disk 1 goes into A: of a throw-away machine, and both
// scripts are loaded with the installer's own script reader. Every section
// the installer reads is walked and checked against the built disks.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/lz/SzddExpander.h"
#include "platform/version/VersionResource.h"
#include "samples/builder/DiskBuilder.h"
#include "samples/builder/ProductManifest.h"
#include "samples/builder/Variants.h"
#include "script/IniText.h"
#include "shared/InstallState.h"
#include "TempMachine.h"

namespace {

namespace fs = std::filesystem;
using nv::testing::TempDir;
using nv::testing::TempMachine;

const fs::path kProduct = fs::path(NV_SOURCE_DIR) / "samples" / "product";

std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string extensionOf(const std::string& name) {
    size_t dot = name.find('.');
    return dot == std::string::npos ? "" : name.substr(dot + 1);
}

std::string field(IniLine line, int n, int* result = nullptr) {
    char out[400] = "";
    int r = GetField(line, n, out);
    if (result)
        *result = r;
    return out;
}

bool hasField(IniLine line, int n) {
    int r = 0;
    field(line, n, &r);
    return r == 1;
}

std::vector<IniLine> linesOf(IniText text, const std::string& section) {
    std::vector<IniLine> out;
    for (IniLine l = FindSection(text, section.c_str()); l; l = NextLine(l))
        out.push_back(l);
    return out;
}

std::string firstLine(IniText text, const char* section) {
    IniLine l = FindSection(text, section);
    return l ? std::string(l) : std::string();
}

std::vector<std::string> splitComma(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    while (true) {
        size_t comma = s.find(',', start);
        out.push_back(s.substr(start, comma - start));
        if (comma == std::string::npos)
            return out;
        start = comma + 1;
    }
}

// The disks, built once for the whole program.
class BuiltDisks {
public:
    static BuiltDisks& get() {
        static BuiltDisks disks;
        return disks;
    }
    nv::sample::Manifest manifest;
    fs::path dir;
    std::string error;

    // The file as stored in folder of disk: under its own name or its
    // compressed name, found without regard to case. Empty when absent.
    fs::path stored(int disk, const std::string& folder, const std::string& name) const {
        fs::path where = dir / ("DISK" + std::to_string(disk));
        if (!folder.empty())
            where /= folder;
        std::string plain = upper(name), packed = plain;
        packed.back() = '_';
        std::error_code ec;
        for (auto& e : fs::directory_iterator(where, ec)) {
            std::string n = upper(e.path().filename().string());
            if (e.is_regular_file() && (n == plain || n == packed))
                return e.path();
        }
        return {};
    }
    // The expanded content of a stored file.
    std::vector<uint8_t> expanded(const fs::path& file) const {
        auto bytes = nv::sample::readHostFile(file);
        if (!bytes)
            return {};
        if (nv::lz::probe(*bytes, nullptr) != nv::lz::Kind::Compressed)
            return *bytes;
        nv::lz::MemorySource in(*bytes);
        nv::lz::VectorSink out;
        if (nv::lz::expand(in, out) < 0)
            return {};
        return out.data();
    }

private:
    BuiltDisks() {
        dir = tmp_.path() / "disks";
        auto text = nv::sample::readHostFile(kProduct / "disks.txt");
        if (!text) {
            error = text.error().message;
            return;
        }
        auto m = nv::sample::parseManifest(std::string(text->begin(), text->end()), "disks.txt");
        if (!m) {
            error = m.error().message;
            return;
        }
        manifest = *m;
        if (auto built = nv::sample::buildDisks(manifest, kProduct, dir); !built)
            error = built.error().message;
    }
    TempDir tmp_;
};

class SampleProduct : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(disks.error, "");
        ResetInstallState();
        fs::copy(disks.dir / "DISK1", machine.host('A', ""), fs::copy_options::recursive);
        script = LoadIniText("A:\\INSTALL.INF");
        ASSERT_NE(script, nullptr);
        ASSERT_NE(script, INITEXT_EMPTY);
        char path[128];
        ASSERT_EQ(GetSectionValue(script, "PRINTERDRIVER", "PATH", path), 1);
        driverFolder = path;
        std::string oemName = firstLine(script, "OEM.INF");
        ASSERT_FALSE(oemName.empty());
        oem = LoadIniText(("A:\\" + driverFolder + "\\" + oemName).c_str());
        ASSERT_NE(oem, nullptr);
        ASSERT_NE(oem, INITEXT_EMPTY);
    }
    void TearDown() override {
        if (oem && oem != INITEXT_EMPTY)
            FreeIniText(oem);
        if (script && script != INITEXT_EMPTY)
            FreeIniText(script);
    }

    // Where the installer takes a file of disk d from: the driver folder on
    // disk 1 (the first disk needs no prompt), the root of a later disk.
    fs::path source(int d, const std::string& name) const {
        return disks.stored(d, d == 1 ? driverFolder : "", name);
    }

    // Destination name -> disk digit from [SourceDisksFiles].
    int diskOf(const std::string& destination) const {
        char value[64];
        if (!GetSectionValue(oem, "SourceDisksFiles", destination.c_str(), value))
            return 0;
        return value[0] >= '1' && value[0] <= '9' ? value[0] - '0' : -1;
    }

    // Every file-list section named by an install section of the OEM INF.
    std::set<std::string> fileLists() const {
        std::set<std::string> lists;
        for (IniLine m : linesOf(oem, "Manufacturer"))
            for (IniLine model : linesOf(oem, field(m, 1))) {
                char copy[256];
                if (GetSectionValue(oem, field(model, 1).c_str(), "CopyFiles", copy))
                    for (const auto& name : splitComma(copy))
                        lists.insert(name);
            }
        return lists;
    }

    // Every file the lists install into the system directory (destinations).
    std::set<std::string> installedFiles() const {
        std::set<std::string> files;
        for (const auto& list : fileLists())
            for (IniLine l : linesOf(oem, list))
                files.insert(upper(hasField(l, 2) ? field(l, 1) : std::string(l)));
        return files;
    }

    BuiltDisks& disks = BuiltDisks::get();
    TempMachine machine;
    IniText script = nullptr;
    IniText oem = nullptr;
    std::string driverFolder;
};

TEST_F(SampleProduct, InstallScriptSwitchesAreSetAsTheDefaultProductNeeds) {
    // The group-only run reads the language from "qs8000.ini" by that name.
    EXPECT_EQ(upper(firstLine(script, "PRIVATE.INI")), "QS8000.INI");
    EXPECT_FALSE(driverFolder.empty());
    EXPECT_TRUE(nv::sample::isPlainFileName(driverFolder));

    // The OEM INF is read from the disk's root at start and from the driver
    // folder later; both copies must say the same.
    std::string oemName = firstLine(script, "OEM.INF");
    EXPECT_TRUE(nv::sample::isPlainFileName(oemName));
    EXPECT_EQ(machine.get('A', oemName), machine.get('A', driverFolder + "/" + oemName));

    std::string space = firstLine(script, "NEEDED.DiskSpace");
    EXPECT_FALSE(space.empty());
    EXPECT_EQ(space.find_first_not_of("0123456789"), std::string::npos) << space;
    EXPECT_EQ(firstLine(script, "WIN95SETUP"), "0");
    EXPECT_EQ(firstLine(script, "DEL.INST"), "0");
    EXPECT_EQ(firstLine(script, "REBOOTSYSTEM"), "1");
    EXPECT_EQ(firstLine(script, "CheckECP"), "1");
    EXPECT_TRUE(firstLine(script, "VERSION_TYPE") == "0" || firstLine(script, "VERSION_TYPE") == "1");
    EXPECT_FALSE(firstLine(script, "InstVersion").empty());

    // [VxD]: the own device line in the value-specifier form, and the two keys that
    // the platform's profile functions read from the same file.
    auto vxd = linesOf(script, "VxD");
    ASSERT_GE(vxd.size(), 2u);
    std::string own = vxd[0];
    ASSERT_GT(own.size(), 2u);
    EXPECT_EQ(own[1], ':');
    EXPECT_EQ(upper(extensionOf(own.substr(2))), "386");
    EXPECT_TRUE(installedFiles().count(upper(own.substr(2)))) << own;
    char text[64];
    GetPrivateProfileStringA("VxD", "message", "", text, sizeof text, "A:\\INSTALL.INF");
    EXPECT_STREQ(text, "TRUE");
    GetPrivateProfileStringA("VxD", "setinf", "", text, sizeof text, "A:\\INSTALL.INF");
    EXPECT_STREQ(text, "1");

    // [DEMOFILE] file: disk digit, ":", a .prn file that the OEM INF lists on
    // the same disk (the demo stage after a driver install takes that entry).
    GetPrivateProfileStringA("DEMOFILE", "file", "", text, sizeof text, "A:\\INSTALL.INF");
    std::string demo = text;
    ASSERT_GT(demo.size(), 2u);
    ASSERT_EQ(demo[1], ':');
    EXPECT_EQ(upper(extensionOf(demo.substr(2))), "PRN");
    EXPECT_EQ(diskOf(demo.substr(2)), demo[0] - '0');
    EXPECT_FALSE(source(demo[0] - '0', demo.substr(2)).empty()) << demo;
}

TEST_F(SampleProduct, EveryDiskHasItsLabelAndTagFile) {
    int disksUsed = disks.manifest.diskCount();
    ASSERT_EQ(disksUsed, 3);
    for (int d = 1; d <= 9; ++d) {
        std::string name = "DISK" + std::to_string(d);
        IniLine l = FindSection(script, name.c_str());
        if (d > disksUsed) {
            EXPECT_EQ(l, nullptr) << name;
            continue;
        }
        ASSERT_NE(l, nullptr) << name;
        std::string label = field(l, 1), tag = field(l, 2);
        EXPECT_LE(label.size(), 127u);
        EXPECT_LE(tag.size(), 62u);
        // The other languages use the label from the character before "#".
        EXPECT_NE(label.find(" disk #" + std::to_string(d)), std::string::npos) << label;
        EXPECT_EQ(label.find('#'), label.rfind('#')) << label;
        EXPECT_TRUE(nv::sample::isPlainFileName(tag));
        // Each disk must fit a 1.44 MB floppy.
        uintmax_t bytes = 0;
        for (auto& e : fs::recursive_directory_iterator(disks.dir / name))
            if (e.is_regular_file())
                bytes += e.file_size();
        EXPECT_LE(bytes, 1457664u) << name;
        fs::path tagFile = disks.dir / name / tag;
        EXPECT_TRUE(fs::is_regular_file(tagFile)) << tagFile;
        // A tag must not be found on another disk, or the wrong disk passes.
        for (int other = 1; other <= disksUsed; ++other)
            if (other != d) {
                EXPECT_FALSE(fs::exists(disks.dir / ("DISK" + std::to_string(other)) / tag)) << tag;
            }
    }
}

TEST_F(SampleProduct, FontSectionsNameFilesOnTheirDisksWithTheirFaceNames) {
    char list[340];
    ASSERT_EQ(GetSectionValue(script, "TRUETYPEFONTS", "FONTLIST", list), 1);
    auto fonts = splitComma(list);
    EXPECT_GE(fonts.size(), 6u);
    EXPECT_LT(std::string(list).size(), 256u);  // the chosen list must fit the scratch text
    EXPECT_TRUE(std::any_of(fonts.begin(), fonts.end(), [](auto& f) { return f.find('_') != std::string::npos; }));

    FT_Library ft;
    ASSERT_EQ(FT_Init_FreeType(&ft), 0);
    std::set<int> fontDisks;
    std::set<char> whereForms;
    for (const auto& font : fonts) {
        auto lines = linesOf(script, font + ".TrueType");
        ASSERT_FALSE(lines.empty()) << font;
        uintmax_t bytes = 0;
        for (IniLine l : lines) {
            std::string file = field(l, 1), face = field(l, 2);
            ASSERT_GT(file.size(), 2u) << l;
            ASSERT_TRUE(file[0] >= '1' && file[0] <= '9' && file[1] == ':') << l;
            ASSERT_TRUE(face.size() > 2 && face[0] == '0' && face[1] == ':') << l;
            EXPECT_FALSE(hasField(l, 3)) << l;
            int d = file[0] - '0';
            fontDisks.insert(d);
            std::string name = file.substr(2);
            EXPECT_TRUE(nv::sample::isPlainFileName(name));
            fs::path stored = disks.stored(d, "", name);
            ASSERT_FALSE(stored.empty()) << name << " is not on disk " << d;

            // The face name is what the font file itself calls the face.
            auto content = disks.expanded(stored);
            ASSERT_FALSE(content.empty()) << stored;
            bytes += content.size();
            FT_Face f;
            ASSERT_EQ(FT_New_Memory_Face(ft, content.data(), static_cast<FT_Long>(content.size()), 0, &f), 0) << name;
            std::string family = f->family_name, style = f->style_name;
            FT_Done_Face(f);
            EXPECT_EQ(face.substr(2), style == "Regular" ? family : family + " " + style) << name;
        }
        // [NEEDED.SPACE]: size, where, and the second size for where 2; the
        // fonts drive must be asked for at least what the files take.
        char need[64];
        ASSERT_EQ(GetSectionValue(script, "NEEDED.SPACE", font.c_str(), need), 1) << font;
        auto parts = splitComma(need);
        ASSERT_GE(parts.size(), 2u) << need;
        ASSERT_EQ(parts[1].size(), 1u) << need;
        char where = parts[1][0];
        whereForms.insert(where);
        EXPECT_EQ(parts.size(), where == '2' ? 3u : 2u) << need;
        if (where == '0' || where == '2') {
            EXPECT_GE(std::stoul(parts[0]) * 1000, bytes) << font;
        }
    }
    FT_Done_FreeType(ft);
    EXPECT_EQ(fontDisks, (std::set<int>{2, 3}));
    EXPECT_EQ(whereForms, (std::set<char>{'0', '1', '2'}));
}

TEST_F(SampleProduct, ConflictingProductsAndRemovedEntriesAreWellFormed) {
    auto lines = linesOf(script, "DeleteIni");
    ASSERT_FALSE(lines.empty());
    std::set<char> modes;
    std::set<std::string> files;
    bool orNames = false;  // a name the other languages translate
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string mode = field(lines[i], 1);
        ASSERT_NE(mode[0], '2') << "edit line without a mode line: " << lines[i];
        ASSERT_GT(mode.size(), 2u);
        modes.insert(mode[0]);
        std::string product = mode.substr(2);
        EXPECT_EQ(upper(product).find("NORVALK"), std::string::npos) << product;
        orNames |= product.find(" or ") != std::string::npos;
        ASSERT_LT(i + 1, lines.size()) << "mode line without edit lines: " << lines[i];
        for (; i + 1 < lines.size() && lines[i + 1][0] == '2'; ++i) {
            IniLine e = lines[i + 1];
            std::string fileField = field(e, 1), value = field(e, 4);
            ASSERT_TRUE(hasField(e, 5) && !hasField(e, 6)) << e;
            ASSERT_GT(fileField.size(), 3u);
            EXPECT_TRUE(fileField[1] == '0' || fileField[1] == '1') << fileField;
            std::string file = upper(fileField.substr(3));
            EXPECT_EQ(file, fileField[1] == '1' ? "WIN.INI" : "SYSTEM.INI") << fileField;
            files.insert(file);
            ASSERT_GT(value.size(), 2u);
            EXPECT_TRUE(nv::sample::isPlainFileName(value.substr(2))) << value;
            // Unquoted, the comment would lose its blanks to the reader.
            EXPECT_NE(field(e, 5).find(' '), std::string::npos) << e;
        }
    }
    EXPECT_TRUE(orNames);
    EXPECT_EQ(modes, (std::set<char>{'5', '6'}));
    EXPECT_EQ(files, (std::set<std::string>{"SYSTEM.INI", "WIN.INI"}));

    // [DEL.WIN.INI]: a whole section, a key, and a value line.
    std::set<int> shapes;
    for (IniLine l : linesOf(script, "DEL.WIN.INI")) {
        int n = hasField(l, 3) ? 3 : hasField(l, 2) ? 2 : 1;
        shapes.insert(n);
    }
    EXPECT_EQ(shapes, (std::set<int>{1, 2, 3}));
}

TEST_F(SampleProduct, ManufacturerOffersAllSixLanguagesWithTheSameModels) {
    auto makers = linesOf(oem, "Manufacturer");
    ASSERT_EQ(makers.size(), 7u);
    std::string plain = field(makers[0], 0);
    EXPECT_EQ(plain.find_first_of("(["), std::string::npos) << plain;

    // The installer matches the text after "(" with the language names on
    // their first four characters, bit 0x20 set on both sides.
    const char* names[] = {"English", "Fran\xE7" "ais", "Deutsch", "Nederlands", "Norsk", "Svenska"};
    std::set<int> languages;
    std::vector<std::string> reference;
    for (size_t i = 1; i < makers.size(); ++i) {
        std::string key = field(makers[i], 0);
        size_t open = key.find_first_of("([");
        ASSERT_NE(open, std::string::npos) << key;
        std::string tag = key.substr(open + 1);
        int match = -1;
        for (int k = 0; k < 6 && match < 0; ++k) {
            bool same = true;
            for (int c = 0; c < 4 && tag[c] && names[k][c]; ++c)
                same = same && ((tag[c] | 0x20) == (names[k][c] | 0x20));
            if (same)
                match = k;
        }
        ASSERT_GE(match, 0) << key;
        languages.insert(match);

        auto models = linesOf(oem, field(makers[i], 1));
        ASSERT_GE(models.size(), 3u) << field(makers[i], 1);
        ASSERT_LE(models.size(), 5u);  // the model table has five slots
        std::vector<std::string> modelNames;
        for (IniLine m : models) {
            modelNames.push_back(field(m, 0));
            EXPECT_LE(modelNames.back().size(), 31u) << "printer names hold 31 characters";
        }
        if (reference.empty())
            reference = modelNames;
        EXPECT_EQ(modelNames, reference) << field(makers[i], 1);
    }
    EXPECT_EQ(languages.size(), 6u);
    EXPECT_TRUE(std::any_of(reference.begin(), reference.end(),
                            [](auto& n) { return n.size() > 3 && n.compare(n.size() - 3, 3, "600") == 0; }));
    EXPECT_EQ(field(linesOf(oem, field(makers[0], 1))[0], 0), reference[0]);
}

TEST_F(SampleProduct, InstallSectionsAndFileListsPointAtFilesOnTheDisks) {
    std::set<std::string> extensions, usedKeys;
    std::map<std::string, std::string> caseOf;  // destination as written, by its upper-case form
    bool withoutDataType = false, winPrint = false, duplicate = false;
    char monitor[256] = "";
    ASSERT_EQ(GetSectionValue(oem, "Printer1", "LanguageMonitor", monitor), 1);
    auto monitorParts = splitComma(monitor);
    ASSERT_EQ(monitorParts.size(), 2u) << monitor;

    for (IniLine model : linesOf(oem, field(linesOf(oem, "Manufacturer")[0], 1))) {
        std::string install = field(model, 1);
        IniLine first = FindSection(oem, install.c_str());
        ASSERT_NE(first, nullptr) << install;
        // The check for an installed driver reads field 1 of the first line.
        EXPECT_EQ(field(first, 0), "DriverFile") << install;
        std::string driver = upper(field(first, 1));

        char copy[256], value[256];
        ASSERT_EQ(GetSectionValue(oem, install.c_str(), "CopyFiles", copy), 1);
        auto lists = splitComma(copy);
        EXPECT_GE(lists.size(), 3u);
        withoutDataType |= !GetSectionValue(oem, install.c_str(), "DefaultDataType", value);
        ASSERT_EQ(GetSectionValue(oem, install.c_str(), "HelpFile", value), 1);
        std::string help = upper(value);
        ASSERT_EQ(GetSectionValue(oem, install.c_str(), "LanguageMonitor", value), 1);
        EXPECT_STREQ(value, monitor);
        ASSERT_EQ(GetSectionValue(oem, install.c_str(), "PrintProcessor", value), 1);
        auto processor = splitComma(value);
        winPrint |= upper(processor[0]) == "WINPRINT";

        std::set<std::string> sources, destinations;
        for (size_t k = 0; k < lists.size(); ++k) {
            auto lines = linesOf(oem, lists[k]);
            ASSERT_FALSE(lines.empty()) << lists[k];
            for (size_t i = 0; i < lines.size(); ++i) {
                std::string text = lines[i];
                bool paired = text.find(',') != std::string::npos;
                // The list of destination names is made when a section's
                // first line is paired; a later paired line would find none.
                if (paired) {
                    EXPECT_EQ(i, 0u) << lists[k];
                }
                std::string dest = paired ? field(lines[i], 1) : text;
                std::string src = paired ? field(lines[i], 2) : text;
                EXPECT_TRUE(nv::sample::isPlainFileName(dest) && nv::sample::isPlainFileName(src)) << text;
                int d = diskOf(dest);
                ASSERT_GE(d, 1) << dest << " has no disk in [SourceDisksFiles]";
                EXPECT_NE(FindSection(script, ("DISK" + std::to_string(d)).c_str()), nullptr);
                EXPECT_FALSE(source(d, src).empty()) << src << " is not on disk " << d;
                usedKeys.insert(upper(dest));
                duplicate |= !sources.insert(upper(src)).second;
                destinations.insert(upper(dest));
                extensions.insert(extensionOf(dest));
                caseOf[upper(dest)] = dest;
                if (paired) {
                    EXPECT_FALSE(upper(extensionOf(dest)) == "386" || upper(extensionOf(dest)) == "ICM") << text;
                }
            }
        }
        EXPECT_TRUE(destinations.count(driver)) << driver;
        EXPECT_TRUE(destinations.count(help)) << help;
        EXPECT_TRUE(destinations.count(upper(monitorParts[1])));
        if (processor.size() == 2) {
            EXPECT_TRUE(destinations.count(upper(processor[1]))) << value;
        }
        for (const char* own : {"NVINS32B.EXE", "NVINS32B.DLL", "LPT.BZ"})
            EXPECT_TRUE(destinations.count(own)) << own;
    }
    EXPECT_TRUE(withoutDataType);
    EXPECT_TRUE(winPrint);
    EXPECT_TRUE(duplicate);
    // The installer compares drv, exe and prn with their case (dll, icm and
    // hlp without): every kind must be reached, and one capital EXE shows
    // the path where the in-use test is skipped.
    for (const char* ext : {"drv", "386", "exe", "prn"})
        EXPECT_TRUE(extensions.count(ext)) << ext;
    for (const char* ext : {"DLL", "ICM", "HLP"})
        EXPECT_TRUE(std::any_of(extensions.begin(), extensions.end(), [&](auto& e) { return upper(e) == ext; })) << ext;
    EXPECT_TRUE(extensions.count("EXE"));
    // Each model's driver is version-checked, the installer's own program is
    // tested for being in use, and the demonstration file is left to its own
    // stage: their list entries need the lower-case extensions.
    for (IniLine model : linesOf(oem, field(linesOf(oem, "Manufacturer")[0], 1))) {
        char driver[128];
        ASSERT_EQ(GetSectionValue(oem, field(model, 1).c_str(), "DriverFile", driver), 1);
        EXPECT_EQ(extensionOf(caseOf[upper(driver)]), "drv") << driver;
    }
    EXPECT_EQ(caseOf["NVINS32B.EXE"], "nvins32b.exe");
    char demo[64];
    GetPrivateProfileStringA("DEMOFILE", "file", "", demo, sizeof demo, "A:\\INSTALL.INF");
    ASSERT_GT(std::strlen(demo), 2u);
    EXPECT_EQ(extensionOf(caseOf[upper(demo + 2)]), "prn") << demo;
    // Every [SourceDisksFiles] entry belongs to a listed file.
    for (IniLine l : linesOf(oem, "SourceDisksFiles"))
        EXPECT_TRUE(usedKeys.count(upper(field(l, 0)))) << l;
}

TEST_F(SampleProduct, MadeFilesAreTheKindTheirExtensionsPromise) {
    for (const auto& f : disks.manifest.files) {
        fs::path stored = disks.dir / f.diskPath();
        auto content = disks.expanded(stored);
        ASSERT_FALSE(content.empty()) << stored;
        if (f.store != nv::sample::Store::Plain) {
            EXPECT_EQ(nv::lz::probe(nv::sample::readHostFile(stored).value(), nullptr), nv::lz::Kind::Compressed);
        }
        if (!f.version)
            continue;
        // The port driver is carried with "BZ" in place of "MZ"; the installer
        // puts "MZ" back after expanding it.
        if (f.make == nv::sample::Make::LeBz) {
            ASSERT_EQ(std::string(content.begin(), content.begin() + 2), "BZ");
            content[0] = 'M';
            content[1] = 'Z';
        }
        nv::version::SpanReader reader(content);
        auto where = nv::version::locate(reader);
        ASSERT_TRUE(where) << f.name;
        std::string ext = upper(extensionOf(f.name));
        auto expected = ext == "DRV" ? nv::version::FileFormat::NE
                      : (ext == "386" || ext == "BZ") ? nv::version::FileFormat::LE
                                                     : nv::version::FileFormat::PE;
        EXPECT_EQ(where->format, expected) << f.name;
    }
    // lpt.bz keeps its name although it is compressed.
    EXPECT_FALSE(disks.stored(2, "", "lpt.bz").empty());
    EXPECT_EQ(upper(disks.stored(2, "", "lpt.bz").filename().string()), "LPT.BZ");
}

TEST_F(SampleProduct, ProgramGroupsExistForEveryLanguage) {
    std::set<char> pathKinds;
    bool withArgument = false, withoutArgument = false, withIcon = false, withoutIcon = false, groupFile = false;
    auto installed = installedFiles();
    std::string privateIni = upper(firstLine(script, "PRIVATE.INI"));
    for (const char* code : {"ENU", "FRC", "DEU", "NLD", "NOR", "SVE"}) {
        auto groups = linesOf(oem, std::string("PROGMAN.GROUPS.") + code);
        ASSERT_FALSE(groups.empty()) << code;
        for (IniLine g : groups) {
            std::string section = field(g, 1);
            size_t dot = section.rfind('.');
            ASSERT_NE(dot, std::string::npos) << section;
            EXPECT_GT(dot, 0u);
            if (hasField(g, 2)) {
                groupFile = true;
                EXPECT_TRUE(nv::sample::isPlainFileName(field(g, 2))) << g;
            }
            auto items = linesOf(oem, section);
            ASSERT_FALSE(items.empty()) << section;
            for (IniLine item : items) {
                EXPECT_FALSE(field(item, 1).empty()) << item;
                for (int n = 2; n <= 4; ++n) {
                    std::string itemField = field(item, n);
                    if (itemField.empty()) {
                        ASSERT_NE(n, 2) << item;
                        continue;
                    }
                    ASSERT_GE(itemField.size(), 6u) << itemField;
                    pathKinds.insert(itemField[0]);
                    std::string file = upper(itemField.substr(5));
                    if (itemField[0] != '7') {
                        EXPECT_TRUE(nv::sample::isPlainFileName(file)) << itemField;
                    }
                    // Files looked for in the system directory must be installed there.
                    if (itemField[0] == '3' || itemField[0] == '5') {
                        EXPECT_TRUE(installed.count(file)) << itemField;
                    }
                    if (itemField[0] == '6') {
                        EXPECT_TRUE(installed.count("NVINS32B.EXE"));
                    }
                    if (itemField[0] != '3' && itemField[0] != '5' && itemField[0] != '6' && itemField[0] != '7') {
                        EXPECT_EQ(file, privateIni) << itemField;
                    }
                }
                (hasField(item, 3) && !field(item, 3).empty() ? withArgument : withoutArgument) = true;
                (hasField(item, 4) && !field(item, 4).empty() ? withIcon : withoutIcon) = true;
            }
        }
    }
    EXPECT_TRUE(pathKinds.count('3') && pathKinds.count('5') && pathKinds.count('6') && pathKinds.count('7'));
    EXPECT_GT(pathKinds.size(), 4u);
    EXPECT_TRUE(withArgument && withoutArgument && withIcon && withoutIcon && groupFile);

    auto arrange = linesOf(oem, "PROGMAN.GROUPS");
    ASSERT_FALSE(arrange.empty());
    EXPECT_TRUE(std::any_of(arrange.begin(), arrange.end(), [](IniLine l) { return hasField(l, 2); }));
}

TEST_F(SampleProduct, OemInfIsWindowsAnsiText) {
    // An editor that saved it as UTF-8 would turn every accented letter into
    // two bytes starting with 0xC3.
    std::string text = machine.get('A', firstLine(script, "OEM.INF"));
    for (size_t i = 0; i + 1 < text.size(); ++i)
        EXPECT_FALSE(static_cast<unsigned char>(text[i]) == 0xC3 &&
                     (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80)
            << "UTF-8 sequence at byte " << i;
    EXPECT_NE(text.find("Fran\xE7" "ais"), std::string::npos);
}

// The variants, loaded the way the installer would load them.
class SampleVariants : public SampleProduct {
protected:
    IniText load(const std::string& rel) {
        IniText t = LoadIniText(("C:\\" + rel).c_str());
        loaded.push_back(t);
        return t;
    }
    void TearDown() override {
        for (IniText t : loaded)
            if (t && t != INITEXT_EMPTY)
                FreeIniText(t);
        SampleProduct::TearDown();
    }
    std::vector<IniText> loaded;
};

TEST_F(SampleVariants, EachVariantChangesWhatItsNameSays) {
    auto text = nv::sample::readHostFile(kProduct / "variants.txt");
    ASSERT_TRUE(text);
    auto table = nv::sample::parseVariants(std::string(text->begin(), text->end()), "variants.txt");
    ASSERT_TRUE(table) << table.error().message;
    fs::path out = machine.host('C', "V");
    for (const auto& name : table->names) {
        auto built = nv::sample::buildVariant(*table, name, disks.dir, out / name);
        ASSERT_TRUE(built) << built.error().message;
    }
    auto sectionCount = [&](IniText t, const char* s) { return CountLines(FindSection(t, s)); };

    IniText one = load("V\\one-language\\DISK1\\DRIVER\\NVQS8000.INF");
    EXPECT_EQ(sectionCount(one, "Manufacturer"), 1);
    EXPECT_EQ(sectionCount(one, "NORVALK.ENU"), 3);

    IniText model = load("V\\one-model\\DISK1\\DRIVER\\NVQS8000.INF");
    for (const char* s : {"NORVALK.ENU", "NORVALK.FRC", "NORVALK.DEU", "NORVALK.NLD", "NORVALK.NOR", "NORVALK.SVE"})
        EXPECT_EQ(sectionCount(model, s), 1) << s;
    IniText modelRoot = load("V\\one-model\\DISK1\\NVQS8000.INF");
    EXPECT_EQ(sectionCount(modelRoot, "NORVALK.ENU"), 1);

    char value[64];
    IniText noFonts = load("V\\no-fonts\\DISK1\\INSTALL.INF");
    EXPECT_EQ(GetSectionValue(noFonts, "TRUETYPEFONTS", "FONTLIST", value), 0);
    EXPECT_NE(FindSection(noFonts, "PRINTERDRIVER"), nullptr);
    IniText noDriver = load("V\\no-driver\\DISK1\\INSTALL.INF");
    EXPECT_EQ(GetSectionValue(noDriver, "PRINTERDRIVER", "PATH", value), 0);
    EXPECT_EQ(GetSectionValue(noDriver, "TRUETYPEFONTS", "FONTLIST", value), 1);

    // On a hard disk the driver files stand at the roots of numbered folders.
    IniText hd = load("V\\harddisk\\SETUP\\DISK1\\INSTALL.INF");
    EXPECT_EQ(GetSectionValue(hd, "PRINTERDRIVER", "PATH", value), 1);
    EXPECT_STREQ(value, "");
    for (int d = 1; d <= 3; ++d)
        EXPECT_TRUE(fs::is_directory(out / "harddisk" / "SETUP" / ("DISK" + std::to_string(d))));
    EXPECT_FALSE(fs::exists(out / "harddisk" / "SETUP" / "DISK1" / "DRIVER"));
    for (IniLine l : linesOf(oem, "SourceDisksFiles"))
        if (field(l, 1)[0] == '1' && field(l, 0) != "QSUNIT.DAT") {
            EXPECT_TRUE(fs::exists(out / "harddisk" / "SETUP" / "DISK1" / disks.stored(1, driverFolder, field(l, 0)).filename()))
                << field(l, 0);
        }

    auto damaged = disks.expanded(out / "damaged" / "DISK2" / "QSSTAT.EX_");
    EXPECT_TRUE(damaged.empty());
    EXPECT_FALSE(fs::exists(out / "missing" / "DISK2" / "QSUI.DL_"));
    EXPECT_TRUE(fs::exists(out / "missing" / "DISK2" / "QSRES.DLL"));

    IniText note = load("V\\win95-note\\DISK1\\INSTALL.INF");
    EXPECT_EQ(firstLine(note, "WIN95SETUP"), "1");
}

}  // namespace
