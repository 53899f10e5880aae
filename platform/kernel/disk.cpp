// Drives: GetDiskFreeSpaceA, GetDriveTypeA, SetErrorMode.
#include <optional>

#include <windows.h>

#include "platform/core/Machine.h"
#include "platform/core/Trace.h"
#include "platform/kernel/Edge.h"
#include "platform/kernel/FileTable.h"

using namespace nv;
using namespace nv::kernel;

namespace {

constexpr DWORD kBytesPerSector = 512;
constexpr uint64_t kMaxClusters = 65525;  // FAT16
constexpr DWORD kMaxSectorsPerCluster = 64;  // 32 KB clusters

// The drive a root path names: NULL or "\" is the current drive; "X:" and
// "X:\" name drive X. Anything else is not a root.
std::optional<char> rootDrive(LPCSTR root) {
    machine::Machine& m = machine::currentOrDie();
    if (!root || (root[0] == '\\' && root[1] == '\0') || (root[0] == '/' && root[1] == '\0'))
        return m.currentDirectory()[0];
    std::string_view r(root);
    if ((r.size() == 2 || (r.size() == 3 && (r[2] == '\\' || r[2] == '/'))) && r[1] == ':' &&
        std::isalpha(static_cast<unsigned char>(r[0])))
        return static_cast<char>(std::toupper(static_cast<unsigned char>(r[0])));
    return std::nullopt;
}

}  // namespace

BOOL WINAPI GetDiskFreeSpaceA(LPCSTR lpRootPathName, LPDWORD lpSectorsPerCluster, LPDWORD lpBytesPerSector,
                              LPDWORD lpNumberOfFreeClusters, LPDWORD lpTotalNumberOfClusters) {
    NV_TRACE_ENTER("GetDiskFreeSpaceA", lpRootPathName);
    BOOL result = FALSE;
    auto letter = rootDrive(lpRootPathName);
    machine::Machine& m = machine::currentOrDie();
    if (!letter) {
        SetLastError(ERROR_INVALID_NAME);
    } else if (!m.drive(*letter)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
    } else {
        auto free = m.freeSpace(*letter);
        if (!failed(free)) {
            // Report the drive as Windows 95 sees a FAT16 volume: at most
            // 65525 clusters of at most 32 KB, so never more than 2 GB.
            const uint64_t capacity = m.drive(*letter)->capacity;
            DWORD spc = 1;
            while (capacity / (kBytesPerSector * spc) > kMaxClusters && spc < kMaxSectorsPerCluster)
                spc *= 2;
            const uint64_t cluster = static_cast<uint64_t>(kBytesPerSector) * spc;
            const uint64_t total = std::min<uint64_t>(capacity / cluster, kMaxClusters);
            const uint64_t freeClusters = std::min<uint64_t>(*free / cluster, total);
            if (lpSectorsPerCluster)
                *lpSectorsPerCluster = spc;
            if (lpBytesPerSector)
                *lpBytesPerSector = kBytesPerSector;
            if (lpNumberOfFreeClusters)
                *lpNumberOfFreeClusters = static_cast<DWORD>(freeClusters);
            if (lpTotalNumberOfClusters)
                *lpTotalNumberOfClusters = static_cast<DWORD>(total);
            result = TRUE;
        }
    }
    NV_TRACE_RESULT(result);
    return result;
}

UINT WINAPI GetDriveTypeA(LPCSTR lpRootPathName) {
    NV_TRACE_ENTER("GetDriveTypeA", lpRootPathName);
    UINT result = DRIVE_NO_ROOT_DIR;
    auto letter = rootDrive(lpRootPathName);
    if (letter) {
        if (const machine::Drive* d = machine::currentOrDie().drive(*letter)) {
            switch (d->kind) {
            case machine::DriveKind::Fixed: result = DRIVE_FIXED; break;
            case machine::DriveKind::Removable: result = DRIVE_REMOVABLE; break;
            case machine::DriveKind::Network: result = DRIVE_REMOTE; break;
            }
        }
    }
    NV_TRACE_RESULT(result);
    return result;
}

UINT WINAPI SetErrorMode(UINT uMode) {
    NV_TRACE_ENTER("SetErrorMode", uMode);
    // There are no critical-error boxes here; the mode is kept so that callers
    // get back what they set.
    UINT result = files().errorMode;
    files().errorMode = uMode;
    NV_TRACE_RESULT(result);
    return result;
}
