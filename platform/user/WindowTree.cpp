// The window tree: windows and classes, creation and destruction, geometry
// and the z-order, window texts.
#include "platform/user/WindowState.h"

#include <algorithm>
#include <cassert>

#include "platform/core/Machine.h"
#include "platform/core/Trace.h"
#include "platform/user/ResidentProgram.h"

namespace nv::user {
using namespace detail;

namespace detail {

RECT clientRectLocal(const Window& w) {
    return RECT{0, 0, std::max<LONG>(0, w.rect.right - w.rect.left - w.frame.left - w.frame.right),
                std::max<LONG>(0, w.rect.bottom - w.rect.top - w.frame.top - w.frame.bottom)};
}


}  // namespace detail

namespace {

void sendDestroy(HWND h) {
    send(h, WM_DESTROY, 0, 0);
    Window* w = find(h);
    if (!w)
        return;
    auto kids = w->children;
    for (HWND c : kids) {
        if (Window* cw = find(c))
            cw->destroying = true;
        sendDestroy(c);
    }
}

void freeWindow(HWND h) {
    Window* w = find(h);
    if (!w)
        return;
    auto kids = w->children;
    for (HWND c : kids)
        freeWindow(c);
    send(h, WM_NCDESTROY, 0, 0);
    w = find(h);
    if (!w)
        return;
    State& s = S();
    killTimersOf(h);
    if (s.focus == h)
        s.focus = nullptr;
    if (s.capture == h)
        s.capture = nullptr;
    if (w->parent) {
        if (Window* p = find(w->parent)) {
            auto& v = p->children;
            v.erase(std::remove(v.begin(), v.end(), h), v.end());
        }
    } else {
        s.top.erase(std::remove(s.top.begin(), s.top.end(), h), s.top.end());
    }
    s.windows.erase(h);
}

// The window to activate when the active one goes: its owner if it can take

}  // namespace

// ---- windows ----

Window* find(HWND hwnd) {
    if (!hwnd)
        return nullptr;
    auto& m = S().windows;
    auto it = m.find(hwnd);
    return it == m.end() ? nullptr : it->second.get();
}

Window& get(HWND hwnd) {
    Window* w = find(hwnd);
    assert(w && "invalid window handle");
    return *w;
}

bool isChild(const Window& w) { return (w.style & WS_CHILD) && w.parent; }

std::vector<HWND>& siblingsOf(const Window& w) {
    if (w.parent)
        return get(w.parent).children;
    return S().top;
}

const std::vector<HWND>& topLevel() { return S().top; }
HWND desktop() { return S().desktop; }

std::shared_ptr<WndClass> findClass(std::string_view name, HINSTANCE instance) {
    std::shared_ptr<WndClass> global;
    for (auto& c : S().classes) {
        if (!machine::equalsNoCase(c->name, name))
            continue;
        if (c->instance == instance || !instance)
            return c;
        if (c->system || (c->style & CS_GLOBALCLASS))
            global = c;
        else if (!global)
            global = c;  // one program: a class of another instance still resolves
    }
    return global;
}

Result<ATOM> registerClass(const WNDCLASSA& wc, bool system) {
    if (!wc.lpszClassName || !wc.lpfnWndProc)
        return Error::win32(ERROR_INVALID_PARAMETER, "RegisterClassA: no class name or procedure");
    std::string name = IS_INTRESOURCE(wc.lpszClassName) ? "#" + std::to_string(reinterpret_cast<uintptr_t>(wc.lpszClassName))
                                                          : std::string(wc.lpszClassName);
    State& s = S();
    for (auto& c : s.classes)
        if (machine::equalsNoCase(c->name, name) && c->instance == wc.hInstance && !c->system)
            return Error::win32(ERROR_CLASS_ALREADY_EXISTS, "class \"" + name + "\" already exists");
    auto c = std::make_shared<WndClass>();
    c->name = name;
    c->style = wc.style;
    c->proc = wc.lpfnWndProc;
    if (system)
        trace::internalProcedure(wc.lpfnWndProc);  // the controls' own calls are not the program's
    c->clsExtra = std::max(0, wc.cbClsExtra);
    c->wndExtra = std::max(0, wc.cbWndExtra);
    c->instance = wc.hInstance;
    c->icon = wc.hIcon;
    c->cursor = wc.hCursor;
    c->background = wc.hbrBackground;
    if (wc.lpszMenuName && !IS_INTRESOURCE(wc.lpszMenuName))
        c->menuName = wc.lpszMenuName;
    c->system = system;
    c->atom = s.nextAtom++;
    // Program classes take precedence over system ones of the same name.
    if (system)
        s.classes.push_back(c);
    else
        s.classes.insert(s.classes.begin(), c);
    return c->atom;
}

bool unregisterClass(const std::shared_ptr<WndClass>& cls) {
    State& s = S();
    for (auto& [h, w] : s.windows)
        if (w->cls == cls)
            return false;
    s.classes.erase(std::remove(s.classes.begin(), s.classes.end(), cls), s.classes.end());
    return true;
}

RECT frameFor(DWORD style, DWORD exStyle) {
    int b = 0;
    if (style & WS_THICKFRAME)
        b = systemMetric(SM_CXFRAME);
    else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        b = systemMetric(SM_CXDLGFRAME);
    else if (style & WS_BORDER)
        b = systemMetric(SM_CXBORDER);
    if (exStyle & WS_EX_CLIENTEDGE)
        b += systemMetric(SM_CXEDGE);
    if (exStyle & WS_EX_STATICEDGE)
        b += 1;
    RECT f{b, b, b, b};
    if ((style & WS_CAPTION) == WS_CAPTION)
        f.top += systemMetric(SM_CYCAPTION);
    return f;
}

Result<HWND> createWindow(const CreateParams& p) {
    State& s = S();
    auto cls = findClass(p.className, p.instance);
    if (!cls)
        return Error::win32(ERROR_CANNOT_FIND_WND_CLASS, "no window class \"" + p.className + "\"");
    Window* parent = nullptr;
    if (p.parent) {
        parent = find(p.parent);
        if (!parent)
            return Error::win32(ERROR_INVALID_WINDOW_HANDLE, "parent window is not a window");
    }
    if ((p.style & WS_CHILD) && !parent)
        return Error::win32(ERROR_INVALID_PARAMETER, "child window without a parent");

    auto w = std::make_unique<Window>();
    w->handle = newHandle();
    w->cls = cls;
    w->proc = cls->proc;
    w->style = p.style & ~WS_VISIBLE;  // shown below, after WM_CREATE
    w->exStyle = p.exStyle;
    w->instance = p.instance;
    w->extra.assign(static_cast<size_t>(cls->wndExtra), 0);
    if (p.style & WS_CHILD) {
        w->parent = p.parent;
        w->id = reinterpret_cast<LONG_PTR>(p.menu);
    } else {
        w->owner = parent ? topLevelOf(p.parent) : nullptr;
        w->id = reinterpret_cast<LONG_PTR>(p.menu);
    }
    int x = p.x, y = p.y, cx = p.cx, cy = p.cy;
    if (!(p.style & WS_CHILD)) {
        if (x == CW_USEDEFAULT) {
            x = 0;
            y = 0;
        }
        if (cx == CW_USEDEFAULT) {
            cx = screenWidth() * 3 / 4;
            cy = screenHeight() * 3 / 4;
        }
    } else {
        if (x == CW_USEDEFAULT)
            x = y = 0;
        if (cx == CW_USEDEFAULT)
            cx = cy = 0;
    }
    w->rect = RECT{x, y, x + std::max(0, cx), y + std::max(0, cy)};
    w->frame = frameFor(w->style, w->exStyle);
    HWND h = w->handle;
    Window& ref = *w;
    s.windows[h] = std::move(w);
    if (ref.parent)
        get(ref.parent).children.push_back(h);  // controls keep their creation order
    else
        s.top.insert(s.top.begin(), h);
    if (p.prepare)
        p.prepare(ref);

    std::string title = p.title ? std::string(p.title) : std::string();
    CREATESTRUCTA cs{};
    cs.lpCreateParams = p.param;
    cs.hInstance = p.instance;
    cs.hMenu = p.menu;
    cs.hwndParent = p.parent;
    cs.cx = cx;
    cs.cy = cy;
    cs.x = x;
    cs.y = y;
    cs.style = static_cast<LONG>(p.style);
    cs.lpszName = p.title;
    cs.lpszClass = p.className.c_str();
    cs.dwExStyle = p.exStyle;
    if (!send(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        destroyWindow(h);
        return Error::win32(ERROR_INVALID_PARAMETER, "WM_NCCREATE refused the window");
    }
    if (!find(h))
        return Error::win32(ERROR_INVALID_WINDOW_HANDLE, "window destroyed while being created");
    if (send(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        destroyWindow(h);
        return Error::win32(ERROR_INVALID_PARAMETER, "WM_CREATE refused the window");
    }
    Window* made = find(h);
    if (!made)
        return Error::win32(ERROR_INVALID_WINDOW_HANDLE, "window destroyed while being created");
    RECT c = clientRectLocal(*made);
    send(h, WM_SIZE, 0, MAKELPARAM(c.right, c.bottom));
    if ((made = find(h))) {
        POINT o{made->rect.left + made->frame.left, made->rect.top + made->frame.top};
        send(h, WM_MOVE, 0, MAKELPARAM(o.x, o.y));
    }
    if ((p.style & WS_VISIBLE) && find(h))
        showWindow(h, SW_SHOW);
    return h;
}

bool destroyWindow(HWND hwnd) {
    Window* w = find(hwnd);
    if (!w || hwnd == S().desktop)
        return false;
    if (w->destroying)
        return true;
    State& s = S();
    residentWindowGoing(hwnd);
    if (!(w = find(hwnd)))
        return true;
    w->destroying = true;
    bool wasVisible = (w->style & WS_VISIBLE) != 0;
    bool wasActive = s.active == hwnd;
    // Windows it owns go first.
    if (!w->parent) {
        auto tops = s.top;
        for (HWND t : tops) {
            Window* tw = find(t);
            if (tw && tw->owner == hwnd)
                destroyWindow(t);
        }
    }
    if ((w = find(hwnd)))
        w->style &= ~WS_VISIBLE;
    // Focus inside the window goes away with it.
    for (HWND f = s.focus; f; f = find(f) ? find(f)->parent : nullptr) {
        if (f == hwnd) {
            HWND old = s.focus;
            s.focus = nullptr;
            if (find(old) && old != hwnd)
                send(old, WM_KILLFOCUS, 0, 0);
            break;
        }
    }
    sendDestroy(hwnd);
    if (s.active == hwnd)
        s.active = nullptr;
    freeWindow(hwnd);
    if (wasActive) {
        if (HWND next = nextActive(hwnd))
            activate(next);
    }
    if (wasVisible)
        notifyScreenChanged();
    return true;
}

POINT clientOrigin(const Window& w) {
    POINT o{w.rect.left + w.frame.left, w.rect.top + w.frame.top};
    if (w.parent) {
        POINT po = clientOrigin(get(w.parent));
        o.x += po.x;
        o.y += po.y;
    }
    return o;
}

RECT screenRect(const Window& w) {
    RECT r = w.rect;
    if (w.parent) {
        POINT po = clientOrigin(get(w.parent));
        r.left += po.x;
        r.right += po.x;
        r.top += po.y;
        r.bottom += po.y;
    }
    return r;
}

RECT clientScreenRect(const Window& w) {
    POINT o = clientOrigin(w);
    RECT c = clientRectLocal(w);
    return RECT{o.x, o.y, o.x + c.right, o.y + c.bottom};
}

void moveWindow(HWND hwnd, int x, int y, int cx, int cy, bool repaint) {
    Window* w = find(hwnd);
    if (!w)
        return;
    RECT old = w->rect;
    w->rect = RECT{x, y, x + std::max(0, cx), y + std::max(0, cy)};
    bool moved = old.left != x || old.top != y;
    bool sized = (old.right - old.left) != cx || (old.bottom - old.top) != cy;
    if (!moved && !sized)
        return;
    WINDOWPOS wp{hwnd, nullptr, x, y, cx, cy, 0};
    send(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    if ((w = find(hwnd)) && moved) {
        POINT o{w->rect.left + w->frame.left, w->rect.top + w->frame.top};
        send(hwnd, WM_MOVE, 0, MAKELPARAM(o.x, o.y));
    }
    if ((w = find(hwnd)) && sized) {
        RECT c = clientRectLocal(*w);
        send(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
    }
    if ((w = find(hwnd)) && repaint && (sized || moved)) {
        w->ncDirty = true;
        invalidate(hwnd, nullptr, true);
    }
    notifyScreenChanged();
}

bool visible(const Window& w) {
    const Window* p = &w;
    while (p) {
        if (!(p->style & WS_VISIBLE))
            return false;
        p = p->parent ? find(p->parent) : nullptr;
    }
    return true;
}

HWND topLevelOf(HWND hwnd) {
    Window* w = find(hwnd);
    while (w && w->parent) {
        hwnd = w->parent;
        w = find(hwnd);
    }
    return w ? hwnd : nullptr;
}

bool enabledChain(const Window& w) {
    const Window* p = &w;
    while (p) {
        if (p->style & WS_DISABLED)
            return false;
        p = p->parent ? find(p->parent) : nullptr;
    }
    return true;
}


bool setText(HWND hwnd, std::string_view t) {
    std::string copy(t);
    return send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str())) != 0;
}

std::string text(HWND hwnd) {
    LRESULT n = send(hwnd, WM_GETTEXTLENGTH, 0, 0);
    if (n <= 0)
        return {};
    std::string buf(static_cast<size_t>(n) + 1, '\0');
    LRESULT got = send(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, n)));
    return buf;
}

std::string className(HWND hwnd) {
    Window* w = find(hwnd);
    return w && w->cls ? w->cls->name : std::string();
}

std::vector<HWND> descendants(HWND hwnd) {
    std::vector<HWND> out;
    Window* w = find(hwnd);
    if (!w)
        return out;
    for (HWND c : w->children) {
        out.push_back(c);
        auto sub = descendants(c);
        out.insert(out.end(), sub.begin(), sub.end());
    }
    return out;
}


}  // namespace nv::user
