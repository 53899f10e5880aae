// Update regions: what needs painting, and painting it now (UpdateWindow).
#include "platform/user/WindowState.h"

#include <algorithm>

#include "platform/core/Rect.h"

namespace nv::user {
using namespace detail;

namespace detail {

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

}  // namespace detail

// ---- update regions ----

void invalidate(HWND hwnd, const RECT* r, bool erase) {
    Window* w = find(hwnd);
    if (!w || !visible(*w))
        return;
    RECT c = clientRectLocal(*w);
    RECT add = r ? rect::intersect(*r, c) : c;
    if (!rect::isEmpty(add)) {
        w->update = w->hasUpdate ? rect::unite(w->update, add) : add;
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
                RECT kr = rect::intersect(*r, kw->rect);
                if (rect::isEmpty(kr))
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
    if (rect::isEmpty(u)) {
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


}  // namespace nv::user
