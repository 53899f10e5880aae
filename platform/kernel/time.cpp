// Time conversions and the clock: CompareFileTime, FileTimeToLocalFileTime,
// LocalFileTimeToFileTime, FileTimeToSystemTime, SystemTimeToFileTime,
// GetSystemTime, GetLocalTime. Local time is the machine's time zone (a fixed
// offset from UTC; there is no daylight saving).
#include <ctime>

#include <windows.h>

#include "platform/core/Machine.h"
#include "platform/core/Trace.h"
#include "platform/kernel/FileTime.h"

using namespace nv;
using namespace nv::kernel;

namespace {

int64_t zoneTicks() {
    return static_cast<int64_t>(machine::currentOrDie().settings().timeZoneMinutes) *
           static_cast<int64_t>(kTicksPerMinute);
}

uint64_t nowTicks() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return ticksFromTimespec(ts);
}

// Shifts by the zone; false when the result would leave the FILETIME range.
bool shift(uint64_t ticks, int64_t by, uint64_t& out) {
    if (by < 0 && ticks < static_cast<uint64_t>(-by))
        return false;
    out = ticks + static_cast<uint64_t>(by);
    return !(out >> 63);
}

}  // namespace

LONG WINAPI CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2) {
    const uint64_t a = toTicks(*lpFileTime1), b = toTicks(*lpFileTime2);
    NV_TRACE_ENTER("CompareFileTime", a, b);
    LONG result = a < b ? -1 : a > b ? 1 : 0;
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime) {
    NV_TRACE_ENTER("FileTimeToLocalFileTime", lpFileTime ? toTicks(*lpFileTime) : 0);
    BOOL result = FALSE;
    uint64_t local = 0;
    if (!lpFileTime || !lpLocalFileTime || !shift(toTicks(*lpFileTime), zoneTicks(), local)) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else {
        *lpLocalFileTime = fromTicks(local);
        result = TRUE;
    }
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime) {
    NV_TRACE_ENTER("LocalFileTimeToFileTime", lpLocalFileTime ? toTicks(*lpLocalFileTime) : 0);
    BOOL result = FALSE;
    uint64_t utc = 0;
    if (!lpLocalFileTime || !lpFileTime || !shift(toTicks(*lpLocalFileTime), -zoneTicks(), utc)) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else {
        *lpFileTime = fromTicks(utc);
        result = TRUE;
    }
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) {
    NV_TRACE_ENTER("FileTimeToSystemTime", lpFileTime ? toTicks(*lpFileTime) : 0);
    BOOL result = FALSE;
    auto st = lpFileTime ? systemTimeFromTicks(toTicks(*lpFileTime)) : std::nullopt;
    if (!st || !lpSystemTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else {
        *lpSystemTime = *st;
        result = TRUE;
    }
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime) {
    NV_TRACE_ENTER("SystemTimeToFileTime");
    BOOL result = FALSE;
    auto ticks = lpSystemTime ? ticksFromSystemTime(*lpSystemTime) : std::nullopt;
    if (!ticks || !lpFileTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else {
        *lpFileTime = fromTicks(*ticks);
        result = TRUE;
    }
    NV_TRACE_RESULT(result);
    return result;
}

void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime) {
    NV_TRACE_ENTER("GetSystemTime");
    if (auto st = systemTimeFromTicks(nowTicks()))
        *lpSystemTime = *st;
    NV_TRACE_RESULT(0);
}

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
    NV_TRACE_ENTER("GetLocalTime");
    uint64_t local = 0;
    if (shift(nowTicks(), zoneTicks(), local)) {
        if (auto st = systemTimeFromTicks(local))
            *lpSystemTime = *st;
    }
    NV_TRACE_RESULT(0);
}

// GetTickCount is defined with the window manager's machine clock
// (platform/user/MessageApi.cpp): timers and tick counts share one clock.
