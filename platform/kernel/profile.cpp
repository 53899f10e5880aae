// The profile (INI file) functions. One core reads and one core writes; the
// Win32 entry points are thin wrappers that trace the call and set the last
// error. The file is read afresh on every call, so edits made by other means
// (the program's own INI line editor, the machine tool) are seen at once.
//
// Traces show output buffers by their content after the call, not their
// address, so that call sequences compare equal from run to run.
#include <windows.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Trace.h"
#include "platform/kernel/profile_document.h"
#include "platform/kernel/profile_file.h"

namespace nv::profile {
namespace {

// Copies a string into a caller's buffer, cut to size - 1 characters.
DWORD copyString(LPSTR buffer, DWORD size, std::string_view s) {
    if (!buffer || size == 0)
        return 0;
    size_t n = s.size() < size - 1 ? s.size() : size - 1;
    if (n)
        std::memcpy(buffer, s.data(), n);
    buffer[n] = '\0';
    return static_cast<DWORD>(n);
}

// Copies strings as "a\0b\0\0". When they do not fit, the last one that
// starts is cut, the buffer ends in two NULs and the result is size - 2.
DWORD copyList(LPSTR buffer, DWORD size, const std::vector<std::string>& items) {
    if (!buffer || size == 0)
        return 0;
    size_t total = 1;
    for (const auto& s : items)
        total += s.size() + 1;
    if (total <= size) {
        size_t at = 0;
        for (const auto& s : items) {
            std::memcpy(buffer + at, s.data(), s.size());
            at += s.size();
            buffer[at++] = '\0';
        }
        buffer[at] = '\0';
        if (items.empty() && size > 1)
            buffer[1] = '\0';
        return static_cast<DWORD>(total - 1 == 0 ? 0 : total - 1);
    }
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    size_t room = size - 2;
    size_t at = 0;
    for (const auto& s : items) {
        if (at >= room)
            break;
        size_t n = s.size() < room - at ? s.size() : room - at;
        std::memcpy(buffer + at, s.data(), n);
        at += n;
        if (at < room)
            buffer[at++] = '\0';
    }
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

// A default loses its trailing blanks; a NULL default is "".
std::string_view cleanDefault(LPCSTR def) {
    if (!def)
        return {};
    std::string_view d(def);
    while (!d.empty() && d.back() == ' ')
        d.remove_suffix(1);
    return d;
}

// A value in matching quotes loses them.
std::string_view unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

bool hasLineBreak(LPCSTR s) { return s && std::strpbrk(s, "\r\n") != nullptr; }

}  // namespace

DWORD getString(LPCSTR section, LPCSTR key, LPCSTR def, LPSTR buffer, DWORD size, LPCSTR fileName, bool& found) {
    found = false;
    if (!buffer || size == 0)
        return 0;
    std::string_view fallback = cleanDefault(def);
    if (!fileName || !*fileName)
        return copyString(buffer, size, fallback);
    auto file = openIni(fileName);
    found = file && file->readable();
    const Document& doc = file ? *file->document : emptyDocument();
    if (!section)
        return copyList(buffer, size, doc.sectionNames());
    if (trimBlanks(section).empty())
        return copyString(buffer, size, fallback);
    if (!key) {
        auto names = doc.keyNames(section);
        if (names.empty())
            return copyString(buffer, size, fallback);
        return copyList(buffer, size, names);
    }
    if (trimBlanks(key).empty())
        return copyString(buffer, size, fallback);
    auto value = doc.value(section, key);
    return copyString(buffer, size, value ? unquote(*value) : fallback);
}

UINT getInt(LPCSTR section, LPCSTR key, INT def, LPCSTR fileName, bool& found) {
    found = false;
    // Windows 95 answers 0, not the default, when the section or the key is
    // missing from the call (it would list names, which are no number).
    if (!section || !key)
        return 0;
    if (!fileName || !*fileName)
        return static_cast<UINT>(def);
    auto file = openIni(fileName);
    if (!file || !file->readable())
        return static_cast<UINT>(def);
    found = true;
    auto value = file->document->value(section, key);
    if (!value || trimBlanks(section).empty() || trimBlanks(key).empty())
        return static_cast<UINT>(def);
    std::string_view s = unquote(*value);
    if (s.empty())
        return static_cast<UINT>(def);

    // Text to number as Windows 95 converts it: blanks, a minus sign (a plus
    // sign is no digit: "+1" is 0), a base prefix, digits up to the first
    // that does not belong, 32-bit wrap.
    size_t i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && s[i] == '-') {
        negative = true;
        ++i;
    }
    uint32_t base = 10;
    if (i + 1 < s.size() && s[i] == '0') {
        char p = static_cast<char>(s[i + 1] | 0x20);
        base = p == 'x' ? 16 : p == 'o' ? 8 : p == 'b' ? 2 : 10;
        if (base != 10)
            i += 2;
    }
    uint32_t n = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        uint32_t d;
        if (c >= '0' && c <= '9')
            d = static_cast<uint32_t>(c - '0');
        else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
            d = static_cast<uint32_t>((c | 0x20) - 'a' + 10);
        else
            break;
        if (d >= base)
            break;
        n = n * base + d;
    }
    return negative ? 0u - n : n;
}

DWORD getSection(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR fileName, DWORD& error) {
    error = ERROR_SUCCESS;
    if (!section || !buffer || size == 0) {
        error = ERROR_INVALID_PARAMETER;
        if (buffer && size)
            buffer[0] = '\0';
        return 0;
    }
    std::vector<std::string> entries;
    auto file = fileName && *fileName ? openIni(fileName) : Result<IniFile>(Error::win32(ERROR_FILE_NOT_FOUND, ""));
    if (file && file->readable())
        entries = file->document->entries(section);
    else
        error = ERROR_FILE_NOT_FOUND;
    return copyList(buffer, size, entries);
}

Result<void> writeString(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    if (!fileName)
        return Error::win32(ERROR_INVALID_PARAMETER, "no file name");
    if (!*fileName)
        return Error::win32(ERROR_ACCESS_DENIED, "empty file name");
    if (!section)
        return Error::win32(ERROR_FILE_NOT_FOUND, "no section");
    // What cannot be written back and read as the same entry is refused
    // rather than written: it would break the lines around it.
    if (trimBlanks(section).empty() || (key && trimBlanks(key).empty()))
        return Error::win32(ERROR_INVALID_PARAMETER, "empty section or key name");
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value))
        return Error::win32(ERROR_INVALID_PARAMETER, "line break in a section, key or value");
    if (key && (std::strchr(key, '=') || trimBlanks(key)[0] == '['))
        return Error::win32(ERROR_INVALID_PARAMETER, std::string("key name cannot be written: ") + key);

    IniFile file = NV_TRY(openIni(fileName));
    // Guard: a file that exists but could not be read must not be taken for
    // an empty one, or the write would replace all it holds.
    if (file.state == IniState::Unreadable)
        return file.unreadable;
    Document doc = *file.document;
    bool changed = !key ? doc.deleteSection(section) : !value ? doc.deleteKey(section, key) : doc.setValue(section, key, value);
    if (!changed)
        return {};
    return writeIni(file, std::move(doc));
}

}  // namespace nv::profile

// ---------------------------------------------------------------- Win32 edge

DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                                      DWORD nSize, LPCSTR lpFileName) {
    NV_TRACE_ENTER("GetPrivateProfileStringA", lpAppName, lpKeyName, lpDefault, nSize, lpFileName);
    bool found = false;
    DWORD r = nv::profile::getString(lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize, lpFileName, found);
    if (!found && nSize)
        SetLastError(ERROR_FILE_NOT_FOUND);
    NV_TRACE_RESULT(r, nSize ? static_cast<LPCSTR>(lpReturnedString) : nullptr);
    return r;
}

UINT WINAPI GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName) {
    NV_TRACE_ENTER("GetPrivateProfileIntA", lpAppName, lpKeyName, nDefault, lpFileName);
    bool found = false;
    UINT r = nv::profile::getInt(lpAppName, lpKeyName, nDefault, lpFileName, found);
    if (!found && lpAppName && lpKeyName)
        SetLastError(ERROR_FILE_NOT_FOUND);
    NV_TRACE_RESULT(r);
    return r;
}

DWORD WINAPI GetPrivateProfileSectionA(LPCSTR lpAppName, LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
    NV_TRACE_ENTER("GetPrivateProfileSectionA", lpAppName, nSize, lpFileName);
    DWORD error = ERROR_SUCCESS;
    DWORD r = nv::profile::getSection(lpAppName, lpReturnedString, nSize, lpFileName, error);
    SetLastError(error);
    NV_TRACE_RESULT(r, nSize ? static_cast<LPCSTR>(lpReturnedString) : nullptr);
    return r;
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName) {
    NV_TRACE_ENTER("WritePrivateProfileStringA", lpAppName, lpKeyName, lpString, lpFileName);
    BOOL r = FALSE;
    // All NULL asks to flush the cache; there is none, and Windows answers FALSE.
    if (lpAppName || lpKeyName || lpString || lpFileName) {
        auto result = nv::profile::writeString(lpAppName, lpKeyName, lpString, lpFileName);
        r = result ? TRUE : FALSE;
        SetLastError(result ? ERROR_SUCCESS : result.error().code);
    }
    NV_TRACE_RESULT(r);
    return r;
}

DWORD WINAPI GetProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize) {
    NV_TRACE_ENTER("GetProfileStringA", lpAppName, lpKeyName, lpDefault, nSize);
    bool found = false;
    DWORD r = nv::profile::getString(lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize, "win.ini", found);
    if (!found && nSize)
        SetLastError(ERROR_FILE_NOT_FOUND);
    NV_TRACE_RESULT(r, nSize ? static_cast<LPCSTR>(lpReturnedString) : nullptr);
    return r;
}

UINT WINAPI GetProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault) {
    NV_TRACE_ENTER("GetProfileIntA", lpAppName, lpKeyName, nDefault);
    bool found = false;
    UINT r = nv::profile::getInt(lpAppName, lpKeyName, nDefault, "win.ini", found);
    if (!found && lpAppName && lpKeyName)
        SetLastError(ERROR_FILE_NOT_FOUND);
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI WriteProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString) {
    NV_TRACE_ENTER("WriteProfileStringA", lpAppName, lpKeyName, lpString);
    BOOL r = FALSE;
    if (lpAppName || lpKeyName || lpString) {
        auto result = nv::profile::writeString(lpAppName, lpKeyName, lpString, "win.ini");
        r = result ? TRUE : FALSE;
        SetLastError(result ? ERROR_SUCCESS : result.error().code);
    }
    NV_TRACE_RESULT(r);
    return r;
}
