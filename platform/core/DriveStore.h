// The one place where the stand-in touches the host's file system. Every
// file of the machine directory (drive folders, machine.ini, the registry
// file) is read, written, listed and removed through the DriveStore the
// machine owns; tools/check-host-io fails the build's tests when host file
// calls appear anywhere else in platform/.
//
// Contract:
//  - Nothing here follows a symbolic link: status() reports a link as a
//    Link, and every open uses O_NOFOLLOW. Callers get paths from
//    Machine::resolve, which refuses links at every component.
//  - Only regular files are opened. A FIFO, socket or device node is a
//    Special node and is refused before any open, and opens are
//    non-blocking, so nothing can hang on one.
//  - replaceFile() writes a fresh temporary file in the same folder, created
//    exclusively (an existing name or link there is never followed nor
//    reused), flushes it and renames it over the target: a crash leaves the
//    old or the new file, never a mix.
//  - Errors carry Win32 codes (ERROR_ACCESS_DENIED for a file that exists but
//    cannot be read, ERROR_FILE_NOT_FOUND for a missing one) and name the
//    file as `shown`, the Windows path when the caller has one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/Result.h"

namespace nv::machine {

enum class NodeKind { Missing, File, Directory, Link, Special };

struct NodeInfo {
    NodeKind kind = NodeKind::Missing;
    uint64_t size = 0;
    bool readOnly = false;          // the owner may not write
    struct timespec modified {};
    struct timespec accessed {};
    uint64_t device = 0;
    uint64_t inode = 0;
};

enum class OpenAccess { Read, ReadWrite };
enum class OpenCreate { OpenExisting, CreateNew, TruncateExisting };
enum class CreateMode { Writable, ReadOnly };
enum class SeekFrom { Begin, Current, End };

// An error for a failed host call: errno mapped to the Win32 code Windows
// gives for the same condition.
Error hostError(int err, std::string_view what);

class DriveStore {
public:
    // Where a path's node is, without following a link at its end.
    NodeInfo status(const std::filesystem::path& path) const;
    // Names in a folder (no "." and ".."), in the host's order.
    Result<std::vector<std::string>> list(const std::filesystem::path& dir, std::string_view shown = {}) const;
    // The whole content of a regular file.
    Result<std::string> readFile(const std::filesystem::path& path, std::string_view shown = {}) const;
    // Replaces (or creates) a regular file atomically with `bytes`.
    Result<void> replaceFile(const std::filesystem::path& path, std::string_view bytes, std::string_view shown = {},
                             CreateMode mode = CreateMode::Writable) const;

    // Descriptor-level access for the file handles of the kernel.
    Result<int> open(const std::filesystem::path& path, OpenAccess access, OpenCreate create, CreateMode mode,
                     std::string_view shown = {}) const;
    void close(int fd) const;
    Result<uint32_t> read(int fd, void* buffer, uint32_t count, std::string_view shown) const;
    Result<uint32_t> write(int fd, const void* buffer, uint32_t count, std::string_view shown) const;
    Result<int64_t> seek(int fd, int64_t offset, SeekFrom from, std::string_view shown) const;
    Result<void> truncate(int fd, uint64_t size, std::string_view shown) const;
    Result<NodeInfo> status(int fd, std::string_view shown) const;
    // Sets the access and/or last-write time; nullopt leaves one as it is.
    Result<void> setTimes(int fd, std::optional<struct timespec> accessed, std::optional<struct timespec> modified,
                          std::string_view shown) const;
    Result<void> setReadOnly(int fd, bool readOnly, std::string_view shown) const;

    // How many writes through descriptors (write, truncate, setTimes) the
    // store has made to the file `node` describes: they change a file
    // without changing its identity, so caches of file content compare this
    // count too. Counted per file, so that copying other files (as an
    // install does between its INI writes) leaves those caches valid.
    uint64_t inPlaceWrites(const NodeInfo& node) const;
    // How many whole files readFile() has read (caches are measured by it).
    uint64_t wholeReads() const { return wholeReads_; }

    // Whole-node operations on resolved paths.
    Result<void> remove(const std::filesystem::path& path, std::string_view shown = {}) const;
    Result<void> rename(const std::filesystem::path& from, const std::filesystem::path& to,
                        std::string_view shown = {}) const;
    Result<void> makeDirectory(const std::filesystem::path& path, std::string_view shown = {}) const;
    Result<void> removeDirectory(const std::filesystem::path& path, std::string_view shown = {}) const;
    Result<void> setReadOnly(const std::filesystem::path& path, bool readOnly, std::string_view shown = {}) const;
    // Bytes the regular files below a folder hold (links and special files not counted).
    uint64_t usedBytes(const std::filesystem::path& dir) const;

    // The machine directory as an absolute path without "." or ".." (the
    // directory itself may be reached through a link the user made).
    std::filesystem::path absoluteDirectory(const std::filesystem::path& dir) const;

    // A file of the machine directory named by a relative setting
    // ("registry.reg", "sub/registry.reg"): refused when a component on the
    // way is a link or not a folder, or the file itself is a link or special.
    Result<std::filesystem::path> machineFile(const std::filesystem::path& machineDir, std::string_view relative) const;

private:
    // Counts a write through fd against its file, or against every file
    // when the descriptor cannot tell which file it is.
    void countInPlaceWrite(int fd) const;

    mutable std::map<std::pair<uint64_t, uint64_t>, uint64_t> inPlaceWrites_;  // by device and inode
    mutable uint64_t unattributedWrites_ = 0;
    mutable uint64_t wholeReads_ = 0;
};

}  // namespace nv::machine

// Files the user names on the host, outside any machine: answer files,
// recordings, traces, screenshots and the host's own fonts. With the drive
// store, the only host file access of the stand-in.
namespace nv::host {

// The whole of a regular file. A folder, a FIFO or a device is refused with
// a message that names the file and what it is; a file that cannot be read
// gives ERROR_ACCESS_DENIED.
Result<std::string> readFile(const std::filesystem::path& path);
// Whether readFile would take the file: a regular file that may be opened.
Result<void> checkReadable(const std::filesystem::path& path);
// A new or emptied file for writing (stdio, for the libraries that want one);
// nullptr when it cannot be made.
std::FILE* createOutputFile(const std::filesystem::path& path, bool binary);
std::unique_ptr<std::ostream> createOutputStream(const std::filesystem::path& path);
Result<void> makeDirectories(const std::filesystem::path& path);

// An output file the user named, written under a fresh temporary name beside
// it (created exclusively: an existing name or a link there is never followed)
// and renamed over it by commit(). Without a commit the temporary goes, so a
// failed run leaves the user's file as it was.
class StagedFile {
public:
    static Result<StagedFile> create(const std::filesystem::path& target);
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&&) = delete;
    ~StagedFile();
    std::FILE* file() const { return file_; }
    const std::filesystem::path& temporary() const { return temporary_; }
    Result<void> commit();

private:
    StagedFile() = default;
    std::filesystem::path target_, temporary_;
    std::FILE* file_ = nullptr;
};

}  // namespace nv::host
