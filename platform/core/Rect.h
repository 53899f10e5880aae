// Rectangle arithmetic as USER does it (IntersectRect, UnionRect, PtInRect):
// right and bottom edges are outside, and an empty result is all zeros.
// One set for the window manager, the Win32 rectangle functions and GDI.
#pragma once

#include <windef.h>

#include <algorithm>

namespace nv::rect {

inline bool isEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

inline RECT intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return isEmpty(r) ? RECT{0, 0, 0, 0} : r;
}

// The smallest rectangle holding both; an empty one adds nothing.
inline RECT unite(const RECT& a, const RECT& b) {
    if (isEmpty(a))
        return isEmpty(b) ? RECT{0, 0, 0, 0} : b;
    if (isEmpty(b))
        return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

inline RECT offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

inline bool contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

}  // namespace nv::rect
