// The keys of machine.ini, one row each, and the parser and writer that walk
// them. How to add a key: see Settings.h.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include <windows.h>

#include "platform/core/Settings.h"
#include "platform/core/SettingsLines.h"

namespace nv::machine {

namespace {

bool parseBool(std::string_view v, bool& out) {
    auto l = lowerAscii(v);
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

bool isDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Longest Windows directory a setting may name: "\" and an 8.3 name must
// still fit below it in MAX_PATH - 1 characters, or every file there fails.
constexpr size_t kMaxDirectorySetting = MAX_PATH - 1 - 13;

std::string checkDirectorySetting(std::string_view v) {
    if (v.size() < 3 || !isDriveLetter(v[0]) || v[1] != ':' || v[2] != '\\')
        return "a full Windows directory is needed, as C:\\WINDOWS";
    if (v.size() > kMaxDirectorySetting)
        return "longer than " + std::to_string(kMaxDirectorySetting) + " characters";
    for (char c : v) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || c == '/' || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*')
            return "a character Windows refuses in a path";
    }
    if (v.find(':', 2) != std::string_view::npos)
        return "a character Windows refuses in a path";
    return {};
}

const char* kByteCount = "expected a byte count (K, M, G allowed)";
const char* kFlag = "expected 1 or 0";

std::string parseOptionalBytes(std::optional<uint64_t>& field, std::string_view v) {
    uint64_t n = 0;
    if (v.empty())
        field.reset();
    else if (!parseU64(v, n))
        return kByteCount;
    else
        field = n;
    return {};
}

std::string flag(bool b) { return b ? "1" : "0"; }
std::string optionalBytes(const std::optional<uint64_t>& v) { return v ? std::to_string(*v) : std::string(); }

std::string kindName(DriveKind k) {
    switch (k) {
    case DriveKind::Fixed: return "fixed";
    case DriveKind::Removable: return "removable";
    case DriveKind::Network: return "network";
    }
    return "fixed";
}

std::string parseTimeZone(int& out, std::string_view value) {
    const char* why = "time zone is UTC+HH:MM or minutes";
    std::string v(value);
    int minutes = 0;
    if (lowerAscii(v).rfind("utc", 0) == 0) {
        v = v.substr(3);
        if (!v.empty()) {
            int sign = v[0] == '-' ? -1 : 1;
            if (v[0] != '+' && v[0] != '-')
                return why;
            v = v.substr(1);
            auto colon = v.find(':');
            int hh = 0, mm = 0;
            if (!parseInt(v.substr(0, colon), hh) || (colon != std::string::npos && !parseInt(v.substr(colon + 1), mm)) ||
                hh > 14 || mm > 59)
                return why;
            minutes = sign * (hh * 60 + mm);
        }
    } else if (!parseInt(v, minutes) || minutes < -14 * 60 || minutes > 14 * 60) {
        return why;
    }
    out = minutes;
    return {};
}

std::string parseVersion(Settings& s, std::string_view value) {
    auto dot = value.find('.');
    int major = 0, minor = 0;
    std::string_view minorText = dot == std::string_view::npos ? std::string_view() : value.substr(dot + 1);
    if (dot == std::string_view::npos || minorText.size() > 2 || !parseInt(value.substr(0, dot), major) ||
        !parseInt(minorText, minor) || major < 0 || major > 255 || minor < 0)
        return "version is MAJOR.MINOR, as 4.0, 3.95 or 3.10";
    if (minorText.size() == 1)
        minor *= 10;  // "3.1" is Windows 3.10, as people write it
    s.versionMajor = major;
    s.versionMinor = minor;
    return {};
}

std::string formatVersion(const Settings& s) {
    char version[16];
    std::snprintf(version, sizeof version, s.versionMinor ? "%d.%02d" : "%d.%d", s.versionMajor, s.versionMinor);
    return version;
}

std::string parseScreen(Settings& s, std::string_view value) {
    auto x = lowerAscii(value).find('x');
    int w = 0, h = 0;
    if (x == std::string::npos || !parseInt(value.substr(0, x), w) || !parseInt(value.substr(x + 1), h) || w < 320 ||
        h < 200 || w > 4096 || h > 4096)
        return "screen is WIDTHxHEIGHT, from 320x200 to 4096x4096";
    s.screenWidth = w;
    s.screenHeight = h;
    return {};
}

template <std::string Settings::*Field>
std::string parseDirectory(Settings& s, Drive*, std::string_view v) {
    auto why = checkDirectorySetting(v);
    if (why.empty())
        s.*Field = std::string(v);
    return why;
}

template <std::string Settings::*Field>
std::optional<std::string> writeText(const Settings& s, const Drive*) {
    return s.*Field;
}

// "noack", "delay,MS" or "close,N"; empty or "none": behaves.
std::string parseProgmanFault(Settings& s, std::string_view value) {
    const char* why = "Program Manager's fault is none, noack, delay,MS or close,N";
    auto l = lowerAscii(value);
    auto comma = l.find(',');
    std::string mode = l.substr(0, comma);
    int n = 0;
    if (comma == std::string::npos) {
        if (mode == "" || mode == "none")
            s.progmanFault = ProgmanFault::None;
        else if (mode == "noack")
            s.progmanFault = ProgmanFault::NoAck;
        else
            return why;
        s.progmanFaultValue = 0;
        return {};
    }
    if (!parseInt(std::string_view(l).substr(comma + 1), n))
        return why;
    if (mode == "delay" && n >= 0)
        s.progmanFault = ProgmanFault::Delay;
    else if (mode == "close" && n >= 1)
        s.progmanFault = ProgmanFault::Close;
    else
        return why;
    s.progmanFaultValue = n;
    return {};
}

std::optional<std::string> formatProgmanFault(const Settings& s) {
    switch (s.progmanFault) {
    case ProgmanFault::None: return std::nullopt;
    case ProgmanFault::NoAck: return "noack";
    case ProgmanFault::Delay: return "delay," + std::to_string(s.progmanFaultValue);
    case ProgmanFault::Close: return "close," + std::to_string(s.progmanFaultValue);
    }
    return std::nullopt;
}

// "N,ERROR": spooler call number N fails with the Win32 error (decimal or
// 0x hex); empty: no call fails.
std::string parseSpoolerFail(Settings& s, std::string_view value) {
    const char* why = "spoolerFail is CALL,ERROR, as 3,1802";
    if (value.empty()) {
        s.spoolerFailCall = 0;
        s.spoolerFailError = 0;
        return {};
    }
    auto comma = value.find(',');
    int call = 0;
    uint64_t error = 0;
    if (comma == std::string_view::npos || !parseInt(trimBlanks(value.substr(0, comma)), call) || call < 1)
        return why;
    std::string e = trimBlanks(value.substr(comma + 1));
    if (e.size() > 2 && e[0] == '0' && (e[1] == 'x' || e[1] == 'X')) {
        char* end = nullptr;
        error = std::strtoull(e.c_str() + 2, &end, 16);
        if (*end || e.size() > 10)
            return why;
    } else if (!parseU64(e, error) || error > 0xFFFFFFFFull || e.find_first_not_of("0123456789") != std::string::npos) {
        return why;
    }
    if (error == 0)
        return "a failing spooler call needs an error other than 0";
    s.spoolerFailCall = call;
    s.spoolerFailError = static_cast<uint32_t>(error);
    return {};
}

// Preloads: entries "PRINTER,DRIVER,FILE,PORT[,default]" separated by ';'.
// An empty PRINTER preloads only the driver; FILE and PORT may be empty.
std::string parseSpoolerPreloads(Settings& s, std::string_view value) {
    const char* why = "spoolerPreload is PRINTER,DRIVER,FILE,PORT[,default] entries separated by ';'";
    std::vector<SpoolerPreload> out;
    size_t i = 0;
    while (i <= value.size() && !value.empty()) {
        size_t j = value.find(';', i);
        std::string_view entry = value.substr(i, j == std::string_view::npos ? std::string_view::npos : j - i);
        i = j == std::string_view::npos ? value.size() + 1 : j + 1;
        if (trimBlanks(entry).empty())
            continue;
        std::vector<std::string> f;
        size_t a = 0;
        while (true) {
            size_t b = entry.find(',', a);
            f.push_back(trimBlanks(entry.substr(a, b == std::string_view::npos ? std::string_view::npos : b - a)));
            if (b == std::string_view::npos)
                break;
            a = b + 1;
        }
        if (f.size() < 2 || f.size() > 5 || f[1].empty())
            return why;
        if (f.size() == 5 && lowerAscii(f[4]) != "default")
            return why;
        SpoolerPreload p;
        p.printer = f[0];
        p.driver = f[1];
        if (f.size() > 2)
            p.driverFile = f[2];
        if (f.size() > 3 && !f[3].empty())
            p.port = f[3];
        p.isDefault = f.size() == 5;
        out.push_back(std::move(p));
    }
    s.spoolerPreloads = std::move(out);
    return {};
}

std::optional<std::string> formatSpoolerPreloads(const Settings& s) {
    if (s.spoolerPreloads.empty())
        return std::nullopt;
    std::string out;
    for (const auto& p : s.spoolerPreloads) {
        if (!out.empty())
            out += ";";
        out += p.printer + "," + p.driver + "," + p.driverFile + "," + p.port + (p.isDefault ? ",default" : "");
    }
    return out;
}

// Full Windows directories separated by ';'; a trailing '\\' is dropped
// (except from a root), blanks around each are ignored, empty: none.
std::string parseFolderList(std::vector<std::string>& out, std::string_view value) {
    std::vector<std::string> folders;
    size_t i = 0;
    while (i <= value.size()) {
        size_t j = value.find(';', i);
        std::string dir = trimBlanks(value.substr(i, j == std::string_view::npos ? std::string_view::npos : j - i));
        i = j == std::string_view::npos ? value.size() + 1 : j + 1;
        if (dir.empty())
            continue;
        if (dir.size() > 3 && dir.back() == '\\')
            dir.pop_back();
        if (auto why = checkDirectorySetting(dir); !why.empty())
            return dir + ": " + why;
        folders.push_back(std::move(dir));
    }
    out = std::move(folders);
    return {};
}

std::optional<std::string> formatFolderList(const std::vector<std::string>& folders) {
    if (folders.empty())
        return std::nullopt;
    std::string out;
    for (const auto& f : folders)
        out += (out.empty() ? "" : ";") + f;
    return out;
}

using S = Settings;
using D = Drive;
using Out = std::optional<std::string>;
constexpr auto M = SettingSection::Machine;
constexpr auto DR = SettingSection::Drive;

const SettingRow kRows[] = {
    {M, "windows", parseDirectory<&Settings::windowsDir>, writeText<&Settings::windowsDir>},
    {M, "system", parseDirectory<&Settings::systemDir>, writeText<&Settings::systemDir>},
    {M, "version", [](S& s, D*, std::string_view v) { return parseVersion(s, v); },
     [](const S& s, const D*) -> Out { return formatVersion(s); }},
    {M, "screen", [](S& s, D*, std::string_view v) { return parseScreen(s, v); },
     [](const S& s, const D*) -> Out { return std::to_string(s.screenWidth) + "x" + std::to_string(s.screenHeight); }},
    {M, "timezone", [](S& s, D*, std::string_view v) { return parseTimeZone(s.timeZoneMinutes, v); },
     [](const S& s, const D*) -> Out { return std::to_string(s.timeZoneMinutes); }},
    {M, "progman", [](S& s, D*, std::string_view v) { return parseBool(v, s.progmanRunning) ? std::string() : kFlag; },
     [](const S& s, const D*) -> Out { return flag(s.progmanRunning); }},
    {M, "progmanFault", [](S& s, D*, std::string_view v) { return parseProgmanFault(s, v); },
     [](const S& s, const D*) -> Out { return formatProgmanFault(s); }},
    {M, "spooler",
     [](S& s, D*, std::string_view v) {
         // Empty: the spooler runs, as when the key is not written.
         return parseBool(v.empty() ? "1" : v, s.spoolerRunning) ? std::string() : kFlag;
     },
     [](const S& s, const D*) -> Out { return s.spoolerRunning ? Out() : Out("0"); }},
    {M, "spoolerFail", [](S& s, D*, std::string_view v) { return parseSpoolerFail(s, v); },
     [](const S& s, const D*) -> Out {
         return s.spoolerFailCall ? Out(std::to_string(s.spoolerFailCall) + "," + std::to_string(s.spoolerFailError))
                                  : Out();
     }},
    {M, "spoolerPreload", [](S& s, D*, std::string_view v) { return parseSpoolerPreloads(s, v); },
     [](const S& s, const D*) -> Out { return formatSpoolerPreloads(s); }},
    {M, "failAllocation",
     [](S& s, D*, std::string_view v) {
         int n = 0;
         if (!parseInt(v, n) || n < 0)
             return std::string("expected a count");
         s.failAllocation = n;
         return std::string();
     },
     [](const S& s, const D*) -> Out { return std::to_string(s.failAllocation); }},
    {M, "failWrite",
     [](S& s, D*, std::string_view v) {
         int n = 0;
         if (!parseInt(v, n) || n < 0)
             return std::string("expected a count");
         s.failWrite = n;
         return std::string();
     },
     [](const S& s, const D*) -> Out { return s.failWrite ? Out(std::to_string(s.failWrite)) : Out(); }},
    {M, "registry",
     [](S& s, D*, std::string_view v) {
         if (!isDriveFolder(v))
             return std::string("registry file must lie inside the machine directory");
         s.registryFile = std::string(v);
         return std::string();
     },
     [](const S& s, const D*) -> Out { return s.registryFile; }},
    {M, "shutdown",
     [](S& s, D*, std::string_view v) {
         s.shutdownRequest = std::string(v);
         return std::string();
     },
     [](const S& s, const D*) -> Out { return s.shutdownRequest.empty() ? Out() : Out(s.shutdownRequest); }},
    {M, "readOnlyFolders", [](S& s, D*, std::string_view v) { return parseFolderList(s.readOnlyFolders, v); },
     [](const S& s, const D*) -> Out { return formatFolderList(s.readOnlyFolders); }},

    {DR, "folder",
     [](S&, D* d, std::string_view v) {
         if (!isDriveFolder(v))
             return std::string("a drive folder lies inside the machine directory");
         d->folder = std::string(v);
         return std::string();
     },
     [](const S&, const D* d) -> Out { return d->folder; }},
    {DR, "kind",
     [](S&, D* d, std::string_view v) {
         auto l = lowerAscii(v);
         if (l == "fixed")
             d->kind = DriveKind::Fixed;
         else if (l == "removable")
             d->kind = DriveKind::Removable;
         else if (l == "network")
             d->kind = DriveKind::Network;
         else
             return std::string("kind is fixed, removable or network");
         return std::string();
     },
     [](const S&, const D* d) -> Out { return kindName(d->kind); }},
    {DR, "readonly", [](S&, D* d, std::string_view v) { return parseBool(v, d->readOnly) ? std::string() : kFlag; },
     [](const S&, const D* d) -> Out { return flag(d->readOnly); }},
    {DR, "disk", [](S&, D* d, std::string_view v) { return parseBool(v, d->hasDisk) ? std::string() : kFlag; },
     [](const S&, const D* d) -> Out { return d->kind == DriveKind::Removable ? Out(flag(d->hasDisk)) : Out(); }},
    {DR, "capacity", [](S&, D* d, std::string_view v) { return parseU64(v, d->capacity) ? std::string() : kByteCount; },
     [](const S&, const D* d) -> Out { return std::to_string(d->capacity); }},
    {DR, "free", [](S&, D* d, std::string_view v) { return parseOptionalBytes(d->freeBytes, v); },
     [](const S&, const D* d) -> Out { return optionalBytes(d->freeBytes); }},
    {DR, "fullAfter", [](S&, D* d, std::string_view v) { return parseOptionalBytes(d->fullAfter, v); },
     [](const S&, const D* d) -> Out { return optionalBytes(d->fullAfter); }},
    {DR, "failWrites", [](S&, D* d, std::string_view v) { return parseBool(v, d->failWrites) ? std::string() : kFlag; },
     [](const S&, const D* d) -> Out { return flag(d->failWrites); }},
    {DR, "label",
     [](S&, D* d, std::string_view v) {
         d->label = std::string(v);
         return std::string();
     },
     [](const S&, const D* d) -> Out { return d->label.empty() ? Out() : Out(d->label); }},
};

Error settingsError(std::string_view name, int line, std::string_view text, std::string_view why) {
    std::ostringstream os;
    os << name << ":" << line << ": " << why << ": '" << text << "'";
    return Error::win32(ERROR_BADDB, os.str());
}

}  // namespace

std::span<const SettingRow> settingRows() { return kRows; }

const SettingRow* findSettingRow(SettingSection section, std::string_view key) {
    for (const auto& row : kRows) {
        if (row.section == section && equalsNoCase(row.key, key))
            return &row;
    }
    return nullptr;
}

bool isListSection(std::string_view lowerName) {
    return lowerName == "open files" || lowerName == "atoms" || lowerName == "windows";
}

char driveOfSection(std::string_view lowerName) {
    if (lowerName.rfind("drive ", 0) != 0)
        return 0;
    std::string letter = trimBlanks(lowerName.substr(6));
    if (letter.size() == 2 && letter[1] == ':')
        letter.pop_back();
    if (letter.size() != 1 || !isDriveLetter(letter[0]))
        return 0;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0])));
}

Result<Settings> parseSettings(std::string_view text, std::string_view name) {
    Settings s;
    s.drives.clear();
    char driveLetter = 0;
    int windowsLine = 0, systemLine = 0;
    for (const auto& line : splitSettingsLines(text)) {
        if (line.kind == SettingsLineKind::Blank || line.kind == SettingsLineKind::Comment)
            continue;
        if (line.kind == SettingsLineKind::Header) {
            if (line.trimmed.find(']') == std::string::npos)
                return settingsError(name, line.number, line.trimmed, "section header without ']'");
            driveLetter = 0;
            if (line.section.rfind("drive ", 0) == 0) {
                driveLetter = driveOfSection(line.section);
                if (!driveLetter)
                    return settingsError(name, line.number, line.trimmed, "a drive section names one letter, as [drive C]");
                if (s.drives.count(driveLetter))
                    return settingsError(name, line.number, line.trimmed, "drive defined twice");
                Drive d;
                d.letter = driveLetter;
                d.folder = std::string("drives/") + driveLetter;
                s.drives[driveLetter] = d;
            } else if (line.section != "machine" && !isListSection(line.section)) {
                return settingsError(name, line.number, line.trimmed, "unknown section");
            }
            continue;
        }
        if (line.section.empty())
            return settingsError(name, line.number, line.trimmed, "setting outside a section");
        std::string_view before = std::string_view(line.trimmed).substr(0, line.trimmed.find('='));
        if (line.section == "open files") {
            s.openFiles.push_back(trimBlanks(before));
            continue;
        }
        if (line.section == "atoms") {
            s.atoms.push_back(line.trimmed);
            continue;
        }
        if (line.section == "windows") {
            // class=title
            std::string cls = trimBlanks(before);
            if (cls.empty())
                return settingsError(name, line.number, line.trimmed, "a window needs a class name");
            s.windows.push_back(ForeignWindow{cls, line.value});
            continue;
        }
        if (!line.hasEquals)
            return settingsError(name, line.number, line.trimmed, "expected key=value");
        const SettingSection section = driveLetter ? SettingSection::Drive : SettingSection::Machine;
        const SettingRow* row = findSettingRow(section, line.key);
        if (!row)
            return settingsError(name, line.number, line.trimmed,
                                 driveLetter ? "unknown drive setting" : "unknown setting");
        auto why = row->parse(s, driveLetter ? &s.drives[driveLetter] : nullptr, line.value);
        if (!why.empty())
            return settingsError(name, line.number, line.trimmed, why);
        if (section == SettingSection::Machine && line.key == "windows")
            windowsLine = line.number;
        if (section == SettingSection::Machine && line.key == "system")
            systemLine = line.number;
    }
    for (auto& [letter, d] : s.drives) {
        if (d.capacity == 0)
            d.capacity = d.kind == DriveKind::Removable ? 1457664 : 512ull * 1024 * 1024;
    }
    // Guard: a Windows directory on a drive the machine lacks would make every
    // profile and system file call fail far from the setting that caused it.
    if (!s.drives.empty()) {
        for (auto [dir, lineNo] : {std::pair{&s.windowsDir, windowsLine}, std::pair{&s.systemDir, systemLine}}) {
            char letter = static_cast<char>(std::toupper(static_cast<unsigned char>((*dir)[0])));
            if (lineNo && !s.drives.count(letter))
                return settingsError(name, lineNo, *dir, std::string("no drive ") + letter + ": on this machine");
        }
    }
    return s;
}

std::string formatSettings(const Settings& s) {
    std::ostringstream os;
    os << "; Simulated Windows 95 machine. Edit freely; nvmachine and the installer read it.\n";
    os << "[machine]\n";
    for (const auto& row : kRows) {
        if (row.section != SettingSection::Machine)
            continue;
        if (auto v = row.write(s, nullptr))
            os << row.key << "=" << *v << "\n";
    }
    for (const auto& [letter, d] : s.drives) {
        os << "\n[drive " << letter << "]\n";
        for (const auto& row : kRows) {
            if (row.section != SettingSection::Drive)
                continue;
            if (auto v = row.write(s, &d))
                os << row.key << "=" << *v << "\n";
        }
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

}  // namespace nv::machine
