// Directories and path names: CreateDirectoryA, RemoveDirectoryA,
// SetCurrentDirectoryA, GetCurrentDirectoryA, GetFullPathNameA, GetTempPathA.
#include <windows.h>

#include "platform/core/Machine.h"
#include "platform/core/Trace.h"
#include "platform/kernel/Edge.h"
#include "platform/kernel/FileOps.h"

using namespace nv;
using namespace nv::kernel;

BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
    NV_TRACE_ENTER("CreateDirectoryA", lpPathName);
    BOOL result = FALSE;
    if (!lpPathName || !*lpPathName)
        SetLastError(ERROR_PATH_NOT_FOUND);
    else
        result = failed(createDirectory(lpPathName)) ? FALSE : TRUE;
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName) {
    NV_TRACE_ENTER("RemoveDirectoryA", lpPathName);
    BOOL result = FALSE;
    if (!lpPathName || !*lpPathName)
        SetLastError(ERROR_PATH_NOT_FOUND);
    else
        result = failed(removeDirectory(lpPathName)) ? FALSE : TRUE;
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName) {
    NV_TRACE_ENTER("SetCurrentDirectoryA", lpPathName);
    BOOL result = FALSE;
    if (!lpPathName || !*lpPathName)
        SetLastError(ERROR_PATH_NOT_FOUND);
    else
        result = failed(machine::currentOrDie().setCurrentDirectory(lpPathName)) ? FALSE : TRUE;
    NV_TRACE_RESULT(result);
    return result;
}

DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
    NV_TRACE_ENTER("GetCurrentDirectoryA", nBufferLength);
    DWORD result = copyOutOrNeed(machine::currentOrDie().currentDirectory(), lpBuffer, nBufferLength);
    NV_TRACE_RESULT(result, result && result < nBufferLength ? lpBuffer : nullptr);
    return result;
}

DWORD WINAPI GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart) {
    NV_TRACE_ENTER("GetFullPathNameA", lpFileName, nBufferLength);
    DWORD result = 0;
    if (!lpFileName || !*lpFileName) {
        SetLastError(ERROR_INVALID_NAME);
    } else {
        auto full = machine::currentOrDie().fullPath(lpFileName);
        if (!failed(full)) {
            result = copyOutOrNeed(*full, lpBuffer, nBufferLength);
            if (lpFilePart)
                *lpFilePart = nullptr;
            if (lpFilePart && lpBuffer && result < nBufferLength) {
                // The name part starts after the last backslash; a root has none.
                auto slash = full->find_last_of('\\');
                *lpFilePart = slash + 1 < full->size() ? lpBuffer + slash + 1 : nullptr;
            }
        }
    }
    NV_TRACE_RESULT(result);
    return result;
}

DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
    NV_TRACE_ENTER("GetTempPathA", nBufferLength);
    // Windows 95 sets TEMP to the TEMP folder of the Windows directory.
    std::string temp = machine::currentOrDie().settings().windowsDir + "\\TEMP\\";
    DWORD result = copyOutOrNeed(temp, lpBuffer, nBufferLength);
    NV_TRACE_RESULT(result, result && result < nBufferLength ? lpBuffer : nullptr);
    return result;
}
