#include "tools/nvmachine/Snapshot.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include <winerror.h>

#include "platform/core/Machine.h"
#include "platform/kernel/profile_document.h"
#include "platform/registry/RegistryModel.h"

namespace fs = std::filesystem;

namespace nv::tool {

namespace {

const char kHeader[] = "nvmachine snapshot 1";
const std::vector<std::string> kAreaOrder = {"settings", "files", "ini", "registry"};
constexpr uintmax_t kMaxIniSize = 1 << 20;

size_t areaRank(const std::string& name) {
    auto it = std::find(kAreaOrder.begin(), kAreaOrder.end(), name);
    return static_cast<size_t>(it - kAreaOrder.begin());
}

std::string joinFields(const std::vector<std::string>& fields) {
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i)
            out += '\t';
        out += escapeField(fields[i]);
    }
    return out;
}

std::string readHostFile(const fs::path& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    ok = static_cast<bool>(in) || in.eof();
    return ss.str();
}

// FNV-1a, 64 bits: enough to tell changed files apart, and simple to redo.
std::string fileHash(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    uint64_t h = 0xcbf29ce484222325ull;
    char buf[65536];
    while (in) {
        in.read(buf, sizeof buf);
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
            h ^= static_cast<unsigned char>(buf[i]);
            h *= 0x100000001b3ull;
        }
    }
    char out[20];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
    return out;
}

bool endsWithNoCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && machine::equalsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

void addIniLines(Snapshot& snap, const std::string& winPath, std::string_view text) {
    std::string section;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = text.find_first_of("\r\n", i);
        std::string_view line = profile::trimBlanks(text.substr(i, j == std::string_view::npos ? std::string_view::npos : j - i));
        i = j == std::string_view::npos ? text.size() : j + 1;
        if (line.empty())
            continue;
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            section = std::string(profile::trimBlanks(close == 0 ? line.substr(1) : line.substr(1, close - 1)));
        }
        snap.add("ini", {"ini", winPath, section, std::string(line)});
    }
}

Result<void> addSettings(Snapshot& snap, const machine::Settings& settings) {
    std::string text = machine::formatSettings(settings);
    std::string section;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        snap.add("settings", {"setting", section, line});
    }
    return {};
}

Result<void> addFiles(Snapshot& snap, const machine::Machine& m) {
    for (const auto& [letter, d] : m.settings().drives) {
        if (d.kind == machine::DriveKind::Removable && !d.hasDisk)
            continue;
        fs::path root = m.driveRoot(d);
        std::error_code ec;
        if (!fs::is_directory(fs::symlink_status(root, ec)))
            continue;
        for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
            std::string rel = it->path().lexically_relative(root).generic_string();
            std::replace(rel.begin(), rel.end(), '/', '\\');
            std::string win = std::string(1, letter) + ":\\" + rel;
            auto st = it->symlink_status(ec);
            if (fs::is_symlink(st)) {
                snap.add("files", {"link", win});
            } else if (fs::is_directory(st)) {
                snap.add("files", {"dir", win});
            } else if (fs::is_regular_file(st)) {
                uintmax_t size = it->file_size(ec);
                snap.add("files", {"file", win, std::to_string(size), fileHash(it->path())});
                if (endsWithNoCase(win, ".INI") && size <= kMaxIniSize) {
                    bool ok = false;
                    std::string text = readHostFile(it->path(), ok);
                    if (ok)
                        addIniLines(snap, win, text);
                }
            }
        }
        if (ec)
            return Error::win32(ERROR_READ_FAULT, root.string() + ": " + ec.message());
    }
    return {};
}

void addKey(Snapshot& snap, const registry::Key& key, const std::string& path, bool isRoot) {
    if (!isRoot)
        snap.add("registry", {"key", path});
    for (const auto& v : key.values())
        snap.add("registry", {"value", path, registry::formatName(v.name), registry::formatData(v, false)});
    for (const auto& c : key.children())
        addKey(snap, *c, path + "\\" + c->name(), false);
}

Result<void> addRegistry(Snapshot& snap, const machine::Machine& m) {
    fs::path file = m.dir() / m.settings().registryFile;
    std::error_code ec;
    if (!fs::exists(file, ec))
        return {};
    bool ok = false;
    std::string text = readHostFile(file, ok);
    if (!ok)
        return Error::win32(ERROR_READ_FAULT, file.string() + ": cannot read");
    registry::Registry reg;
    NV_TRY(reg.importText(text, file.string()));
    for (auto root : {registry::Root::LocalMachine, registry::Root::CurrentUser, registry::Root::Users,
                      registry::Root::CurrentConfig, registry::Root::DynData})
        addKey(snap, reg.root(root), registry::rootName(root), true);
    return {};
}

}  // namespace

std::string escapeField(std::string_view s) {
    std::string out;
    for (char c : s) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '%') {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

std::string unescapeField(std::string_view s) {
    std::string out;
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
            out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::vector<std::string>& Snapshot::area(const std::string& name) {
    for (auto& [n, records] : areas_) {
        if (n == name)
            return records;
    }
    areas_.emplace_back(name, std::vector<std::string>{});
    return areas_.back().second;
}

void Snapshot::add(const std::string& areaName, std::vector<std::string> fields) {
    area(areaName).push_back(joinFields(fields));
}

void Snapshot::sort() {
    std::stable_sort(areas_.begin(), areas_.end(), [](const auto& a, const auto& b) {
        size_t ra = areaRank(a.first), rb = areaRank(b.first);
        return ra != rb ? ra < rb : a.first < b.first;
    });
    for (auto& [name, records] : areas_)
        std::sort(records.begin(), records.end());
}

Result<Snapshot> Snapshot::take(const fs::path& dir) {
    auto m = NV_TRY(machine::Machine::open(dir));
    Snapshot snap;
    for (const auto& a : kAreaOrder)
        snap.area(a);
    NV_TRY(addSettings(snap, m->settings()));
    NV_TRY(addFiles(snap, *m));
    NV_TRY(addRegistry(snap, *m));
    snap.sort();
    return snap;
}

Result<Snapshot> Snapshot::parse(std::string_view text, std::string_view name) {
    Snapshot snap;
    std::vector<std::string>* current = nullptr;
    int lineNo = 0;
    bool sawHeader = false;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = text.find('\n', i);
        std::string_view line = text.substr(i, j == std::string_view::npos ? std::string_view::npos : j - i);
        i = j == std::string_view::npos ? text.size() : j + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        auto fail = [&](const char* why) {
            std::ostringstream os;
            os << name << ":" << lineNo << ": " << why << ": '" << line << "'";
            return Error::win32(ERROR_BADDB, os.str());
        };
        if (!sawHeader) {
            if (line != kHeader)
                return fail("not a snapshot (the first line must be \"nvmachine snapshot 1\")");
            sawHeader = true;
            continue;
        }
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']' || line.size() < 3)
                return fail("area line must be [NAME]");
            current = &snap.area(std::string(line.substr(1, line.size() - 2)));
            continue;
        }
        if (!current)
            return fail("record before the first [AREA] line");
        current->emplace_back(line);
    }
    if (!sawHeader) {
        std::ostringstream os;
        os << name << ":1: not a snapshot (empty)";
        return Error::win32(ERROR_BADDB, os.str());
    }
    snap.sort();
    return snap;
}

std::string Snapshot::text() const {
    std::string out = std::string(kHeader) + "\n";
    for (const auto& [name, records] : areas_) {
        out += "[" + name + "]\n";
        for (const auto& r : records)
            out += r + "\n";
    }
    return out;
}

namespace {

// How many leading fields name the thing a record describes, for records
// that can change in place; 0 for records that are only added or removed.
size_t identityFields(std::string_view record) {
    std::string_view kind = record.substr(0, record.find('\t'));
    if (kind == "file")
        return 2;
    if (kind == "value")
        return 3;
    return 0;
}

std::string identity(const std::string& record) {
    size_t n = identityFields(record);
    if (n == 0)
        return record;
    size_t at = 0;
    for (size_t k = 0; k < n && at != std::string::npos; ++k) {
        at = record.find('\t', at);
        if (at != std::string::npos && k + 1 < n)
            ++at;
    }
    return at == std::string::npos ? record : record.substr(0, at);
}

}  // namespace

std::string diff(const Snapshot& before, const Snapshot& after) {
    std::vector<std::string> names;
    for (const auto& [n, r] : before.areas())
        names.push_back(n);
    for (const auto& [n, r] : after.areas()) {
        if (std::find(names.begin(), names.end(), n) == names.end())
            names.push_back(n);
    }
    std::stable_sort(names.begin(), names.end(), [](const auto& a, const auto& b) {
        size_t ra = areaRank(a), rb = areaRank(b);
        return ra != rb ? ra < rb : a < b;
    });
    auto recordsOf = [](const Snapshot& s, const std::string& name) {
        for (const auto& [n, r] : s.areas()) {
            if (n == name)
                return r;
        }
        return std::vector<std::string>{};
    };

    std::string out;
    for (const auto& name : names) {
        // Multisets: the same INI line may stand twice in a section.
        std::multiset<std::string> a, b;
        for (const auto& r : recordsOf(before, name))
            a.insert(r);
        for (const auto& r : recordsOf(after, name))
            b.insert(r);
        std::vector<std::string> removed, added;
        std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(removed));
        std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(added));

        // Pair a removed and an added record of the same identity as a change.
        std::map<std::string, std::string> addedById;
        for (const auto& r : added) {
            if (identityFields(r))
                addedById.emplace(identity(r), r);
        }
        std::vector<std::string> lines;
        std::set<std::string> paired;
        for (const auto& r : removed) {
            auto it = identityFields(r) ? addedById.find(identity(r)) : addedById.end();
            if (it != addedById.end() && !paired.count(it->second)) {
                paired.insert(it->second);
                lines.push_back("~ " + r + "\t->\t" + it->second.substr(identity(r).size() + 1));
            } else {
                lines.push_back("- " + r);
            }
        }
        for (const auto& r : added) {
            if (!paired.count(r))
                lines.push_back("+ " + r);
        }
        if (lines.empty())
            continue;
        // By record, removals before additions of the same record.
        std::stable_sort(lines.begin(), lines.end(),
                         [](const std::string& x, const std::string& y) { return x.substr(2) < y.substr(2); });
        out += "[" + name + "]\n";
        for (const auto& l : lines)
            out += l + "\n";
    }
    return out;
}

}  // namespace nv::tool
