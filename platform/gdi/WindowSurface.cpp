#include "platform/gdi/WindowSurface.h"

#include <vector>

#include "platform/core/Trace.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Screen.h"
#include "platform/gdi/SysColors.h"
#include "platform/user/WindowManager.h"

namespace nv::gdi {

std::optional<COLORREF> classBackground(HWND hwnd) {
    // The class brush is kept by the window manager as a handle;
    // GetClassLongA would cut it to 32 bits, so read it there.
    if (nv::user::Window* w = nv::user::find(hwnd); w && w->cls && w->cls->background)
        return brushColor(w->cls->background);
    char name[16] = {};
    if (GetClassNameA(hwnd, name, sizeof name) && std::string_view(name) == "#32770")
        return sysColor(COLOR_BTNFACE);
    return std::nullopt;
}

uint32_t initialBackground(HWND hwnd) { return toPixel(classBackground(hwnd).value_or(RGB(255, 255, 255))); }

void clearToTransparent(HDC hdc, const RECT& r) {
    DeviceContext* dc = dcs().find(hdc);
    if (!dc)
        return;
    if (Surface* s = dc->target()) {
        RECT t = intersect(dc->toTarget(r), dc->clipOnTarget());
        for (int y = t.top; y < t.bottom; ++y)
            for (int x = t.left; x < t.right; ++x)
                s->row(y)[x] = kTransparentPixel;
    }
}

void pruneWindowSurfaces() {
    nv::trace::Quiet quiet;  // bookkeeping of the stand-in, not a call of the program
    std::vector<HWND> gone;
    for (const auto& [hwnd, surface] : Screen::get().windows())
        if (!IsWindow(hwnd))
            gone.push_back(hwnd);
    for (HWND h : gone)
        Screen::get().forget(h);
}

namespace {

void drawWindow(Surface& out, HWND hwnd, const RECT& clip) {
    if (!IsWindowVisible(hwnd))
        return;
    RECT wr{};
    GetWindowRect(hwnd, &wr);
    if (const Surface* s = Screen::get().existing(hwnd)) {
        RECT t = intersect(intersect(wr, clip), out.bounds());
        for (int y = t.top; y < t.bottom; ++y) {
            const int sy = y - wr.top;
            if (sy >= s->height())
                break;
            for (int x = t.left; x < t.right; ++x) {
                const int sx = x - wr.left;
                if (sx >= s->width())
                    break;
                const uint32_t p = s->at(sx, sy);
                if (p != kTransparentPixel)
                    out.row(y)[x] = p;
            }
        }
    }
    RECT cr{};
    GetClientRect(hwnd, &cr);
    POINT co{0, 0};
    ClientToScreen(hwnd, &co);
    const RECT childClip = intersect(clip, offset(cr, co.x, co.y));
    std::vector<HWND> children;
    for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    for (auto it = children.rbegin(); it != children.rend(); ++it)  // bottom first
        drawWindow(out, *it, childClip);
}

}  // namespace

Surface composeScreen() {
    nv::trace::Quiet quiet;
    pruneWindowSurfaces();
    Surface out = Screen::get().desktop();
    std::vector<HWND> top;
    for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        top.push_back(h);
    for (auto it = top.rbegin(); it != top.rend(); ++it)
        drawWindow(out, *it, out.bounds());
    return out;
}

}  // namespace nv::gdi
