// The resource registry and the Win32 resource functions over it.
#include "platform/user/Resources.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <list>

#include "platform/core/Machine.h"
#include "platform/core/PerMachine.h"
#include "platform/core/Trace.h"
#include "platform/kernel/Windows1252.h"

namespace nv::user::resources {
namespace {

struct Registry {
    std::list<Resource> resources;  // stable addresses: HRSRC points into it
};

// The resources mapped on the attached machine.
std::list<Resource>& registry() { return machine::perMachine<Registry>().resources; }

}  // namespace

std::string key(LPCSTR v) {
    if (!v)
        return {};
    if (IS_INTRESOURCE(v))
        return "#" + std::to_string(reinterpret_cast<uintptr_t>(v));
    std::string s(v);
    if (s.size() > 1 && s[0] == '#' && std::all_of(s.begin() + 1, s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return "#" + std::to_string(std::strtoul(s.c_str() + 1, nullptr, 10));
    return machine::toUpperAscii(s);
}

void add(HINSTANCE instance, LPCSTR type, LPCSTR name, std::vector<BYTE> data) {
    std::string t = key(type), n = key(name);
    for (auto& r : registry()) {
        if (r.instance == instance && r.type == t && r.name == n) {
            r.data = std::move(data);
            return;
        }
    }
    registry().push_back(Resource{instance, t, n, std::move(data)});
}

const Resource* find(HINSTANCE instance, LPCSTR type, LPCSTR name) {
    std::string t = key(type), n = key(name);
    const Resource* any = nullptr;
    for (auto& r : registry()) {
        if (r.type != t || r.name != n)
            continue;
        if (r.instance == instance)
            return &r;
        if (!instance && !any)
            any = &r;
    }
    return any;
}

void addStringTable(HINSTANCE instance, const std::map<UINT, std::string>& strings) {
    std::map<UINT, std::vector<std::string>> blocks;
    for (auto& [id, text] : strings) {
        auto& b = blocks[id / 16 + 1];
        b.resize(16);
        b[id % 16] = text;
    }
    for (auto& [block, texts] : blocks) {
        std::vector<BYTE> data;
        for (auto& t : texts) {
            std::u16string w = kernel::cp1252::decode(t);
            WORD len = static_cast<WORD>(std::min<size_t>(w.size(), 0xFFFF));
            data.push_back(static_cast<BYTE>(len & 0xFF));
            data.push_back(static_cast<BYTE>(len >> 8));
            for (size_t i = 0; i < len; ++i) {
                data.push_back(static_cast<BYTE>(w[i] & 0xFF));
                data.push_back(static_cast<BYTE>(w[i] >> 8));
            }
        }
        add(instance, RT_STRING, MAKEINTRESOURCEA(block), std::move(data));
    }
}

void clear() { registry().clear(); }

}  // namespace nv::user::resources

using namespace nv::user;

HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    NV_TRACE_ENTER("FindResourceA", module, name, type);
    auto* r = resources::find(module, type, name);
    if (!r)
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    HRSRC h = reinterpret_cast<HRSRC>(const_cast<resources::Resource*>(r));
    NV_TRACE_RESULT(h);
    return h;
}

HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC info) {
    NV_TRACE_ENTER("LoadResource", module, info);
    HGLOBAL h = nullptr;
    if (info) {
        auto* r = reinterpret_cast<resources::Resource*>(info);
        // Resources are read-only data that lives as long as the program.
        h = r->data.empty() ? static_cast<HGLOBAL>(r) : static_cast<HGLOBAL>(r->data.data());
    } else {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    }
    NV_TRACE_RESULT(h);
    return h;
}

LPVOID WINAPI LockResource(HGLOBAL data) {
    NV_TRACE_ENTER("LockResource", data);
    NV_TRACE_RESULT(data);
    return data;
}

DWORD WINAPI SizeofResource(HMODULE module, HRSRC info) {
    NV_TRACE_ENTER("SizeofResource", module, info);
    DWORD n = info ? static_cast<DWORD>(reinterpret_cast<resources::Resource*>(info)->data.size()) : 0;
    NV_TRACE_RESULT(n);
    return n;
}

BOOL WINAPI FreeResource(HGLOBAL data) {
    NV_TRACE_ENTER("FreeResource", data);
    // Resources stay mapped with their module: nothing to free, as on Win32.
    NV_TRACE_RESULT(FALSE);
    return FALSE;
}

int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buf, int size) {
    NV_TRACE_ENTER("LoadStringA", instance, id, size);
    int n = 0;
    if (buf && size > 0)
        buf[0] = '\0';
    auto* r = resources::find(instance, RT_STRING, MAKEINTRESOURCEA(id / 16 + 1));
    std::string text;
    bool found = false;
    if (r) {
        size_t pos = 0;
        const auto& d = r->data;
        for (UINT i = 0; i <= id % 16 && pos + 2 <= d.size(); ++i) {
            size_t len = d[pos] | (d[pos + 1] << 8);
            pos += 2;
            if (i == id % 16 && len > 0 && pos + 2 * len <= d.size()) {
                std::u16string w;
                for (size_t k = 0; k < len; ++k)
                    w.push_back(static_cast<char16_t>(d[pos + 2 * k] | (d[pos + 2 * k + 1] << 8)));
                text = nv::kernel::cp1252::encode(w);
                found = true;
            }
            pos += 2 * len;
        }
    }
    if (!found) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    } else if (buf && size > 0) {
        n = static_cast<int>(std::min(text.size(), static_cast<size_t>(size - 1)));
        std::memcpy(buf, text.data(), static_cast<size_t>(n));
        buf[n] = '\0';
    }
    NV_TRACE_RESULT(n, buf && size > 0 ? static_cast<LPCSTR>(buf) : nullptr);
    return n;
}
