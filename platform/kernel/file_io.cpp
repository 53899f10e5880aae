// Reading, writing and positioning: _lread, _lwrite, _llseek, ReadFile,
// WriteFile, SetFilePointer, SetEndOfFile, GetFileSize.
#include <windows.h>

#include "platform/core/Trace.h"
#include "platform/kernel/Edge.h"
#include "platform/kernel/FileTable.h"

using namespace nv;
using namespace nv::kernel;

UINT WINAPI _lread(HFILE hFile, LPVOID lpBuffer, UINT uBytes) {
    NV_TRACE_ENTER("_lread", hFile, uBytes);
    auto r = files().read(hFile, lpBuffer, uBytes);
    UINT result = failed(r) ? static_cast<UINT>(HFILE_ERROR) : *r;
    NV_TRACE_RESULT(result);
    return result;
}

UINT WINAPI _lwrite(HFILE hFile, LPCSTR lpBuffer, UINT uBytes) {
    NV_TRACE_ENTER("_lwrite", hFile, uBytes);
    UINT result;
    if (uBytes == 0) {
        // Writing nothing cuts the file at the file pointer (the DOS rule).
        auto r = files().truncateHere(hFile);
        result = failed(r) ? static_cast<UINT>(HFILE_ERROR) : 0;
    } else {
        auto r = files().write(hFile, lpBuffer, uBytes);
        result = failed(r) ? static_cast<UINT>(HFILE_ERROR) : *r;
    }
    NV_TRACE_RESULT(result);
    return result;
}

LONG WINAPI _llseek(HFILE hFile, LONG lOffset, int iOrigin) {
    NV_TRACE_ENTER("_llseek", hFile, lOffset, iOrigin);
    LONG result = HFILE_ERROR;
    auto r = files().seek(hFile, lOffset, iOrigin);
    if (!failed(r)) {
        if (*r > 0x7FFFFFFF)
            SetLastError(ERROR_INVALID_PARAMETER);  // beyond what the 16-bit call can report
        else
            result = static_cast<LONG>(*r);
    }
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped) {
    NV_TRACE_ENTER("ReadFile", hFile, nNumberOfBytesToRead);
    BOOL result = FALSE;
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = 0;
    if (lpOverlapped) {
        SetLastError(ERROR_INVALID_PARAMETER);  // no overlapped I/O on this system
    } else {
        auto r = files().read(toHFile(hFile), lpBuffer, nNumberOfBytesToRead);
        if (!failed(r)) {
            if (lpNumberOfBytesRead)
                *lpNumberOfBytesRead = *r;
            result = TRUE;
        }
    }
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped) {
    NV_TRACE_ENTER("WriteFile", hFile, nNumberOfBytesToWrite);
    BOOL result = FALSE;
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = 0;
    if (lpOverlapped) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else {
        // Unlike _lwrite, a zero-byte WriteFile changes nothing.
        auto r = files().write(toHFile(hFile), lpBuffer, nNumberOfBytesToWrite);
        if (!failed(r)) {
            if (lpNumberOfBytesWritten)
                *lpNumberOfBytesWritten = *r;
            result = TRUE;
        }
    }
    NV_TRACE_RESULT(result);
    return result;
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
    NV_TRACE_ENTER("SetFilePointer", hFile, lDistanceToMove, dwMoveMethod);
    DWORD result = INVALID_SET_FILE_POINTER;
    int64_t distance = lDistanceToMove;
    if (lpDistanceToMoveHigh)
        distance = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                        static_cast<uint32_t>(lDistanceToMove));
    auto r = files().seek(toHFile(hFile), distance, static_cast<int>(dwMoveMethod));
    if (!failed(r)) {
        const auto pos = static_cast<uint64_t>(*r);
        if (lpDistanceToMoveHigh) {
            *lpDistanceToMoveHigh = static_cast<LONG>(pos >> 32);
        } else if (pos > 0xFFFFFFFEull) {
            SetLastError(ERROR_INVALID_PARAMETER);
            NV_TRACE_RESULT(result);
            return result;
        }
        result = static_cast<DWORD>(pos & 0xFFFFFFFFu);
        SetLastError(ERROR_SUCCESS);  // callers tell a real 0xFFFFFFFF position by the last error
    }
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI SetEndOfFile(HANDLE hFile) {
    NV_TRACE_ENTER("SetEndOfFile", hFile);
    auto r = files().truncateHere(toHFile(hFile));
    BOOL result = failed(r) ? FALSE : TRUE;
    NV_TRACE_RESULT(result);
    return result;
}

DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    NV_TRACE_ENTER("GetFileSize", hFile);
    DWORD result = INVALID_FILE_SIZE;
    auto r = files().size(toHFile(hFile));
    if (!failed(r)) {
        if (lpFileSizeHigh)
            *lpFileSizeHigh = static_cast<DWORD>(*r >> 32);
        result = static_cast<DWORD>(*r & 0xFFFFFFFFu);
        if (result == INVALID_FILE_SIZE)
            SetLastError(ERROR_SUCCESS);
    }
    NV_TRACE_RESULT(result);
    return result;
}
