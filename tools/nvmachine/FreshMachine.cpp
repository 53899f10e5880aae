#include "tools/nvmachine/FreshMachine.h"

#include <fstream>
#include <sstream>

#include <winerror.h>

#include "samples/machine/MachineTemplate.h"
#include "tools/exefile/ExeWriter.h"

namespace fs = std::filesystem;

namespace nv::tool {

namespace {

// The settings parser knows every rule for a value; let it judge a fragment
// and report in the option's own words.
Result<machine::Settings> parseFragment(std::string_view option, const std::string& text) {
    auto parsed = machine::parseSettings(text, option);
    if (parsed)
        return parsed;
    std::string msg = parsed.error().message;
    // "OPTION:LINE: why: 'text'" becomes "OPTION: why".
    auto colon = msg.find(':', option.size() + 1);
    auto quote = msg.rfind(": '");
    if (colon != std::string::npos && quote != std::string::npos && quote > colon)
        msg = std::string(option) + ":" + msg.substr(colon + 1, quote - colon - 1);
    return Error::win32(ERROR_INVALID_PARAMETER, msg);
}

std::string crlf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

Result<void> writeFile(const fs::path& path, std::string_view content) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out.flush())
        return Error::win32(ERROR_CANTWRITE, path.string() + ": cannot write");
    return {};
}

// The host place of a canonical Windows path on one of the machine's drives.
Result<fs::path> hostPath(const machine::Machine& m, std::string_view winPath, std::string_view where) {
    if (winPath.size() < 3 || winPath[1] != ':' || winPath[2] != '\\')
        return Error::win32(ERROR_BAD_PATHNAME, std::string(where) + ": not a full path: '" + std::string(winPath) + "'");
    const machine::Drive* d = m.drive(winPath[0]);
    if (!d)
        return Error::win32(ERROR_PATH_NOT_FOUND, std::string(where) + ": no drive " + winPath[0] + ": on this machine");
    fs::path out = m.driveRoot(*d);
    std::string rest(winPath.substr(3));
    size_t i = 0;
    while (i < rest.size()) {
        size_t j = rest.find('\\', i);
        std::string comp = rest.substr(i, j == std::string::npos ? std::string::npos : j - i);
        if (comp == ".." || comp == ".")
            return Error::win32(ERROR_BAD_PATHNAME, std::string(where) + ": '" + std::string(winPath) + "'");
        if (!comp.empty())
            out /= comp;
        i = j == std::string::npos ? rest.size() : j + 1;
    }
    return out;
}

std::vector<std::string> words(std::string_view line) {
    std::vector<std::string> out;
    std::istringstream in{std::string(line)};
    std::string w;
    while (in >> w)
        out.push_back(w);
    return out;
}

// Carries out layout.txt. Directory names may hold blanks, so "dir" and "stub"
// take the rest of the line; "font" paths hold none.
Result<void> applyLayout(const machine::Machine& m, std::string_view layout, std::vector<std::string>& warnings) {
    int lineNo = 0;
    size_t pos = 0;
    while (pos < layout.size()) {
        size_t nl = layout.find('\n', pos);
        std::string line(layout.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos));
        pos = nl == std::string_view::npos ? layout.size() : nl + 1;
        ++lineNo;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.empty() || line[0] == ';')
            continue;
        const std::string where = "layout.txt:" + std::to_string(lineNo);
        auto w = words(line);
        auto rest = [&](size_t skip) {
            size_t p = line.find_first_not_of(' ', skip);
            return p == std::string::npos ? std::string() : line.substr(p);
        };
        if (w[0] == "dir" && w.size() >= 2) {
            fs::path p = NV_TRY(hostPath(m, rest(3), where));
            std::error_code ec;
            fs::create_directories(p, ec);
            if (ec)
                return Error::win32(ERROR_CANTWRITE, where + ": " + p.string() + ": " + ec.message());
        } else if (w[0] == "stub" && w.size() >= 2) {
            const std::string win = rest(4);
            fs::path p = NV_TRY(hostPath(m, win, where));
            const std::string name = win.substr(win.find_last_of('\\') + 1);
            NV_TRY(writeFile(p, "Stand-in for the Windows 95 file " + name +
                                    " on a simulated machine; it holds no code.\r\n"));
        } else if (w[0] == "font" && w.size() >= 3) {
            fs::path p = NV_TRY(hostPath(m, w[1], where));
            bool copied = false;
            for (size_t i = 2; i < w.size() && !copied; ++i) {
                std::error_code ec;
                if (fs::is_regular_file(w[i], ec)) {
                    fs::create_directories(p.parent_path(), ec);
                    copied = fs::copy_file(w[i], p, fs::copy_options::overwrite_existing, ec);
                }
            }
            if (!copied)
                warnings.push_back(w[1] + " left out: no host font found (install fonts-liberation)");
        } else if (w[0] == "vxd" && w.size() >= 4) {
            // vxd VERSION DEVICE WINPATH: a system virtual device driver whose
            // version resource the installer reads (lpt.vxd 4.0.0.950).
            auto version = exefile::parseVersion(w[1]);
            if (!version)
                return Error::win32(ERROR_BADDB, where + ": '" + w[1] + "' is not a version A.B.C.D");
            const std::string win = rest(line.find(w[2], 4) + w[2].size());
            fs::path p = NV_TRY(hostPath(m, win, where));
            auto bytes = exefile::writeSystemVxd(*version, w[2], w[2] + " device driver");
            NV_TRY(writeFile(p, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
        } else {
            return Error::win32(ERROR_BADDB, where +
                                                 ": expected 'dir PATH', 'stub PATH', 'font PATH HOSTFILE...' or "
                                                 "'vxd VERSION DEVICE PATH': '" +
                                                 line + "'");
        }
    }
    return {};
}

}  // namespace

machine::Settings freshSettings() {
    machine::Settings s;
    machine::Drive a;
    a.letter = 'A';
    a.folder = "drives/A";
    a.kind = machine::DriveKind::Removable;
    a.hasDisk = false;
    a.capacity = 1457664;
    a.label = "";
    machine::Drive c;
    c.letter = 'C';
    c.folder = "drives/C";
    c.capacity = 540ull * 1024 * 1024;
    c.label = "WIN95";
    machine::Drive d;
    d.letter = 'D';
    d.folder = "drives/D";
    d.capacity = 1024ull * 1024 * 1024;
    d.label = "DATA";
    s.drives = {{'A', a}, {'C', c}, {'D', d}};
    s.progmanRunning = true;
    return s;
}

Result<void> applyScreen(machine::Settings& settings, std::string_view value) {
    machine::Settings parsed = NV_TRY(parseFragment("--screen", "[machine]\nscreen=" + std::string(value) + "\n"));
    settings.screenWidth = parsed.screenWidth;
    settings.screenHeight = parsed.screenHeight;
    return {};
}

Result<void> applyVersion(machine::Settings& settings, std::string_view value) {
    machine::Settings parsed = NV_TRY(parseFragment("--version", "[machine]\nversion=" + std::string(value) + "\n"));
    settings.versionMajor = parsed.versionMajor;
    settings.versionMinor = parsed.versionMinor;
    return {};
}

Result<void> applyDrive(machine::Settings& settings, std::string_view spec) {
    const std::string text(spec);
    auto bad = [&](const std::string& why) {
        return Error::win32(ERROR_INVALID_PARAMETER, "--drive " + text + ": " + why +
                                                         " (expected LETTER:KIND[:ro][:capacity], as D:fixed:ro:650M)");
    };
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= text.size()) {
        size_t j = text.find(':', i);
        parts.push_back(text.substr(i, j == std::string::npos ? std::string::npos : j - i));
        i = j == std::string::npos ? text.size() + 1 : j + 1;
    }
    if (parts.size() < 2 || parts.size() > 4 || parts[0].size() != 1)
        return bad("wrong shape");
    std::string fragment = "[drive " + parts[0] + "]\nkind=" + parts[1] + "\n";
    bool sawReadOnly = false, sawCapacity = false;
    for (size_t k = 2; k < parts.size(); ++k) {
        if (parts[k] == "ro" && !sawReadOnly) {
            fragment += "readonly=1\n";
            sawReadOnly = true;
        } else if (!parts[k].empty() && !sawCapacity) {
            fragment += "capacity=" + parts[k] + "\n";
            sawCapacity = true;
        } else {
            return bad("'" + parts[k] + "' is neither 'ro' nor a capacity");
        }
    }
    machine::Settings parsed = NV_TRY(parseFragment("--drive " + text, fragment));
    machine::Drive d = parsed.drives.begin()->second;
    if (d.kind == machine::DriveKind::Removable)
        d.hasDisk = false;  // a new removable drive starts empty; `insert` puts a disk in
    settings.drives[d.letter] = d;
    return {};
}

Result<std::vector<std::string>> createFreshMachine(const fs::path& dir, const machine::Settings& settings) {
    std::error_code ec;
    if (fs::exists(dir, ec) && !fs::is_empty(dir, ec))
        return Error::win32(ERROR_ALREADY_EXISTS, dir.string() + ": exists and is not empty");
    const machine::Drive* c = nullptr;
    if (auto it = settings.drives.find('C'); it != settings.drives.end())
        c = &it->second;
    if (!c || c->kind != machine::DriveKind::Fixed || c->readOnly)
        return Error::win32(ERROR_INVALID_DRIVE, "a fresh machine needs a writable fixed drive C: for Windows");

    fs::create_directories(dir, ec);
    if (ec)
        return Error::win32(ERROR_CANTWRITE, dir.string() + ": " + ec.message());
    auto m = machine::Machine::fromSettings(dir, settings);
    for (const auto& [letter, d] : settings.drives) {
        fs::create_directories(m->driveRoot(d), ec);
        if (ec)
            return Error::win32(ERROR_CANTWRITE, m->driveRoot(d).string() + ": " + ec.message());
    }

    std::vector<std::string> warnings;
    std::string_view layout;
    for (size_t i = 0; i < machine_template::kFileCount; ++i) {
        const auto& f = machine_template::kFiles[i];
        std::string_view path = f.path;
        if (path.rfind("drive-c/", 0) == 0) {
            NV_TRY(writeFile(m->driveRoot(*c) / std::string(path.substr(8)), crlf(f.text())));
        } else if (path == "registry.reg") {
            NV_TRY(writeFile(dir / settings.registryFile, crlf(f.text())));
        } else if (path == "layout.txt") {
            layout = f.text();
        }
    }
    NV_TRY(applyLayout(*m, layout, warnings));
    NV_TRY(m->save());

    // What was written must open as a machine.
    auto check = machine::Machine::open(dir);
    if (!check)
        return check.take_error();
    return warnings;
}

}  // namespace nv::tool
