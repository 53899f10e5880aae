// Windows paths on the machine: full paths, current directories, and the
// resolution of a path onto the host through the drive folders.
#include <algorithm>
#include <cctype>

#include <windows.h>

#include "platform/core/Machine.h"

namespace fs = std::filesystem;

namespace nv::machine {

namespace {

bool isDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Characters Windows refuses in a file name component.
bool badNameChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*' || c == ':';
}

}  // namespace

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
    for (const auto& part : fs::path(d->folder)) {
        host /= part;
        NodeKind kind = store_.status(host).kind;
        if (kind == NodeKind::Link)
            return Error::win32(ERROR_ACCESS_DENIED, "symbolic links are not followed: " + host.string());
        if (kind != NodeKind::Directory)
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
        // Case-insensitive lookup in the host folder; an exact match wins
        // (and its status serves below).
        std::string found;
        NodeKind kind = store_.status(host / std::string(comp)).kind;
        if (kind != NodeKind::Missing) {
            found = std::string(comp);
        } else if (auto names = store_.list(host)) {
            for (const auto& name : *names) {
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
        if (kind == NodeKind::Missing)
            kind = store_.status(host).kind;
        if (kind == NodeKind::Link)
            return Error::win32(ERROR_ACCESS_DENIED, "symbolic links are not followed: " + win);
        // Guard: opening a pipe or a device node would block or reach
        // hardware; the program only ever gets files and folders.
        if (kind == NodeKind::Special)
            return Error::win32(ERROR_ACCESS_DENIED, "not a file or folder (device, pipe or socket): " + win);
        isDir = kind == NodeKind::Directory;
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

}  // namespace nv::machine
