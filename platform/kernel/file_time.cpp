// File times of open files: GetFileTime, SetFileTime. The last-write time is
// the host file's modification time, to 100 ns.
#include <optional>

#include <windows.h>

#include "platform/core/Trace.h"
#include "platform/kernel/Edge.h"
#include "platform/kernel/FileTable.h"
#include "platform/kernel/FileTime.h"

using namespace nv;
using namespace nv::kernel;

BOOL WINAPI GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime,
                        LPFILETIME lpLastWriteTime) {
    NV_TRACE_ENTER("GetFileTime", hFile);
    BOOL result = FALSE;
    auto f = files().file(toHFile(hFile));
    if (!failed(f)) {
        auto st = nv::machine::currentOrDie().store().status((*f)->fd, (*f)->winPath);
        if (!st) {
            SetLastError(ERROR_INVALID_HANDLE);
        } else {
            const FILETIME written = fromTicks(ticksFromTimespec(st->modified));
            if (lpCreationTime)
                *lpCreationTime = written;  // no creation time on the host; the write time stands in
            if (lpLastAccessTime)
                *lpLastAccessTime = fromTicks(ticksFromTimespec(st->accessed));
            if (lpLastWriteTime)
                *lpLastWriteTime = written;
            result = TRUE;
        }
    }
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI SetFileTime(HANDLE hFile, const FILETIME* lpCreationTime, const FILETIME* lpLastAccessTime,
                        const FILETIME* lpLastWriteTime) {
    NV_TRACE_ENTER("SetFileTime", hFile);
    BOOL result = FALSE;
    auto f = files().file(toHFile(hFile));
    if (!failed(f)) {
        if (!(*f)->write) {
            SetLastError(ERROR_ACCESS_DENIED);
        } else {
            // NULL leaves a time as it is; the creation time has no host home.
            std::optional<struct timespec> accessed, written;
            if (lpLastAccessTime)
                accessed = timespecFromTicks(toTicks(*lpLastAccessTime));
            if (lpLastWriteTime)
                written = timespecFromTicks(toTicks(*lpLastWriteTime));
            auto set = nv::machine::currentOrDie().store().setTimes((*f)->fd, accessed, written, (*f)->winPath);
            if (!set)
                SetLastError(set.error().code);
            else
                result = TRUE;
        }
    }
    NV_TRACE_RESULT(result);
    return result;
}
