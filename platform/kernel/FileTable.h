// The open files of a machine: every HFILE and file HANDLE the kernel hands
// out, with the host descriptor, the full Windows path, the access and the
// share mode it was opened with.
//
// Contract:
//  - Handle values are multiples of 4 from 0x1000 up and are not reused while
//    the machine lives, so a stale handle fails with ERROR_INVALID_HANDLE and
//    never reaches another file. They stay clear of the LZ handles
//    (0x400..0x40F), and an HFILE and a HANDLE of the same file have the same
//    value, as on Windows (toHandle / toHFile convert).
//  - open() applies the Win32 sharing rules against the files this table holds
//    and against the files the machine's settings say the system holds open
//    (those count as opened for reading with FILE_SHARE_READ). A conflict is
//    ERROR_SHARING_VIOLATION.
//  - write() charges the drive first (Machine::chargeWrite) for the bytes that
//    grow the file, so read-only, failing and full drives refuse the write
//    before anything reaches the host.
//  - Searches (FindFirstFileA) live in the same table under their own values;
//    a file function given a search handle fails with ERROR_INVALID_HANDLE.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <windows.h>

#include "platform/core/Machine.h"

namespace nv::kernel {

enum class Disposition : DWORD {
    CreateNew = CREATE_NEW,
    CreateAlways = CREATE_ALWAYS,
    OpenExisting = OPEN_EXISTING,
    OpenAlways = OPEN_ALWAYS,
    TruncateExisting = TRUNCATE_EXISTING,
};

struct OpenRequest {
    bool read = false;
    bool write = false;
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    Disposition disposition = Disposition::OpenExisting;
    DWORD attributes = 0;  // FILE_ATTRIBUTE_READONLY is kept for a created file
};

struct OpenedFile {
    int fd = -1;
    std::string winPath;  // full Windows path, stored case
    char drive = 'C';
    bool read = false;
    bool write = false;
    DWORD share = 0;
};

struct FindSearch {
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

class FileTable : public machine::Machine::FamilyState {
public:
    explicit FileTable(machine::Machine& machine) : machine_(machine) {}
    ~FileTable() override;
    FileTable(const FileTable&) = delete;
    FileTable& operator=(const FileTable&) = delete;

    // Opens or creates a file. `existed` tells whether the file was there
    // before (CreateFileA reports ERROR_ALREADY_EXISTS from it).
    Result<int> open(std::string_view path, const OpenRequest& request, bool* existed = nullptr);
    Result<void> close(int handle);
    // The open file behind a handle; ERROR_INVALID_HANDLE for anything else.
    Result<OpenedFile*> file(int handle);

    Result<uint32_t> read(int handle, void* buffer, uint32_t count);
    Result<uint32_t> write(int handle, const void* buffer, uint32_t count);
    // Cuts or extends the file at the current position.
    Result<void> truncateHere(int handle);
    // Moves the file pointer; origin is FILE_BEGIN, FILE_CURRENT or FILE_END.
    // A position below 0 is ERROR_NEGATIVE_SEEK and leaves the pointer.
    Result<int64_t> seek(int handle, int64_t offset, int origin);
    Result<uint64_t> size(int handle);

    // ERROR_SHARING_VIOLATION when the file is open here or held open by the
    // system, for operations that replace or remove a file by name.
    Result<void> checkNotInUse(std::string_view fullWinPath) const;

    int addSearch(FindSearch search);
    FindSearch* search(int handle);
    bool closeSearch(int handle);

    // SetErrorMode's current mode.
    UINT errorMode = 0;

    size_t openCount() const;

private:
    int nextValue();
    Result<void> checkSharing(const std::string& fullWinPath, const OpenRequest& request) const;

    machine::Machine& machine_;
    std::map<int, std::variant<OpenedFile, FindSearch>> entries_;
    int next_ = 0x1000;
};

// The table of the current machine.
FileTable& files();

// An error from errno, for host calls that failed.
using machine::hostError;
// ERROR_WRITE_PROTECT on a removable drive, ERROR_ACCESS_DENIED elsewhere:
// what Windows reports for a write to a read-only medium.
Error readOnlyDriveError(const machine::Drive& drive);
// Whether a file or directory may be created, written, deleted or renamed at
// this place: not on a read-only drive, not in one of the machine's
// read-only folders.
Result<void> checkWritable(const machine::Machine& machine, const machine::ResolvedPath& place);

inline HANDLE toHandle(int value) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)); }
inline int toHFile(HANDLE handle) { return static_cast<int>(reinterpret_cast<intptr_t>(handle)); }

}  // namespace nv::kernel
