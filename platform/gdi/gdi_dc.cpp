// Device-context functions: memory DCs, capabilities, colours, modes,
// clipping, saved states.
#include <algorithm>
#include <cstdlib>
#include <utility>

#include <windows.h>

#include "platform/core/Trace.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Screen.h"

using namespace nv::gdi;

namespace {

// Runs `f` on the DC, or gives `fail` with ERROR_INVALID_HANDLE.
template <typename R, typename F>
R withDc(HDC hdc, R fail, F f) {
    if (DeviceContext* dc = dcs().find(hdc))
        return f(*dc);
    SetLastError(ERROR_INVALID_HANDLE);
    return fail;
}

}  // namespace

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    NV_TRACE_ENTER("CreateCompatibleDC", hdc);
    HDC h = nullptr;
    if (!hdc || dcs().find(hdc))
        h = dcs().add(makeDc(DcKind::Memory));
    else
        SetLastError(ERROR_INVALID_HANDLE);
    NV_TRACE_RESULT(h);
    return h;
}

BOOL WINAPI DeleteDC(HDC hdc) {
    NV_TRACE_ENTER("DeleteDC", hdc);
    BOOL ok = FALSE;
    if (DeviceContext* dc = dcs().find(hdc); dc && dc->kind == DcKind::Memory)
        ok = dcs().remove(hdc) ? TRUE : FALSE;
    NV_TRACE_RESULT(ok);
    return ok;
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
    NV_TRACE_ENTER("GetDeviceCaps", hdc, index);
    int v = withDc(hdc, 0, [&](DeviceContext& dc) {
        const bool mono = dc.kind == DcKind::Memory && dc.depth() == Depth::Monochrome;
        Screen& screen = Screen::get();
        switch (index) {
        case HORZRES: return screen.width();
        case VERTRES: return screen.height();
        case HORZSIZE: return screen.width() * 254 / 960;  // millimetres at 96 dpi
        case VERTSIZE: return screen.height() * 254 / 960;
        case LOGPIXELSX:
        case LOGPIXELSY: return 96;
        case BITSPIXEL: return mono ? 1 : 24;
        case PLANES: return 1;
        case NUMCOLORS: return mono ? 2 : -1;
        case TECHNOLOGY: return DT_RASDISPLAY;
        case RASTERCAPS: return RC_BITBLT | RC_STRETCHBLT;
        case SIZEPALETTE: return 0;
        default: return 0;
        }
    });
    NV_TRACE_RESULT(v);
    return v;
}

int WINAPI SaveDC(HDC hdc) {
    NV_TRACE_ENTER("SaveDC", hdc);
    int v = withDc(hdc, 0, [](DeviceContext& dc) {
        dc.saved.push_back(dc.state);
        // A saved state keeps its objects selected until it is restored.
        for (HGDIOBJ h : {dc.state.pen, dc.state.brush, dc.state.font, dc.state.bitmap})
            if (auto* o = objects().find(h))
                ++o->selectedIn;
        return static_cast<int>(dc.saved.size());
    });
    NV_TRACE_RESULT(v);
    return v;
}

BOOL WINAPI RestoreDC(HDC hdc, int nSavedDC) {
    NV_TRACE_ENTER("RestoreDC", hdc, nSavedDC);
    BOOL ok = withDc(hdc, FALSE, [&](DeviceContext& dc) {
        const int n = static_cast<int>(dc.saved.size());
        const int level = nSavedDC < 0 ? n + 1 + nSavedDC : nSavedDC;
        if (level < 1 || level > n)
            return FALSE;
        auto drop = [](HGDIOBJ h) {
            if (auto* o = objects().find(h); o && o->selectedIn > 0)
                --o->selectedIn;
        };
        for (HGDIOBJ h : {dc.state.pen, dc.state.brush, dc.state.font, dc.state.bitmap})
            drop(h);
        dc.state = dc.saved[level - 1];
        // The states above the restored one are discarded with their selections.
        for (int i = n - 1; i >= level; --i)
            for (HGDIOBJ h : {dc.saved[i].pen, dc.saved[i].brush, dc.saved[i].font, dc.saved[i].bitmap})
                drop(h);
        dc.saved.resize(level - 1);
        return TRUE;
    });
    NV_TRACE_RESULT(ok);
    return ok;
}

HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type) {
    NV_TRACE_ENTER("GetCurrentObject", hdc, type);
    HGDIOBJ h = withDc(hdc, static_cast<HGDIOBJ>(nullptr), [&](DeviceContext& dc) -> HGDIOBJ {
        switch (type) {
        case OBJ_PEN: return dc.state.pen;
        case OBJ_BRUSH: return dc.state.brush;
        case OBJ_FONT: return dc.state.font;
        case OBJ_BITMAP: return dc.state.bitmap;
        default: return nullptr;
        }
    });
    NV_TRACE_RESULT(h);
    return h;
}

BOOL WINAPI SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    NV_TRACE_ENTER("SetViewportOrgEx", hdc, x, y, lppt);
    BOOL ok = withDc(hdc, FALSE, [&](DeviceContext& dc) {
        if (lppt)
            *lppt = dc.state.viewportOrg;
        dc.state.viewportOrg = POINT{x, y};
        return TRUE;
    });
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI GetViewportOrgEx(HDC hdc, LPPOINT lppoint) {
    NV_TRACE_ENTER("GetViewportOrgEx", hdc);
    BOOL ok = withDc(hdc, FALSE, [&](DeviceContext& dc) {
        if (!lppoint)
            return FALSE;
        *lppoint = dc.state.viewportOrg;
        return TRUE;
    });
    NV_TRACE_RESULT(ok);
    return ok;
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    NV_TRACE_ENTER("SetBkColor", hdc, color);
    COLORREF old = withDc(hdc, static_cast<COLORREF>(CLR_INVALID), [&](DeviceContext& dc) {
        return std::exchange(dc.state.bkColor, color & 0xFFFFFF);
    });
    NV_TRACE_RESULT(old);
    return old;
}

COLORREF WINAPI GetBkColor(HDC hdc) {
    NV_TRACE_ENTER("GetBkColor", hdc);
    auto v = withDc(hdc, static_cast<COLORREF>(CLR_INVALID), [](DeviceContext& dc) { return dc.state.bkColor; });
    NV_TRACE_RESULT(v);
    return v;
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    NV_TRACE_ENTER("SetTextColor", hdc, color);
    COLORREF old = withDc(hdc, static_cast<COLORREF>(CLR_INVALID), [&](DeviceContext& dc) {
        return std::exchange(dc.state.textColor, color & 0xFFFFFF);
    });
    NV_TRACE_RESULT(old);
    return old;
}

COLORREF WINAPI GetTextColor(HDC hdc) {
    NV_TRACE_ENTER("GetTextColor", hdc);
    auto v = withDc(hdc, static_cast<COLORREF>(CLR_INVALID), [](DeviceContext& dc) { return dc.state.textColor; });
    NV_TRACE_RESULT(v);
    return v;
}

int WINAPI SetBkMode(HDC hdc, int mode) {
    NV_TRACE_ENTER("SetBkMode", hdc, mode);
    int old = 0;
    if (mode != TRANSPARENT && mode != OPAQUE)
        SetLastError(ERROR_INVALID_PARAMETER);
    else
        old = withDc(hdc, 0, [&](DeviceContext& dc) { return std::exchange(dc.state.bkMode, mode); });
    NV_TRACE_RESULT(old);
    return old;
}

int WINAPI GetBkMode(HDC hdc) {
    NV_TRACE_ENTER("GetBkMode", hdc);
    auto v = withDc(hdc, 0, [](DeviceContext& dc) { return dc.state.bkMode; });
    NV_TRACE_RESULT(v);
    return v;
}

int WINAPI SetROP2(HDC hdc, int rop2) {
    NV_TRACE_ENTER("SetROP2", hdc, rop2);
    int old = withDc(hdc, 0, [&](DeviceContext& dc) { return std::exchange(dc.state.rop2, rop2); });
    NV_TRACE_RESULT(old);
    return old;
}

int WINAPI GetROP2(HDC hdc) {
    NV_TRACE_ENTER("GetROP2", hdc);
    auto v = withDc(hdc, 0, [](DeviceContext& dc) { return dc.state.rop2; });
    NV_TRACE_RESULT(v);
    return v;
}

UINT WINAPI SetTextAlign(HDC hdc, UINT align) {
    NV_TRACE_ENTER("SetTextAlign", hdc, align);
    UINT old = withDc(hdc, static_cast<UINT>(GDI_ERROR), [&](DeviceContext& dc) {
        return std::exchange(dc.state.textAlign, align);
    });
    NV_TRACE_RESULT(old);
    return old;
}

UINT WINAPI GetTextAlign(HDC hdc) {
    NV_TRACE_ENTER("GetTextAlign", hdc);
    auto v = withDc(hdc, static_cast<UINT>(GDI_ERROR), [](DeviceContext& dc) { return dc.state.textAlign; });
    NV_TRACE_RESULT(v);
    return v;
}

int WINAPI SelectClipRgn(HDC hdc, HRGN hrgn) {
    NV_TRACE_ENTER("SelectClipRgn", hdc, hrgn);
    int v = withDc(hdc, static_cast<int>(ERROR), [&](DeviceContext& dc) {
        if (!hrgn) {
            dc.state.clip.reset();
            return static_cast<int>(SIMPLEREGION);
        }
        auto* rgn = objects().get<Region>(hrgn, ObjectKind::Region);
        if (!rgn)
            return static_cast<int>(ERROR);
        dc.state.clip = rgn->rect;
        return static_cast<int>(isEmpty(rgn->rect) ? NULLREGION : SIMPLEREGION);
    });
    NV_TRACE_RESULT(v);
    return v;
}

int WINAPI IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    NV_TRACE_ENTER("IntersectClipRect", hdc, left, top, right, bottom);
    int v = withDc(hdc, static_cast<int>(ERROR), [&](DeviceContext& dc) {
        POINT vp = dc.state.viewportOrg;
        RECT r{left + vp.x, top + vp.y, right + vp.x, bottom + vp.y};
        if (dc.state.clip) {
            dc.state.clip = intersect(*dc.state.clip, r);
        } else {
            // Without a clip region the whole device area is the clip.
            RECT all = offset(dc.clipOnTarget(), -dc.origin.x, -dc.origin.y);
            dc.state.clip = intersect(all, r);
        }
        return static_cast<int>(isEmpty(*dc.state.clip) ? NULLREGION : SIMPLEREGION);
    });
    NV_TRACE_RESULT(v);
    return v;
}

int WINAPI GetClipBox(HDC hdc, LPRECT lprect) {
    NV_TRACE_ENTER("GetClipBox", hdc);
    int v = withDc(hdc, static_cast<int>(ERROR), [&](DeviceContext& dc) {
        if (!lprect)
            return static_cast<int>(ERROR);
        POINT o = dc.toTarget(0, 0);
        *lprect = offset(dc.clipOnTarget(), -o.x, -o.y);
        return static_cast<int>(isEmpty(*lprect) ? NULLREGION : SIMPLEREGION);
    });
    NV_TRACE_RESULT(v);
    return v;
}

static int mulDiv(int nNumber, int nNumerator, int nDenominator) {
    // Rounds half away from zero; a zero divisor or an overflow gives -1.
    if (nDenominator == 0)
        return -1;
    long long product = static_cast<long long>(nNumber) * nNumerator;
    long long den = nDenominator;
    if (den < 0) {
        den = -den;
        product = -product;
    }
    long long q = product >= 0 ? (product + den / 2) / den : -((-product + den / 2) / den);
    if (q > 0x7FFFFFFF || q < -0x7FFFFFFFLL - 1)
        return -1;
    return static_cast<int>(q);
}

int WINAPI MulDiv(int nNumber, int nNumerator, int nDenominator) {
    NV_TRACE_ENTER("MulDiv", nNumber, nNumerator, nDenominator);
    int v = mulDiv(nNumber, nNumerator, nDenominator);
    NV_TRACE_RESULT(v);
    return v;
}
