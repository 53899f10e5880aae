// Queries on lines of a compact text: they need no loaded text, only a line.
#include <cstring>

#include "script/IniCompact.h"
#include "script/IniText.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isTrimmedOrQuote(char c) { return isTrimmed(c) || c == '"'; }
bool isSeparator(char c) { return c == '=' || c == ','; }

// True when text starts with the length characters of name (NameMatches'
// rule) and holds at least that many characters.
bool startsWithName(LPCSTR text, LPCSTR name, size_t length) {
    if (length == 0)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\0' || (text[i] | 0x20) != (name[i] | 0x20))
            return false;
    }
    return true;
}

void copyBounded(LPSTR out, int size, LPCSTR from, size_t length) {
    size_t n = length < static_cast<size_t>(size - 1) ? length : static_cast<size_t>(size - 1);
    std::memcpy(out, from, n);
    out[n] = '\0';
}

const char* skipToNextLine(const char* p) {
    while (*p)
        ++p;
    while (*p == '\0')
        ++p;
    return p;
}

}  // namespace

BOOL NameMatches(LPCSTR a, LPCSTR b, int n) {
    if (!a || !b)
        return FALSE;
    int count = n > 0 ? n : 1;
    for (int i = 0; i < count; ++i) {
        char ca = a[i], cb = b[i];
        if ((ca | 0x20) != (cb | 0x20))
            return FALSE;
        // Guard: nothing of either string is read past its end.
        if (ca == '\0' || cb == '\0')
            break;
    }
    return TRUE;
}

int HasUnquotedSeparator(LPCSTR text) {
    if (!text)
        return 0;
    bool quoted = false;
    for (; *text; ++text) {
        if (*text == '"')
            quoted = !quoted;
        else if (!quoted && isSeparator(*text))
            return 1;
    }
    return 0;
}

IniLine FindSectionInBlock(LPCSTR block, LPCSTR name, size_t length) {
    if (!block || !name || length == 0)
        return nullptr;
    const char* p = block;
    while (*p == '\0')
        ++p;
    while (static_cast<BYTE>(*p) != INITEXT_END_MARK) {
        if (*p == '[' && startsWithName(p + 1, name, length) && p[1 + length] == ']') {
            const char* first = skipToNextLine(p);
            if (*first == '[' || static_cast<BYTE>(*first) == INITEXT_END_MARK)
                return nullptr;  // an empty section counts as missing
            return first;
        }
        p = skipToNextLine(p);
    }
    return nullptr;
}

IniLine NextStoredLine(LPCSTR block, IniLine line) {
    if (!block)
        return nullptr;
    const char* p = line ? skipToNextLine(line) : block;
    while (*p == '\0')
        ++p;
    return static_cast<BYTE>(*p) == INITEXT_END_MARK ? nullptr : p;
}

IniLine NextLine(IniLine line) {
    if (!line)
        return nullptr;
    while (*line)
        ++line;
    ++line;
    return *line ? line : nullptr;
}

int CountLines(IniLine line) {
    int n = 0;
    for (; line; line = NextLine(line))
        ++n;
    return n;
}

int GetKeyValue(IniLine firstLine, LPCSTR key, LPSTR out, int size) {
    bool canWrite = out && size >= 1;
    if (canWrite)
        out[0] = '\0';
    if (!firstLine || !key)
        return 0;
    size_t keyLength = std::strlen(key);
    for (IniLine line = firstLine; line; line = NextLine(line)) {
        if (!startsWithName(line, key, keyLength))
            continue;
        const char* p = line + keyLength;
        while (isBlank(*p))
            ++p;
        if (*p != '=')
            continue;
        const char* value = p + 1;
        if (!canWrite)
            return 1;
        if (HasUnquotedSeparator(value)) {
            copyBounded(out, size, value, std::strlen(value));
            return 1;
        }
        while (isTrimmedOrQuote(*value))
            ++value;
        size_t length = std::strlen(value);
        while (length > 0 && isTrimmedOrQuote(value[length - 1]))
            --length;
        copyBounded(out, size, value, length);
        return 1;
    }
    return 0;
}

int GetField(IniLine line, int n, LPSTR out, int size) {
    if (!line || !out || size < 1 || n < 0)
        return 0;

    // The first separator decides whether the line has a key; quotes are
    // not considered for it, only counted.
    const char* sep = line;
    int quotes = 0;
    for (; *sep && !isSeparator(*sep); ++sep) {
        if (*sep == '"')
            ++quotes;
    }
    const char* start = line;
    if (n == 0) {
        if (*sep != '=')
            return 0;
    } else if (*sep == '=' && quotes % 2 == 0) {
        start = sep + 1;
    }

    for (int i = 1; i < n; ++i) {
        bool quoted = false;
        const char* p = start;
        for (; *p && (quoted || !isSeparator(*p)); ++p) {
            if (*p == '"')
                quoted = !quoted;
        }
        if (*p == '\0') {
            out[0] = '\0';
            return 0;
        }
        start = p + 1;
    }

    while (isTrimmed(*start))
        ++start;
    // Copy the field without its quotes; the value ends after its last
    // character that is not a blank, tab, CR or LF.
    bool quoted = false;
    int copied = 0, kept = 0;
    for (const char* p = start; *p; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && isSeparator(*p))
            break;
        if (copied < size - 1)
            out[copied] = *p;
        ++copied;
        if (!isTrimmed(*p))
            kept = copied;
    }
    out[kept < size - 1 ? kept : size - 1] = '\0';
    return 1;
}
