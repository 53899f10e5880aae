#include "platform/kernel/FileTime.h"

namespace nv::kernel {

namespace {

constexpr int64_t kDays1601To1970 = 134774;
constexpr int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date (the usual era
// arithmetic: 400-year eras of 146097 days, years starting in March so that
// the leap day falls at the end).
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yearOfEra = y - era * 400;
    const int64_t monthFromMarch = m > 2 ? m - 3 : m + 9;
    const int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + d - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(int64_t z, int64_t& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    d = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    m = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    y = yearOfEra + era * 400 + (m <= 2 ? 1 : 0);
}

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leapYear(y) ? 29 : days[m - 1];
}

}  // namespace

uint64_t ticksFromTimespec(const struct timespec& ts) {
    const int64_t secondsSince1601 = static_cast<int64_t>(ts.tv_sec) + kDays1601To1970 * kSecondsPerDay;
    if (secondsSince1601 < 0)
        return 0;
    return static_cast<uint64_t>(secondsSince1601) * kTicksPerSecond + static_cast<uint64_t>(ts.tv_nsec) / 100;
}

struct timespec timespecFromTicks(uint64_t ticks) {
    struct timespec ts {};
    const int64_t seconds = static_cast<int64_t>(ticks / kTicksPerSecond);
    ts.tv_sec = static_cast<time_t>(seconds - kDays1601To1970 * kSecondsPerDay);
    ts.tv_nsec = static_cast<long>(ticks % kTicksPerSecond) * 100;
    return ts;
}

bool validDate(const SYSTEMTIME& st) {
    return st.wYear >= 1601 && st.wYear <= 30827 && st.wMonth >= 1 && st.wMonth <= 12 && st.wDay >= 1 &&
           st.wDay <= daysInMonth(st.wYear, st.wMonth);
}

bool validTime(const SYSTEMTIME& st) {
    return st.wHour < 24 && st.wMinute < 60 && st.wSecond < 60 && st.wMilliseconds < 1000;
}

int dayOfWeek(int year, int month, int day) {
    // 1970-01-01 was a Thursday.
    const int64_t days = daysFromCivil(year, month, day);
    return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

std::optional<SYSTEMTIME> systemTimeFromTicks(uint64_t ticks) {
    if (ticks >> 63)
        return std::nullopt;
    const uint64_t totalSeconds = ticks / kTicksPerSecond;
    const int64_t days = static_cast<int64_t>(totalSeconds / kSecondsPerDay);
    const uint64_t secondOfDay = totalSeconds % kSecondsPerDay;
    int64_t y = 0;
    int m = 0, d = 0;
    civilFromDays(days - kDays1601To1970, y, m, d);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(m);
    st.wDay = static_cast<WORD>(d);
    st.wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
    st.wHour = static_cast<WORD>(secondOfDay / 3600);
    st.wMinute = static_cast<WORD>(secondOfDay / 60 % 60);
    st.wSecond = static_cast<WORD>(secondOfDay % 60);
    st.wMilliseconds = static_cast<WORD>(ticks % kTicksPerSecond / 10000);
    return st;
}

std::optional<uint64_t> ticksFromSystemTime(const SYSTEMTIME& st) {
    if (!validDate(st) || !validTime(st))
        return std::nullopt;
    const int64_t days = daysFromCivil(st.wYear, st.wMonth, st.wDay) + kDays1601To1970;
    const uint64_t seconds = static_cast<uint64_t>(days) * kSecondsPerDay + st.wHour * 3600u + st.wMinute * 60u +
                             st.wSecond;
    return seconds * kTicksPerSecond + st.wMilliseconds * 10000ull;
}

}  // namespace nv::kernel
