#include "platform/core/Machine.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#include <winerror.h>

namespace fs = std::filesystem;

namespace nv::machine {

// ---------------------------------------------------------------- helpers

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string toUpperAscii(std::string_view s) {
    std::string out(s);
    for (auto& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool isDriveFolder(std::string_view text) {
    if (text.empty() || text[0] == '/' || text.find("..") != std::string_view::npos)
        return false;
    if (text.find_first_of("\r\n") != std::string_view::npos)
        return false;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('/', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view part = text.substr(start, end - start);
        if (part.empty() || part == ".")
            return false;
        start = end + 1;
    }
    return true;
}

namespace {

std::string trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool parseBool(std::string_view v, bool& out) {
    auto l = lower(v);
    if (l == "1" || l == "yes" || l == "true" || l == "on") {
        out = true;
        return true;
    }
    if (l == "0" || l == "no" || l == "false" || l == "off") {
        out = false;
        return true;
    }
    return false;
}

bool parseU64(std::string_view v, uint64_t& out) {
    if (v.empty())
        return false;
    uint64_t mult = 1;
    std::string s(v);
    char suffix = static_cast<char>(std::toupper(static_cast<unsigned char>(s.back())));
    if (suffix == 'K' || suffix == 'M' || suffix == 'G') {
        mult = suffix == 'K' ? 1024ull : suffix == 'M' ? 1024ull * 1024 : 1024ull * 1024 * 1024;
        s.pop_back();
    }
    if (s.empty())
        return false;
    uint64_t n = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        if (n > (UINT64_MAX - 9) / 10)
            return false;
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    if (mult > 1 && n > UINT64_MAX / mult)
        return false;
    out = n * mult;
    return true;
}

bool parseInt(std::string_view v, int& out) {
    if (v.empty())
        return false;
    bool neg = false;
    size_t i = 0;
    if (v[0] == '-' || v[0] == '+') {
        neg = v[0] == '-';
        i = 1;
    }
    if (i >= v.size())
        return false;
    long long n = 0;
    for (; i < v.size(); ++i) {
        if (v[i] < '0' || v[i] > '9')
            return false;
        n = n * 10 + (v[i] - '0');
        if (n > 1000000000)
            return false;
    }
    out = static_cast<int>(neg ? -n : n);
    return true;
}

std::string kindName(DriveKind k) {
    switch (k) {
    case DriveKind::Fixed: return "fixed";
    case DriveKind::Removable: return "removable";
    case DriveKind::Network: return "network";
    }
    return "fixed";
}

bool isDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Characters Windows refuses in a file name component.
bool badNameChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*' || c == ':';
}

Error settingsError(std::string_view name, int line, std::string_view text, std::string_view why) {
    std::ostringstream os;
    os << name << ":" << line << ": " << why << ": '" << text << "'";
    return Error::win32(ERROR_BADDB, os.str());
}

Machine*& currentSlot() {
    static Machine* slot = nullptr;
    return slot;
}

std::unique_ptr<Machine>& ownedSlot() {
    static std::unique_ptr<Machine> owned;
    return owned;
}

}  // namespace

// ---------------------------------------------------------------- settings file

Result<Settings> parseSettings(std::string_view text, std::string_view name) {
    Settings s;
    s.drives.clear();
    std::string section;   // lower case
    char driveLetter = 0;  // for [drive X]
    int lineNo = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t nl = text.find('\n', pos);
        std::string_view raw = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
        pos = nl == std::string_view::npos ? text.size() + 1 : nl + 1;
        ++lineNo;
        std::string line = trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            auto close = line.find(']');
            if (close == std::string::npos)
                return settingsError(name, lineNo, line, "section header without ']'");
            section = lower(trim(std::string_view(line).substr(1, close - 1)));
            driveLetter = 0;
            if (section.rfind("drive ", 0) == 0) {
                std::string letter = trim(std::string_view(section).substr(6));
                if (letter.size() == 2 && letter[1] == ':')
                    letter.pop_back();
                if (letter.size() != 1 || !isDriveLetter(letter[0]))
                    return settingsError(name, lineNo, line, "a drive section names one letter, as [drive C]");
                driveLetter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0])));
                if (s.drives.count(driveLetter))
                    return settingsError(name, lineNo, line, "drive defined twice");
                Drive d;
                d.letter = driveLetter;
                d.folder = std::string("drives/") + driveLetter;
                s.drives[driveLetter] = d;
            } else if (section != "machine" && section != "open files" && section != "atoms" &&
                       section != "windows") {
                return settingsError(name, lineNo, line, "unknown section");
            }
            continue;
        }
        if (section.empty())
            return settingsError(name, lineNo, line, "setting outside a section");
        auto eq = line.find('=');
        std::string key = lower(trim(std::string_view(line).substr(0, eq)));
        std::string value = eq == std::string::npos ? std::string() : trim(std::string_view(line).substr(eq + 1));

        if (section == "open files") {
            s.openFiles.push_back(eq == std::string::npos ? line : trim(std::string_view(line).substr(0, eq)));
            continue;
        }
        if (section == "atoms") {
            s.atoms.push_back(line);
            continue;
        }
        if (section == "windows") {
            // class=title
            std::string cls = trim(std::string_view(line).substr(0, eq));
            if (cls.empty())
                return settingsError(name, lineNo, line, "a window needs a class name");
            s.windows.push_back(ForeignWindow{cls, value});
            continue;
        }
        if (eq == std::string::npos)
            return settingsError(name, lineNo, line, "expected key=value");

        if (section == "machine") {
            if (key == "windows") {
                s.windowsDir = value;
            } else if (key == "system") {
                s.systemDir = value;
            } else if (key == "version") {
                auto dot = value.find('.');
                int major = 0, minor = 0;
                std::string minorText = dot == std::string::npos ? std::string() : value.substr(dot + 1);
                if (dot == std::string::npos || minorText.size() > 2 || !parseInt(value.substr(0, dot), major) ||
                    !parseInt(minorText, minor) || major < 0 || major > 255 || minor < 0)
                    return settingsError(name, lineNo, line, "version is MAJOR.MINOR, as 4.0, 3.95 or 3.10");
                if (minorText.size() == 1)
                    minor *= 10;  // "3.1" is Windows 3.10, as people write it
                s.versionMajor = major;
                s.versionMinor = minor;
            } else if (key == "screen") {
                auto x = lower(value).find('x');
                int w = 0, h = 0;
                if (x == std::string::npos || !parseInt(value.substr(0, x), w) || !parseInt(value.substr(x + 1), h) ||
                    w < 320 || h < 200 || w > 4096 || h > 4096)
                    return settingsError(name, lineNo, line, "screen is WIDTHxHEIGHT, from 320x200 to 4096x4096");
                s.screenWidth = w;
                s.screenHeight = h;
            } else if (key == "timezone") {
                // minutes east of UTC, or UTC+HH:MM / UTC-HH:MM
                std::string v = value;
                int minutes = 0;
                if (lower(v).rfind("utc", 0) == 0) {
                    v = v.substr(3);
                    if (v.empty()) {
                        minutes = 0;
                    } else {
                        int sign = v[0] == '-' ? -1 : 1;
                        if (v[0] != '+' && v[0] != '-')
                            return settingsError(name, lineNo, line, "time zone is UTC+HH:MM or minutes");
                        v = v.substr(1);
                        auto colon = v.find(':');
                        int hh = 0, mm = 0;
                        if (!parseInt(v.substr(0, colon), hh) ||
                            (colon != std::string::npos && !parseInt(v.substr(colon + 1), mm)) || hh > 14 || mm > 59)
                            return settingsError(name, lineNo, line, "time zone is UTC+HH:MM or minutes");
                        minutes = sign * (hh * 60 + mm);
                    }
                } else if (!parseInt(v, minutes) || minutes < -14 * 60 || minutes > 14 * 60) {
                    return settingsError(name, lineNo, line, "time zone is UTC+HH:MM or minutes");
                }
                s.timeZoneMinutes = minutes;
            } else if (key == "progman") {
                if (!parseBool(value, s.progmanRunning))
                    return settingsError(name, lineNo, line, "expected 1 or 0");
            } else if (key == "failallocation") {
                if (!parseInt(value, s.failAllocation) || s.failAllocation < 0)
                    return settingsError(name, lineNo, line, "expected a count");
            } else if (key == "registry") {
                if (value.empty() || value.find("..") != std::string::npos || value[0] == '/')
                    return settingsError(name, lineNo, line, "registry file must lie inside the machine directory");
                s.registryFile = value;
            } else if (key == "shutdown") {
                s.shutdownRequest = value;
            } else {
                return settingsError(name, lineNo, line, "unknown setting");
            }
            continue;
        }
        // [drive X]
        Drive& d = s.drives[driveLetter];
        if (key == "folder") {
            if (!isDriveFolder(value))
                return settingsError(name, lineNo, line, "a drive folder lies inside the machine directory");
            d.folder = value;
        } else if (key == "kind") {
            auto l = lower(value);
            if (l == "fixed")
                d.kind = DriveKind::Fixed;
            else if (l == "removable")
                d.kind = DriveKind::Removable;
            else if (l == "network")
                d.kind = DriveKind::Network;
            else
                return settingsError(name, lineNo, line, "kind is fixed, removable or network");
        } else if (key == "readonly") {
            if (!parseBool(value, d.readOnly))
                return settingsError(name, lineNo, line, "expected 1 or 0");
        } else if (key == "disk") {
            if (!parseBool(value, d.hasDisk))
                return settingsError(name, lineNo, line, "expected 1 or 0");
        } else if (key == "capacity") {
            if (!parseU64(value, d.capacity))
                return settingsError(name, lineNo, line, "expected a byte count (K, M, G allowed)");
        } else if (key == "free") {
            uint64_t v = 0;
            if (value.empty()) {
                d.freeBytes.reset();
            } else if (!parseU64(value, v)) {
                return settingsError(name, lineNo, line, "expected a byte count (K, M, G allowed)");
            } else {
                d.freeBytes = v;
            }
        } else if (key == "fullafter") {
            uint64_t v = 0;
            if (value.empty()) {
                d.fullAfter.reset();
            } else if (!parseU64(value, v)) {
                return settingsError(name, lineNo, line, "expected a byte count (K, M, G allowed)");
            } else {
                d.fullAfter = v;
            }
        } else if (key == "failwrites") {
            if (!parseBool(value, d.failWrites))
                return settingsError(name, lineNo, line, "expected 1 or 0");
        } else if (key == "label") {
            d.label = value;
        } else {
            return settingsError(name, lineNo, line, "unknown drive setting");
        }
    }
    for (const auto& [letter, d] : s.drives) {
        if (d.capacity == 0)
            const_cast<Drive&>(d).capacity = d.kind == DriveKind::Removable ? 1457664 : 512ull * 1024 * 1024;
    }
    return s;
}

std::string formatSettings(const Settings& s) {
    std::ostringstream os;
    os << "; Simulated Windows 95 machine. Edit freely; nvmachine and the installer read it.\n";
    os << "[machine]\n";
    os << "windows=" << s.windowsDir << "\n";
    os << "system=" << s.systemDir << "\n";
    char version[16];
    std::snprintf(version, sizeof version, s.versionMinor ? "%d.%02d" : "%d.%d", s.versionMajor, s.versionMinor);
    os << "version=" << version << "\n";
    os << "screen=" << s.screenWidth << "x" << s.screenHeight << "\n";
    os << "timezone=" << s.timeZoneMinutes << "\n";
    os << "progman=" << (s.progmanRunning ? 1 : 0) << "\n";
    os << "failAllocation=" << s.failAllocation << "\n";
    os << "registry=" << s.registryFile << "\n";
    if (!s.shutdownRequest.empty())
        os << "shutdown=" << s.shutdownRequest << "\n";
    for (const auto& [letter, d] : s.drives) {
        os << "\n[drive " << letter << "]\n";
        os << "folder=" << d.folder << "\n";
        os << "kind=" << kindName(d.kind) << "\n";
        os << "readonly=" << (d.readOnly ? 1 : 0) << "\n";
        if (d.kind == DriveKind::Removable)
            os << "disk=" << (d.hasDisk ? 1 : 0) << "\n";
        os << "capacity=" << d.capacity << "\n";
        os << "free=" << (d.freeBytes ? std::to_string(*d.freeBytes) : "") << "\n";
        os << "fullAfter=" << (d.fullAfter ? std::to_string(*d.fullAfter) : "") << "\n";
        os << "failWrites=" << (d.failWrites ? 1 : 0) << "\n";
        if (!d.label.empty())
            os << "label=" << d.label << "\n";
    }
    os << "\n[open files]\n";
    for (const auto& f : s.openFiles)
        os << f << "\n";
    os << "\n[atoms]\n";
    for (const auto& a : s.atoms)
        os << a << "\n";
    os << "\n[windows]\n";
    for (const auto& w : s.windows)
        os << w.className << "=" << w.title << "\n";
    return os.str();
}

// ---------------------------------------------------------------- machine

Machine::Machine(fs::path dir, Settings settings) : dir_(std::move(dir)), settings_(std::move(settings)) {
    // Windows starts in the root of each drive, on the boot drive.
    for (const auto& [letter, d] : settings_.drives)
        cwd_[letter] = std::string(1, letter) + ":\\";
    currentDrive_ = settings_.drives.count('C') || settings_.drives.empty() ? 'C' : settings_.drives.begin()->first;
}

Result<std::unique_ptr<Machine>> Machine::open(const fs::path& dir) {
    fs::path file = dir / "machine.ini";
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return Error::win32(ERROR_FILE_NOT_FOUND, file.string() + ": cannot read the machine settings");
    std::stringstream ss;
    ss << in.rdbuf();
    auto settings = parseSettings(ss.str(), file.string());
    if (!settings)
        return settings.take_error();
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(dir, ec);
    return std::unique_ptr<Machine>(new Machine(ec ? dir : canonical, std::move(settings.value())));
}

std::unique_ptr<Machine> Machine::fromSettings(fs::path dir, Settings settings) {
    return std::unique_ptr<Machine>(new Machine(std::move(dir), std::move(settings)));
}

std::string Machine::settingsText() const { return formatSettings(settings_); }

Result<void> Machine::save() const {
    fs::path file = dir_ / "machine.ini";
    fs::path tmp = dir_ / "machine.ini.tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            return Error::win32(ERROR_CANTWRITE, tmp.string() + ": cannot write");
        out << settingsText();
        if (!out.flush())
            return Error::win32(ERROR_CANTWRITE, tmp.string() + ": cannot write");
    }
    std::error_code ec;
    fs::rename(tmp, file, ec);
    if (ec)
        return Error::win32(ERROR_CANTWRITE, file.string() + ": " + ec.message());
    return {};
}

const Drive* Machine::drive(char letter) const {
    auto it = settings_.drives.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    return it == settings_.drives.end() ? nullptr : &it->second;
}

Drive* Machine::drive(char letter) {
    auto it = settings_.drives.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    return it == settings_.drives.end() ? nullptr : &it->second;
}

std::string Machine::currentDirectory() const { return currentDirectory(currentDrive_); }

std::string Machine::currentDirectory(char d) const {
    char up = static_cast<char>(std::toupper(static_cast<unsigned char>(d)));
    auto it = cwd_.find(up);
    if (it != cwd_.end())
        return it->second;
    return std::string(1, up) + ":\\";
}

Result<std::string> Machine::fullPath(std::string_view path) const {
    if (path.empty())
        return Error::win32(ERROR_PATH_NOT_FOUND, "empty path");
    std::string p(path);
    std::replace(p.begin(), p.end(), '/', '\\');
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\')
        return Error::win32(ERROR_BAD_PATHNAME, "network paths are not reachable: " + p);

    char drv;
    std::string rest;
    std::string base;
    if (p.size() >= 2 && p[1] == ':' && isDriveLetter(p[0])) {
        drv = static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
        rest = p.substr(2);
        if (rest.empty() || rest[0] != '\\')
            base = currentDirectory(drv);  // drive-relative
    } else {
        drv = currentDrive_;
        rest = p;
        if (rest[0] != '\\')
            base = currentDirectory(drv);
    }

    std::vector<std::string> parts;
    auto pushComponents = [&parts](std::string_view s) -> Result<void> {
        size_t i = 0;
        while (i <= s.size()) {
            size_t j = s.find('\\', i);
            std::string_view comp = s.substr(i, j == std::string_view::npos ? std::string_view::npos : j - i);
            i = j == std::string_view::npos ? s.size() + 1 : j + 1;
            if (comp.empty() || comp == ".")
                continue;
            if (comp == "..") {
                if (!parts.empty())
                    parts.pop_back();  // ".." at a root stays at the root
                continue;
            }
            // Windows drops trailing dots and blanks of a component.
            size_t e = comp.size();
            while (e > 0 && (comp[e - 1] == '.' || comp[e - 1] == ' '))
                --e;
            comp = comp.substr(0, e);
            if (comp.empty())
                continue;
            for (char c : comp) {
                if (badNameChar(c))
                    return Error::win32(ERROR_INVALID_NAME, "invalid character in file name: " + std::string(comp));
            }
            parts.emplace_back(comp);
        }
        return {};
    };
    if (!base.empty()) {
        auto r = pushComponents(std::string_view(base).substr(2));
        if (!r)
            return r.take_error();
    }
    auto r = pushComponents(rest);
    if (!r)
        return r.take_error();

    std::string full(1, drv);
    full += ":\\";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i)
            full += '\\';
        full += parts[i];
    }
    if (full.size() > MAX_PATH - 1)
        return Error::win32(ERROR_FILENAME_EXCED_RANGE, "path longer than 259 characters");
    return full;
}

Result<ResolvedPath> Machine::resolve(std::string_view path) const {
    auto full = fullPath(path);
    if (!full)
        return full.take_error();
    ResolvedPath out;
    out.drive = (*full)[0];
    const Drive* d = drive(out.drive);
    if (!d)
        return Error::win32(ERROR_PATH_NOT_FOUND, std::string("no drive ") + out.drive + ":");
    if (d->kind == DriveKind::Removable && !d->hasDisk)
        return Error::win32(ERROR_NOT_READY, std::string("no disk in drive ") + out.drive + ":");

    // The drive folder itself is walked link by link too: a link anywhere in
    // "folder=" would lead out of the machine directory.
    fs::path host = dir_;
    std::error_code ec;
    for (const auto& part : fs::path(d->folder)) {
        host /= part;
        auto st = fs::symlink_status(host, ec);
        if (fs::is_symlink(st))
            return Error::win32(ERROR_ACCESS_DENIED, "symbolic links are not followed: " + host.string());
        if (ec || !fs::is_directory(st))
            return Error::win32(ERROR_NOT_READY, "drive folder missing: " + host.string());
    }

    std::string win = full->substr(0, 3);
    std::string_view rest = std::string_view(*full).substr(3);
    bool allExist = true;
    bool parentOk = true;
    bool isDir = true;
    size_t i = 0;
    while (i < rest.size()) {
        size_t j = rest.find('\\', i);
        bool last = j == std::string_view::npos;
        std::string_view comp = rest.substr(i, last ? std::string_view::npos : j - i);
        i = last ? rest.size() : j + 1;
        if (!allExist) {
            parentOk = false;  // a component before this one is missing
            host /= std::string(comp);
            win += '\\';
            win += comp;
            continue;
        }
        // Case-insensitive lookup in the host folder; an exact match wins.
        std::string found;
        fs::path exact = host / std::string(comp);
        if (fs::exists(fs::symlink_status(exact, ec))) {
            found = std::string(comp);
        } else {
            for (fs::directory_iterator it(host, ec), end; !ec && it != end; it.increment(ec)) {
                std::string name = it->path().filename().string();
                if (equalsNoCase(name, comp)) {
                    found = name;
                    break;
                }
            }
        }
        if (win.size() > 3)
            win += '\\';
        if (found.empty()) {
            allExist = false;
            isDir = false;
            host /= std::string(comp);
            win += comp;
            continue;
        }
        host /= found;
        win += found;
        auto st = fs::symlink_status(host, ec);
        if (fs::is_symlink(st))
            return Error::win32(ERROR_ACCESS_DENIED, "symbolic links are not followed: " + win);
        isDir = fs::is_directory(st);
        if (!last && !isDir) {
            // A file used as a directory.
            return Error::win32(ERROR_PATH_NOT_FOUND, "not a directory: " + win);
        }
    }
    out.winPath = win;
    out.host = host;
    out.exists = allExist;
    out.parentExists = parentOk;
    out.isDirectory = allExist && isDir;
    return out;
}

Result<void> Machine::setCurrentDirectory(std::string_view path) {
    auto r = resolve(path);
    if (!r)
        return r.take_error();
    if (!r->exists || !r->isDirectory)
        return Error::win32(ERROR_PATH_NOT_FOUND, "no such directory: " + r->winPath);
    cwd_[r->drive] = r->winPath;
    currentDrive_ = r->drive;
    return {};
}

bool Machine::isHeldOpen(std::string_view fullWinPath) const {
    for (const auto& f : settings_.openFiles) {
        auto full = fullPath(f);
        if (full && equalsNoCase(*full, fullWinPath))
            return true;
    }
    return false;
}

Result<void> Machine::chargeWrite(char letter, uint64_t bytes) {
    Drive* d = drive(letter);
    if (!d)
        return Error::win32(ERROR_PATH_NOT_FOUND, std::string("no drive ") + letter + ":");
    if (d->readOnly)
        return Error::win32(ERROR_WRITE_PROTECT, std::string("drive ") + d->letter + ": is write-protected");
    if (d->failWrites)
        return Error::win32(ERROR_WRITE_FAULT, std::string("write fault on drive ") + d->letter + ":");
    if (d->fullAfter) {
        if (bytes > *d->fullAfter) {
            *d->fullAfter = 0;
            return Error::win32(ERROR_DISK_FULL, std::string("drive ") + d->letter + ": is full");
        }
        *d->fullAfter -= bytes;
    }
    if (d->freeBytes) {
        if (bytes > *d->freeBytes)
            return Error::win32(ERROR_DISK_FULL, std::string("drive ") + d->letter + ": is full");
        *d->freeBytes -= bytes;
    }
    return {};
}

Result<uint64_t> Machine::freeSpace(char letter) const {
    const Drive* d = drive(letter);
    if (!d)
        return Error::win32(ERROR_PATH_NOT_FOUND, std::string("no drive ") + letter + ":");
    if (d->kind == DriveKind::Removable && !d->hasDisk)
        return Error::win32(ERROR_NOT_READY, std::string("no disk in drive ") + d->letter + ":");
    uint64_t free;
    if (d->freeBytes) {
        free = *d->freeBytes;
    } else {
        uint64_t used = 0;
        std::error_code ec;
        for (fs::recursive_directory_iterator it(driveRoot(*d), ec), end; !ec && it != end; it.increment(ec)) {
            if (it->is_regular_file(ec))
                used += it->file_size(ec);
        }
        free = used >= d->capacity ? 0 : d->capacity - used;
    }
    if (d->fullAfter && *d->fullAfter < free)
        free = *d->fullAfter;
    return free;
}

bool Machine::nextAllocationFails() {
    ++allocations_;
    return settings_.failAllocation > 0 && allocations_ == settings_.failAllocation;
}

// ---------------------------------------------------------------- current machine

Machine* current() { return currentSlot(); }

Machine& currentOrDie() {
    assert(currentSlot() && "no machine attached");
    return *currentSlot();
}

void Machine::shutDownFamilies() {
    std::set<std::type_index> done;
    for (bool more = true; more;) {
        more = false;
        for (auto& [type, state] : families_) {
            if (!done.insert(type).second)
                continue;
            state->shutDown();
            more = true;
            break;  // a shutDown may have made another family's state
        }
    }
}

void attach(std::unique_ptr<Machine> machine) {
    if (ownedSlot())
        ownedSlot()->shutDownFamilies();
    // Guard: a family state's destructor must not find the dying machine current.
    currentSlot() = nullptr;
    ownedSlot() = std::move(machine);
    currentSlot() = ownedSlot().get();
}

std::unique_ptr<Machine> release() {
    currentSlot() = nullptr;
    return std::move(ownedSlot());
}

void detach() {
    if (ownedSlot())
        ownedSlot()->shutDownFamilies();
    currentSlot() = nullptr;
    ownedSlot().reset();
}

}  // namespace nv::machine
