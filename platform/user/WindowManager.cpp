#include "platform/user/WindowManager.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>
#include <map>
#include <unordered_map>

#include "platform/core/Machine.h"
#include "platform/user/Controls.h"
#include "platform/user/FilePrompt.h"
#include "platform/user/Hook.h"
#include "platform/user/ResidentProgram.h"

namespace nv::user {
namespace {

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT elapse = 0;
    TIMERPROC proc = nullptr;
    uint64_t due = 0;
};

struct State {
    bool initialised = false;
    std::vector<std::shared_ptr<WndClass>> classes;
    std::unordered_map<HWND, std::unique_ptr<Window>> windows;
    std::vector<HWND> top;  // front first
    HWND desktop = nullptr;
    uintptr_t nextHandle = 0x10020;
    std::deque<MSG> posted;
    std::deque<MSG> input;
    bool quit = false;
    int quitCode = 0;
    std::vector<Timer> timers;
    UINT_PTR nextThreadTimer = 0x7F00;
    uint64_t clock = 0;
    HWND focus = nullptr;
    HWND active = nullptr;
    HWND capture = nullptr;
    CursorState cursor;
    bool keys[256] = {};
    std::vector<IdleHandler> idle;
    bool halted = false;
    ATOM nextAtom = 0xC000;
    StallHandler stall;
    std::map<std::string, HWND> residents;  // running resident programs by class name
};

// The window manager of one machine: made on the machine's first window call,
// dropped with the machine, so that no window, class, timer or input of one
// machine reaches another.
struct MachineWindows : machine::Machine::FamilyState {
    explicit MachineWindows(machine::Machine&) {}
    void shutDown() override { stopResidentPrograms(); }
    State state;
};

State& raw() {
    if (machine::Machine* m = machine::current())
        return m->familyState<MachineWindows>().state;
    static State detached;  // calls made with no machine attached
    return detached;
}

bool resetting = false;
StallHandler& defaultStall() {
    static StallHandler h;  // outlives resets: set by whoever drives the run
    return h;
}

void initialise();

State& S() {
    State& s = raw();
    if (!resetting && !s.initialised)
        initialise();
    return s;
}

HWND newHandle() {
    State& s = raw();
    HWND h = reinterpret_cast<HWND>(s.nextHandle);
    s.nextHandle += 4;
    return h;
}

int screenWidth() {
    auto* m = machine::current();
    return m ? m->settings().screenWidth : 800;
}
int screenHeight() {
    auto* m = machine::current();
    return m ? m->settings().screenHeight : 600;
}

void initialise() {
    State& s = raw();
    resetting = true;
    s.windows.clear();
    s.top.clear();
    s.classes.clear();
    s.posted.clear();
    s.input.clear();
    s.timers.clear();
    s.quit = false;
    s.quitCode = 0;
    s.clock = 0;
    s.focus = s.active = s.capture = nullptr;
    s.cursor = CursorState{};
    std::fill(std::begin(s.keys), std::end(s.keys), false);
    s.idle.clear();
    s.halted = false;
    s.stall = nullptr;
    s.nextAtom = 0xC000;
    s.residents.clear();
    s.initialised = true;
    // The desktop: the parent of every top-level window.
    auto d = std::make_unique<Window>();
    d->handle = newHandle();
    d->style = WS_VISIBLE;
    d->rect = RECT{0, 0, screenWidth(), screenHeight()};
    s.desktop = d->handle;
    s.windows[d->handle] = std::move(d);
    clearHooks();
    registerStandardClasses();
    installFilePrompt();
    resetting = false;
    startResidentPrograms();
}

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

RECT intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.left >= r.right || r.top >= r.bottom)
        return RECT{0, 0, 0, 0};
    return r;
}
bool empty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }
RECT unite(const RECT& a, const RECT& b) {
    if (empty(a))
        return b;
    if (empty(b))
        return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

RECT clientRectLocal(const Window& w) {
    return RECT{0, 0, std::max<LONG>(0, w.rect.right - w.rect.left - w.frame.left - w.frame.right),
                std::max<LONG>(0, w.rect.bottom - w.rect.top - w.frame.top - w.frame.bottom)};
}

// A window that needs painting, parents before children, front windows first.
HWND findPaintable(const std::vector<HWND>& list, HWND filter) {
    for (HWND h : list) {
        Window* w = find(h);
        if (!w || !(w->style & WS_VISIBLE))
            continue;
        if ((w->hasUpdate || w->ncDirty) && matchesFilter(h, filter))
            return h;
        if (HWND c = findPaintable(w->children, filter))
            return c;
    }
    return nullptr;
}

void killTimersOf(HWND hwnd) {
    auto& t = S().timers;
    t.erase(std::remove_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == hwnd; }), t.end());
}

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
// it, else the front-most visible, enabled top-level window.
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
        b = GetSystemMetrics(SM_CXFRAME);
    else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        b = GetSystemMetrics(SM_CXDLGFRAME);
    else if (style & WS_BORDER)
        b = GetSystemMetrics(SM_CXBORDER);
    if (exStyle & WS_EX_CLIENTEDGE)
        b += GetSystemMetrics(SM_CXEDGE);
    if (exStyle & WS_EX_STATICEDGE)
        b += 1;
    RECT f{b, b, b, b};
    if ((style & WS_CAPTION) == WS_CAPTION)
        f.top += GetSystemMetrics(SM_CYCAPTION);
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

// ---- update regions ----

void invalidate(HWND hwnd, const RECT* r, bool erase) {
    Window* w = find(hwnd);
    if (!w || !visible(*w))
        return;
    RECT c = clientRectLocal(*w);
    RECT add = r ? intersect(*r, c) : c;
    if (!empty(add)) {
        w->update = w->hasUpdate ? unite(w->update, add) : add;
        w->hasUpdate = true;
        w->erase = w->erase || erase;
    }
    if (!(w->style & WS_CLIPCHILDREN)) {
        auto kids = w->children;
        for (HWND k : kids) {
            Window* kw = find(k);
            if (!kw)
                continue;
            if (r) {
                RECT kr = intersect(*r, kw->rect);
                if (empty(kr))
                    continue;
                OffsetRect(&kr, -kw->rect.left - kw->frame.left, -kw->rect.top - kw->frame.top);
                invalidate(k, &kr, erase);
            } else {
                invalidate(k, nullptr, erase);
            }
        }
    }
}

void validate(HWND hwnd, const RECT* r) {
    Window* w = find(hwnd);
    if (!w || !w->hasUpdate)
        return;
    if (!r) {
        w->hasUpdate = false;
        w->erase = false;
        w->update = RECT{};
        return;
    }
    RECT u = w->update;
    // Rectangles stand in for regions: a validated band across the whole
    // update rectangle shrinks it; anything else leaves it as it is.
    if (r->left <= u.left && r->right >= u.right) {
        if (r->top <= u.top && r->bottom >= u.bottom) {
            w->hasUpdate = false;
            w->erase = false;
            w->update = RECT{};
            return;
        }
        if (r->top <= u.top && r->bottom > u.top)
            u.top = r->bottom;
        else if (r->bottom >= u.bottom && r->top < u.bottom)
            u.bottom = r->top;
    } else if (r->top <= u.top && r->bottom >= u.bottom) {
        if (r->left <= u.left && r->right > u.left)
            u.left = r->right;
        else if (r->right >= u.right && r->left < u.right)
            u.right = r->left;
    }
    w->update = u;
    if (empty(u)) {
        w->hasUpdate = false;
        w->erase = false;
    }
}

void paintNow(HWND hwnd) {
    Window* w = find(hwnd);
    if (!w || !visible(*w))
        return;
    if (w->ncDirty) {
        w->ncDirty = false;
        send(hwnd, WM_NCPAINT, 1, 0);
    }
    if ((w = find(hwnd)) && w->hasUpdate) {
        send(hwnd, WM_PAINT, 0, 0);
        // A procedure that does not validate would get WM_PAINT for ever.
        if ((w = find(hwnd)))
            validate(hwnd, nullptr);
    }
    if (!(w = find(hwnd)))
        return;
    auto kids = w->children;
    for (HWND k : kids)
        paintNow(k);
}

// ---- messages ----

LRESULT send(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    Window* win = find(hwnd);
    if (!win || !win->proc)
        return 0;
    WNDPROC proc = win->proc;
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

bool peek(MSG* out, HWND filter, UINT first, UINT last, Fetch mode) {
    State& s = S();
    auto take = [&](std::deque<MSG>& q, bool isInput) {
        for (auto it = q.begin(); it != q.end(); ++it) {
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
    else if (vk >= '0' && vk <= '9')
        ch = vk;
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

// ---- timers and the clock ----

uint64_t now() { return S().clock; }

void advanceClock(uint64_t to) {
    State& s = S();
    if (to > s.clock)
        s.clock = to;
}

std::optional<uint64_t> nextTimerDue() {
    std::optional<uint64_t> best;
    for (auto& t : S().timers)
        if (!best || t.due < *best)
            best = t.due;
    return best;
}

UINT_PTR setTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    State& s = S();
    if (hwnd && !find(hwnd))
        return 0;
    // Windows raises elapse times below 10 ms to 10 ms.
    elapse = std::max<UINT>(elapse, 10);
    if (!hwnd)
        id = s.nextThreadTimer++;
    for (auto& t : s.timers) {
        if (t.hwnd == hwnd && t.id == id) {
            t.elapse = elapse;
            t.proc = proc;
            t.due = s.clock + elapse;
            return hwnd ? (id ? id : 1) : id;
        }
    }
    s.timers.push_back(Timer{hwnd, id, elapse, proc, s.clock + elapse});
    return hwnd ? (id ? id : 1) : id;
}

bool killTimer(HWND hwnd, UINT_PTR id) {
    auto& t = S().timers;
    auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == hwnd && x.id == id; });
    if (it == t.end())
        return false;
    t.erase(it);
    return true;
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

// ---- the run ----

bool halted() { return S().halted; }
void halt() { S().halted = true; }
void setStallHandler(StallHandler h) { S().stall = std::move(h); }
void setDefaultStallHandler(StallHandler h) { defaultStall() = std::move(h); }

void stall(const std::string& why) {
    if (StallHandler h = S().stall ? S().stall : defaultStall())
        h(why);
    else
        std::fprintf(stderr, "%s\n", why.c_str());
    halt();
}

std::string describeWaiting() {
    State& s = S();
    std::string out;
    for (HWND h : s.top) {
        Window* w = find(h);
        if (!w || !(w->style & WS_VISIBLE))
            continue;
        if (!out.empty())
            out += ", ";
        out += "window \"" + w->text + "\" of class \"" + (w->cls ? w->cls->name : std::string()) + "\"";
        if (w->dialog && !w->dialog->templateName.empty())
            out += " from template " + w->dialog->templateName;
    }
    return out.empty() ? "no window is visible" : "visible: " + out;
}

SIZE systemBaseUnits() { return SIZE{8, 16}; }

SIZE baseUnitsFor(const char* face, int pointSize) {
    std::string f = face ? face : "";
    if (machine::equalsNoCase(f, "System") || machine::equalsNoCase(f, "Fixedsys"))
        return systemBaseUnits();  // a raster font of one size
    if (pointSize <= 0)
        pointSize = 8;
    // MS Sans Serif 8 pt at 96 dpi: 6 x 13; other sizes scale with it.
    return SIZE{static_cast<LONG>((6 * pointSize + 4) / 8), static_cast<LONG>((13 * pointSize + 4) / 8)};
}

void reset() {
    if (raw().initialised)
        stopResidentPrograms();
    raw().initialised = false;
    initialise();
}

std::map<std::string, HWND>& residentWindows() { return S().residents; }

void ensureMachine() { (void)S(); }

void notifyScreenChanged() {
    if (Painter* p = GetPainter())
        p->screenChanged();
}

}  // namespace nv::user
