// Directory listings: FindFirstFileA, FindNextFileA, FindClose.
#include <windows.h>

#include "platform/core/Trace.h"
#include "platform/kernel/Edge.h"
#include "platform/kernel/FileOps.h"
#include "platform/kernel/FileTable.h"

using namespace nv;
using namespace nv::kernel;

HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
    NV_TRACE_ENTER("FindFirstFileA", lpFileName);
    HANDLE result = INVALID_HANDLE_VALUE;
    if (!lpFileName || !*lpFileName || !lpFindFileData) {
        SetLastError(lpFindFileData ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
    } else {
        auto r = findFiles(lpFileName);
        if (!failed(r)) {
            FindSearch search;
            search.entries = std::move(*r);
            *lpFindFileData = search.entries[0];
            search.next = 1;
            result = toHandle(files().addSearch(std::move(search)));
        }
    }
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
    NV_TRACE_ENTER("FindNextFileA", hFindFile);
    BOOL result = FALSE;
    FindSearch* search = files().search(toHFile(hFindFile));
    if (!search) {
        SetLastError(ERROR_INVALID_HANDLE);
    } else if (!lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (search->next >= search->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
    } else {
        *lpFindFileData = search->entries[search->next++];
        result = TRUE;
    }
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI FindClose(HANDLE hFindFile) {
    NV_TRACE_ENTER("FindClose", hFindFile);
    BOOL result = files().closeSearch(toHFile(hFindFile)) ? TRUE : FALSE;
    if (!result)
        SetLastError(ERROR_INVALID_HANDLE);
    NV_TRACE_RESULT(result);
    return result;
}
