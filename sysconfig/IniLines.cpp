#include "sysconfig/IniLines.h"

#include <cctype>
#include <cstring>

int ReadLine(LPSTR buffer, HFILE file) {
    int n = 0;
    while (n < INI_LINE_SIZE - 1) {
        char c;
        UINT got = _lread(file, &c, 1);
        if (got != 1)
            break;
        buffer[n++] = c;
        if (c == '\n')
            break;
    }
    buffer[n] = '\0';
    return n;
}

int PrefixEqual(LPCSTR a, LPCSTR b, int n) {
    for (int i = 0; i < n && a[i] && b[i]; ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return 0;
    }
    return 1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool EqualNoCase(const char* a, size_t alen, const char* b) {
    size_t blen = std::strlen(b);
    if (alen != blen)
        return false;
    for (size_t i = 0; i < alen; ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool IsHeaderOf(const char* line, size_t len, const char* section) {
    size_t i = 0;
    while (i < len && IsBlank(line[i]))
        ++i;
    if (i >= len || line[i] != '[')
        return false;
    ++i;
    while (i < len && IsBlank(line[i]))
        ++i;
    size_t start = i;
    while (i < len && line[i] != ']' && line[i] != '\r' && line[i] != '\n' && line[i] != ' ')
        ++i;
    return EqualNoCase(line + start, i - start, section);
}

bool StartsSection(const char* line, size_t len) {
    size_t i = 0;
    while (i < len && IsBlank(line[i]))
        ++i;
    return i < len && line[i] == '[';
}
