// Conversions between FILETIME (100 ns since 1601-01-01 UTC), host times and
// calendar dates. Pure arithmetic, no machine state.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

#include <windows.h>

namespace nv::kernel {

// FILETIME of the Unix epoch, 1970-01-01 00:00 UTC.
constexpr uint64_t kUnixEpochFileTime = 116444736000000000ull;
constexpr uint64_t kTicksPerSecond = 10000000ull;
constexpr uint64_t kTicksPerMinute = 60 * kTicksPerSecond;

inline uint64_t toTicks(const FILETIME& ft) {
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
inline FILETIME fromTicks(uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

// Host time (seconds and nanoseconds since the Unix epoch) to FILETIME ticks;
// times before 1601 clamp to 0.
uint64_t ticksFromTimespec(const struct timespec& ts);
// FILETIME ticks to host time, exact to 100 ns.
struct timespec timespecFromTicks(uint64_t ticks);

// Calendar conversion. Returns nothing for ticks with the high bit set, which
// Windows refuses.
std::optional<SYSTEMTIME> systemTimeFromTicks(uint64_t ticks);
// Nothing for a date or time out of range (month 13, 30 February, 24:00 ...).
std::optional<uint64_t> ticksFromSystemTime(const SYSTEMTIME& st);
// True when the fields describe a real date between 1601 and 30827.
bool validDate(const SYSTEMTIME& st);
bool validTime(const SYSTEMTIME& st);
// 0 = Sunday.
int dayOfWeek(int year, int month, int day);

}  // namespace nv::kernel
