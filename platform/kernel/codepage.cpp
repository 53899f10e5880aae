// Code pages: MultiByteToWideChar and WideCharToMultiByte. The ANSI code page
// is Windows-1252; UTF-8 is there for tools.
#include <cstring>
#include <optional>
#include <string>

#include <windows.h>

#include "platform/core/Trace.h"
#include "platform/kernel/Windows1252.h"

namespace {

bool ansiPage(UINT cp) { return cp == CP_ACP || cp == CP_THREAD_ACP || cp == 1252; }

// UTF-8 to UTF-16; malformed sequences become U+FFFD.
std::u16string decodeUtf8(const unsigned char* s, size_t n) {
    std::u16string out;
    size_t i = 0;
    while (i < n) {
        unsigned char c = s[i];
        uint32_t cp = 0xFFFD;
        size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < n && (s[i + 1] & 0xC0) == 0x80) {
            cp = ((c & 0x1Fu) << 6) | (s[i + 1] & 0x3Fu);
            len = 2;
            if (cp < 0x80)
                cp = 0xFFFD;
        } else if ((c & 0xF0) == 0xE0 && i + 2 < n && (s[i + 1] & 0xC0) == 0x80 && (s[i + 2] & 0xC0) == 0x80) {
            cp = ((c & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
            len = 3;
            if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))
                cp = 0xFFFD;
        } else if ((c & 0xF8) == 0xF0 && i + 3 < n && (s[i + 1] & 0xC0) == 0x80 && (s[i + 2] & 0xC0) == 0x80 &&
                   (s[i + 3] & 0xC0) == 0x80) {
            cp = ((c & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3Fu);
            len = 4;
            if (cp < 0x10000 || cp > 0x10FFFF)
                cp = 0xFFFD;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

std::string encodeUtf8(const char16_t* s, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

}  // namespace

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
    std::string_view shown;
    if (lpMultiByteStr && cbMultiByte != 0)
        shown = cbMultiByte < 0 ? std::string_view(lpMultiByteStr)
                                : std::string_view(lpMultiByteStr, static_cast<size_t>(cbMultiByte));
    NV_TRACE_ENTER("MultiByteToWideChar", CodePage, dwFlags, shown, cbMultiByte, cchWideChar);
    int result = 0;
    if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr) ||
        static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (!ansiPage(CodePage) && CodePage != CP_UTF8) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (dwFlags & ~(MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS)) {
        SetLastError(ERROR_INVALID_FLAGS);
    } else {
        // -1: the string and its NUL.
        const size_t n = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
        const auto* bytes = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
        std::u16string wide;
        if (CodePage == CP_UTF8) {
            wide = decodeUtf8(bytes, n);
        } else {
            wide = nv::kernel::cp1252::decode(std::string_view(lpMultiByteStr, n));
        }
        if (cchWideChar == 0) {
            result = static_cast<int>(wide.size());
        } else if (wide.size() > static_cast<size_t>(cchWideChar)) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        } else {
            std::memcpy(lpWideCharStr, wide.data(), wide.size() * sizeof(WCHAR));
            result = static_cast<int>(wide.size());
        }
    }
    // The input need not end in NUL: trace only the bytes given.
    NV_TRACE_RESULT(result);
    return result;
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar) {
    NV_TRACE_ENTER("WideCharToMultiByte", CodePage, dwFlags, cchWideChar, cbMultiByte);
    int result = 0;
    if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr) ||
        static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr) ||
        (CodePage == CP_UTF8 && (lpDefaultChar || lpUsedDefaultChar))) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (!ansiPage(CodePage) && CodePage != CP_UTF8) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else {
        size_t n = static_cast<size_t>(cchWideChar);
        if (cchWideChar == -1) {
            n = 0;
            while (lpWideCharStr[n])
                ++n;
            ++n;
        }
        std::string out;
        bool usedDefault = false;
        if (CodePage == CP_UTF8) {
            out = encodeUtf8(lpWideCharStr, n);
        } else {
            const char fallback = lpDefaultChar ? *lpDefaultChar : '?';
            for (size_t i = 0; i < n; ++i) {
                std::optional<char> c = nv::kernel::cp1252::fromWide(lpWideCharStr[i]);
                usedDefault = usedDefault || !c;
                out += c.value_or(fallback);
            }
        }
        if (lpUsedDefaultChar)
            *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
        if (cbMultiByte == 0) {
            result = static_cast<int>(out.size());
        } else if (out.size() > static_cast<size_t>(cbMultiByte)) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        } else {
            std::memcpy(lpMultiByteStr, out.data(), out.size());
            result = static_cast<int>(out.size());
        }
    }
    NV_TRACE_RESULT(result);
    return result;
}
