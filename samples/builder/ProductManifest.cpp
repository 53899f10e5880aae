#include "samples/builder/ProductManifest.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/core/Machine.h"

namespace nv::sample {

namespace {

Error lineError(std::string_view file, int line, const std::string& what) {
    return Error::win32(ERROR_INVALID_DATA, std::string(file) + ":" + std::to_string(line) + ": " + what);
}

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// Splits off the first blank-separated word of rest.
std::string_view nextWord(std::string_view& rest) {
    size_t start = rest.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    size_t end = rest.find_first_of(" \t", start);
    std::string_view word = rest.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
    return word;
}

std::string_view trim(std::string_view s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string_view::npos)
        return {};
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

std::optional<Version> parseVersionText(std::string_view text) {
    Version v{};
    size_t part = 0;
    uint32_t value = 0;
    bool digits = false;
    for (char c : text) {
        if (c == '.') {
            if (!digits || part == 3)
                return std::nullopt;
            v[part++] = static_cast<uint16_t>(value);
            value = 0;
            digits = false;
        } else if (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<uint32_t>(c - '0');
            if (value > 0xFFFF)
                return std::nullopt;
            digits = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits || part != 3)
        return std::nullopt;
    v[3] = static_cast<uint16_t>(value);
    return v;
}

std::optional<Store> parseStore(std::string_view s) {
    if (s == "plain")
        return Store::Plain;
    if (s == "lz")
        return Store::Lz;
    if (s == "lz-name")
        return Store::LzKeepName;
    return std::nullopt;
}

std::optional<Make> parseMake(std::string_view s) {
    static const std::map<std::string_view, Make> kinds{
        {"ne", Make::Ne},         {"le", Make::Le},         {"le-bz", Make::LeBz},
        {"pe-exe", Make::PeExe},  {"pe-dll", Make::PeDll},  {"tag", Make::Tag},
    };
    auto it = kinds.find(s);
    if (it != kinds.end())
        return it->second;
    return std::nullopt;
}

// A relative path of plain components separated by "/".
bool isTreePath(std::string_view path) {
    if (path.empty() || path.front() == '/')
        return false;
    while (!path.empty()) {
        size_t slash = path.find('/');
        std::string_view part = path.substr(0, slash);
        if (!isPlainFileName(part))
            return false;
        if (slash == std::string_view::npos)
            break;
        path.remove_prefix(slash + 1);
    }
    return true;
}

// The stored name of an "lz" file: its last character becomes "_", which is
// where the installer looks for the compressed form.
std::string lzName(std::string_view name) {
    std::string out(name);
    out.back() = '_';
    return out;
}

// An 8.3 name, as a FAT floppy holds it: 1-8 characters, then at most one
// "." and 1-3 characters, no blanks.
bool isShortName(std::string_view name) {
    size_t dot = name.find('.');
    std::string_view base = name.substr(0, dot);
    std::string_view ext = dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 || (dot != std::string_view::npos && ext.empty()))
        return false;
    return ext.find('.') == std::string_view::npos && name.find(' ') == std::string_view::npos;
}

bool hasThreeLetterExtension(std::string_view name) {
    size_t dot = name.rfind('.');
    return dot != std::string_view::npos && name.size() - dot - 1 == 3;
}

}  // namespace

bool isPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
            c == '>' || c == '|')
            return false;
    }
    return true;
}

std::string DiskFile::storedName() const {
    return store == Store::Lz ? lzName(name) : name;
}

std::string DiskFile::diskPath() const {
    std::string path = "DISK" + std::to_string(disk) + "/";
    if (!folder.empty())
        path += folder + "/";
    return path + storedName();
}

int Manifest::diskCount() const {
    int n = 0;
    for (const auto& f : files)
        n = std::max(n, f.disk);
    return n;
}

std::vector<const DiskFile*> Manifest::onDisk(int disk) const {
    std::vector<const DiskFile*> out;
    for (const auto& f : files)
        if (f.disk == disk)
            out.push_back(&f);
    return out;
}

const DiskFile* Manifest::find(int disk, std::string_view folder, std::string_view name) const {
    for (const auto& f : files)
        if (f.disk == disk && machine::equalsNoCase(f.folder, folder) && machine::equalsNoCase(f.name, name))
            return &f;
    return nullptr;
}

Result<Manifest> parseManifest(std::string_view text, std::string_view fileName) {
    Manifest manifest;
    std::map<std::string, int> storedAt;  // DISKn/FOLDER/STORED (upper case) -> line
    std::map<std::string, int> namedAt;   // DISKn/FOLDER/NAME (upper case) -> line
    int lineNo = 0;
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
        ++lineNo;
        std::string_view rest = trim(line);
        if (rest.empty() || rest.front() == '#')
            continue;

        std::string_view fields[6];
        for (auto& f : fields) {
            f = nextWord(rest);
            if (f.empty())
                return lineError(fileName, lineNo, "expected six fields (disk folder name store from version), got '" +
                                                       std::string(trim(line)) + "'");
        }
        DiskFile file;
        file.line = lineNo;
        file.description = std::string(trim(rest));

        if (fields[0].size() != 1 || fields[0][0] < '1' || fields[0][0] > '9')
            return lineError(fileName, lineNo, "disk '" + std::string(fields[0]) + "' is not 1 to 9");
        file.disk = fields[0][0] - '0';

        if (fields[1] != ".") {
            if (!isPlainFileName(fields[1]))
                return lineError(fileName, lineNo, "folder '" + std::string(fields[1]) + "' is not one plain folder name");
            if (!isShortName(fields[1]))
                return lineError(fileName, lineNo, "folder '" + std::string(fields[1]) + "' is not an 8.3 name");
            file.folder = std::string(fields[1]);
        }
        if (!isPlainFileName(fields[2]))
            return lineError(fileName, lineNo, "name '" + std::string(fields[2]) + "' is not a plain file name");
        if (!isShortName(fields[2]))
            return lineError(fileName, lineNo, "name '" + std::string(fields[2]) + "' is not an 8.3 name");
        file.name = std::string(fields[2]);

        auto store = parseStore(fields[3]);
        if (!store)
            return lineError(fileName, lineNo, "store '" + std::string(fields[3]) + "' is not plain, lz or lz-name");
        file.store = *store;
        // The installer finds a compressed file by its name with the last
        // character replaced; the platform's own lookup adds "_" to shorter
        // extensions instead. Only three-letter extensions agree on both.
        if (file.store == Store::Lz && !hasThreeLetterExtension(file.name))
            return lineError(fileName, lineNo, "'" + file.name +
                                                   "' has no three-letter extension to compress into; store it plain or lz-name");

        if (auto make = parseMake(fields[4])) {
            file.make = *make;
        } else if (isTreePath(fields[4])) {
            file.make = Make::File;
            file.source = std::string(fields[4]);
        } else {
            return lineError(fileName, lineNo, "from '" + std::string(fields[4]) +
                                                   "' is neither a kind of file to make nor a path inside the product");
        }

        bool executable = file.make == Make::Ne || file.make == Make::Le || file.make == Make::LeBz ||
                          file.make == Make::PeExe || file.make == Make::PeDll;
        if (fields[5] != "-") {
            file.version = parseVersionText(fields[5]);
            if (!file.version)
                return lineError(fileName, lineNo, "version '" + std::string(fields[5]) + "' is not A.B.C.D");
            if (!executable)
                return lineError(fileName, lineNo, "version '" + std::string(fields[5]) + "' given for a file without a version resource");
        } else if (executable) {
            return lineError(fileName, lineNo, "'" + file.name + "' is made as an executable and needs a version");
        }
        if (file.make == Make::Tag && file.description.empty())
            return lineError(fileName, lineNo, "tag file '" + file.name + "' needs a description as its text");

        std::string key = upper(file.diskPath());
        if (auto it = storedAt.find(key); it != storedAt.end())
            return lineError(fileName, lineNo, "'" + file.diskPath() + "' is already stored by line " + std::to_string(it->second));
        storedAt.emplace(key, lineNo);
        std::string nameKey = upper("DISK" + std::to_string(file.disk) + "/" + file.folder + "/" + file.name);
        if (auto it = namedAt.find(nameKey); it != namedAt.end())
            return lineError(fileName, lineNo, "'" + file.name + "' already stands on this disk and folder, line " +
                                                   std::to_string(it->second));
        namedAt.emplace(nameKey, lineNo);
        manifest.files.push_back(std::move(file));
    }
    if (manifest.files.empty())
        return Error::win32(ERROR_INVALID_DATA, std::string(fileName) + ": lists no files");
    return manifest;
}

}  // namespace nv::sample
