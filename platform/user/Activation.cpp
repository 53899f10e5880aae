// Activation, focus, showing and enabling windows, mouse capture and the
// keyboard state.
#include "platform/user/WindowState.h"

#include <algorithm>

namespace nv::user {
using namespace detail;

namespace detail {

HWND nextActive(HWND going) {
    Window* g = find(going);
    if (g && g->owner) {
        Window* o = find(g->owner);
        if (o && !o->destroying && (o->style & WS_VISIBLE) && !(o->style & WS_DISABLED))
            return g->owner;
    }
    for (HWND h : S().top) {
        Window* w = find(h);
        if (h != going && w && !w->destroying && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED))
            return h;
    }
    return nullptr;
}

}  // namespace detail

void bringToTop(HWND hwnd) {
    Window* w = find(hwnd);
    if (!w)
        return;
    auto& sib = siblingsOf(*w);
    sib.erase(std::remove(sib.begin(), sib.end(), hwnd), sib.end());
    auto pos = sib.begin();
    if (!w->parent && !(w->exStyle & WS_EX_TOPMOST)) {
        // Topmost windows stay in front of ordinary ones.
        while (pos != sib.end() && find(*pos) && (find(*pos)->exStyle & WS_EX_TOPMOST))
            ++pos;
    }
    sib.insert(pos, hwnd);
    if (!w->parent) {
        // Owned windows stay in front of their owner.
        std::vector<HWND> owned;
        for (HWND t : S().top)
            if (Window* tw = find(t); tw && tw->owner == hwnd && t != hwnd)
                owned.push_back(t);
        for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
            auto& top = S().top;
            top.erase(std::remove(top.begin(), top.end(), *it), top.end());
            auto at = std::find(top.begin(), top.end(), hwnd);
            top.insert(at, *it);
        }
    }
    notifyScreenChanged();
}

void activate(HWND hwnd) {
    State& s = S();
    hwnd = topLevelOf(hwnd);
    if (s.active == hwnd)
        return;
    HWND old = s.active;
    s.active = hwnd;
    if (old && find(old)) {
        send(old, WM_NCACTIVATE, FALSE, 0);
        send(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
    }
    if (hwnd && find(hwnd) && s.active == hwnd) {
        bringToTop(hwnd);
        send(hwnd, WM_NCACTIVATE, TRUE, 0);
        send(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
    }
}

HWND activeWindow() { return S().active; }
HWND focus() { return S().focus; }

HWND setFocus(HWND hwnd) {
    State& s = S();
    HWND old = s.focus;
    if (hwnd && !find(hwnd))
        return nullptr;
    if (hwnd == old)
        return old;
    if (hwnd) {
        HWND top = topLevelOf(hwnd);
        if (s.active != top) {
            s.focus = hwnd;  // activation must not move the focus elsewhere
            activate(top);
            if (s.focus != hwnd)
                return old;
            s.focus = old;
        }
    }
    s.focus = hwnd;
    if (old && find(old))
        send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd && find(hwnd) && s.focus == hwnd)
        send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

bool showWindow(HWND hwnd, int cmd) {
    Window* w = find(hwnd);
    if (!w)
        return false;
    bool was = (w->style & WS_VISIBLE) != 0;
    State& s = S();
    if (cmd == SW_HIDE) {
        if (!was)
            return false;
        send(hwnd, WM_SHOWWINDOW, FALSE, 0);
        if (!(w = find(hwnd)))
            return was;
        w->style &= ~WS_VISIBLE;
        for (HWND f = s.focus; f; f = find(f) ? find(f)->parent : nullptr)
            if (f == hwnd) {
                setFocus(w->parent ? w->parent : nullptr);
                break;
            }
        if (s.active == hwnd) {
            HWND next = nextActive(hwnd);
            s.active = nullptr;
            send(hwnd, WM_NCACTIVATE, FALSE, 0);
            send(hwnd, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(next));
            if (next)
                activate(next);
        }
        if (Window* p = w->parent ? find(w->parent) : nullptr) {
            (void)p;
            invalidate(w->parent, nullptr, true);
        }
        notifyScreenChanged();
        return was;
    }
    DWORD add = 0;
    switch (cmd) {
    case SW_MAXIMIZE:
        w->style = (w->style & ~WS_MINIMIZE) | WS_MAXIMIZE;
        if (!w->parent)
            moveWindow(hwnd, 0, 0, screenWidth(), screenHeight(), true);
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
        add = WS_MINIMIZE;
        w->style &= ~WS_MAXIMIZE;
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
        w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
        break;
    default:
        break;
    }
    if (!(w = find(hwnd)))
        return was;
    w->style |= add;
    if (!was) {
        send(hwnd, WM_SHOWWINDOW, TRUE, 0);
        if (!(w = find(hwnd)))
            return was;
        w->style |= WS_VISIBLE;
        w->ncDirty = true;
        invalidate(hwnd, nullptr, true);
        notifyScreenChanged();
    }
    bool noActivate = cmd == SW_SHOWNA || cmd == SW_SHOWNOACTIVATE || cmd == SW_SHOWMINNOACTIVE ||
                      cmd == SW_MINIMIZE;
    if (!w->parent && !noActivate && !(w->style & WS_DISABLED))
        activate(hwnd);
    return was;
}

bool enableWindow(HWND hwnd, bool enable) {
    Window* w = find(hwnd);
    if (!w)
        return false;
    bool wasDisabled = (w->style & WS_DISABLED) != 0;
    if (wasDisabled == !enable)
        return wasDisabled;
    if (enable) {
        w->style &= ~WS_DISABLED;
    } else {
        send(hwnd, WM_CANCELMODE, 0, 0);
        w = find(hwnd);
        if (!w)
            return wasDisabled;
        w->style |= WS_DISABLED;
        for (HWND f = S().focus; f; f = find(f) ? find(f)->parent : nullptr)
            if (f == hwnd) {
                setFocus(nullptr);
                break;
            }
        // A disabled window gets no mouse input: Windows releases the capture
        // it or a child of it holds (so a modal dialog's owner loses it).
        for (HWND c = capture(); c; c = find(c) ? find(c)->parent : nullptr)
            if (c == hwnd) {
                setCapture(nullptr);
                break;
            }
    }
    send(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    invalidate(hwnd, nullptr, true);
    return wasDisabled;
}


// ---- keyboard, capture ----

void setKeyState(int vk, bool down) {
    if (vk >= 0 && vk < 256)
        S().keys[vk] = down;
}
bool keyDown(int vk) { return vk >= 0 && vk < 256 && S().keys[vk]; }
HWND capture() { return S().capture; }
CursorState& cursor() { return S().cursor; }
HWND setCapture(HWND hwnd) {
    HWND old = S().capture;
    S().capture = hwnd && find(hwnd) ? hwnd : nullptr;
    if (old && old != S().capture && find(old))
        send(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(S().capture));
    return old;
}


}  // namespace nv::user
