// Time conversions, date and time pictures, code pages.
#include <cstring>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "TempMachine.h"

namespace {

using nv::testing::TempMachine;
constexpr DWORD kSentinel = 0xDEADBEEF;

FILETIME ft(uint64_t ticks) { return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}; }
uint64_t ticks(const FILETIME& f) { return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime; }

SYSTEMTIME date(WORD y, WORD mo, WORD d, WORD h = 0, WORD mi = 0, WORD s = 0, WORD ms = 0) {
    SYSTEMTIME st{};
    st.wYear = y;
    st.wMonth = mo;
    st.wDay = d;
    st.wHour = h;
    st.wMinute = mi;
    st.wSecond = s;
    st.wMilliseconds = ms;
    st.wDayOfWeek = 6;  // deliberately wrong: the functions must not trust it
    return st;
}

TEST(Time, FileTimeAndSystemTimeRoundTrip) {
    TempMachine m;
    SYSTEMTIME st;
    std::memset(&st, 0xCC, sizeof st);
    const FILETIME installer = ft(0x01BAD719EA8EDE00ull);
    ASSERT_TRUE(FileTimeToSystemTime(&installer, &st));
    EXPECT_EQ(st.wYear, 1995);
    EXPECT_EQ(st.wMonth, 12);
    EXPECT_EQ(st.wDay, 31);
    EXPECT_EQ(st.wDayOfWeek, 0);  // a Sunday
    EXPECT_EQ(st.wHour, 0);
    EXPECT_EQ(st.wMinute, 50);
    EXPECT_EQ(st.wSecond, 1);
    EXPECT_EQ(st.wMilliseconds, 549);

    // The calendar edges: the FILETIME origin, a leap day, the Unix epoch.
    const struct {
        SYSTEMTIME st;
        uint64_t ticks;
        WORD weekday;
    } cases[] = {
        {date(1601, 1, 1), 0, 1},
        {date(1970, 1, 1), 116444736000000000ull, 4},
        {date(2000, 2, 29, 23, 59, 59, 999), 125963423999990000ull, 2},
        {date(1998, 1, 6, 14, 5, 9), 125285691090000000ull, 2},
    };
    for (const auto& c : cases) {
        FILETIME f{};
        ASSERT_TRUE(SystemTimeToFileTime(&c.st, &f));
        EXPECT_EQ(ticks(f), c.ticks);
        SYSTEMTIME back{};
        ASSERT_TRUE(FileTimeToSystemTime(&f, &back));
        EXPECT_EQ(back.wYear, c.st.wYear);
        EXPECT_EQ(back.wMonth, c.st.wMonth);
        EXPECT_EQ(back.wDay, c.st.wDay);
        EXPECT_EQ(back.wDayOfWeek, c.weekday);
        EXPECT_EQ(back.wMilliseconds, c.st.wMilliseconds);
    }

    for (const SYSTEMTIME& bad : {date(1999, 2, 29), date(2000, 13, 1), date(1600, 12, 31), date(2000, 1, 1, 24),
                                  date(2000, 1, 1, 0, 60), date(2000, 1, 0)}) {
        FILETIME f = ft(42);
        SetLastError(kSentinel);
        EXPECT_FALSE(SystemTimeToFileTime(&bad, &f));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(ticks(f), 42u);  // output untouched
    }
    const FILETIME tooBig = ft(0x8000000000000000ull);
    SetLastError(kSentinel);
    EXPECT_FALSE(FileTimeToSystemTime(&tooBig, &st));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Time, LocalTimeFollowsTheMachineZone) {
    auto s = TempMachine::defaultSettings();
    s.timeZoneMinutes = 60;  // Central Europe, no daylight saving here
    TempMachine m(s);
    const FILETIME utc = ft(0x01BAD719EA8EDE00ull);
    FILETIME local{};
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_EQ(ticks(local) - ticks(utc), 36000000000ull);
    FILETIME back{};
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
    EXPECT_EQ(ticks(back), ticks(utc));

    m.machine().settings().timeZoneMinutes = -300;
    const FILETIME early = ft(10);  // would fall before 1601
    SetLastError(kSentinel);
    EXPECT_FALSE(FileTimeToLocalFileTime(&early, &local));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    EXPECT_EQ(CompareFileTime(&utc, &back), 0);
    EXPECT_EQ(CompareFileTime(&early, &utc), -1);
    EXPECT_EQ(CompareFileTime(&utc, &early), 1);
    // Only the high words differ: the low words alone would say the opposite.
    const FILETIME a = {0xFFFFFFFFu, 1}, b = {0, 2};
    EXPECT_EQ(CompareFileTime(&a, &b), -1);
}

std::string dateText(const SYSTEMTIME& st, const char* picture, DWORD flags = 0) {
    char buf[80];
    std::memset(buf, 'x', sizeof buf);
    int n = GetDateFormatA(LOCALE_USER_DEFAULT, flags, &st, picture, buf, sizeof buf);
    if (n == 0)
        return "error " + std::to_string(GetLastError());
    EXPECT_EQ(static_cast<size_t>(n), std::strlen(buf) + 1);  // the count includes the NUL
    return buf;
}

std::string timeText(const SYSTEMTIME& st, const char* picture, DWORD flags = 0) {
    char buf[80];
    int n = GetTimeFormatA(LOCALE_USER_DEFAULT, flags, &st, picture, buf, sizeof buf);
    if (n == 0)
        return "error " + std::to_string(GetLastError());
    EXPECT_EQ(static_cast<size_t>(n), std::strlen(buf) + 1);
    return buf;
}

TEST(DateFormat, PicturesTheInstallerUses) {
    TempMachine m;
    const SYSTEMTIME st = date(1998, 1, 6, 14, 5, 9);
    EXPECT_EQ(dateText(st, "ddd MMM d"), "Tue Jan 6");
    EXPECT_EQ(timeText(st, "HH':'mm':'ss"), "14:05:09");
    EXPECT_EQ(dateText(st, "yyyy"), "1998");
}

TEST(DateFormat, EveryPictureAndQuoting) {
    TempMachine m;
    const SYSTEMTIME st = date(2005, 11, 7, 0, 3, 4);
    EXPECT_EQ(dateText(st, "d dd ddd dddd"), "7 07 Mon Monday");
    EXPECT_EQ(dateText(st, "M MM MMM MMMM"), "11 11 Nov November");
    EXPECT_EQ(dateText(date(2005, 3, 1), "y yy yyyy"), "5 05 2005");
    EXPECT_EQ(dateText(st, "'day' d 'o''clock' ''"), "day 7 o'clock '");
    EXPECT_EQ(dateText(st, "hh:mm"), "hh:mm");  // time pictures are text in a date
    EXPECT_EQ(timeText(st, "h hh H HH m mm s ss t tt"), "12 12 0 00 3 03 4 04 A AM");
    EXPECT_EQ(timeText(date(2005, 1, 1, 13, 0, 0), "h tt"), "1 PM");
    EXPECT_EQ(timeText(date(2005, 1, 1, 12, 0, 0), "h tt"), "12 PM");  // noon is afternoon
    EXPECT_EQ(timeText(st, "ddd HH"), "ddd 00");  // date pictures are text in a time
    EXPECT_EQ(timeText(date(2005, 1, 1, 13, 7, 8), "hh':'mm':'ss tt", TIME_NOSECONDS), "01:07 PM");
    EXPECT_EQ(timeText(date(2005, 1, 1, 13, 7, 8), "hh:mm:ss tt", TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER),
              "13:07:08");
    // Without a picture: the United States defaults.
    EXPECT_EQ(dateText(st, nullptr), "11/7/05");
    EXPECT_EQ(dateText(st, nullptr, DATE_LONGDATE), "Monday, November 07, 2005");
    EXPECT_EQ(timeText(date(2005, 1, 1, 13, 7, 8), nullptr), "1:07:08 PM");
}

TEST(DateFormat, BufferSizesAndBadArguments) {
    TempMachine m;
    const SYSTEMTIME st = date(1998, 1, 6);
    char buf[16];
    EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &st, "yyyy", nullptr, 0), 5);
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &st, "yyyy", buf, 5), 5);  // fits exactly
    EXPECT_STREQ(buf, "1998");
    std::memset(buf, 'x', sizeof buf);
    SetLastError(kSentinel);
    EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &st, "yyyy", buf, 4), 0);  // one short
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

    SetLastError(kSentinel);
    EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, "yyyy", buf, sizeof buf), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
    const SYSTEMTIME bad = date(1998, 2, 30);
    EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &bad, "yyyy", buf, sizeof buf), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &st, "yyyy", nullptr, 5), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    const SYSTEMTIME badTime = date(1998, 1, 6, 25);
    EXPECT_EQ(GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &badTime, "HH", buf, sizeof buf), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetTimeFormatA(LOCALE_USER_DEFAULT, 0x100, &st, "HH", buf, sizeof buf), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
}

TEST(CodePage, AnsiIsWindows1252) {
    WCHAR out[16];
    // "é", "€" (0x80) and the NUL, counted with -1.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "\xE9\x80", -1, nullptr, 0), 3);
    std::memset(out, 0xCC, sizeof out);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "\xE9\x80", -1, out, 3), 3);
    EXPECT_EQ(out[0], 0x00E9);
    EXPECT_EQ(out[1], 0x20AC);
    EXPECT_EQ(out[2], 0);
    SetLastError(kSentinel);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xE9\x80", -1, out, 2), 0);  // one short
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 2, out, 16), 2);  // an explicit length takes no NUL
    EXPECT_EQ(out[1], u'b');
    SetLastError(kSentinel);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, out, 16), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xC3\xA9\xE2\x82\xAC", 5, out, 16), 2);
    EXPECT_EQ(out[0], 0x00E9);
    EXPECT_EQ(out[1], 0x20AC);

    char back[8];
    BOOL usedDefault = FALSE;
    const WCHAR wide[] = {0x00E9, 0x20AC, 0x0416, 0};
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, sizeof back, nullptr, &usedDefault), 4);
    EXPECT_STREQ(back, "\xE9\x80?");  // Cyrillic has no place in 1252
    EXPECT_TRUE(usedDefault);
}

}  // namespace
