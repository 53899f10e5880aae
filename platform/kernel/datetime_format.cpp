// Date and time pictures: GetDateFormatA and GetTimeFormatA, with the
// English (United States) names and default pictures.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include <windows.h>

#include "platform/core/Trace.h"
#include "platform/kernel/FileTime.h"

using namespace nv;
using namespace nv::kernel;

namespace {

const char* const kDayAbbrev[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kDayName[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kMonthAbbrev[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kMonthName[] = {"January", "February", "March",     "April",   "May",      "June",
                                  "July",    "August",   "September", "October", "November", "December"};

enum class Kind { Date, Time };

// Zero-padded to `width` digits (a minus sign counts as one of them).
std::string number(int value, int width) {
    std::string digits = std::to_string(value < 0 ? -static_cast<long long>(value) : value);
    size_t len = digits.size() + (value < 0 ? 1 : 0);
    if (width > 0 && static_cast<size_t>(width) > len)
        digits.insert(0, static_cast<size_t>(width) - len, '0');
    return value < 0 ? "-" + digits : digits;
}

bool isPicture(Kind kind, char c) {
    if (kind == Kind::Date)
        return c == 'd' || c == 'M' || c == 'y' || c == 'g';
    return c == 'h' || c == 'H' || c == 'm' || c == 's' || c == 't';
}

std::string expand(Kind kind, char c, int n, const SYSTEMTIME& st, DWORD flags) {
    switch (c) {
    case 'd':
        if (n <= 2)
            return number(st.wDay, n);
        return (n == 3 ? kDayAbbrev : kDayName)[dayOfWeek(st.wYear, st.wMonth, st.wDay)];
    case 'M':
        if (n <= 2)
            return number(st.wMonth, n);
        return (n == 3 ? kMonthAbbrev : kMonthName)[st.wMonth - 1];
    case 'y':
        if (n == 1)
            return std::to_string(st.wYear % 100);
        if (n == 2)
            return number(st.wYear % 100, 2);
        return std::to_string(st.wYear);
    case 'g': return "A.D.";
    case 'h':
        if (flags & TIME_FORCE24HOURFORMAT)
            return number(st.wHour, n >= 2 ? 2 : 1);
        return number(st.wHour % 12 == 0 ? 12 : st.wHour % 12, n >= 2 ? 2 : 1);
    case 'H': return number(st.wHour, n >= 2 ? 2 : 1);
    case 'm': return number(st.wMinute, n >= 2 ? 2 : 1);
    case 's': return number(st.wSecond, n >= 2 ? 2 : 1);
    case 't': {
        std::string marker = st.wHour < 12 ? "AM" : "PM";
        return n == 1 ? marker.substr(0, 1) : marker;
    }
    }
    (void)kind;
    return {};
}

// Expands a picture. Quoted text is copied as it stands; '' is one quote.
// The time flags drop pictures together with the separator text before them.
std::string format(Kind kind, std::string_view pic, const SYSTEMTIME& st, DWORD flags) {
    std::string out;
    size_t literalStart = std::string::npos;  // where the text since the last picture begins in out
    size_t i = 0;
    while (i < pic.size()) {
        char c = pic[i];
        if (c == '\'') {
            if (literalStart == std::string::npos)
                literalStart = out.size();
            ++i;
            if (i < pic.size() && pic[i] == '\'') {  // '' outside quotes
                out += '\'';
                ++i;
                continue;
            }
            while (i < pic.size()) {
                if (pic[i] == '\'') {
                    if (i + 1 < pic.size() && pic[i + 1] == '\'') {
                        out += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += pic[i++];
            }
            continue;
        }
        if (!isPicture(kind, c)) {
            if (literalStart == std::string::npos)
                literalStart = out.size();
            out += c;
            ++i;
            continue;
        }
        int n = 0;
        while (i < pic.size() && pic[i] == c) {
            ++n;
            ++i;
        }
        bool drop = false;
        if (kind == Kind::Time) {
            drop = (c == 's' && (flags & (TIME_NOSECONDS | TIME_NOMINUTESORSECONDS))) ||
                   (c == 'm' && (flags & TIME_NOMINUTESORSECONDS)) || (c == 't' && (flags & TIME_NOTIMEMARKER));
        }
        if (drop) {
            if (literalStart != std::string::npos)
                out.resize(literalStart);
        } else {
            out += expand(kind, c, n, st, flags);
        }
        literalStart = std::string::npos;
    }
    return out;
}

bool currentLocal(SYSTEMTIME& st) {
    GetLocalTime(&st);
    return true;
}

int finish(const std::string& text, LPSTR buffer, int cch) {
    const int needed = static_cast<int>(text.size()) + 1;
    if (cch == 0)
        return needed;
    if (needed > cch) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return needed;
}

}  // namespace

int WINAPI GetDateFormatA(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpDate, LPCSTR lpFormat, LPSTR lpDateStr,
                          int cchDate) {
    NV_TRACE_ENTER("GetDateFormatA", Locale, dwFlags, lpFormat, cchDate);
    int result = 0;
    SYSTEMTIME st{};
    const DWORD kinds = dwFlags & (DATE_SHORTDATE | DATE_LONGDATE);
    if (cchDate < 0 || (cchDate > 0 && !lpDateStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if ((lpFormat && kinds) || kinds == (DATE_SHORTDATE | DATE_LONGDATE) ||
               (dwFlags & ~(DATE_SHORTDATE | DATE_LONGDATE | LOCALE_NOUSEROVERRIDE | LOCALE_USE_CP_ACP))) {
        SetLastError(ERROR_INVALID_FLAGS);
    } else if (lpDate ? !validDate(*lpDate) : !currentLocal(st)) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else {
        if (lpDate)
            st = *lpDate;
        const char* pic = lpFormat ? lpFormat : (kinds == DATE_LONGDATE ? "dddd, MMMM dd, yyyy" : "M/d/yy");
        result = finish(format(Kind::Date, pic, st, 0), lpDateStr, cchDate);
    }
    NV_TRACE_RESULT(result);
    return result;
}

int WINAPI GetTimeFormatA(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpTime, LPCSTR lpFormat, LPSTR lpTimeStr,
                          int cchTime) {
    NV_TRACE_ENTER("GetTimeFormatA", Locale, dwFlags, lpFormat, cchTime);
    int result = 0;
    SYSTEMTIME st{};
    if (cchTime < 0 || (cchTime > 0 && !lpTimeStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (dwFlags & ~(TIME_NOMINUTESORSECONDS | TIME_NOSECONDS | TIME_NOTIMEMARKER | TIME_FORCE24HOURFORMAT |
                           LOCALE_NOUSEROVERRIDE | LOCALE_USE_CP_ACP)) {
        SetLastError(ERROR_INVALID_FLAGS);
    } else if (lpTime ? !validTime(*lpTime) : !currentLocal(st)) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else {
        if (lpTime)
            st = *lpTime;
        const char* pic = lpFormat ? lpFormat : "h:mm:ss tt";
        result = finish(format(Kind::Time, pic, st, dwFlags), lpTimeStr, cchTime);
    }
    NV_TRACE_RESULT(result);
    return result;
}
