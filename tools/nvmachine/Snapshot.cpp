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
#include "platform/progman/GroupStore.h"
#include "platform/spooler/SpoolerStore.h"

namespace fs = std::filesystem;

namespace nv::tool {

namespace {

const char kHeader[] = "nvmachine snapshot 2";
const std::vector<std::string> kAreaOrder = {"settings", "files", "ini", "registry", "printers", "groups"};
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
constexpr uint64_t kFnvStart = 0xcbf29ce484222325ull;

uint64_t fnv(uint64_t h, const char* data, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        h ^= static_cast<unsigned char>(data[i]);
        h *= 0x100000001b3ull;
    }
    return h;
}

std::string hex16(uint64_t h) {
    char out[20];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
    return out;
}

std::string fileHash(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    uint64_t h = kFnvStart;
    char buf[65536];
    while (in) {
        in.read(buf, sizeof buf);
        h = fnv(h, buf, static_cast<size_t>(in.gcount()));
    }
    return hex16(h);
}

bool isDigits(std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

bool isHex16(std::string_view s) {
    return s.size() == 16 && s.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    for (;;) {
        size_t j = line.find('\t', i);
        out.push_back(line.substr(i, j == std::string_view::npos ? std::string_view::npos : j - i));
        if (j == std::string_view::npos)
            return out;
        i = j + 1;
    }
}

// Why a record of a known area is malformed, or "" when it is sound.
std::string checkRecord(const std::string& area, std::string_view line) {
    for (char c : line) {
        auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F)
            return "a raw control byte in a record (fields escape them as %XX)";
    }
    auto f = splitFields(line);
    auto want = [&](std::string_view kind, size_t n) { return f[0] == kind && f.size() == n; };
    if (area == "settings")
        return want("setting", 3) ? "" : "a settings record is: setting, SECTION, LINE";
    if (area == "files") {
        if (want("dir", 2) || want("link", 2))
            return "";
        if (f[0] == "file")
            return want("file", 4) && isDigits(f[2]) && isHex16(f[3]) ? "" : "a file record ends with a size and a 16-digit hash";
        return "a files record is dir, link or file with its fields";
    }
    if (area == "ini")
        return want("ini", 4) ? "" : "an ini record is: ini, FILE, SECTION, LINE";
    if (area == "registry")
        return want("key", 2) || want("value", 4) ? "" : "a registry record is key KEY or value KEY NAME DATA";
    if (area == "printers")
        return want("printer", 8) || want("driver", 9) || want("monitor", 3) || want("processor", 3)
                   ? ""
                   : "a printers record is printer, driver, monitor or processor with its fields";
    return "";
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
    const machine::DriveStore& store = m.store();
    fs::path file = NV_TRY(store.machineFile(m.dir(), m.settings().registryFile));
    if (store.status(file).kind == machine::NodeKind::Missing)
        return {};
    std::string text = NV_TRY(store.readFile(file));
    registry::Registry reg;
    NV_TRY(reg.importText(text, file.string()));
    for (auto root : {registry::Root::LocalMachine, registry::Root::CurrentUser, registry::Root::Users,
                      registry::Root::CurrentConfig, registry::Root::DynData})
        addKey(snap, reg.root(root), registry::rootName(root), true);
    return {};
}

std::string joined(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& s : items)
        out += (out.empty() ? "" : ";") + s;
    return out;
}

// The spooler of the attached machine, as records of its own.
Result<void> addPrinters(Snapshot& snap) {
    auto* store = NV_TRY(spooler::SpoolerStore::current());
    std::string def = NV_TRY(store->defaultPrinter());
    for (const auto& p : NV_TRY(store->printers())) {
        char attributes[16];
        std::snprintf(attributes, sizeof attributes, "0x%08lX", static_cast<unsigned long>(p.attributes));
        snap.add("printers", {"printer", p.name, p.driver, p.port, p.processor, p.datatype, attributes,
                              machine::equalsNoCase(p.name, def) ? "default" : ""});
    }
    for (const auto& d : NV_TRY(store->drivers()))
        snap.add("printers", {"driver", d.name, d.driverFile, d.dataFile, d.configFile, d.helpFile,
                              joined(d.dependentFiles), d.monitor, d.defaultDataType});
    for (const auto& m : NV_TRY(store->monitors()))
        snap.add("printers", {"monitor", m.name, m.dll});
    for (const auto& m : NV_TRY(store->processors()))
        snap.add("printers", {"processor", m.name, m.dll});
    return {};
}

// Program Manager's groups of the attached machine.
Result<void> addGroups(Snapshot& snap) {
    auto groups = NV_TRY(progman::loadGroups());
    for (const auto& g : groups.groups) {
        snap.add("groups", {"group", g.name});
        for (const auto& i : g.items)
            snap.add("groups", {"item", g.name, i.title, i.link.target, i.link.arguments,
                                i.link.iconPath + "," + std::to_string(i.link.iconIndex), i.link.workingDir});
    }
    for (const auto& d : groups.damaged)
        snap.add("groups", {"damaged", d});
    return {};
}

// Detaches the machine that take() attached, on every way out.
struct Attached {
    ~Attached() { machine::detach(); }
};

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
    auto opened = NV_TRY(machine::Machine::open(dir));
    machine::Machine* m = opened.get();
    // The spooler and Program Manager read the machine through the stand-in.
    machine::attach(std::move(opened));
    Attached attached;
    // A spooler that starts with preloaded printers adds them on its first
    // start; that is the machine's state before anything runs.
    NV_TRY(NV_TRY(spooler::SpoolerStore::current())->start());
    Snapshot snap;
    for (const auto& a : kAreaOrder)
        snap.area(a);
    NV_TRY(addSettings(snap, m->settings()));
    NV_TRY(addFiles(snap, *m));
    NV_TRY(addRegistry(snap, *m));
    NV_TRY(addPrinters(snap));
    NV_TRY(addGroups(snap));
    snap.sort();
    return snap;
}

Result<Snapshot> Snapshot::parse(std::string_view text, std::string_view name) {
    Snapshot snap;
    std::vector<std::string>* current = nullptr;
    std::string currentName;
    int lineNo = 0;
    bool sawHeader = false;
    bool sawEnd = false;
    uint64_t records = 0;
    uint64_t hash = kFnvStart;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = text.find('\n', i);
        std::string_view raw = text.substr(i, j == std::string_view::npos ? std::string_view::npos : j + 1 - i);
        std::string_view line = raw;
        i = j == std::string_view::npos ? text.size() : j + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\n')
            line.remove_suffix(1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        auto fail = [&](std::string_view why) {
            std::ostringstream os;
            os << name << ":" << lineNo << ": " << why << ": '" << line.substr(0, 120) << "'";
            return Error::win32(ERROR_BADDB, os.str());
        };
        if (sawEnd) {
            if (!line.empty())
                return fail("text after the end line");
            continue;
        }
        if (!sawHeader) {
            if (line == "nvmachine snapshot 1")
                return fail("a snapshot of an older nvmachine, without an end line to check it by; take it again");
            if (line != kHeader)
                return fail("not a snapshot (the first line must be \"nvmachine snapshot 2\")");
            sawHeader = true;
            hash = fnv(hash, raw.data(), raw.size());
            continue;
        }
        if (line.rfind("end\t", 0) == 0) {
            auto f = splitFields(line);
            if (f.size() != 3 || !isDigits(f[1]) || !isHex16(f[2]))
                return fail("the end line is: end, COUNT, CHECKSUM");
            if (f[1] != std::to_string(records))
                return fail("the snapshot holds " + std::to_string(records) + " records, its end line says " +
                            std::string(f[1]) + " (cut or edited)");
            if (f[2] != hex16(hash))
                return fail("the checksum does not match the text before it (damaged or edited)");
            sawEnd = true;
            continue;
        }
        hash = fnv(hash, raw.data(), raw.size());
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']' || line.size() < 3)
                return fail("area line must be [NAME]");
            currentName = std::string(line.substr(1, line.size() - 2));
            current = &snap.area(currentName);
            continue;
        }
        if (!current)
            return fail("record before the first [AREA] line");
        if (auto why = checkRecord(currentName, line); !why.empty())
            return fail(why);
        current->emplace_back(line);
        ++records;
    }
    if (!sawHeader) {
        std::ostringstream os;
        os << name << ":1: not a snapshot (empty)";
        return Error::win32(ERROR_BADDB, os.str());
    }
    if (!sawEnd) {
        std::ostringstream os;
        os << name << ":" << lineNo << ": the snapshot ends without its end line (cut short?)";
        return Error::win32(ERROR_BADDB, os.str());
    }
    snap.sort();
    return snap;
}

std::string sealSnapshot(std::string body) {
    uint64_t records = 0;
    bool headerSeen = false;
    size_t i = 0;
    while (i < body.size()) {
        size_t j = body.find('\n', i);
        std::string_view line = std::string_view(body).substr(i, j == std::string::npos ? std::string::npos : j - i);
        i = j == std::string::npos ? body.size() : j + 1;
        if (!headerSeen) {
            headerSeen = true;
            continue;
        }
        if (!line.empty() && line[0] != '#' && line[0] != '[' && line != "\r")
            ++records;
    }
    if (!body.empty() && body.back() != '\n')
        body += '\n';
    uint64_t hash = fnv(kFnvStart, body.data(), body.size());
    return body + "end\t" + std::to_string(records) + "\t" + hex16(hash) + "\n";
}

std::string Snapshot::text() const {
    std::string out = std::string(kHeader) + "\n";
    for (const auto& [name, records] : areas_) {
        out += "[" + name + "]\n";
        for (const auto& r : records)
            out += r + "\n";
    }
    return sealSnapshot(std::move(out));
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
