#include "platform/kernel/FileOps.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <map>

#include "platform/kernel/Edge.h"
#include "platform/kernel/FileTable.h"
#include "platform/kernel/FileTime.h"

namespace fs = std::filesystem;

namespace nv::kernel {

namespace {

machine::Machine& mach() { return machine::currentOrDie(); }

Error notFound(const machine::ResolvedPath& rp) {
    if (!rp.parentExists)
        return Error::win32(ERROR_PATH_NOT_FOUND, rp.winPath + ": directory not found");
    return Error::win32(ERROR_FILE_NOT_FOUND, rp.winPath + ": file not found");
}

const machine::DriveStore& store() { return mach().store(); }

bool hostReadOnly(const fs::path& host) { return store().status(host).readOnly; }

Result<void> checkWritablePlace(const machine::ResolvedPath& rp) { return checkWritable(mach(), rp); }

bool isValid83(std::string_view name) {
    auto dot = name.find('.');
    std::string_view base = name.substr(0, dot);
    std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 || ext.find('.') != std::string_view::npos)
        return false;
    for (char c : name) {
        // Case does not matter: a lower-case 8.3 name needs no alias.
        if (c == ' ' || c == '+' || c == ',' || c == ';' || c == '=' || c == '[' || c == ']')
            return false;
    }
    return true;
}

// The short alias a long name gets: six characters of the base, "~N", and
// three of the extension, upper case, without the characters 8.3 refuses.
std::string shortAlias(std::string_view name, std::map<std::string, int>& taken) {
    auto clean = [](std::string_view s, size_t max) {
        std::string out;
        for (char c : s) {
            if (c == ' ' || c == '.')
                continue;
            if (c == '+' || c == ',' || c == ';' || c == '=' || c == '[' || c == ']')
                c = '_';
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (out.size() == max)
                break;
        }
        return out;
    };
    auto dot = name.rfind('.');
    std::string base = clean(name.substr(0, dot), 6);
    std::string ext = dot == std::string_view::npos ? std::string() : clean(name.substr(dot + 1), 3);
    // Names sharing the first six characters and the extension count up.
    const int n = ++taken[base + "." + ext];
    std::string alias = base + "~" + std::to_string(n);
    if (!ext.empty())
        alias += "." + ext;
    return alias;
}

WIN32_FIND_DATAA findData(const machine::NodeInfo& st, std::string_view name) {
    WIN32_FIND_DATAA fd{};
    if (st.kind == machine::NodeKind::Directory) {
        fd.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    } else {
        fd.dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
        fd.nFileSizeHigh = static_cast<DWORD>(st.size >> 32);
        fd.nFileSizeLow = static_cast<DWORD>(st.size & 0xFFFFFFFFu);
    }
    if (st.readOnly)
        fd.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    fd.ftLastWriteTime = fromTicks(ticksFromTimespec(st.modified));
    fd.ftCreationTime = fd.ftLastWriteTime;  // the host keeps no creation time we can rely on
    fd.ftLastAccessTime = fromTicks(ticksFromTimespec(st.accessed));
    copyBounded(name, fd.cFileName, sizeof fd.cFileName);
    return fd;
}

bool globMatch(std::string_view p, std::string_view s) {
    size_t pi = 0, si = 0, starP = std::string_view::npos, starS = 0;
    auto up = [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); };
    while (si < s.size()) {
        if (pi < p.size() && (p[pi] == '?' || up(p[pi]) == up(s[si]))) {
            ++pi;
            ++si;
        } else if (pi < p.size() && p[pi] == '*') {
            starP = pi++;
            starS = si;
        } else if (starP != std::string_view::npos) {
            pi = starP + 1;
            si = ++starS;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

PromptHook& promptSlot() {
    static PromptHook hook;
    return hook;
}

}  // namespace

bool wildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*")
        return true;
    if (pattern.size() > 1 && pattern.back() == '.') {
        // "NAME." and "*." ask for names without an extension.
        if (name.find('.') != std::string_view::npos && name != "." && name != "..")
            return false;
        pattern.remove_suffix(1);
    }
    if (pattern.size() > 2 && pattern.substr(pattern.size() - 2) == ".*" && name.find('.') == std::string_view::npos)
        pattern.remove_suffix(2);  // "README.*" finds "README" too
    return globMatch(pattern, name);
}

Result<void> deleteFile(std::string_view path) {
    machine::ResolvedPath rp = NV_TRY(mach().resolve(path));
    if (!rp.exists)
        return notFound(rp);
    if (rp.isDirectory)
        return Error::win32(ERROR_ACCESS_DENIED, rp.winPath + ": is a directory");
    NV_TRY(checkWritablePlace(rp));
    if (hostReadOnly(rp.host))
        return Error::win32(ERROR_ACCESS_DENIED, rp.winPath + ": file is read-only");
    NV_TRY(files().checkNotInUse(rp.winPath));
    return store().remove(rp.host, rp.winPath);
}

Result<void> copyFile(std::string_view from, std::string_view to, IfExists ifExists) {
    FileTable& table = files();
    OpenRequest readReq;
    readReq.read = true;
    readReq.share = FILE_SHARE_READ;
    int src = NV_TRY(table.open(from, readReq));

    OpenRequest writeReq;
    writeReq.write = true;
    writeReq.share = 0;
    writeReq.disposition = ifExists == IfExists::Fail ? Disposition::CreateNew : Disposition::CreateAlways;
    auto dst = table.open(to, writeReq);
    if (!dst) {
        (void)table.close(src);
        return dst.take_error();
    }
    std::string dstPath = (*table.file(*dst))->winPath;
    std::string srcPath = (*table.file(src))->winPath;

    Result<void> outcome;
    char buffer[65536];
    for (;;) {
        auto n = table.read(src, buffer, sizeof buffer);
        if (!n) {
            outcome = n.take_error();
            break;
        }
        if (*n == 0)
            break;
        auto w = table.write(*dst, buffer, *n);
        if (!w) {
            outcome = w.take_error();
            break;
        }
    }
    if (outcome.ok()) {
        // The copy keeps the source's last-write time, as Windows does.
        int srcFd = (*table.file(src))->fd;
        int dstFd = (*table.file(*dst))->fd;
        if (auto st = store().status(srcFd, srcPath)) {
            (void)store().setTimes(dstFd, st->accessed, st->modified, dstPath);
            if (st->readOnly)
                (void)store().setReadOnly(dstFd, true, dstPath);
        }
    }
    (void)table.close(src);
    (void)table.close(*dst);
    if (!outcome.ok()) {
        // Leave no partial copy behind.
        auto rp = mach().resolve(dstPath);
        if (rp && rp->exists)
            (void)store().remove(rp->host, dstPath);
        return outcome;
    }
    return {};
}

Result<void> moveFile(std::string_view from, std::string_view to) {
    machine::ResolvedPath src = NV_TRY(mach().resolve(from));
    if (!src.exists)
        return notFound(src);
    machine::ResolvedPath dst = NV_TRY(mach().resolve(to));
    if (dst.exists && dst.host == src.host) {
        // The same file under another case: only the stored name changes.
        NV_TRY(checkWritablePlace(src));
        NV_TRY(files().checkNotInUse(src.winPath));
        std::string full = NV_TRY(mach().fullPath(to));
        return store().rename(src.host, src.host.parent_path() / full.substr(full.find_last_of('\\') + 1), src.winPath);
    }
    if (dst.exists)
        return Error::win32(ERROR_ALREADY_EXISTS, dst.winPath + ": exists");
    if (!dst.parentExists)
        return Error::win32(ERROR_PATH_NOT_FOUND, dst.winPath + ": directory not found");
    NV_TRY(checkWritablePlace(src));
    NV_TRY(checkWritablePlace(dst));
    NV_TRY(files().checkNotInUse(src.winPath));
    if (src.drive != dst.drive) {
        if (src.isDirectory)
            return Error::win32(ERROR_NOT_SAME_DEVICE, "a directory cannot move to another drive");
        NV_TRY(copyFile(src.winPath, dst.winPath, IfExists::Fail));
        auto removed = deleteFile(src.winPath);
        if (!removed) {
            (void)deleteFile(dst.winPath);
            return removed;
        }
        return {};
    }
    return store().rename(src.host, dst.host, src.winPath);
}

Result<DWORD> fileAttributes(std::string_view path) {
    machine::ResolvedPath rp = NV_TRY(mach().resolve(path));
    if (!rp.exists)
        return notFound(rp);
    DWORD attrs = rp.isDirectory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!rp.isDirectory && hostReadOnly(rp.host))
        attrs |= FILE_ATTRIBUTE_READONLY;
    return attrs;
}

Result<void> setFileAttributes(std::string_view path, DWORD attributes) {
    machine::ResolvedPath rp = NV_TRY(mach().resolve(path));
    if (!rp.exists)
        return notFound(rp);
    NV_TRY(checkWritablePlace(rp));
    if (rp.isDirectory)
        return {};
    // Only the read-only bit has a host counterpart; the others are accepted.
    return store().setReadOnly(rp.host, (attributes & FILE_ATTRIBUTE_READONLY) != 0, rp.winPath);
}

Result<void> createDirectory(std::string_view path) {
    machine::ResolvedPath rp = NV_TRY(mach().resolve(path));
    if (rp.exists)
        return Error::win32(ERROR_ALREADY_EXISTS, rp.winPath + ": exists");
    if (!rp.parentExists)
        return Error::win32(ERROR_PATH_NOT_FOUND, rp.winPath + ": parent directory not found");
    NV_TRY(checkWritablePlace(rp));
    NV_TRY(mach().chargeWrite(rp.drive, 0));
    return store().makeDirectory(rp.host, rp.winPath);
}

Result<void> removeDirectory(std::string_view path) {
    machine::ResolvedPath rp = NV_TRY(mach().resolve(path));
    if (!rp.exists)
        return notFound(rp);
    if (!rp.isDirectory)
        return Error::win32(ERROR_DIRECTORY, rp.winPath + ": not a directory");
    if (rp.winPath.size() <= 3)
        return Error::win32(ERROR_ACCESS_DENIED, rp.winPath + ": the root cannot be removed");
    NV_TRY(checkWritablePlace(rp));
    if (machine::equalsNoCase(mach().currentDirectory(rp.drive), rp.winPath))
        return Error::win32(ERROR_SHARING_VIOLATION, rp.winPath + ": is the current directory");
    auto inside = NV_TRY(store().list(rp.host, rp.winPath));
    if (!inside.empty())
        return Error::win32(ERROR_DIR_NOT_EMPTY, rp.winPath + ": not empty");
    return store().removeDirectory(rp.host, rp.winPath);
}

Result<std::vector<WIN32_FIND_DATAA>> findFiles(std::string_view patternPath) {
    std::string p(patternPath);
    std::replace(p.begin(), p.end(), '/', '\\');
    size_t cut = p.find_last_of('\\');
    std::string dir, pattern;
    if (cut != std::string::npos) {
        dir = p.substr(0, cut + 1);
        pattern = p.substr(cut + 1);
    } else if (p.size() >= 2 && p[1] == ':') {
        dir = p.substr(0, 2);
        pattern = p.substr(2);
    } else {
        dir = ".";
        pattern = p;
    }
    machine::ResolvedPath rd = NV_TRY(mach().resolve(dir));
    if (!rd.exists || !rd.isDirectory)
        return Error::win32(ERROR_PATH_NOT_FOUND, rd.winPath + ": directory not found");
    if (pattern.empty())
        return Error::win32(ERROR_FILE_NOT_FOUND, "empty file pattern");

    std::vector<WIN32_FIND_DATAA> out;
    std::vector<std::string> names;
    for (auto& name : NV_TRY(store().list(rd.host, rd.winPath))) {
        // Links never lead anywhere on this machine, and special files are
        // not files to the program.
        auto kind = store().status(rd.host / name).kind;
        if (kind != machine::NodeKind::File && kind != machine::NodeKind::Directory)
            continue;
        if (name.size() < MAX_PATH)
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return machine::toUpperAscii(a) < machine::toUpperAscii(b);
    });
    if (rd.winPath.size() > 3) {
        for (const char* dot : {".", ".."}) {
            if (wildcardMatch(pattern, dot))
                out.push_back(findData(store().status(rd.host), dot));
        }
    }
    std::map<std::string, int> aliases;
    for (const auto& name : names) {
        std::string alias;
        if (!isValid83(name))
            alias = shortAlias(name, aliases);
        if (!wildcardMatch(pattern, name) && (alias.empty() || !wildcardMatch(pattern, alias)))
            continue;
        WIN32_FIND_DATAA fd = findData(store().status(rd.host / name), name);
        copyBounded(alias, fd.cAlternateFileName, sizeof fd.cAlternateFileName);
        out.push_back(fd);
    }
    if (out.empty())
        return Error::win32(ERROR_FILE_NOT_FOUND, rd.winPath + ": nothing matches " + pattern);
    return out;
}

Result<std::string> searchForOpen(std::string_view name) {
    machine::Machine& m = mach();
    if (name.find_first_of("\\/:") != std::string_view::npos) {
        machine::ResolvedPath rp = NV_TRY(m.resolve(name));
        if (!rp.exists)
            return notFound(rp);
        return m.fullPath(name);
    }
    std::string moduleDir = m.modulePath;
    auto slash = moduleDir.find_last_of('\\');
    moduleDir = slash == std::string::npos ? std::string() : moduleDir.substr(0, slash);
    for (const std::string& dir :
         {moduleDir, m.currentDirectory(), m.settings().systemDir, m.settings().windowsDir}) {
        if (dir.empty())
            continue;
        std::string candidate = dir;
        if (candidate.back() != '\\')
            candidate += '\\';
        candidate += name;
        auto rp = m.resolve(candidate);
        if (rp && rp->exists && !rp->isDirectory)
            return m.fullPath(candidate);
    }
    std::string full = NV_TRY(m.fullPath(name));
    return Error::win32(ERROR_FILE_NOT_FOUND, full + ": file not found");
}

void setOpenPromptHook(PromptHook hook) { promptSlot() = std::move(hook); }
const PromptHook& openPromptHook() { return promptSlot(); }

}  // namespace nv::kernel
