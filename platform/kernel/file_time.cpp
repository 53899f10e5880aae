// File times of open files: GetFileTime, SetFileTime. The last-write time is
// the host file's modification time, to 100 ns.
#include <sys/stat.h>

#include <windows.h>

#include "platform/core/Trace.h"
#include "platform/kernel/Edge.h"
#include "platform/kernel/FileTable.h"
#include "platform/kernel/FileTime.h"

using namespace nv;
using namespace nv::kernel;

BOOL WINAPI GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime,
                        LPFILETIME lpLastWriteTime) {
    BOOL result = FALSE;
    auto f = files().file(toHFile(hFile));
    if (!failed(f)) {
        struct stat st {};
        if (::fstat((*f)->fd, &st) != 0) {
            SetLastError(ERROR_INVALID_HANDLE);
        } else {
            const FILETIME written = fromTicks(ticksFromTimespec(st.st_mtim));
            if (lpCreationTime)
                *lpCreationTime = written;  // no creation time on the host; the write time stands in
            if (lpLastAccessTime)
                *lpLastAccessTime = fromTicks(ticksFromTimespec(st.st_atim));
            if (lpLastWriteTime)
                *lpLastWriteTime = written;
            result = TRUE;
        }
    }
    NV_TRACE_CALL("GetFileTime", result, hFile);
    return result;
}

BOOL WINAPI SetFileTime(HANDLE hFile, const FILETIME* lpCreationTime, const FILETIME* lpLastAccessTime,
                        const FILETIME* lpLastWriteTime) {
    BOOL result = FALSE;
    auto f = files().file(toHFile(hFile));
    if (!failed(f)) {
        if (!(*f)->write) {
            SetLastError(ERROR_ACCESS_DENIED);
        } else {
            // NULL leaves a time as it is; the creation time has no host home.
            struct timespec times[2];
            times[0].tv_nsec = UTIME_OMIT;
            times[1].tv_nsec = UTIME_OMIT;
            times[0].tv_sec = times[1].tv_sec = 0;
            if (lpLastAccessTime)
                times[0] = timespecFromTicks(toTicks(*lpLastAccessTime));
            if (lpLastWriteTime)
                times[1] = timespecFromTicks(toTicks(*lpLastWriteTime));
            if (::futimens((*f)->fd, times) != 0)
                SetLastError(hostError(errno, (*f)->winPath).code);
            else
                result = TRUE;
        }
    }
    NV_TRACE_CALL("SetFileTime", result, hFile);
    return result;
}
