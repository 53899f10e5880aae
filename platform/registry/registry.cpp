// The registry functions. Each works on the current machine's RegistryStore
// and returns a Win32 error code (the registry functions do not set the last
// error). Every change is written to the registry file before the call
// returns.
//
// Rules chosen where Windows versions differ:
//  - RegDeleteKeyA deletes the key with all its subkeys, as Windows 95 does.
//  - An empty or NULL subkey opens (or creates) the key itself; deleting with
//    one is ERROR_BADKEY.
//  - Key and value names with a line break are ERROR_INVALID_PARAMETER: the
//    registry file could not hold them.
//  - A string value (REG_SZ, REG_EXPAND_SZ) is kept up to its first NUL, with
//    a NUL added, as Windows 95 keeps it: zero bytes are the empty string. A
//    REG_MULTI_SZ set without its terminating NUL gets one.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/core/Trace.h"
#include "platform/registry/RegistryStore.h"

namespace nv::registry {
namespace {

LONG codeOf(const Error& e) { return static_cast<LONG>(e.code); }

// The store, the registry and the key path of a handle, checked together.
struct Target {
    RegistryStore* store = nullptr;
    Registry* registry = nullptr;
    KeyPath path;
};

Result<Target> target(HKEY hKey) {
    Target t;
    t.store = RegistryStore::current();
    if (!t.store)
        return Error::win32(ERROR_INVALID_HANDLE, "no machine attached");
    t.registry = NV_TRY(t.store->registry());
    t.path = NV_TRY(t.store->pathOf(hKey));
    // Only HKEY_CLASSES_ROOT can name a key not there yet: Windows always has it.
    if (!t.registry->find(t.path))
        t.registry->create(t.path);
    return t;
}

KeyPath below(KeyPath path, LPCSTR subKey) {
    if (subKey) {
        for (auto& p : splitPath(subKey))
            path.parts.push_back(std::move(p));
    }
    return path;
}

// Copies a name into a caller's buffer of *size characters (NUL included).
LONG copyName(const std::string& name, LPSTR buffer, LPDWORD size) {
    if (!buffer || !size)
        return ERROR_INVALID_PARAMETER;
    if (name.size() + 1 > *size)
        return ERROR_MORE_DATA;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *size = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

// Copies value data: a NULL buffer asks the size; a short one gets
// ERROR_MORE_DATA and the size needed.
LONG copyData(const Value& v, LPDWORD type, LPBYTE data, LPDWORD size) {
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    if (type)
        *type = v.type;
    if (!size)
        return ERROR_SUCCESS;
    DWORD needed = static_cast<DWORD>(v.data.size());
    if (data && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data && needed)
        std::memcpy(data, v.data.data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

bool isStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// A name with a line break cannot be written to the registry file and read
// back; it is refused instead.
bool writableName(LPCSTR name) { return !name || !std::strpbrk(name, "\r\n"); }

}  // namespace

LONG openKey(HKEY hKey, LPCSTR subKey, PHKEY result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    auto t = target(hKey);
    if (!t)
        return codeOf(t.error());
    KeyPath path = below(t->path, subKey);
    if (!t->registry->find(path))
        return ERROR_FILE_NOT_FOUND;
    *result = t->store->openHandle(std::move(path));
    return ERROR_SUCCESS;
}

LONG createKey(HKEY hKey, LPCSTR subKey, PHKEY result, LPDWORD disposition) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    auto t = target(hKey);
    if (!t)
        return codeOf(t.error());
    if (!writableName(subKey))
        return ERROR_INVALID_PARAMETER;
    KeyPath path = below(t->path, subKey);
    bool created = false;
    t->registry->create(path, &created);
    if (created) {
        auto saved = t->store->save();
        if (!saved)
            return codeOf(saved.error());
    }
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = t->store->openHandle(std::move(path));
    return ERROR_SUCCESS;
}

LONG enumKey(HKEY hKey, DWORD index, LPSTR name, LPDWORD nameSize, LPSTR cls, LPDWORD clsSize, PFILETIME time) {
    auto t = target(hKey);
    if (!t)
        return codeOf(t.error());
    const Key* key = t->registry->find(t->path);
    if (index >= key->children().size())
        return ERROR_NO_MORE_ITEMS;
    LONG r = copyName(key->children()[index]->name(), name, nameSize);
    if (r != ERROR_SUCCESS)
        return r;
    if (cls && clsSize && *clsSize > 0)
        cls[0] = '\0';
    if (clsSize)
        *clsSize = 0;
    if (time)
        *time = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG enumValue(HKEY hKey, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    auto t = target(hKey);
    if (!t)
        return codeOf(t.error());
    const Key* key = t->registry->find(t->path);
    if (index >= key->values().size())
        return ERROR_NO_MORE_ITEMS;
    const Value& v = key->values()[index];
    LONG r = copyName(v.name, name, nameSize);
    if (r != ERROR_SUCCESS)
        return r;
    return copyData(v, type, data, dataSize);
}

LONG queryValue(HKEY hKey, LPCSTR name, LPDWORD type, LPBYTE data, LPDWORD size) {
    auto t = target(hKey);
    if (!t)
        return codeOf(t.error());
    const Value* v = t->registry->find(t->path)->value(name ? name : "");
    if (!v)
        return ERROR_FILE_NOT_FOUND;
    return copyData(*v, type, data, size);
}

LONG setValue(HKEY hKey, LPCSTR name, DWORD type, const BYTE* data, DWORD size) {
    if ((!data && size) || !writableName(name))
        return ERROR_INVALID_PARAMETER;
    auto t = target(hKey);
    if (!t)
        return codeOf(t.error());
    std::vector<uint8_t> bytes(data, data + size);
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        // Windows 95 keeps a string as a C string: up to its first NUL.
        bytes.erase(std::find(bytes.begin(), bytes.end(), uint8_t{0}), bytes.end());
        bytes.push_back(0);
    } else if (isStringType(type) && (bytes.empty() || bytes.back() != 0)) {
        bytes.push_back(0);
    }
    t->registry->find(t->path)->setValue(name ? name : "", type, std::move(bytes));
    auto saved = t->store->save();
    return saved ? ERROR_SUCCESS : codeOf(saved.error());
}

LONG deleteKey(HKEY hKey, LPCSTR subKey) {
    auto t = target(hKey);
    if (!t)
        return codeOf(t.error());
    if (!subKey || splitPath(subKey).empty())
        return ERROR_BADKEY;
    KeyPath path = below(t->path, subKey);
    if (!t->registry->remove(path))
        return ERROR_FILE_NOT_FOUND;
    auto saved = t->store->save();
    if (!saved)
        return codeOf(saved.error());
    t->store->keyRemoved(path);
    return ERROR_SUCCESS;
}

LONG deleteValue(HKEY hKey, LPCSTR name) {
    auto t = target(hKey);
    if (!t)
        return codeOf(t.error());
    if (!t->registry->find(t->path)->removeValue(name ? name : ""))
        return ERROR_FILE_NOT_FOUND;
    auto saved = t->store->save();
    return saved ? ERROR_SUCCESS : codeOf(saved.error());
}

LONG closeKey(HKEY hKey) {
    auto value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hKey));
    if (value >= 0x80000000u && value <= 0x80000006u)
        return ERROR_SUCCESS;
    RegistryStore* store = RegistryStore::current();
    return store && store->closeHandle(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG flushKey(HKEY hKey) {
    auto t = target(hKey);
    return t ? ERROR_SUCCESS : codeOf(t.error());
}

}  // namespace nv::registry

// ---------------------------------------------------------------- Win32 edge
// Handles are traced as numbers: the stand-in hands them out in order, so
// they compare equal from run to run.

namespace {
uint32_t traced(HKEY h) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h)); }
uint32_t traced(PHKEY h) { return h ? traced(*h) : 0; }
}  // namespace

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) {
    NV_TRACE_ENTER("RegOpenKeyExA", traced(hKey), lpSubKey, ulOptions, samDesired);
    LONG r = nv::registry::openKey(hKey, lpSubKey, phkResult);
    NV_TRACE_RESULT(r, traced(phkResult));
    return r;
}

LONG WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    NV_TRACE_ENTER("RegOpenKeyA", traced(hKey), lpSubKey);
    LONG r;
    if (phkResult && (!lpSubKey || !*lpSubKey)) {
        // The documented special case: the same handle comes back.
        auto t = nv::registry::RegistryStore::current();
        r = t && t->pathOf(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
        if (r == ERROR_SUCCESS)
            *phkResult = hKey;
    } else {
        r = nv::registry::openKey(hKey, lpSubKey, phkResult);
    }
    NV_TRACE_RESULT(r, traced(phkResult));
    return r;
}

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                            REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                            LPDWORD lpdwDisposition) {
    NV_TRACE_ENTER("RegCreateKeyExA", traced(hKey), lpSubKey, Reserved, static_cast<LPCSTR>(lpClass), dwOptions,
                   samDesired);
    LONG r = nv::registry::createKey(hKey, lpSubKey, phkResult, lpdwDisposition);
    NV_TRACE_RESULT(r, traced(phkResult), lpdwDisposition ? *lpdwDisposition : 0);
    return r;
}

LONG WINAPI RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    NV_TRACE_ENTER("RegCreateKeyA", traced(hKey), lpSubKey);
    LONG r = nv::registry::createKey(hKey, lpSubKey, phkResult, nullptr);
    NV_TRACE_RESULT(r, traced(phkResult));
    return r;
}

LONG WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                          LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
    NV_TRACE_ENTER("RegEnumKeyExA", traced(hKey), dwIndex, lpcchName ? *lpcchName : 0);
    LONG r = nv::registry::enumKey(hKey, dwIndex, lpName, lpcchName, lpClass, lpcchClass, lpftLastWriteTime);
    NV_TRACE_RESULT(r, r == ERROR_SUCCESS ? static_cast<LPCSTR>(lpName) : nullptr, lpcchName ? *lpcchName : 0);
    return r;
}

LONG WINAPI RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
    NV_TRACE_ENTER("RegEnumKeyA", traced(hKey), dwIndex, cchName);
    DWORD size = cchName;
    LONG r = nv::registry::enumKey(hKey, dwIndex, lpName, &size, nullptr, nullptr, nullptr);
    NV_TRACE_RESULT(r, r == ERROR_SUCCESS ? static_cast<LPCSTR>(lpName) : nullptr);
    return r;
}

LONG WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                          LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    NV_TRACE_ENTER("RegEnumValueA", traced(hKey), dwIndex, lpcbData ? *lpcbData : 0);
    LONG r = nv::registry::enumValue(hKey, dwIndex, lpValueName, lpcchValueName, lpType, lpData, lpcbData);
    NV_TRACE_RESULT(r, r == ERROR_SUCCESS ? static_cast<LPCSTR>(lpValueName) : nullptr, lpType ? *lpType : 0,
                    lpcbData ? *lpcbData : 0);
    return r;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData) {
    NV_TRACE_ENTER("RegQueryValueExA", traced(hKey), lpValueName, lpcbData ? *lpcbData : 0);
    LONG r = nv::registry::queryValue(hKey, lpValueName, lpType, lpData, lpcbData);
    NV_TRACE_RESULT(r, lpType ? *lpType : 0, lpcbData ? *lpcbData : 0);
    return r;
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                           DWORD cbData) {
    NV_TRACE_ENTER("RegSetValueExA", traced(hKey), lpValueName, Reserved, dwType, cbData);
    LONG r = nv::registry::setValue(hKey, lpValueName, dwType, lpData, cbData);
    NV_TRACE_RESULT(r);
    return r;
}

LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    NV_TRACE_ENTER("RegDeleteKeyA", traced(hKey), lpSubKey);
    LONG r = nv::registry::deleteKey(hKey, lpSubKey);
    NV_TRACE_RESULT(r);
    return r;
}

LONG WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    NV_TRACE_ENTER("RegDeleteValueA", traced(hKey), lpValueName);
    LONG r = nv::registry::deleteValue(hKey, lpValueName);
    NV_TRACE_RESULT(r);
    return r;
}

LONG WINAPI RegCloseKey(HKEY hKey) {
    NV_TRACE_ENTER("RegCloseKey", traced(hKey));
    LONG r = nv::registry::closeKey(hKey);
    NV_TRACE_RESULT(r);
    return r;
}

LONG WINAPI RegFlushKey(HKEY hKey) {
    NV_TRACE_ENTER("RegFlushKey", traced(hKey));
    LONG r = nv::registry::flushKey(hKey);
    NV_TRACE_RESULT(r);
    return r;
}
