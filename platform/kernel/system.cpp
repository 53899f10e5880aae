// The system's own facts: GetWindowsDirectoryA, GetSystemDirectoryA,
// GetModuleFileNameA, GetVersion.
#include <windows.h>

#include "platform/core/Machine.h"
#include "platform/core/Trace.h"
#include "platform/kernel/Edge.h"

using namespace nv;
using namespace nv::kernel;

UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
    NV_TRACE_ENTER("GetWindowsDirectoryA", uSize);
    UINT result = copyOutOrNeed(machine::currentOrDie().settings().windowsDir, lpBuffer, uSize);
    NV_TRACE_RESULT(result, result && result < uSize ? lpBuffer : nullptr);
    return result;
}

UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
    NV_TRACE_ENTER("GetSystemDirectoryA", uSize);
    UINT result = copyOutOrNeed(machine::currentOrDie().settings().systemDir, lpBuffer, uSize);
    NV_TRACE_RESULT(result, result && result < uSize ? lpBuffer : nullptr);
    return result;
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    NV_TRACE_ENTER("GetModuleFileNameA", hModule, nSize);
    // One module: the program, started from the path the launcher recorded.
    const std::string& path = machine::currentOrDie().modulePath;
    DWORD result = 0;
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
    } else if (path.size() + 1 > nSize) {
        // Too small: as much as fits, terminated, and the buffer size back.
        copyBounded(path, lpFilename, nSize);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        result = nSize;
    } else {
        copyBounded(path, lpFilename, nSize);
        result = static_cast<DWORD>(path.size());
    }
    NV_TRACE_RESULT(result, result && result < nSize ? lpFilename : nullptr);
    return result;
}

DWORD WINAPI GetVersion(void) {
    NV_TRACE_ENTER("GetVersion");
    // Low byte major, next byte minor; Windows 95 sets the high bit of the
    // high word (it reports 0xC3B6 there, build 950).
    const auto& s = machine::currentOrDie().settings();
    DWORD result = static_cast<DWORD>(s.versionMajor & 0xFF) | (static_cast<DWORD>(s.versionMinor & 0xFF) << 8) |
                   (0xC3B6u << 16);
    NV_TRACE_RESULT(result);
    return result;
}
