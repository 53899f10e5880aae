// Win32 edge of the window manager: classes, windows, the tree and z-order,
// rectangles, window data and update regions.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/core/Machine.h"
#include "platform/core/Rect.h"
#include "platform/core/Trace.h"
#include "platform/user/WindowManager.h"

using namespace nv::user;

namespace {

constexpr DWORD kErrorInvalidIndex = 1413;  // ERROR_INVALID_INDEX

Window* checked(HWND hwnd) {
    Window* w = find(hwnd);
    if (!w)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

std::string className(LPCSTR name) {
    if (!name)
        return {};
    if (IS_INTRESOURCE(name))
        return "#" + std::to_string(reinterpret_cast<uintptr_t>(name));
    return name;
}

// Copies text into a caller's buffer of `size` bytes; returns the characters copied.
int copyOut(const std::string& text, LPSTR buf, int size) {
    if (!buf || size <= 0)
        return 0;
    size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
    return static_cast<int>(n);
}

}  // namespace

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
    NV_TRACE_ENTER("RegisterClassA", wc ? wc->lpszClassName : nullptr);
    ATOM result = 0;
    if (!wc) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (auto r = registerClass(*wc, false)) {
        result = *r;
    } else {
        SetLastError(r.error().code);
    }
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI UnregisterClassA(LPCSTR name, HINSTANCE instance) {
    NV_TRACE_ENTER("UnregisterClassA", name);
    auto cls = findClass(className(name), instance);
    DWORD error = 0;
    if (!cls || cls->system)
        error = ERROR_CLASS_DOES_NOT_EXIST;
    else if (!unregisterClass(cls))
        error = ERROR_CLASS_HAS_WINDOWS;  // the class stays registered
    SetLastError(error);
    BOOL ok = error == 0;
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI GetClassInfoA(HINSTANCE instance, LPCSTR name, LPWNDCLASSA out) {
    NV_TRACE_ENTER("GetClassInfoA", name);
    auto cls = findClass(className(name), instance);
    BOOL ok = FALSE;
    if (cls && out) {
        out->style = cls->style;
        out->lpfnWndProc = cls->proc;
        out->cbClsExtra = cls->clsExtra;
        out->cbWndExtra = cls->wndExtra;
        out->hInstance = cls->system ? nullptr : cls->instance;
        out->hIcon = cls->icon;
        out->hCursor = cls->cursor;
        out->hbrBackground = cls->background;
        out->lpszMenuName = nullptr;
        out->lpszClassName = name;
        ok = TRUE;
    } else {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

int WINAPI GetClassNameA(HWND hwnd, LPSTR buf, int size) {
    NV_TRACE_ENTER("GetClassNameA", hwnd);
    Window* w = checked(hwnd);
    int n = w && w->cls ? copyOut(w->cls->name, buf, size) : 0;
    NV_TRACE_RESULT(n);
    return n;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR cls, LPCSTR title, DWORD style, int x, int y, int cx, int cy,
                            HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    NV_TRACE_ENTER("CreateWindowExA", exStyle, cls, title, style, x, y, cx, cy, parent, menu);
    CreateParams p;
    p.exStyle = exStyle;
    p.className = className(cls);
    p.title = title;
    p.style = style;
    p.x = x;
    p.y = y;
    p.cx = cx;
    p.cy = cy;
    p.parent = parent == HWND_DESKTOP ? nullptr : parent;
    p.menu = menu;
    p.instance = instance;
    p.param = param;
    HWND result = nullptr;
    if (nv::machine::current() && nv::machine::current()->nextAllocationFails()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    } else if (auto r = createWindow(p)) {
        result = *r;
    } else {
        SetLastError(r.error().code);
    }
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
    NV_TRACE_ENTER("DestroyWindow", hwnd);
    BOOL ok = checked(hwnd) ? destroyWindow(hwnd) : FALSE;
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI IsWindow(HWND hwnd) {
    NV_TRACE_ENTER("IsWindow", hwnd);
    BOOL ok = find(hwnd) != nullptr;
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI IsWindowVisible(HWND hwnd) {
    NV_TRACE_ENTER("IsWindowVisible", hwnd);
    Window* w = find(hwnd);
    BOOL ok = w && visible(*w);
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI IsWindowEnabled(HWND hwnd) {
    NV_TRACE_ENTER("IsWindowEnabled", hwnd);
    Window* w = find(hwnd);
    BOOL ok = w && !(w->style & WS_DISABLED);
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI IsZoomed(HWND hwnd) {
    NV_TRACE_ENTER("IsZoomed", hwnd);
    Window* w = find(hwnd);
    BOOL ok = w && (w->style & WS_MAXIMIZE);
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI IsIconic(HWND hwnd) {
    NV_TRACE_ENTER("IsIconic", hwnd);
    Window* w = find(hwnd);
    BOOL ok = w && (w->style & WS_MINIMIZE);
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI IsChild(HWND parent, HWND hwnd) {
    NV_TRACE_ENTER("IsChild", parent, hwnd);
    BOOL ok = FALSE;
    for (Window* w = find(hwnd); w && w->parent; w = find(w->parent))
        if (w->parent == parent) {
            ok = TRUE;
            break;
        }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI EnableWindow(HWND hwnd, BOOL enable) {
    NV_TRACE_ENTER("EnableWindow", hwnd, enable);
    BOOL r = checked(hwnd) ? enableWindow(hwnd, enable != FALSE) : FALSE;
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI ShowWindow(HWND hwnd, int cmd) {
    NV_TRACE_ENTER("ShowWindow", hwnd, cmd);
    BOOL r = checked(hwnd) ? showWindow(hwnd, cmd) : FALSE;
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI UpdateWindow(HWND hwnd) {
    NV_TRACE_ENTER("UpdateWindow", hwnd);
    BOOL ok = checked(hwnd) != nullptr;
    if (ok)
        paintNow(hwnd);
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI OpenIcon(HWND hwnd) {
    NV_TRACE_ENTER("OpenIcon", hwnd);
    BOOL ok = checked(hwnd) != nullptr;
    if (ok)
        showWindow(hwnd, SW_RESTORE);
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI CloseWindow(HWND hwnd) {
    NV_TRACE_ENTER("CloseWindow", hwnd);
    BOOL ok = checked(hwnd) != nullptr;
    if (ok)
        showWindow(hwnd, SW_MINIMIZE);
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI BringWindowToTop(HWND hwnd) {
    NV_TRACE_ENTER("BringWindowToTop", hwnd);
    Window* w = checked(hwnd);
    BOOL ok = w != nullptr;
    if (ok) {
        if (w->parent)
            bringToTop(hwnd);
        else if (!(w->style & WS_DISABLED) && (w->style & WS_VISIBLE))
            activate(hwnd);
        else
            bringToTop(hwnd);
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI SetForegroundWindow(HWND hwnd) {
    NV_TRACE_ENTER("SetForegroundWindow", hwnd);
    BOOL ok = checked(hwnd) != nullptr;
    if (ok)
        activate(hwnd);
    NV_TRACE_RESULT(ok);
    return ok;
}

HWND WINAPI GetForegroundWindow(void) {
    NV_TRACE_ENTER("GetForegroundWindow");
    HWND h = activeWindow();
    NV_TRACE_RESULT(h);
    return h;
}

HWND WINAPI SetActiveWindow(HWND hwnd) {
    NV_TRACE_ENTER("SetActiveWindow", hwnd);
    HWND old = activeWindow();
    if (checked(hwnd))
        activate(hwnd);
    NV_TRACE_RESULT(old);
    return old;
}

HWND WINAPI GetActiveWindow(void) {
    NV_TRACE_ENTER("GetActiveWindow");
    HWND h = activeWindow();
    NV_TRACE_RESULT(h);
    return h;
}

HWND WINAPI SetFocus(HWND hwnd) {
    NV_TRACE_ENTER("SetFocus", hwnd);
    HWND old = nullptr;
    if (!hwnd || checked(hwnd))
        old = setFocus(hwnd);
    NV_TRACE_RESULT(old);
    return old;
}

HWND WINAPI GetFocus(void) {
    NV_TRACE_ENTER("GetFocus");
    HWND h = focus();
    NV_TRACE_RESULT(h);
    return h;
}

HWND WINAPI GetParent(HWND hwnd) {
    NV_TRACE_ENTER("GetParent", hwnd);
    Window* w = checked(hwnd);
    HWND r = nullptr;
    if (w) {
        if (w->style & WS_CHILD)
            r = w->parent;
        else if (w->style & WS_POPUP)
            r = w->owner;
    }
    NV_TRACE_RESULT(r);
    return r;
}

HWND WINAPI SetParent(HWND child, HWND parent) {
    NV_TRACE_ENTER("SetParent", child, parent);
    Window* w = checked(child);
    HWND old = nullptr;
    if (w && (!parent || find(parent))) {
        old = w->parent ? w->parent : desktop();
        auto& sib = siblingsOf(*w);
        sib.erase(std::remove(sib.begin(), sib.end(), child), sib.end());
        if (parent && parent != desktop()) {
            w->parent = parent;
            get(parent).children.insert(get(parent).children.begin(), child);
        } else {
            w->parent = nullptr;
            const_cast<std::vector<HWND>&>(topLevel()).insert(topLevel().begin(), child);
        }
        notifyScreenChanged();
    }
    NV_TRACE_RESULT(old);
    return old;
}

HWND WINAPI GetDesktopWindow(void) {
    NV_TRACE_ENTER("GetDesktopWindow");
    HWND h = desktop();
    NV_TRACE_RESULT(h);
    return h;
}

HWND WINAPI FindWindowA(LPCSTR cls, LPCSTR title) {
    NV_TRACE_ENTER("FindWindowA", cls, title);
    HWND r = nullptr;
    std::string want = className(cls);
    for (HWND h : topLevel()) {
        Window* w = find(h);
        if (!w || w->destroying)
            continue;
        if (cls && !(w->cls && nv::machine::equalsNoCase(w->cls->name, want)))
            continue;
        if (title && w->text != title)
            continue;
        r = h;
        break;
    }
    NV_TRACE_RESULT(r);
    return r;
}

HWND WINAPI GetWindow(HWND hwnd, UINT cmd) {
    NV_TRACE_ENTER("GetWindow", hwnd, cmd);
    Window* w = checked(hwnd);
    HWND r = nullptr;
    if (w) {
        if (cmd == GW_CHILD) {
            r = w->children.empty() ? nullptr : w->children.front();
            if (hwnd == desktop())
                r = topLevel().empty() ? nullptr : topLevel().front();
        } else if (cmd == GW_OWNER) {
            r = w->parent ? nullptr : w->owner;
        } else if (hwnd != desktop()) {
            const auto& sib = siblingsOf(*w);
            auto it = std::find(sib.begin(), sib.end(), hwnd);
            switch (cmd) {
            case GW_HWNDFIRST:
                r = sib.empty() ? nullptr : sib.front();
                break;
            case GW_HWNDLAST:
                r = sib.empty() ? nullptr : sib.back();
                break;
            case GW_HWNDNEXT:
                if (it != sib.end() && it + 1 != sib.end())
                    r = *(it + 1);
                break;
            case GW_HWNDPREV:
                if (it != sib.end() && it != sib.begin())
                    r = *(it - 1);
                break;
            default:
                SetLastError(ERROR_INVALID_PARAMETER);
            }
        }
    }
    NV_TRACE_RESULT(r);
    return r;
}

HWND WINAPI GetTopWindow(HWND hwnd) {
    NV_TRACE_ENTER("GetTopWindow", hwnd);
    HWND r = nullptr;
    if (!hwnd || hwnd == desktop()) {
        r = topLevel().empty() ? nullptr : topLevel().front();
    } else if (Window* w = checked(hwnd)) {
        r = w->children.empty() ? nullptr : w->children.front();
    }
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
    NV_TRACE_ENTER("EnumWindows");
    auto list = topLevel();
    BOOL r = TRUE;
    for (HWND h : list) {
        if (!find(h))
            continue;
        nv::trace::Callback program(proc);
        if (!proc(h, lParam)) {
            r = FALSE;
            break;
        }
    }
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
    NV_TRACE_ENTER("EnumChildWindows", parent);
    // All descendants, depth first, as Windows does.
    auto list = (!parent || parent == desktop()) ? topLevel() : descendants(parent);
    BOOL r = TRUE;
    for (HWND h : list) {
        if (!find(h))
            continue;
        nv::trace::Callback program(proc);
        if (!proc(h, lParam)) {
            r = FALSE;
            break;
        }
    }
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text) {
    NV_TRACE_ENTER("SetWindowTextA", hwnd, text);
    BOOL ok = FALSE;
    if (checked(hwnd))
        ok = send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) != 0;
    NV_TRACE_RESULT(ok);
    return ok;
}

int WINAPI GetWindowTextA(HWND hwnd, LPSTR buf, int size) {
    NV_TRACE_ENTER("GetWindowTextA", hwnd, size);
    int n = 0;
    if (buf && size > 0)
        buf[0] = '\0';
    if (checked(hwnd) && buf && size > 0)
        n = static_cast<int>(send(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buf)));
    NV_TRACE_RESULT(n, buf && size > 0 ? static_cast<LPCSTR>(buf) : nullptr);
    return n;
}

int WINAPI GetWindowTextLengthA(HWND hwnd) {
    NV_TRACE_ENTER("GetWindowTextLengthA", hwnd);
    int n = checked(hwnd) ? static_cast<int>(send(hwnd, WM_GETTEXTLENGTH, 0, 0)) : 0;
    NV_TRACE_RESULT(n);
    return n;
}

BOOL WINAPI SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
    NV_TRACE_ENTER("SetWindowPos", hwnd, after, x, y, cx, cy, flags);
    Window* w = checked(hwnd);
    BOOL ok = w != nullptr;
    if (ok) {
        RECT r = w->rect;
        if (flags & SWP_NOMOVE) {
            x = r.left;
            y = r.top;
        }
        if (flags & SWP_NOSIZE) {
            cx = r.right - r.left;
            cy = r.bottom - r.top;
        }
        if (!(flags & SWP_NOZORDER)) {
            if (after == HWND_TOPMOST) {
                w->exStyle |= WS_EX_TOPMOST;
                bringToTop(hwnd);
            } else if (after == HWND_NOTOPMOST) {
                w->exStyle &= ~WS_EX_TOPMOST;
            } else if (after == HWND_TOP) {
                bringToTop(hwnd);
            } else if (after == HWND_BOTTOM) {
                auto& sib = siblingsOf(*w);
                sib.erase(std::remove(sib.begin(), sib.end(), hwnd), sib.end());
                sib.push_back(hwnd);
            } else if (find(after)) {
                auto& sib = siblingsOf(*w);
                sib.erase(std::remove(sib.begin(), sib.end(), hwnd), sib.end());
                auto it = std::find(sib.begin(), sib.end(), after);
                sib.insert(it == sib.end() ? it : it + 1, hwnd);
            }
        }
        if (flags & SWP_FRAMECHANGED) {
            w->frame = frameFor(w->style, w->exStyle);
            w->ncDirty = true;
        }
        moveWindow(hwnd, x, y, cx, cy, !(flags & SWP_NOREDRAW));
        if (flags & SWP_SHOWWINDOW)
            showWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
        else if (flags & SWP_HIDEWINDOW)
            showWindow(hwnd, SW_HIDE);
        else if (!(flags & SWP_NOACTIVATE) && find(hwnd) && !find(hwnd)->parent &&
                 (find(hwnd)->style & WS_VISIBLE))
            activate(hwnd);
        notifyScreenChanged();
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int cx, int cy, BOOL repaint) {
    NV_TRACE_ENTER("MoveWindow", hwnd, x, y, cx, cy, repaint);
    BOOL ok = checked(hwnd) != nullptr;
    if (ok)
        moveWindow(hwnd, x, y, cx, cy, repaint != FALSE);
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT out) {
    NV_TRACE_ENTER("GetWindowRect", hwnd);
    Window* w = checked(hwnd);
    BOOL ok = w && out;
    if (ok)
        *out = screenRect(*w);
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT out) {
    NV_TRACE_ENTER("GetClientRect", hwnd);
    Window* w = checked(hwnd);
    BOOL ok = w && out;
    if (ok) {
        RECT c = clientScreenRect(*w);
        *out = RECT{0, 0, c.right - c.left, c.bottom - c.top};
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI ClientToScreen(HWND hwnd, LPPOINT pt) {
    NV_TRACE_ENTER("ClientToScreen", hwnd);
    Window* w = checked(hwnd);
    BOOL ok = w && pt;
    if (ok) {
        POINT o = clientOrigin(*w);
        pt->x += o.x;
        pt->y += o.y;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI ScreenToClient(HWND hwnd, LPPOINT pt) {
    NV_TRACE_ENTER("ScreenToClient", hwnd);
    Window* w = checked(hwnd);
    BOOL ok = w && pt;
    if (ok) {
        POINT o = clientOrigin(*w);
        pt->x -= o.x;
        pt->y -= o.y;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

int WINAPI MapWindowPoints(HWND from, HWND to, LPPOINT pts, UINT count) {
    NV_TRACE_ENTER("MapWindowPoints", from, to, count);
    POINT of{0, 0}, ot{0, 0};
    if (from && from != desktop()) {
        if (Window* w = checked(from))
            of = clientOrigin(*w);
    }
    if (to && to != desktop()) {
        if (Window* w = checked(to))
            ot = clientOrigin(*w);
    }
    LONG dx = of.x - ot.x, dy = of.y - ot.y;
    for (UINT i = 0; pts && i < count; ++i) {
        pts[i].x += dx;
        pts[i].y += dy;
    }
    int r = MAKELONG(static_cast<WORD>(static_cast<SHORT>(dx)), static_cast<WORD>(static_cast<SHORT>(dy)));
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI AdjustWindowRectEx(LPRECT r, DWORD style, BOOL menu, DWORD exStyle) {
    NV_TRACE_ENTER("AdjustWindowRectEx", style, menu, exStyle);
    BOOL ok = r != nullptr;
    if (ok) {
        RECT f = frameFor(style, exStyle);
        r->left -= f.left;
        r->top -= f.top;
        r->right += f.right;
        r->bottom += f.bottom;
        if (menu)
            r->top -= systemMetric(SM_CYMENU);
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI AdjustWindowRect(LPRECT r, DWORD style, BOOL menu) { return AdjustWindowRectEx(r, style, menu, 0); }

namespace {
HWND childAt(HWND parent, POINT screenPt) {
    Window* w = find(parent);
    if (!w)
        return nullptr;
    for (HWND c : w->children) {
        Window* cw = find(c);
        if (!cw || !(cw->style & WS_VISIBLE))
            continue;
        RECT r = screenRect(*cw);
        if (PtInRect(&r, screenPt)) {
            HWND deeper = childAt(c, screenPt);
            return deeper ? deeper : c;
        }
    }
    return nullptr;
}
}  // namespace

HWND WINAPI WindowFromPoint(POINT pt) {
    NV_TRACE_ENTER("WindowFromPoint", pt.x, pt.y);
    HWND r = nullptr;
    for (HWND h : topLevel()) {
        Window* w = find(h);
        if (!w || !(w->style & WS_VISIBLE))
            continue;
        RECT rc = screenRect(*w);
        if (PtInRect(&rc, pt)) {
            HWND c = childAt(h, pt);
            r = c ? c : h;
            break;
        }
    }
    NV_TRACE_RESULT(r);
    return r;
}

HWND WINAPI ChildWindowFromPoint(HWND parent, POINT pt) {
    NV_TRACE_ENTER("ChildWindowFromPoint", parent, pt.x, pt.y);
    HWND r = nullptr;
    if (Window* w = checked(parent)) {
        POINT o = clientOrigin(*w);
        POINT s{pt.x + o.x, pt.y + o.y};
        RECT c = clientScreenRect(*w);
        if (PtInRect(&c, s)) {
            r = parent;
            for (HWND k : w->children) {
                Window* kw = find(k);
                if (!kw)
                    continue;
                RECT kr = screenRect(*kw);
                if (PtInRect(&kr, s)) {
                    r = k;
                    break;
                }
            }
        }
    }
    NV_TRACE_RESULT(r);
    return r;
}

// ---- window data ----

namespace {

bool readExtra(const Window& w, int index, size_t size, LONG_PTR* out) {
    if (index < 0 || static_cast<size_t>(index) + size > w.extra.size())
        return false;
    if (size == 2) {
        WORD v;
        std::memcpy(&v, w.extra.data() + index, 2);
        *out = v;
    } else if (size == 4) {
        LONG v;
        std::memcpy(&v, w.extra.data() + index, 4);
        *out = v;
    } else {
        LONG_PTR v;
        std::memcpy(&v, w.extra.data() + index, sizeof v);
        *out = v;
    }
    return true;
}

bool writeExtra(Window& w, int index, size_t size, LONG_PTR value) {
    if (index < 0 || static_cast<size_t>(index) + size > w.extra.size())
        return false;
    if (size == 2) {
        WORD v = static_cast<WORD>(value);
        std::memcpy(w.extra.data() + index, &v, 2);
    } else if (size == 4) {
        LONG v = static_cast<LONG>(value);
        std::memcpy(w.extra.data() + index, &v, 4);
    } else {
        std::memcpy(w.extra.data() + index, &value, sizeof value);
    }
    return true;
}

// `ptrSized`: the index is a DWLP_ one (pointer-sized slots).
bool dialogSlot(Window& w, int index, bool ptrSized, LONG_PTR** slot, bool* isProc) {
    if (!w.dialog)
        return false;
    int stride = ptrSized ? static_cast<int>(sizeof(LONG_PTR)) : 4;
    *isProc = false;
    if (index == 0) {
        *slot = &w.dialog->msgResult;
        return true;
    }
    if (index == stride) {
        *isProc = true;
        return true;
    }
    if (index == 2 * stride) {
        *slot = &w.dialog->user;
        return true;
    }
    return false;
}

bool getLong(HWND hwnd, int index, bool ptrSized, LONG_PTR* out) {
    Window* w = checked(hwnd);
    if (!w)
        return false;
    switch (index) {
    case GWL_WNDPROC:
        *out = reinterpret_cast<LONG_PTR>(w->proc);
        return true;
    case GWL_HINSTANCE:
        *out = reinterpret_cast<LONG_PTR>(w->instance);
        return true;
    case GWL_HWNDPARENT:
        *out = reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
        return true;
    case GWL_STYLE:
        *out = static_cast<LONG>(w->style);
        return true;
    case GWL_EXSTYLE:
        *out = static_cast<LONG>(w->exStyle);
        return true;
    case GWL_USERDATA:
        *out = w->userData;
        return true;
    case GWL_ID:
        *out = w->id;
        return true;
    default:
        break;
    }
    LONG_PTR* slot = nullptr;
    bool isProc = false;
    if (dialogSlot(*w, index, ptrSized, &slot, &isProc)) {
        *out = isProc ? reinterpret_cast<LONG_PTR>(w->dialog->proc) : *slot;
        return true;
    }
    if (readExtra(*w, index, ptrSized ? sizeof(LONG_PTR) : 4, out))
        return true;
    SetLastError(kErrorInvalidIndex);
    return false;
}

bool setLong(HWND hwnd, int index, bool ptrSized, LONG_PTR value, LONG_PTR* old) {
    Window* w = checked(hwnd);
    if (!w)
        return false;
    if (!getLong(hwnd, index, ptrSized, old))
        return false;
    switch (index) {
    case GWL_WNDPROC:
        if (!ptrSized) {
            // A procedure address does not fit 32 bits on this host.
            SetLastError(kErrorInvalidIndex);
            return false;
        }
        w->proc = reinterpret_cast<WNDPROC>(value);
        return true;
    case GWL_HINSTANCE:
        w->instance = reinterpret_cast<HINSTANCE>(value);
        return true;
    case GWL_HWNDPARENT:
        if (!w->parent)
            w->owner = reinterpret_cast<HWND>(value);
        return true;
    case GWL_STYLE:
        w->style = static_cast<DWORD>(value);
        return true;
    case GWL_EXSTYLE:
        w->exStyle = static_cast<DWORD>(value);
        return true;
    case GWL_USERDATA:
        w->userData = value;
        return true;
    case GWL_ID:
        w->id = value;
        return true;
    default:
        break;
    }
    LONG_PTR* slot = nullptr;
    bool isProc = false;
    if (dialogSlot(*w, index, ptrSized, &slot, &isProc)) {
        if (isProc) {
            if (!ptrSized) {
                SetLastError(kErrorInvalidIndex);
                return false;
            }
            w->dialog->proc = reinterpret_cast<DLGPROC>(value);
        } else {
            *slot = ptrSized ? value : static_cast<LONG>(value);
        }
        return true;
    }
    return writeExtra(*w, index, ptrSized ? sizeof(LONG_PTR) : 4, value);
}

}  // namespace

LONG WINAPI GetWindowLongA(HWND hwnd, int index) {
    NV_TRACE_ENTER("GetWindowLongA", hwnd, index);
    LONG_PTR v = 0;
    LONG r = getLong(hwnd, index, false, &v) ? static_cast<LONG>(v) : 0;
    NV_TRACE_RESULT(r);
    return r;
}

LONG WINAPI SetWindowLongA(HWND hwnd, int index, LONG value) {
    NV_TRACE_ENTER("SetWindowLongA", hwnd, index, value);
    LONG_PTR old = 0;
    LONG r = setLong(hwnd, index, false, value, &old) ? static_cast<LONG>(old) : 0;
    NV_TRACE_RESULT(r);
    return r;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index) {
    NV_TRACE_ENTER("GetWindowLongPtrA", hwnd, index);
    LONG_PTR v = 0;
    LONG_PTR r = getLong(hwnd, index, true, &v) ? v : 0;
    NV_TRACE_RESULT(r);
    return r;
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    NV_TRACE_ENTER("SetWindowLongPtrA", hwnd, index, value);
    LONG_PTR old = 0;
    LONG_PTR r = setLong(hwnd, index, true, value, &old) ? old : 0;
    NV_TRACE_RESULT(r);
    return r;
}

WORD WINAPI GetWindowWord(HWND hwnd, int index) {
    NV_TRACE_ENTER("GetWindowWord", hwnd, index);
    Window* w = checked(hwnd);
    LONG_PTR v = 0;
    WORD r = 0;
    if (w && readExtra(*w, index, 2, &v))
        r = static_cast<WORD>(v);
    else if (w)
        SetLastError(kErrorInvalidIndex);
    NV_TRACE_RESULT(r);
    return r;
}

WORD WINAPI SetWindowWord(HWND hwnd, int index, WORD value) {
    NV_TRACE_ENTER("SetWindowWord", hwnd, index, value);
    Window* w = checked(hwnd);
    LONG_PTR v = 0;
    WORD r = 0;
    if (w && readExtra(*w, index, 2, &v)) {
        r = static_cast<WORD>(v);
        writeExtra(*w, index, 2, value);
    } else if (w) {
        SetLastError(kErrorInvalidIndex);
    }
    NV_TRACE_RESULT(r);
    return r;
}

DWORD WINAPI GetClassLongA(HWND hwnd, int index) {
    NV_TRACE_ENTER("GetClassLongA", hwnd, index);
    Window* w = checked(hwnd);
    DWORD r = 0;
    if (w && w->cls) {
        switch (index) {
        case GCL_STYLE:
            r = w->cls->style;
            break;
        case GCL_CBWNDEXTRA:
            r = static_cast<DWORD>(w->cls->wndExtra);
            break;
        case GCL_CBCLSEXTRA:
            r = static_cast<DWORD>(w->cls->clsExtra);
            break;
        case GCL_HBRBACKGROUND:
            r = static_cast<DWORD>(reinterpret_cast<uintptr_t>(w->cls->background));
            break;
        default:
            SetLastError(kErrorInvalidIndex);
        }
    }
    NV_TRACE_RESULT(r);
    return r;
}

// ---- update regions ----

BOOL WINAPI InvalidateRect(HWND hwnd, const RECT* r, BOOL erase) {
    NV_TRACE_ENTER("InvalidateRect", hwnd, erase);
    BOOL ok = TRUE;
    if (!hwnd) {
        // Windows invalidates every top-level window then.
        auto list = topLevel();
        for (HWND h : list)
            invalidate(h, nullptr, erase != FALSE);
    } else if (checked(hwnd)) {
        invalidate(hwnd, r, erase != FALSE);
    } else {
        ok = FALSE;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI ValidateRect(HWND hwnd, const RECT* r) {
    NV_TRACE_ENTER("ValidateRect", hwnd);
    BOOL ok = checked(hwnd) != nullptr;
    if (ok)
        validate(hwnd, r);
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI GetUpdateRect(HWND hwnd, LPRECT out, BOOL erase) {
    NV_TRACE_ENTER("GetUpdateRect", hwnd, erase);
    Window* w = checked(hwnd);
    BOOL r = FALSE;
    if (w) {
        r = w->hasUpdate;
        if (out)
            *out = w->hasUpdate ? w->update : RECT{0, 0, 0, 0};
        if (erase && w->hasUpdate && w->erase) {
            // The caller asks for the background to be erased now.
            w->erase = false;
        }
    }
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI RedrawWindow(HWND hwnd, const RECT* r, HRGN rgn, UINT flags) {
    NV_TRACE_ENTER("RedrawWindow", hwnd, flags);
    if (!hwnd)
        hwnd = desktop();
    BOOL ok = checked(hwnd) != nullptr;
    if (ok) {
        if (flags & RDW_FRAME)
            find(hwnd)->ncDirty = true;
        if (flags & RDW_INVALIDATE)
            invalidate(hwnd, r, (flags & RDW_ERASE) != 0);
        if (flags & RDW_VALIDATE)
            validate(hwnd, r);
        if (flags & (RDW_UPDATENOW | RDW_ERASENOW))
            paintNow(hwnd);
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

// ---- rectangles ----

BOOL WINAPI SetRect(LPRECT r, int l, int t, int ri, int b) {
    if (!r)
        return FALSE;
    *r = RECT{l, t, ri, b};
    return TRUE;
}
BOOL WINAPI SetRectEmpty(LPRECT r) { return SetRect(r, 0, 0, 0, 0); }
BOOL WINAPI CopyRect(LPRECT d, const RECT* s) {
    if (!d || !s)
        return FALSE;
    *d = *s;
    return TRUE;
}
BOOL WINAPI IsRectEmpty(const RECT* r) { return !r || nv::rect::isEmpty(*r); }
BOOL WINAPI EqualRect(const RECT* a, const RECT* b) {
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}
BOOL WINAPI OffsetRect(LPRECT r, int dx, int dy) {
    if (!r)
        return FALSE;
    r->left += dx;
    r->right += dx;
    r->top += dy;
    r->bottom += dy;
    return TRUE;
}
BOOL WINAPI InflateRect(LPRECT r, int dx, int dy) {
    if (!r)
        return FALSE;
    r->left -= dx;
    r->right += dx;
    r->top -= dy;
    r->bottom += dy;
    return TRUE;
}
BOOL WINAPI PtInRect(const RECT* r, POINT p) { return r && nv::rect::contains(*r, p); }
BOOL WINAPI IntersectRect(LPRECT d, const RECT* a, const RECT* b) {
    if (!d || !a || !b)
        return FALSE;
    *d = nv::rect::intersect(*a, *b);
    return !nv::rect::isEmpty(*d);
}
BOOL WINAPI UnionRect(LPRECT d, const RECT* a, const RECT* b) {
    if (!d || !a || !b)
        return FALSE;
    *d = nv::rect::unite(*a, *b);
    return !nv::rect::isEmpty(*d);
}
