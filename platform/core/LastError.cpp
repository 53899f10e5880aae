#include <windows.h>

namespace {
// One thread runs the program, but tests may spawn threads: keep it per thread as Windows does.
thread_local DWORD lastError = 0;
}  // namespace

DWORD WINAPI GetLastError(void) { return lastError; }

void WINAPI SetLastError(DWORD dwErrCode) { lastError = dwErrCode; }
