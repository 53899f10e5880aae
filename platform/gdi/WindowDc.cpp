// Device contexts of windows (GetDC, GetWindowDC, BeginPaint) and the USER
// drawing calls that need the window manager: LoadBitmapA and DrawIcon.
// Each window draws into its own backing surface, sized to its window
// rectangle; a client DC starts at the client origin and is clipped to the
// client area.
#include <windows.h>

#include <algorithm>
#include <map>
#include <vector>

#include "platform/core/PerMachine.h"
#include "platform/core/Trace.h"
#include "platform/gdi/Bmp.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Icons.h"
#include "platform/gdi/Screen.h"
#include "platform/gdi/SysColors.h"
#include "platform/gdi/WindowSurface.h"
#include "platform/user/Resources.h"
#include "platform/user/WindowManager.h"

using namespace nv::gdi;

namespace {

enum class Area { Client, Window };

// A window's backing surface, made on first use. A window whose class has no
// background brush shows what was on the screen under it until it paints
// there, as on Windows, rather than a colour of its own.
Surface& surfaceOf(HWND hwnd, const RECT& wr) {
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    if (Screen::get().existing(hwnd) || classBackground(hwnd))
        return Screen::get().window(hwnd, w, h, initialBackground(hwnd));
    Surface under = composeScreen();
    Surface& s = Screen::get().window(hwnd, w, h, initialBackground(hwnd));
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (wr.left + x >= 0 && wr.left + x < under.width() && wr.top + y >= 0 && wr.top + y < under.height())
                s.set(x, y, under.at(wr.left + x, wr.top + y));
    return s;
}

HDC windowDc(HWND hwnd, Area area) {
    if (!hwnd)
        return dcs().add(makeDc(DcKind::Display));
    RECT wr{};
    if (!GetWindowRect(hwnd, &wr)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    Surface& s = surfaceOf(hwnd, wr);
    auto dc = makeDc(DcKind::Window);
    dc->hwnd = hwnd;
    if (area == Area::Window) {
        dc->visible = s.bounds();
    } else {
        POINT co{0, 0};
        ClientToScreen(hwnd, &co);
        RECT cr{};
        GetClientRect(hwnd, &cr);
        dc->origin = POINT{co.x - wr.left, co.y - wr.top};
        dc->visible = intersect(offset(cr, dc->origin.x, dc->origin.y), s.bounds());
    }
    return dcs().add(std::move(dc));
}

}  // namespace

HDC WINAPI GetDC(HWND hWnd) {
    NV_TRACE_ENTER("GetDC", hWnd);
    HDC h = windowDc(hWnd, Area::Client);
    NV_TRACE_RESULT(h);
    return h;
}

HDC WINAPI GetWindowDC(HWND hWnd) {
    NV_TRACE_ENTER("GetWindowDC", hWnd);
    HDC h = windowDc(hWnd, Area::Window);
    NV_TRACE_RESULT(h);
    return h;
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
    NV_TRACE_ENTER("ReleaseDC", hWnd, hDC);
    int r = 0;
    if (DeviceContext* dc = dcs().find(hDC); dc && dc->kind != DcKind::Memory)
        r = dcs().remove(hDC) ? 1 : 0;
    NV_TRACE_RESULT(r);
    return r;
}

namespace {

// Bitmap resources as decoded, so that a program that loads its bitmap for
// every paint decodes it once per machine. A resource registered again may
// hold other bytes: an entry serves only while its bytes are the same.
struct DecodedBitmaps {
    struct Entry {
        std::vector<BYTE> bytes;
        Surface surface;
    };
    std::map<const nv::user::resources::Resource*, Entry> entries;
};

const Surface* decodedBitmap(const nv::user::resources::Resource& res, LPCSTR name) {
    auto& entries = nv::machine::perMachine<DecodedBitmaps>().entries;
    if (auto it = entries.find(&res); it != entries.end() && it->second.bytes == res.data)
        return &it->second.surface;
    auto surface = decodeBmp(res.data, "bitmap resource " + nv::user::resources::key(name));
    if (!surface)
        return nullptr;
    auto& entry = entries[&res];
    entry.bytes = res.data;
    entry.surface = std::move(*surface);
    return &entry.surface;
}

HDC beginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    if (!lpPaint || !IsWindow(hWnd))
        return nullptr;
    RECT update{};
    GetUpdateRect(hWnd, &update, FALSE);
    // Whether the update region asked for erasing (InvalidateRect's
    // bErase) is the window manager's private state; read it there.
    bool erase = false;
    if (nv::user::Window* w = nv::user::find(hWnd))
        erase = w->hasUpdate && w->erase;
    HDC h = windowDc(hWnd, Area::Client);
    DeviceContext* dc = dcs().find(h);
    dc->fromBeginPaint = true;
    dc->state.clip = update;
    BOOL notErased = FALSE;
    if (erase) {
        // The class background first (what DefWindowProc's erase does),
        // then the window's own WM_ERASEBKGND may paint over it.
        if (auto color = classBackground(hWnd))
            dc->fillRect(update, *color);
        notErased = SendMessageA(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(h), 0) ? FALSE : TRUE;
    }
    ValidateRect(hWnd, nullptr);
    *lpPaint = PAINTSTRUCT{};
    lpPaint->hdc = h;
    lpPaint->fErase = notErased;
    lpPaint->rcPaint = update;
    return h;
}

}  // namespace

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    NV_TRACE_ENTER("BeginPaint", hWnd);
    HDC h = beginPaint(hWnd, lpPaint);
    NV_TRACE_RESULT(h);
    return h;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
    NV_TRACE_ENTER("EndPaint", hWnd);
    BOOL ok = FALSE;
    if (lpPaint) {
        if (DeviceContext* dc = dcs().find(lpPaint->hdc); dc && dc->fromBeginPaint)
            ok = dcs().remove(lpPaint->hdc) ? TRUE : FALSE;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

HBITMAP WINAPI LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName) {
    NV_TRACE_ENTER("LoadBitmapA", hInstance, lpBitmapName);
    HBITMAP h = nullptr;
    const auto* res = nv::user::resources::find(hInstance, RT_BITMAP, lpBitmapName);
    if (!res) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    } else {
        const Surface* surface = decodedBitmap(*res, lpBitmapName);
        if (!surface) {
            SetLastError(ERROR_INVALID_DATA);
        } else {
            // A loaded bitmap is compatible with the screen: colour, even
            // when the resource is black and white.
            auto bmp = std::make_unique<Bitmap>(surface->width(), surface->height(), Depth::Color);
            for (int y = 0; y < surface->height(); ++y)
                std::copy_n(surface->row(y), surface->width(), bmp->surface.row(y));
            h = static_cast<HBITMAP>(objects().add(std::move(bmp)));
        }
    }
    NV_TRACE_RESULT(h);
    return h;
}

BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
    NV_TRACE_ENTER("DrawIcon", hDC, X, Y, hIcon);
    BOOL ok = FALSE;
    if (DeviceContext* dc = dcs().find(hDC); dc && hIcon) {
        drawIcon(*dc, X, Y, iconKind(hIcon));
        ok = TRUE;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}
