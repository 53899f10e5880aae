// Files by name: CopyFileA, DeleteFileA, MoveFileA, GetFileAttributesA,
// SetFileAttributesA.
#include <windows.h>

#include "platform/core/Trace.h"
#include "platform/kernel/Edge.h"
#include "platform/kernel/FileOps.h"

using namespace nv;
using namespace nv::kernel;

namespace {
bool missing(LPCSTR s) {
    if (s && *s)
        return false;
    SetLastError(ERROR_PATH_NOT_FOUND);
    return true;
}
}  // namespace

BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
    NV_TRACE_ENTER("CopyFileA", lpExistingFileName, lpNewFileName, bFailIfExists);
    BOOL result = FALSE;
    if (!missing(lpExistingFileName) && !missing(lpNewFileName)) {
        auto r = copyFile(lpExistingFileName, lpNewFileName, bFailIfExists ? IfExists::Fail : IfExists::Replace);
        result = failed(r) ? FALSE : TRUE;
    }
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
    NV_TRACE_ENTER("DeleteFileA", lpFileName);
    BOOL result = FALSE;
    if (!missing(lpFileName))
        result = failed(deleteFile(lpFileName)) ? FALSE : TRUE;
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) {
    NV_TRACE_ENTER("MoveFileA", lpExistingFileName, lpNewFileName);
    BOOL result = FALSE;
    if (!missing(lpExistingFileName) && !missing(lpNewFileName))
        result = failed(moveFile(lpExistingFileName, lpNewFileName)) ? FALSE : TRUE;
    NV_TRACE_RESULT(result);
    return result;
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
    NV_TRACE_ENTER("GetFileAttributesA", lpFileName);
    DWORD result = INVALID_FILE_ATTRIBUTES;
    if (!missing(lpFileName)) {
        auto r = fileAttributes(lpFileName);
        if (!failed(r))
            result = *r;
    }
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
    NV_TRACE_ENTER("SetFileAttributesA", lpFileName, dwFileAttributes);
    BOOL result = FALSE;
    if (!missing(lpFileName))
        result = failed(setFileAttributes(lpFileName, dwFileAttributes)) ? FALSE : TRUE;
    NV_TRACE_RESULT(result);
    return result;
}
