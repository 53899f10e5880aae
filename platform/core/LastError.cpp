#include <windows.h>

namespace {
// One thread runs the program, but tests may spawn threads: keep it per thread as Windows does.
thread_local DWORD lastError = 0;
}  // namespace

DWORD WINAPI GetLastError(void) { return lastError; }

void WINAPI SetLastError(DWORD dwErrCode) { lastError = dwErrCode; }

// The simulated machine runs one process of interest; fixed ids keep traces stable.
DWORD WINAPI GetCurrentThreadId(void) { return 0x0FFF; }

DWORD WINAPI GetCurrentProcessId(void) { return 0x0FFD; }
