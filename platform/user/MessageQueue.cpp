// The one message queue: sending, posting, input messages, fetching with
// filters (posted, then input, then quit, paint and timers), dispatching.
#include "platform/user/WindowState.h"

#include "platform/core/Trace.h"

#include <algorithm>

namespace nv::user {
using namespace detail;

namespace detail {

bool inRange(UINT msg, UINT first, UINT last) {
    if (first == 0 && last == 0)
        return true;
    return msg >= first && msg <= last;
}

bool matchesFilter(HWND target, HWND filter) {
    if (!filter)
        return true;
    if (target == filter)
        return true;
    for (Window* w = find(target); w && w->parent; w = find(w->parent))
        if (w->parent == filter)
            return true;
    return false;
}

}  // namespace detail

// ---- messages ----

LRESULT send(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    Window* win = find(hwnd);
    if (!win || !win->proc)
        return 0;
    WNDPROC proc = win->proc;
    nv::trace::Callback program(proc);
    return proc(hwnd, msg, w, l);
}

bool post(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    State& s = S();
    if (hwnd && !find(hwnd))
        return false;
    MSG m{hwnd, msg, w, l, static_cast<DWORD>(s.clock), POINT{0, 0}};
    s.posted.push_back(m);
    return true;
}

void postInput(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    State& s = S();
    MSG m{hwnd, msg, w, l, static_cast<DWORD>(s.clock), POINT{0, 0}};
    s.input.push_back(m);
}

void postQuit(int code) {
    S().quit = true;
    S().quitCode = code;
}

bool pendingInput() { return !S().input.empty(); }

// While a window holds the capture, the mouse belongs to it: input meant for
// another window goes to the capture window, in its client coordinates.
void routeToCapture(MSG& m) {
    HWND to = capture();
    if (!to || m.hwnd == to || m.message < WM_MOUSEFIRST || m.message > WM_MOUSELAST)
        return;
    Window* target = find(to);
    Window* from = m.hwnd ? find(m.hwnd) : nullptr;
    if (!target)
        return;
    POINT at{static_cast<short>(LOWORD(m.lParam)), static_cast<short>(HIWORD(m.lParam))};
    if (from) {
        POINT o = clientOrigin(*from);
        at.x += o.x;
        at.y += o.y;
    }
    POINT t = clientOrigin(*target);
    m.hwnd = to;
    m.lParam = MAKELPARAM(at.x - t.x, at.y - t.y);
}

bool peek(MSG* out, HWND filter, UINT first, UINT last, Fetch mode) {
    State& s = S();
    auto take = [&](std::deque<MSG>& q, bool isInput) {
        for (auto it = q.begin(); it != q.end(); ++it) {
            if (isInput)
                routeToCapture(*it);
            if (!inRange(it->message, first, last) || !matchesFilter(it->hwnd, filter))
                continue;
            *out = *it;
            out->time = static_cast<DWORD>(s.clock);
            if (mode == Fetch::Remove) {
                q.erase(it);
                if (isInput && (out->message == WM_KEYDOWN || out->message == WM_KEYUP) && out->wParam < 256)
                    s.keys[out->wParam] = out->message == WM_KEYDOWN;
            }
            return true;
        }
        return false;
    };
    if (take(s.posted, false) || take(s.input, true))
        return true;
    if (s.quit) {
        *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(s.quitCode), 0, static_cast<DWORD>(s.clock), {}};
        if (mode == Fetch::Remove)
            s.quit = false;
        return true;
    }
    if (inRange(WM_PAINT, first, last)) {
        if (HWND h = findPaintable(s.top, filter)) {
            *out = MSG{h, WM_PAINT, 0, 0, static_cast<DWORD>(s.clock), {}};
            return true;
        }
    }
    if (inRange(WM_TIMER, first, last)) {
        Timer* best = nullptr;
        for (auto& t : s.timers)
            if (t.due <= s.clock && matchesFilter(t.hwnd, filter) && (!best || t.due < best->due))
                best = &t;
        if (best) {
            *out = MSG{best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc),
                       static_cast<DWORD>(s.clock), {}};
            if (mode == Fetch::Remove)
                best->due = s.clock + best->elapse;
            return true;
        }
    }
    return false;
}

bool get(MSG* msg, HWND filter, UINT first, UINT last) {
    for (;;) {
        State& s = S();
        if (s.halted) {
            *msg = MSG{nullptr, WM_QUIT, 0, 0, static_cast<DWORD>(s.clock), {}};
            return false;
        }
        if (peek(msg, filter, first, last, Fetch::Remove))
            return msg->message != WM_QUIT;
        if (!s.idle.empty()) {
            IdleHandler h = s.idle.back();
            if (h())
                continue;
            if (S().halted)
                continue;
        }
        if (LiveHost* live = liveHost()) {
            live->wait(nextTimerDue(), nullptr, WaitKind::Dialog);
            continue;
        }
        if (auto due = nextTimerDue()) {
            advanceClock(*due);
            continue;
        }
        stall("the program waits for a message that nothing can send (" + describeWaiting() + ")");
    }
}

LRESULT dispatch(const MSG* msg) {
    if (msg->message == WM_TIMER && msg->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        nv::trace::Callback program(proc);
        proc(msg->hwnd, WM_TIMER, msg->wParam, static_cast<DWORD>(S().clock));
        return 0;
    }
    if (!msg->hwnd)
        return 0;
    if (msg->message == WM_PAINT) {
        Window* w = find(msg->hwnd);
        if (!w)
            return 0;
        if (w->ncDirty) {
            w->ncDirty = false;
            send(msg->hwnd, WM_NCPAINT, 1, 0);
        }
        LRESULT r = 0;
        if ((w = find(msg->hwnd)) && w->hasUpdate)
            r = send(msg->hwnd, WM_PAINT, 0, 0);
        // A procedure that does not validate would get WM_PAINT for ever.
        validate(msg->hwnd, nullptr);
        return r;
    }
    return send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

namespace {
// The characters of the digit row and the punctuation keys on the US layout.
int usLayoutChar(int vk, bool shift) {
    static const char kShiftedDigits[] = ")!@#$%^&*(";
    if (vk >= '0' && vk <= '9')
        return shift ? kShiftedDigits[vk - '0'] : vk;
    struct Oem {
        int vk;
        char plain, shifted;
    };
    static const Oem kOem[] = {{VK_OEM_1, ';', ':'},      {VK_OEM_PLUS, '=', '+'},   {VK_OEM_COMMA, ',', '<'},
                               {VK_OEM_MINUS, '-', '_'},  {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},
                               {VK_OEM_3, '`', '~'},      {VK_OEM_4, '[', '{'},      {VK_OEM_5, '\\', '|'},
                               {VK_OEM_6, ']', '}'},      {VK_OEM_7, '\'', '"'}};
    for (const Oem& o : kOem)
        if (o.vk == vk)
            return shift ? o.shifted : o.plain;
    return 0;
}

LiveHost* theLiveHost = nullptr;  // the host's, not the machine's: outlives resets
}  // namespace

void setLiveHost(LiveHost* host) { theLiveHost = host; }
LiveHost* liveHost() { return theLiveHost; }

bool translate(const MSG* msg) {
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)
        return false;
    int vk = static_cast<int>(msg->wParam);
    int ch = 0;
    bool shift = keyDown(VK_SHIFT);
    if (vk == VK_RETURN)
        ch = '\r';
    else if (vk == VK_ESCAPE)
        ch = 27;
    else if (vk == VK_TAB)
        ch = '\t';
    else if (vk == VK_BACK)
        ch = 8;
    else if (vk == VK_SPACE)
        ch = ' ';
    else if (vk >= 'A' && vk <= 'Z')
        ch = shift ? vk : vk + ('a' - 'A');
    else
        ch = usLayoutChar(vk, shift);
    if (!ch)
        return false;
    State& s = S();
    MSG m{msg->hwnd, msg->message == WM_KEYDOWN ? static_cast<UINT>(WM_CHAR) : static_cast<UINT>(WM_SYSCHAR),
          static_cast<WPARAM>(ch), msg->lParam, static_cast<DWORD>(s.clock), {}};
    s.input.push_front(m);
    return true;
}

void pushIdleHandler(IdleHandler h) { S().idle.push_back(std::move(h)); }
void popIdleHandler() {
    if (!S().idle.empty())
        S().idle.pop_back();
}


}  // namespace nv::user
