// The build step that keeps the program's folders layered one way. For one
// folder it reads every source and header (tests aside) and fails when an
// #include "..." names a program folder above it, or the stand-in, the
// tools or the tests: the program sees only <windows.h> and the folders
// below it. On success it touches the stamp file the build waits for.
//
//   check_layers ROOT FOLDER LAYER,LAYER,... STAMP
//
// LAYERs are the program's folders, bottom first; FOLDER is one of them.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Folders no program code may include from, whatever its layer.
const char* const kForbidden[] = {"platform", "tools", "tests", "bench", "samples"};

bool IsTestFile(const fs::path& p) {
    std::string stem = p.stem().string();
    return stem.size() > 5 && stem.compare(stem.size() - 5, 5, "_test") == 0;
}

bool IsSource(const fs::path& p) {
    std::string ext = p.extension().string();
    return ext == ".cpp" || ext == ".h" || ext == ".cc" || ext == ".hpp";
}

// The quoted name of an #include line, or "" when the line is none.
std::string QuotedInclude(const std::string& line) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '#')
        return "";
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos || line.compare(i, 7, "include") != 0)
        return "";
    i = line.find_first_not_of(" \t", i + 7);
    if (i == std::string::npos || line[i] != '"')
        return "";
    size_t end = line.find('"', i + 1);
    return end == std::string::npos ? "" : line.substr(i + 1, end - i - 1);
}

std::vector<std::string> Split(const std::string& list) {
    std::vector<std::string> out;
    std::stringstream in(list);
    for (std::string item; std::getline(in, item, ',');)
        if (!item.empty())
            out.push_back(item);
    return out;
}

std::string Join(const std::vector<std::string>& items) {
    std::string s;
    for (const auto& item : items)
        s += (s.empty() ? "" : ", ") + item + "/";
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: check_layers ROOT FOLDER LAYER,LAYER,... STAMP\n";
        return 2;
    }
    const fs::path root = argv[1];
    const std::string folder = argv[2];
    const std::vector<std::string> layers = Split(argv[3]);
    auto layerOf = [&](const std::string& name) {
        auto it = std::find(layers.begin(), layers.end(), name);
        return it == layers.end() ? -1 : static_cast<int>(it - layers.begin());
    };
    const int own = layerOf(folder);
    if (own < 0) {
        std::cerr << "check_layers: " << folder << " is not one of the layers " << Join(layers) << "\n";
        return 2;
    }

    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root / folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file() && IsSource(it->path()) && !IsTestFile(it->path()))
            files.push_back(it->path());
    }
    if (ec) {
        std::cerr << "check_layers: cannot read " << (root / folder).string() << ": " << ec.message() << "\n";
        return 2;
    }
    std::sort(files.begin(), files.end());

    int faults = 0;
    for (const auto& file : files) {
        std::ifstream in(file);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::string name = QuotedInclude(line);
            size_t slash = name.find('/');
            if (slash == std::string::npos)
                continue;
            std::string top = name.substr(0, slash);
            std::string why;
            int layer = layerOf(top);
            if (layer > own)
                why = top + "/ lies above " + folder + "/ (layers, bottom first: " + Join(layers) + ")";
            else if (std::find(std::begin(kForbidden), std::end(kForbidden), top) != std::end(kForbidden))
                why = "program code sees only <windows.h> and the folders below it, never " + top + "/";
            if (why.empty())
                continue;
            std::cerr << fs::relative(file, root).string() << ":" << number << ": backward include \"" << name
                      << "\": " << why << "\n    " << line << "\n";
            ++faults;
        }
    }
    if (faults)
        return 1;
    std::ofstream stamp(argv[4]);
    return stamp ? 0 : 2;
}
