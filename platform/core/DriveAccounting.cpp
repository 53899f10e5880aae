// What a drive lets be written: read-only and failing drives, the disk-full
// setting, and free space from the settings or from what the folder holds.
#include <cctype>

#include <winerror.h>

#include "platform/core/Machine.h"

namespace nv::machine {

Result<void> Machine::chargeWrite(char letter, uint64_t bytes) {
    Drive* d = drive(letter);
    if (!d)
        return Error::win32(ERROR_PATH_NOT_FOUND, std::string("no drive ") + letter + ":");
    if (d->readOnly)
        return Error::win32(ERROR_WRITE_PROTECT, std::string("drive ") + d->letter + ": is write-protected");
    if (d->failWrites)
        return Error::win32(ERROR_WRITE_FAULT, std::string("write fault on drive ") + d->letter + ":");
    if (settings_.failWrite > 0 && ++writes_ == settings_.failWrite)
        return Error::win32(ERROR_WRITE_FAULT, "write fault on drive " + std::string(1, d->letter) + ": (write " +
                                                   std::to_string(writes_) + ")");
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

bool Machine::inReadOnlyFolder(std::string_view fullWinPath) const {
    for (const auto& folder : settings_.readOnlyFolders) {
        auto full = fullPath(folder);
        if (!full)
            continue;
        std::string_view f = *full;
        if (f.size() > 3 && f.back() == '\\')
            f.remove_suffix(1);
        if (fullWinPath.size() < f.size() || !equalsNoCase(fullWinPath.substr(0, f.size()), f))
            continue;
        // The folder itself, or a name below it: a root ends in '\\' already.
        if (fullWinPath.size() == f.size() || f.back() == '\\' || fullWinPath[f.size()] == '\\')
            return true;
    }
    return false;
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
        uint64_t used = store_.usedBytes(driveRoot(*d));
        free = used >= d->capacity ? 0 : d->capacity - used;
    }
    if (d->fullAfter && *d->fullAfter < free)
        free = *d->fullAfter;
    return free;
}

}  // namespace nv::machine
