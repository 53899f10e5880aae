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
        if (c[i].type == type) {
            HOOKPROC proc = c[i].proc;
            nv::trace::Callback program(proc);
            return proc(code, wParam, lParam);
        }
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
    NV_TRACE_ENTER("SetWindowsHookExA", type, module, thread);
    HHOOK h = nullptr;
    // Only the message-filter hook exists on this machine.
    if (type == WH_MSGFILTER && proc) {
        h = reinterpret_cast<HHOOK>(nv::machine::perMachine<Hooks>().nextHandle += 4);
        chain().insert(chain().begin(), Hook{h, type, proc});
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    NV_TRACE_RESULT(h);
    return h;
}

HHOOK WINAPI SetWindowsHookA(int type, HOOKPROC proc) {
    NV_TRACE_ENTER("SetWindowsHookA", type);
    HHOOK h = SetWindowsHookExA(type, proc, nullptr, 0);
    NV_TRACE_RESULT(h);
    return h;
}

BOOL WINAPI UnhookWindowsHookEx(HHOOK hook) {
    NV_TRACE_ENTER("UnhookWindowsHookEx", hook);
    auto& c = chain();
    auto it = std::find_if(c.begin(), c.end(), [&](const Hook& h) { return h.handle == hook; });
    BOOL ok = it != c.end();
    if (ok)
        c.erase(it);
    else
        SetLastError(ERROR_INVALID_PARAMETER);
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI UnhookWindowsHook(int type, HOOKPROC proc) {
    NV_TRACE_ENTER("UnhookWindowsHook", type);
    auto& c = chain();
    auto it = std::find_if(c.begin(), c.end(), [&](const Hook& h) { return h.type == type && h.proc == proc; });
    BOOL ok = it != c.end();
    if (ok)
        c.erase(it);
    NV_TRACE_RESULT(ok);
    return ok;
}

LRESULT WINAPI CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
    NV_TRACE_ENTER("CallNextHookEx", hook, code, wParam);
    auto& c = chain();
    LRESULT r = 0;
    auto it = std::find_if(c.begin(), c.end(), [&](const Hook& h) { return h.handle == hook; });
    if (it != c.end())
        r = callFrom(static_cast<size_t>(it - c.begin()) + 1, it->type, code, wParam, lParam);
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI CallMsgFilterA(LPMSG msg, int code) {
    NV_TRACE_ENTER("CallMsgFilterA", code);
    BOOL r = msg && callMsgFilter(msg, code);
    NV_TRACE_RESULT(r);
    return r;
}
