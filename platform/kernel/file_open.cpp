// Opening and closing files: OpenFile, _lopen, _lcreat, _lclose, CreateFileA,
// CloseHandle.
#include <windows.h>

#include "platform/core/Machine.h"
#include "platform/core/Trace.h"
#include "platform/kernel/Edge.h"
#include "platform/kernel/FileOps.h"
#include "platform/kernel/FileTable.h"

using namespace nv;
using namespace nv::kernel;

namespace {

// The share mode bits of OpenFile and _lopen as CreateFileA share flags.
// Compatibility mode shares everything, as Win32 treats it.
DWORD shareFromOF(UINT style) {
    switch (style & 0x70) {
    case OF_SHARE_EXCLUSIVE: return 0;
    case OF_SHARE_DENY_WRITE: return FILE_SHARE_READ;
    case OF_SHARE_DENY_READ: return FILE_SHARE_WRITE;
    default: return FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
}

OpenRequest requestFromOF(UINT style) {
    OpenRequest r;
    switch (style & 3) {
    case OF_WRITE: r.write = true; break;
    case OF_READWRITE: r.read = r.write = true; break;
    default: r.read = true; break;
    }
    r.share = shareFromOF(style);
    return r;
}

// OpenFile's work, with the OFSTRUCT filled by the caller on every path.
Result<HFILE> openFileCore(const std::string& name, OFSTRUCT& ofs, UINT style) {
    machine::Machine& m = machine::currentOrDie();
    std::string full = NV_TRY(m.fullPath(name));
    if (full.size() >= OFS_MAXPATHNAME)
        return Error::win32(ERROR_FILENAME_EXCED_RANGE, full + ": longer than OpenFile can hold");
    copyBounded(full, ofs.szPathName, sizeof ofs.szPathName);
    const machine::Drive* d = m.drive(full[0]);
    ofs.fFixedDisk = d && d->kind != machine::DriveKind::Removable ? 1 : 0;
    if (style & OF_PARSE)
        return 0;

    FileTable& table = files();
    if (style & OF_CREATE) {
        OpenRequest r = requestFromOF(style);
        r.read = true;  // a created file is always writable and readable
        r.write = true;
        r.disposition = Disposition::CreateAlways;
        int h = NV_TRY(table.open(full, r));
        return h;
    }

    // Find the file: a bare name is searched for, a path is taken as it is.
    Result<std::string> found = searchForOpen(name);
    while (!found && (style & OF_PROMPT) && found.error().code != ERROR_PATH_NOT_FOUND && openPromptHook() &&
           openPromptHook()(full)) {
        found = searchForOpen(name);
    }
    if (!found)
        return found.take_error();
    copyBounded(*found, ofs.szPathName, sizeof ofs.szPathName);

    if (style & OF_DELETE) {
        NV_TRY(deleteFile(*found));
        return 1;
    }
    OpenRequest r = requestFromOF(style);
    if (style & OF_EXIST) {
        r.read = true;
        r.write = false;
    }
    int h = NV_TRY(table.open(*found, r));
    if (style & OF_EXIST) {
        (void)table.close(h);
        return 1;
    }
    return h;
}

}  // namespace

HFILE WINAPI OpenFile(LPCSTR lpFileName, LPOFSTRUCT lpReOpenBuff, UINT uStyle) {
    NV_TRACE_ENTER("OpenFile", lpFileName, uStyle);
    HFILE result = HFILE_ERROR;
    if (!lpReOpenBuff || (!lpFileName && !(uStyle & OF_REOPEN))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        NV_TRACE_RESULT(result);
        return result;
    }
    // OF_REOPEN takes the name from the structure, so copy it out first.
    std::string name = (uStyle & OF_REOPEN) ? std::string(lpReOpenBuff->szPathName,
                                                          strnlen(lpReOpenBuff->szPathName, OFS_MAXPATHNAME))
                                            : std::string(lpFileName);
    lpReOpenBuff->cBytes = sizeof(OFSTRUCT);
    lpReOpenBuff->nErrCode = 0;
    auto r = openFileCore(name, *lpReOpenBuff, uStyle);
    if (r) {
        result = *r;
    } else {
        lpReOpenBuff->nErrCode = static_cast<WORD>(r.error().code);
        SetLastError(r.error().code);
    }
    NV_TRACE_RESULT(result);
    return result;
}

HFILE WINAPI _lopen(LPCSTR lpPathName, int iReadWrite) {
    NV_TRACE_ENTER("_lopen", lpPathName, iReadWrite);
    HFILE result = HFILE_ERROR;
    if (!lpPathName) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else {
        auto r = files().open(lpPathName, requestFromOF(static_cast<UINT>(iReadWrite)));
        if (!failed(r))
            result = *r;
    }
    NV_TRACE_RESULT(result);
    return result;
}

HFILE WINAPI _lcreat(LPCSTR lpPathName, int iAttribute) {
    NV_TRACE_ENTER("_lcreat", lpPathName, iAttribute);
    HFILE result = HFILE_ERROR;
    if (!lpPathName) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else {
        OpenRequest req;
        req.read = req.write = true;
        req.disposition = Disposition::CreateAlways;
        req.attributes = static_cast<DWORD>(iAttribute) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                           FILE_ATTRIBUTE_SYSTEM);
        auto r = files().open(lpPathName, req);
        if (!failed(r))
            result = *r;
    }
    NV_TRACE_RESULT(result);
    return result;
}

HFILE WINAPI _lclose(HFILE hFile) {
    NV_TRACE_ENTER("_lclose", hFile);
    auto r = files().close(hFile);
    HFILE result = failed(r) ? HFILE_ERROR : 0;
    NV_TRACE_RESULT(result);
    return result;
}

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    NV_TRACE_ENTER("CreateFileA", lpFileName, dwDesiredAccess, dwShareMode, dwCreationDisposition, dwFlagsAndAttributes);
    HANDLE result = INVALID_HANDLE_VALUE;
    if (!lpFileName || dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING) {
        SetLastError(lpFileName ? ERROR_INVALID_PARAMETER : ERROR_PATH_NOT_FOUND);
    } else if (!*lpFileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
    } else {
        OpenRequest req;
        req.read = (dwDesiredAccess & (GENERIC_READ | GENERIC_ALL)) != 0;
        req.write = (dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL)) != 0;
        req.share = dwShareMode & (FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
        req.disposition = static_cast<Disposition>(dwCreationDisposition);
        req.attributes = dwFlagsAndAttributes & 0xFFFF;
        bool existed = false;
        auto r = files().open(lpFileName, req, &existed);
        if (!failed(r)) {
            result = toHandle(*r);
            // Windows tells the caller that an "always" disposition found the file.
            const bool always = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
            SetLastError(always && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
        }
    }
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
    NV_TRACE_ENTER("CloseHandle", hObject);
    auto r = files().close(toHFile(hObject));
    BOOL result = failed(r) ? FALSE : TRUE;
    NV_TRACE_RESULT(result);
    return result;
}
