#include "platform/core/DriveStore.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <winerror.h>

namespace fs = std::filesystem;

namespace nv::machine {

namespace {

std::string named(const fs::path& path, std::string_view shown) {
    return shown.empty() ? path.string() : std::string(shown);
}

NodeInfo infoOf(const struct stat& st) {
    NodeInfo info;
    if (S_ISREG(st.st_mode))
        info.kind = NodeKind::File;
    else if (S_ISDIR(st.st_mode))
        info.kind = NodeKind::Directory;
    else if (S_ISLNK(st.st_mode))
        info.kind = NodeKind::Link;
    else
        info.kind = NodeKind::Special;
    info.size = info.kind == NodeKind::File ? static_cast<uint64_t>(st.st_size) : 0;
    info.readOnly = !(st.st_mode & S_IWUSR);
    info.modified = st.st_mtim;
    info.accessed = st.st_atim;
    info.device = static_cast<uint64_t>(st.st_dev);
    info.inode = static_cast<uint64_t>(st.st_ino);
    return info;
}

// Only regular files are ever opened; a link or a special node is refused
// before an open could follow it or block on it.
Result<void> checkOpenable(const NodeInfo& info, const std::string& name) {
    switch (info.kind) {
    case NodeKind::Link: return Error::win32(ERROR_ACCESS_DENIED, name + ": symbolic links are not followed");
    case NodeKind::Special: return Error::win32(ERROR_ACCESS_DENIED, name + ": not a regular file (device, pipe or socket)");
    case NodeKind::Directory: return Error::win32(ERROR_ACCESS_DENIED, name + ": is a directory");
    default: return {};
    }
}

Result<void> writeAll(int fd, const char* data, size_t size, const std::string& name) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return hostError(errno, name);
        }
        done += static_cast<size_t>(n);
    }
    return {};
}

// A name for a temporary file beside `target` that no one has used: the
// exclusive create below retries when it is taken anyway.
fs::path freshTemporary(const fs::path& target) {
    static std::atomic<uint64_t> counter{0};
    uint64_t salt = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                    (static_cast<uint64_t>(::getpid()) << 32) ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".~nv%016llx", static_cast<unsigned long long>(salt));
    std::string name = target.filename().string();
    if (name.size() > 200)
        name.resize(200);  // stays inside the host's name length limit with the suffix
    return target.parent_path() / (name + suffix);
}

}  // namespace

// Creates a fresh temporary file beside `target`, exclusively: an existing
// name or a link placed there is never opened.
Result<std::pair<int, fs::path>> createTemporaryBeside(const fs::path& target, const std::string& name) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        fs::path tmp = freshTemporary(target);
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0)
            return std::pair<int, fs::path>{fd, tmp};
        if (errno != EEXIST)
            return hostError(errno, name);
    }
    return Error::win32(ERROR_ACCESS_DENIED, name + ": no free temporary name beside it");
}

// The rest of an open regular file, then closes it. A file that turns out
// not to be regular (swapped after the check) is refused unread.
Result<std::string> readAndClose(int fd, const std::string& name) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Error::win32(ERROR_ACCESS_DENIED, name + ": not a regular file");
    }
    std::string bytes;
    bytes.reserve(static_cast<size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            return hostError(err, name);
        }
        if (n == 0)
            break;
        bytes.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

Error hostError(int err, std::string_view what) {
    DWORD code;
    switch (err) {
    case ENOENT: code = ERROR_FILE_NOT_FOUND; break;
    case ENOTDIR: code = ERROR_PATH_NOT_FOUND; break;
    case EEXIST: code = ERROR_FILE_EXISTS; break;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ELOOP: code = ERROR_ACCESS_DENIED; break;
    case EROFS: code = ERROR_WRITE_PROTECT; break;
    case ENOSPC:
    case EDQUOT: code = ERROR_DISK_FULL; break;
    case EMFILE:
    case ENFILE: code = ERROR_TOO_MANY_OPEN_FILES; break;
    case ENOTEMPTY: code = ERROR_DIR_NOT_EMPTY; break;
    case ENAMETOOLONG: code = ERROR_FILENAME_EXCED_RANGE; break;
    case ENOMEM: code = ERROR_NOT_ENOUGH_MEMORY; break;
    case EIO: code = ERROR_READ_FAULT; break;
    default: code = ERROR_ACCESS_DENIED; break;
    }
    return Error::win32(code, std::string(what) + ": " + std::strerror(err));
}

NodeInfo DriveStore::status(const fs::path& path) const {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return NodeInfo{};
    return infoOf(st);
}

Result<std::vector<std::string>> DriveStore::list(const fs::path& dir, std::string_view shown) const {
    // readdir directly: a path lookup lists its folder whenever a name is
    // not there as spelt, so this runs for nearly every file created.
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return hostError(errno, named(dir, shown));
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(d);
        if (!e)
            break;
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.emplace_back(e->d_name);
    }
    const int error = errno;
    ::closedir(d);
    if (error)
        return hostError(error, named(dir, shown));
    return names;
}

Result<int> DriveStore::open(const fs::path& path, OpenAccess access, OpenCreate create, CreateMode mode,
                             std::string_view shown) const {
    const std::string name = named(path, shown);
    NodeInfo before = status(path);
    if (before.kind != NodeKind::Missing || create != OpenCreate::CreateNew)
        NV_TRY(checkOpenable(before, name));
    int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    flags |= access == OpenAccess::ReadWrite ? O_RDWR : O_RDONLY;
    if (create == OpenCreate::CreateNew)
        flags |= O_CREAT | O_EXCL;
    if (create == OpenCreate::TruncateExisting)
        flags |= O_TRUNC;
    int fd = ::open(path.c_str(), flags, mode == CreateMode::ReadOnly ? 0444 : 0644);
    if (fd < 0)
        return hostError(errno, name);
    // Guard: the node may have changed between the check and the open; a
    // special file opened here would block the first read.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Error::win32(ERROR_ACCESS_DENIED, name + ": not a regular file");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

void DriveStore::close(int fd) const {
    if (fd >= 0)
        ::close(fd);
}

Result<uint32_t> DriveStore::read(int fd, void* buffer, uint32_t count, std::string_view shown) const {
    uint32_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t n = ::read(fd, out + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Error::win32(ERROR_READ_FAULT, std::string(shown) + ": " + std::strerror(errno));
        }
        if (n == 0)
            break;
        done += static_cast<uint32_t>(n);
    }
    return done;
}

void DriveStore::countInPlaceWrite(int fd) const {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ++unattributedWrites_;
        return;
    }
    ++inPlaceWrites_[{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)}];
}

uint64_t DriveStore::inPlaceWrites(const NodeInfo& node) const {
    auto it = inPlaceWrites_.find({node.device, node.inode});
    return unattributedWrites_ + (it == inPlaceWrites_.end() ? 0 : it->second);
}

Result<uint32_t> DriveStore::write(int fd, const void* buffer, uint32_t count, std::string_view shown) const {
    countInPlaceWrite(fd);
    NV_TRY(writeAll(fd, static_cast<const char*>(buffer), count, std::string(shown)));
    return count;
}

Result<int64_t> DriveStore::seek(int fd, int64_t offset, SeekFrom from, std::string_view shown) const {
    int whence = from == SeekFrom::Begin ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(fd, static_cast<off_t>(offset), whence);
    if (r < 0)
        return hostError(errno, shown);
    return static_cast<int64_t>(r);
}

Result<void> DriveStore::truncate(int fd, uint64_t size, std::string_view shown) const {
    countInPlaceWrite(fd);
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0)
        return hostError(errno, shown);
    return {};
}

Result<NodeInfo> DriveStore::status(int fd, std::string_view shown) const {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return hostError(errno, shown);
    return infoOf(st);
}

Result<void> DriveStore::setTimes(int fd, std::optional<struct timespec> accessed,
                                  std::optional<struct timespec> modified, std::string_view shown) const {
    countInPlaceWrite(fd);
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = 0;
    times[0].tv_nsec = times[1].tv_nsec = UTIME_OMIT;
    if (accessed)
        times[0] = *accessed;
    if (modified)
        times[1] = *modified;
    if (::futimens(fd, times) != 0)
        return hostError(errno, shown);
    return {};
}

Result<void> DriveStore::setReadOnly(int fd, bool readOnly, std::string_view shown) const {
    if (::fchmod(fd, readOnly ? 0444 : 0644) != 0)
        return hostError(errno, shown);
    return {};
}

Result<std::string> DriveStore::readFile(const fs::path& path, std::string_view shown) const {
    const std::string name = named(path, shown);
    ++wholeReads_;
    int fd = NV_TRY(open(path, OpenAccess::Read, OpenCreate::OpenExisting, CreateMode::Writable, name));
    return readAndClose(fd, name);
}

Result<void> DriveStore::replaceFile(const fs::path& path, std::string_view bytes, std::string_view shown,
                                     CreateMode mode) const {
    const std::string name = named(path, shown);
    NodeInfo target = status(path);
    if (target.kind != NodeKind::Missing && target.kind != NodeKind::File)
        NV_TRY(checkOpenable(target, name));
    auto [fd, tmp] = NV_TRY(createTemporaryBeside(path, name));
    auto written = writeAll(fd, bytes.data(), bytes.size(), name);
    if (written && mode == CreateMode::ReadOnly)
        ::fchmod(fd, 0444);
    if (::close(fd) != 0 && written)
        written = hostError(errno, name);
    if (written && ::rename(tmp.c_str(), path.c_str()) != 0)
        written = hostError(errno, name);
    if (!written)
        ::unlink(tmp.c_str());
    return written;
}

Result<void> DriveStore::remove(const fs::path& path, std::string_view shown) const {
    if (::unlink(path.c_str()) != 0)
        return hostError(errno, named(path, shown));
    return {};
}

Result<void> DriveStore::rename(const fs::path& from, const fs::path& to, std::string_view shown) const {
    if (::rename(from.c_str(), to.c_str()) != 0)
        return hostError(errno, named(from, shown));
    return {};
}

Result<void> DriveStore::makeDirectory(const fs::path& path, std::string_view shown) const {
    if (::mkdir(path.c_str(), 0755) != 0)
        return hostError(errno, named(path, shown));
    return {};
}

Result<void> DriveStore::removeDirectory(const fs::path& path, std::string_view shown) const {
    if (::rmdir(path.c_str()) != 0)
        return hostError(errno == EEXIST ? ENOTEMPTY : errno, named(path, shown));
    return {};
}

Result<void> DriveStore::setReadOnly(const fs::path& path, bool readOnly, std::string_view shown) const {
    NodeInfo info = status(path);
    NV_TRY(checkOpenable(info.kind == NodeKind::Directory ? NodeInfo{} : info, named(path, shown)));
    if (::chmod(path.c_str(), readOnly ? 0444 : 0644) != 0)
        return hostError(errno, named(path, shown));
    return {};
}

uint64_t DriveStore::usedBytes(const fs::path& dir) const {
    uint64_t used = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        NodeInfo info = status(it->path());
        if (info.kind == NodeKind::File)
            used += info.size;
    }
    return used;
}

fs::path DriveStore::absoluteDirectory(const fs::path& dir) const {
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(dir, ec);
    return ec ? dir : canonical;
}

Result<fs::path> DriveStore::machineFile(const fs::path& machineDir, std::string_view relative) const {
    fs::path rel(relative);
    fs::path host = machineDir;
    auto last = std::prev(rel.end());
    for (auto it = rel.begin(); it != rel.end(); ++it) {
        host /= *it;
        NodeInfo info = status(host);
        if (it == last)
            break;
        if (info.kind == NodeKind::Link)
            return Error::win32(ERROR_ACCESS_DENIED, host.string() + ": symbolic links are not followed");
        if (info.kind != NodeKind::Directory)
            return Error::win32(ERROR_PATH_NOT_FOUND, host.string() + ": not a folder");
    }
    NodeInfo info = status(host);
    if (info.kind != NodeKind::Missing && info.kind != NodeKind::File)
        NV_TRY(checkOpenable(info, host.string()));
    return host;
}

}  // namespace nv::machine

namespace nv::host {

using machine::hostError;

Result<void> checkReadable(const fs::path& path) {
    const std::string name = path.string();
    // A link the user names on the command line is theirs to follow; what it
    // leads to must still be a regular file.
    std::error_code ec;
    auto st = fs::status(path, ec);
    if (ec || !fs::exists(st))
        return Error::win32(ERROR_FILE_NOT_FOUND, name + ": no such file");
    if (fs::is_directory(st))
        return Error::win32(ERROR_ACCESS_DENIED, name + ": is a folder, not a file");
    if (!fs::is_regular_file(st))
        return Error::win32(ERROR_ACCESS_DENIED, name + ": not a regular file (device, pipe or socket)");
    if (::access(path.c_str(), R_OK) != 0)
        return hostError(errno, name + ": cannot be read");
    return {};
}

Result<std::string> readFile(const fs::path& path) {
    const std::string name = path.string();
    NV_TRY(checkReadable(path));
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return hostError(errno, name);
    return machine::readAndClose(fd, name);
}

std::FILE* createOutputFile(const fs::path& path, bool binary) { return std::fopen(path.c_str(), binary ? "wb" : "w"); }

std::unique_ptr<std::ostream> createOutputStream(const fs::path& path) {
    auto out = std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::trunc);
    if (!*out)
        return nullptr;
    return out;
}

Result<StagedFile> StagedFile::create(const fs::path& target) {
    auto [fd, tmp] = NV_TRY(machine::createTemporaryBeside(target, target.string()));
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return Error::win32(ERROR_ACCESS_DENIED, target.string() + ": cannot be created");
    }
    StagedFile staged;
    staged.target_ = target;
    staged.temporary_ = tmp;
    staged.file_ = f;
    return staged;
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : target_(std::move(other.target_)), temporary_(std::move(other.temporary_)), file_(other.file_) {
    other.file_ = nullptr;
    other.temporary_.clear();
}

StagedFile::~StagedFile() {
    if (file_)
        std::fclose(file_);
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
}

Result<void> StagedFile::commit() {
    if (!file_)
        return Error::win32(ERROR_INVALID_HANDLE, target_.string() + ": already finished");
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (!ok)
        return Error::win32(ERROR_WRITE_FAULT, target_.string() + ": cannot be written");
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        return hostError(errno, target_.string());
    temporary_.clear();
    return {};
}

Result<void> makeDirectories(const fs::path& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec)
        return Error::win32(ERROR_PATH_NOT_FOUND, ec.message());
    return {};
}

}  // namespace nv::host
