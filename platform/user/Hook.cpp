// WH_MSGFILTER hooks: a chain, newest first, called from the modal loops of
// dialogs and message boxes with MSGF_DIALOGBOX or MSGF_MESSAGEBOX.
#include "platform/user/Hook.h"

#include <algorithm>
#include <vector>

#include "platform/core/PerMachine.h"
#include "platform/core/Trace.h"

namespace nv::user {
namespace {

struct Hook {
    HHOOK handle;
    int type;
    HOOKPROC proc;
};

struct Hooks {
    std::vector<Hook> chain;  // newest first
    uintptr_t nextHandle = 0x4B00;
};

std::vector<Hook>& chain() { return machine::perMachine<Hooks>().chain; }

LRESULT callFrom(size_t index, int type, int code, WPARAM wParam, LPARAM lParam) {
    auto& c = chain();
    for (size_t i = index; i < c.size(); ++i)
        if (c[i].type == type)
            return c[i].proc(code, wParam, lParam);
    return 0;
}

}  // namespace

bool callMsgFilter(MSG* msg, int code) {
    return callFrom(0, WH_MSGFILTER, code, 0, reinterpret_cast<LPARAM>(msg)) != 0;
}

void clearHooks() { chain().clear(); }

}  // namespace nv::user

using namespace nv::user;

HHOOK WINAPI SetWindowsHookExA(int type, HOOKPROC proc, HINSTANCE module, DWORD thread) {
    HHOOK h = nullptr;
    // Only the message-filter hook exists on this machine.
    if (type == WH_MSGFILTER && proc) {
        h = reinterpret_cast<HHOOK>(nv::machine::perMachine<Hooks>().nextHandle += 4);
        chain().insert(chain().begin(), Hook{h, type, proc});
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    NV_TRACE_CALL("SetWindowsHookExA", h, type, module, thread);
    return h;
}

HHOOK WINAPI SetWindowsHookA(int type, HOOKPROC proc) {
    HHOOK h = SetWindowsHookExA(type, proc, nullptr, 0);
    NV_TRACE_CALL("SetWindowsHookA", h, type);
    return h;
}

BOOL WINAPI UnhookWindowsHookEx(HHOOK hook) {
    auto& c = chain();
    auto it = std::find_if(c.begin(), c.end(), [&](const Hook& h) { return h.handle == hook; });
    BOOL ok = it != c.end();
    if (ok)
        c.erase(it);
    else
        SetLastError(ERROR_INVALID_PARAMETER);
    NV_TRACE_CALL("UnhookWindowsHookEx", ok, hook);
    return ok;
}

BOOL WINAPI UnhookWindowsHook(int type, HOOKPROC proc) {
    auto& c = chain();
    auto it = std::find_if(c.begin(), c.end(), [&](const Hook& h) { return h.type == type && h.proc == proc; });
    BOOL ok = it != c.end();
    if (ok)
        c.erase(it);
    NV_TRACE_CALL("UnhookWindowsHook", ok, type);
    return ok;
}

LRESULT WINAPI CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
    auto& c = chain();
    LRESULT r = 0;
    auto it = std::find_if(c.begin(), c.end(), [&](const Hook& h) { return h.handle == hook; });
    if (it != c.end())
        r = callFrom(static_cast<size_t>(it - c.begin()) + 1, it->type, code, wParam, lParam);
    NV_TRACE_CALL("CallNextHookEx", r, hook, code, wParam);
    return r;
}

BOOL WINAPI CallMsgFilterA(LPMSG msg, int code) {
    BOOL r = msg && callMsgFilter(msg, code);
    NV_TRACE_CALL("CallMsgFilterA", r, code);
    return r;
}
