#include "shared/BoundedText.h"

#include <cstring>

int CopyText(char* dest, size_t size, const char* source) {
    if (size == 0)
        return 0;
    size_t length = std::strlen(source);
    size_t n = length < size ? length : size - 1;
    std::memmove(dest, source, n);
    dest[n] = '\0';
    return n == length;
}

int AppendText(char* dest, size_t size, const char* source) {
    size_t used = strnlen(dest, size);
    if (used >= size)
        return 0;
    return CopyText(dest + used, size - used, source);
}

int JoinPath(char* dest, size_t size, const char* dir, const char* name) {
    // Guard: build in a local first: `name` may point into `dest`, which a
    // direct copy would overwrite while reading it.
    char joined[1024];
    int fits = CopyText(joined, sizeof joined, dir);
    fits &= AppendText(joined, sizeof joined, "\\");
    fits &= AppendText(joined, sizeof joined, name);
    return CopyText(dest, size, joined) & fits;
}

void UpperAscii(char* text) {
    for (; *text; ++text) {
        if (*text >= 'a' && *text <= 'z')
            *text = static_cast<char>(*text - 'a' + 'A');
    }
}

bool EqualsNoCase(const char* a, const char* b) {
    auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    for (; *a && *b; ++a, ++b) {
        if (fold(*a) != fold(*b))
            return false;
    }
    return *a == *b;
}

void TrimBackslashes(char* text) {
    size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == '\\')
        text[--n] = '\0';
}

const char* AfterLastBackslash(const char* path) {
    const char* slash = std::strrchr(path, '\\');
    return slash ? slash + 1 : path;
}
