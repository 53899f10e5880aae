#include "bench/InstallProducts.h"

#include <algorithm>
#include <random>
#include <string_view>
#include <vector>

#include "platform/core/Machine.h"
#include "samples/builder/DiskBuilder.h"
#include "samples/builder/ProductManifest.h"
#include "samples/builder/Variants.h"

namespace fs = std::filesystem;

namespace nv::bench {

namespace {

constexpr const char* kLabel = "Norvalk QS-8000 series Driver disk #";

std::string diskLabel(int disk) {
    return kLabel + std::to_string(disk);
}

Result<std::string> readText(const fs::path& path) {
    auto bytes = NV_TRY(sample::readHostFile(path));
    return std::string(bytes.begin(), bytes.end());
}

Result<void> writeText(const fs::path& path, const std::string& text) {
    return sample::writeHostFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The lines of a script section as they stand, without blank and comment
// lines; an error when the section is missing.
Result<std::vector<std::string>> sectionLines(std::string_view script, std::string_view section) {
    std::vector<std::string> lines;
    bool inside = false;
    bool found = false;
    while (!script.empty()) {
        size_t nl = script.find('\n');
        std::string_view line = trimmed(script.substr(0, nl));
        script = nl == std::string_view::npos ? std::string_view{} : script.substr(nl + 1);
        if (!line.empty() && line.front() == '[') {
            size_t close = line.find(']');
            inside = close != std::string_view::npos && machine::equalsNoCase(line.substr(1, close - 1), section);
            found = found || inside;
            continue;
        }
        if (inside && !line.empty() && line.front() != ';')
            lines.emplace_back(line);
    }
    if (!found)
        return Error::win32(ERROR_FILE_NOT_FOUND, "no section [" + std::string(section) + "]");
    return lines;
}

// The text before the first '=' of a line, trimmed, compared without case.
bool keyIs(std::string_view line, std::string_view key) {
    return machine::equalsNoCase(trimmed(line.substr(0, line.find('='))), key);
}

Result<std::string> setSection(const std::string& script, const char* section, const std::vector<std::string>& lines) {
    return sample::setSectionLines(script, section, lines);
}

// Printable lines of words and numbers, like the product's data tables.
std::vector<uint8_t> generatedContent(int index) {
    static const char* words[] = {"paper", "A4", "Letter", "tray", "duplex", "dpi", "600", "margin",
                                  "QS-8000", "unit", "mm", "inch", "colour", "mono", "=", "toner"};
    std::mt19937 rng(static_cast<uint32_t>(index) * 7919u + 17u);
    size_t size = 256 + rng() % 1792;
    std::string text = "; generated table " + std::to_string(index) + "\r\n";
    while (text.size() < size) {
        int k = static_cast<int>(rng() % 6) + 2;
        for (int i = 0; i < k; ++i) {
            text += words[rng() % (sizeof words / sizeof *words)];
            text += ' ';
        }
        text += std::to_string(rng() % 100000);
        text += "\r\n";
    }
    text.resize(size);
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::string generatedName(int index) {
    std::string number = std::to_string(index);
    return "QSB" + std::string(3 - std::min<size_t>(3, number.size()), '0') + number + ".DAT";
}

// The scripts of the copied tree, edited for `extra` generated files over `disks` disks.
Result<void> editScripts(const fs::path& tree, int extra, int disks, const std::vector<int>& diskOf) {
    const fs::path installInf = tree / "scripts/INSTALL.INF";
    const fs::path oemInf = tree / "scripts/NVQS8000.INF";
    std::string install = NV_TRY(readText(installInf));
    for (int d = kSampleDisks + 1; d <= disks; ++d) {
        std::string section = "DISK" + std::to_string(d);
        install = NV_TRY(setSection(install, section.c_str(),
                                    {"1 = \"" + diskLabel(d) + "\", NVDISK" + std::to_string(d) + ".TAG"}));
    }
    const std::string demoDisk = std::to_string(disks);
    install = NV_TRY(setSection(install, "DEMOFILE", {"file = " + demoDisk + ":QSDEMO.PRN"}));
    NV_TRY(writeText(installInf, install));

    std::string oem = NV_TRY(readText(oemInf));
    auto model = NV_TRY(sectionLines(oem, "QS8000.Install"));
    bool listed = false;
    for (auto& line : model)
        if (keyIs(line, "CopyFiles")) {
            line += ", QS.Bench";
            listed = true;
        }
    if (!listed)
        return Error::win32(ERROR_FILE_NOT_FOUND, oemInf.string() + ": [QS8000.Install] has no CopyFiles line");
    oem = NV_TRY(setSection(oem, "QS8000.Install", model));

    auto dlls = NV_TRY(sectionLines(oem, "QS.Dll"));
    std::erase_if(dlls, [](const std::string& l) { return machine::equalsNoCase(l, "QSRES.DLL"); });
    oem = NV_TRY(setSection(oem, "QS.Dll", dlls));

    std::vector<std::string> names;
    auto sources = NV_TRY(sectionLines(oem, "SourceDisksFiles"));
    for (auto& line : sources)
        if (keyIs(line, "qsdemo.prn"))
            line = "qsdemo.prn = " + demoDisk;
    for (int i = 1; i <= extra; ++i) {
        names.push_back(generatedName(i));
        sources.push_back(generatedName(i) + " = " + std::to_string(diskOf[static_cast<size_t>(i)]));
    }
    oem = NV_TRY(setSection(oem, "QS.Bench", names));
    oem = NV_TRY(setSection(oem, "SourceDisksFiles", sources));

    auto diskNames = NV_TRY(sectionLines(oem, "SourceDisksNames"));
    for (int d = kSampleDisks + 1; d <= disks; ++d)
        diskNames.push_back(std::to_string(d) + " = \"" + diskLabel(d) + "\",,0");
    oem = NV_TRY(setSection(oem, "SourceDisksNames", diskNames));
    return writeText(oemInf, oem);
}

}  // namespace

Result<BenchProduct> makeProduct(const fs::path& productTree, const fs::path& work, int files, int disks) {
    if (files < kSampleFiles || files > 160 || disks < kSampleDisks || disks > 9)
        return Error::win32(ERROR_INVALID_PARAMETER, "a product needs " + std::to_string(kSampleFiles) +
                                                         " to 160 files on " + std::to_string(kSampleDisks) +
                                                         " to 9 disks");
    const int extra = files - kSampleFiles;
    const bool sampleAsIs = extra == 0 && disks == kSampleDisks;
    std::error_code ec;
    fs::remove_all(work, ec);
    fs::path tree = productTree;
    std::string manifestText = NV_TRY(readText(productTree / "disks.txt"));
    auto manifest = NV_TRY(sample::parseManifest(manifestText, (productTree / "disks.txt").string()));

    if (!sampleAsIs) {
        tree = work / "tree";
        fs::create_directories(tree, ec);
        fs::copy(productTree, tree, fs::copy_options::recursive, ec);
        if (ec)
            return Error::win32(ERROR_WRITE_FAULT, tree.string() + ": " + ec.message());
        // Contiguous runs of generated files per disk, the first disks first.
        std::vector<int> diskOf(static_cast<size_t>(extra) + 1, 1);
        for (int i = 1; i <= extra; ++i) {
            int d = 1 + (i - 1) * disks / extra;
            diskOf[static_cast<size_t>(i)] = d;
            sample::DiskFile f;
            f.disk = d;
            f.name = generatedName(i);
            f.store = sample::Store::Lz;
            f.make = sample::Make::File;
            f.source = "files/bench/" + f.name;
            f.description = "Generated data table";
            NV_TRY(sample::writeHostFile(tree / f.source, generatedContent(i)));
            manifest.files.push_back(f);
        }
        for (int d = kSampleDisks + 1; d <= disks; ++d) {
            sample::DiskFile tag;
            tag.disk = d;
            tag.name = "NVDISK" + std::to_string(d) + ".TAG";
            tag.make = sample::Make::Tag;
            tag.description = diskLabel(d);
            manifest.files.push_back(tag);
        }
        bool moved = false;
        for (auto& f : manifest.files)
            if (machine::equalsNoCase(f.name, "QSDEMO.PRN")) {
                f.disk = disks;
                moved = true;
            }
        if (!moved)
            return Error::win32(ERROR_FILE_NOT_FOUND, "the product has no QSDEMO.PRN");
        NV_TRY(editScripts(tree, extra, disks, diskOf));
    }

    NV_TRY(sample::buildDisks(manifest, tree, work / "disks"));
    std::string tableText = NV_TRY(readText(tree / "variants.txt"));
    auto table = NV_TRY(sample::parseVariants(tableText, (tree / "variants.txt").string()));
    NV_TRY(sample::buildVariant(table, "harddisk", work / "disks", work / "harddisk"));

    BenchProduct product;
    product.name = sampleAsIs ? "sample" : "generated";
    product.files = files;
    product.disks = disks;
    product.setup = work / "harddisk" / "SETUP";
    std::string script = NV_TRY(readText(tree / "scripts/INSTALL.INF"));
    auto privateIni = NV_TRY(sectionLines(script, "PRIVATE.INI"));
    if (privateIni.empty())
        return Error::win32(ERROR_FILE_NOT_FOUND, "INSTALL.INF: [PRIVATE.INI] names no file");
    product.privateIni = privateIni.front();
    for (const auto& f : manifest.files) {
        auto bytes = NV_TRY(sample::makeFileBytes(f, tree));
        product.contents.push_back({f.disk, f.name, f.storedName(), std::move(bytes)});
    }
    return product;
}

}  // namespace nv::bench
