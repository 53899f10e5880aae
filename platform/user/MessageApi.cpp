// Win32 edge of the message system: sending, posting, the queue, the default
// window procedure, timers and the machine clock.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/core/Machine.h"
#include "platform/core/PerMachine.h"
#include "platform/core/Trace.h"
#include "platform/user/WindowManager.h"

using namespace nv::user;

namespace {

// Empty PeekMessage calls in a row with nothing that could ever arrive: a
// loop polling for something that cannot come.
int emptyPolls = 0;
constexpr int kPollLimit = 1000000;

}  // namespace

LRESULT WINAPI SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    NV_TRACE_ENTER("SendMessageA", hwnd, msg, wParam, lParam);
    LRESULT r = 0;
    if (hwnd == HWND_BROADCAST) {
        auto list = topLevel();
        for (HWND h : list)
            if (find(h))
                send(h, msg, wParam, lParam);
        r = 1;
    } else if (find(hwnd)) {
        r = send(hwnd, msg, wParam, lParam);
    } else {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    }
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    NV_TRACE_ENTER("PostMessageA", hwnd, msg, wParam, lParam);
    BOOL ok = FALSE;
    if (hwnd == HWND_BROADCAST) {
        auto list = topLevel();
        for (HWND h : list)
            post(h, msg, wParam, lParam);
        ok = TRUE;
    } else {
        ok = post(hwnd, msg, wParam, lParam);
        if (!ok)
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI PostThreadMessageA(DWORD thread, UINT msg, WPARAM wParam, LPARAM lParam) {
    NV_TRACE_ENTER("PostThreadMessageA", thread, msg, wParam, lParam);
    BOOL ok = post(nullptr, msg, wParam, lParam);
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT first, UINT last) {
    NV_TRACE_ENTER("GetMessageA", hwnd, first, last);
    BOOL r = -1;
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (hwnd && !find(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    } else {
        r = get(msg, hwnd, first, last) ? TRUE : FALSE;
        emptyPolls = 0;
    }
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT first, UINT last, UINT remove) {
    NV_TRACE_ENTER("PeekMessageA", hwnd, first, last, remove);
    BOOL r = FALSE;
    if (msg) {
        if (halted()) {
            *msg = MSG{nullptr, WM_QUIT, 0, 0, static_cast<DWORD>(now()), {}};
            r = TRUE;
        } else {
            r = peek(msg, hwnd, first, last, (remove & PM_REMOVE) ? Fetch::Remove : Fetch::Keep);
        }
        if (r) {
            emptyPolls = 0;
        } else if (LiveHost* live = liveHost()) {
            live->poll();  // real time passes; a person may act
        } else if (auto due = nextTimerDue(); due && *due > now()) {
            // Nothing now: the next timer is where the machine's time goes.
            advanceClock(*due);
            emptyPolls = 0;
        } else if (++emptyPolls > kPollLimit) {
            // Nothing left to wait for, or only messages the filter leaves out.
            emptyPolls = 0;
            stall("the program polls for a message that nothing can send (" + describeWaiting() + ")");
        }
    }
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
    NV_TRACE_ENTER("TranslateMessage", msg ? msg->message : 0u);
    BOOL r = msg ? translate(msg) : FALSE;
    NV_TRACE_RESULT(r);
    return r;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    NV_TRACE_ENTER("DispatchMessageA", msg ? msg->hwnd : nullptr, msg ? msg->message : 0u);
    LRESULT r = msg ? dispatch(msg) : 0;
    NV_TRACE_RESULT(r);
    return r;
}

void WINAPI PostQuitMessage(int code) {
    NV_TRACE_ENTER("PostQuitMessage", code);
    postQuit(code);
    NV_TRACE_RESULT(0);
}

LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    NV_TRACE_ENTER("CallWindowProcA", hwnd, msg, wParam, lParam);
    LRESULT r = 0;
    if (proc) {
        nv::trace::Callback program(proc);
        r = proc(hwnd, msg, wParam, lParam);
    }
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI WaitMessage(void) {
    NV_TRACE_ENTER("WaitMessage");
    MSG m;
    BOOL ok = TRUE;
    // Waits like GetMessage but leaves the message where it is.
    while (!halted() && !peek(&m, nullptr, 0, 0, Fetch::Keep)) {
        if (LiveHost* live = liveHost()) {
            live->wait(nextTimerDue(), nullptr, WaitKind::Dialog);
        } else if (auto due = nextTimerDue()) {
            advanceClock(*due);
        } else {
            ok = FALSE;
            stall("the program waits for a message that nothing can send (" + describeWaiting() + ")");
        }
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

DWORD WINAPI GetMessagePos(void) {
    NV_TRACE_ENTER("GetMessagePos");
    POINT p{};
    GetCursorPos(&p);
    DWORD r = static_cast<DWORD>(MAKELONG(p.x, p.y));
    NV_TRACE_RESULT(r);
    return r;
}

LONG WINAPI GetMessageTime(void) {
    NV_TRACE_ENTER("GetMessageTime");
    LONG r = static_cast<LONG>(now());
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI InSendMessage(void) {
    NV_TRACE_ENTER("InSendMessage");
    NV_TRACE_RESULT(FALSE);
    return FALSE;
}

UINT WINAPI RegisterWindowMessageA(LPCSTR name) {
    NV_TRACE_ENTER("RegisterWindowMessageA", name);
    struct Registered {
        std::map<std::string, UINT> names;
    };
    auto& known = nv::machine::perMachine<Registered>().names;
    UINT r = 0;
    if (name && *name) {
        std::string key = nv::machine::toUpperAscii(name);
        auto it = known.find(key);
        if (it == known.end())
            it = known.emplace(key, static_cast<UINT>(0xC100 + known.size())).first;
        r = it->second;
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    NV_TRACE_RESULT(r);
    return r;
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    NV_TRACE_GUARD();
    Window* w = find(hwnd);
    if (!w)
        return 0;
    switch (msg) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName))
            w->text = cs->lpszName;
        return TRUE;
    }
    case WM_NCPAINT:
        if (Painter* p = GetPainter())
            p->paintNonClient(hwnd);
        return 0;
    case WM_PAINT:
        validate(hwnd, nullptr);
        return 0;
    case WM_CANCELMODE:
        if (capture() == hwnd)
            setCapture(nullptr);
        return 0;
    case WM_ERASEBKGND:
        return w->cls && w->cls->background ? 1 : 0;
    case WM_SETTEXT:
        w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        if ((w->style & WS_CAPTION) == WS_CAPTION) {
            w->ncDirty = true;
            notifyScreenChanged();
        }
        return TRUE;
    case WM_GETTEXT: {
        auto* buf = reinterpret_cast<char*>(lParam);
        if (!buf || wParam == 0)
            return 0;
        size_t n = std::min(w->text.size(), static_cast<size_t>(wParam - 1));
        std::memcpy(buf, w->text.data(), n);
        buf[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(w->text.size());
    case WM_CLOSE:
        destroyWindow(hwnd);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            send(hwnd, WM_CLOSE, 0, 0);
        else if ((wParam & 0xFFF0) == SC_RESTORE)
            showWindow(hwnd, SW_RESTORE);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !(w->style & WS_MINIMIZE)) {
            bool inside = false;
            for (HWND f = focus(); f; f = find(f) ? find(f)->parent : nullptr)
                inside = inside || f == hwnd;
            if (!inside)
                setFocus(hwnd);
        }
        return 0;
    case WM_NCACTIVATE:
        if ((w->style & WS_CAPTION) == WS_CAPTION)
            w->ncDirty = true;
        return TRUE;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_MOUSEACTIVATE:
        return 1;  // MA_ACTIVATE
    case WM_NCHITTEST:
        return 1;  // HTCLIENT
    default:
        return 0;
    }
}

// ---- timers and the clock ----

UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    NV_TRACE_ENTER("SetTimer", hwnd, id, elapse);
    UINT_PTR r = setTimer(hwnd, id, elapse, proc);
    if (!r)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id) {
    NV_TRACE_ENTER("KillTimer", hwnd, id);
    BOOL ok = killTimer(hwnd, id);
    if (!ok)
        SetLastError(ERROR_INVALID_PARAMETER);
    NV_TRACE_RESULT(ok);
    return ok;
}

DWORD WINAPI GetTickCount(void) {
    NV_TRACE_ENTER("GetTickCount");
    DWORD r = static_cast<DWORD>(now());
    NV_TRACE_RESULT(r);
    return r;
}

DWORD WINAPI GetCurrentTime(void) {
    NV_TRACE_ENTER("GetCurrentTime");
    DWORD r = static_cast<DWORD>(now());
    NV_TRACE_RESULT(r);
    return r;
}
