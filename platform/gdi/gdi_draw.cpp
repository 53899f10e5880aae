// Drawing functions: lines, rectangles, pixels, raster operations, and the
// rectangle and edge helpers of USER.
#include <algorithm>
#include <array>

#include <windows.h>

#include "platform/core/PerMachine.h"
#include "platform/core/Trace.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/SysColors.h"

using namespace nv::gdi;

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    NV_TRACE_ENTER("MoveToEx", hdc, x, y);
    BOOL ok = FALSE;
    if (DeviceContext* dc = dcs().find(hdc)) {
        if (lppt)
            *lppt = dc->state.pos;
        dc->state.pos = POINT{x, y};
        ok = TRUE;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    NV_TRACE_ENTER("LineTo", hdc, x, y);
    BOOL ok = FALSE;
    if (DeviceContext* dc = dcs().find(hdc)) {
        dc->line(dc->state.pos, POINT{x, y});
        dc->state.pos = POINT{x, y};
        ok = TRUE;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    NV_TRACE_ENTER("Rectangle", hdc, left, top, right, bottom);
    BOOL ok = FALSE;
    if (DeviceContext* dc = dcs().find(hdc)) {
        if (left > right)
            std::swap(left, right);
        if (top > bottom)
            std::swap(top, bottom);
        const Pen* pen = dc->pen();
        const int w = pen && pen->style != PS_NULL ? std::max(pen->width, 1) : 0;
        if (const Brush* b = dc->brush(); b && !b->hollow)
            dc->fillRect(RECT{left + w, top + w, right - w, bottom - w}, b->color);
        if (w > 0) {
            dc->fillRect(RECT{left, top, right, top + w}, pen->color);
            dc->fillRect(RECT{left, bottom - w, right, bottom}, pen->color);
            dc->fillRect(RECT{left, top, left + w, bottom}, pen->color);
            dc->fillRect(RECT{right - w, top, right, bottom}, pen->color);
        }
        ok = TRUE;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    NV_TRACE_ENTER("SetPixel", hdc, x, y, color);
    COLORREF result = CLR_INVALID;
    if (DeviceContext* dc = dcs().find(hdc)) {
        if (dc->getPixel(x, y)) {
            dc->setPixel(x, y, color);
            result = *dc->getPixel(x, y);  // the colour that actually landed
        }
    }
    NV_TRACE_RESULT(result);
    return result;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    NV_TRACE_ENTER("GetPixel", hdc, x, y);
    COLORREF result = CLR_INVALID;
    if (DeviceContext* dc = dcs().find(hdc))
        result = dc->getPixel(x, y).value_or(CLR_INVALID);
    NV_TRACE_RESULT(result);
    return result;
}

BOOL WINAPI PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    NV_TRACE_ENTER("PatBlt", hdc, x, y, w, h, rop);
    BOOL ok = FALSE;
    if (DeviceContext* dc = dcs().find(hdc))
        ok = blit(*dc, x, y, w, h, nullptr, 0, 0, 0, 0, rop) ? TRUE : FALSE;
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    NV_TRACE_ENTER("BitBlt", hdc, x, y, cx, cy, hdcSrc, x1, y1, rop);
    BOOL ok = FALSE;
    if (DeviceContext* dc = dcs().find(hdc))
        ok = blit(*dc, x, y, cx, cy, dcs().find(hdcSrc), x1, y1, cx, cy, rop) ? TRUE : FALSE;
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                       int wSrc, int hSrc, DWORD rop) {
    NV_TRACE_ENTER("StretchBlt", hdcDest, xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, wSrc, hSrc, rop);
    BOOL ok = FALSE;
    if (DeviceContext* dc = dcs().find(hdcDest))
        ok = blit(*dc, xDest, yDest, wDest, hDest, dcs().find(hdcSrc), xSrc, ySrc, wSrc, hSrc, rop) ? TRUE : FALSE;
    NV_TRACE_RESULT(ok);
    return ok;
}

int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    NV_TRACE_ENTER("FillRect", hDC, lprc ? lprc->left : 0, lprc ? lprc->top : 0, lprc ? lprc->right : 0, lprc ? lprc->bottom : 0, hbr);
    int ok = 0;
    DeviceContext* dc = dcs().find(hDC);
    auto color = brushColor(hbr);
    if (dc && lprc && color) {
        dc->fillRect(*lprc, *color);
        ok = 1;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

int WINAPI FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    NV_TRACE_ENTER("FrameRect", hDC, lprc ? lprc->left : 0, lprc ? lprc->top : 0, lprc ? lprc->right : 0, lprc ? lprc->bottom : 0, hbr);
    int ok = 0;
    DeviceContext* dc = dcs().find(hDC);
    auto color = brushColor(hbr);
    if (dc && lprc && color) {
        const RECT& r = *lprc;
        if (r.right > r.left && r.bottom > r.top) {
            dc->fillRect(RECT{r.left, r.top, r.right, r.top + 1}, *color);
            dc->fillRect(RECT{r.left, r.bottom - 1, r.right, r.bottom}, *color);
            dc->fillRect(RECT{r.left, r.top, r.left + 1, r.bottom}, *color);
            dc->fillRect(RECT{r.right - 1, r.top, r.right, r.bottom}, *color);
        }
        ok = 1;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI InvertRect(HDC hDC, const RECT* lprc) {
    NV_TRACE_ENTER("InvertRect", hDC);
    BOOL ok = FALSE;
    if (DeviceContext* dc = dcs().find(hDC); dc && lprc) {
        dc->patBlt(*lprc, DSTINVERT);
        ok = TRUE;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI DrawFocusRect(HDC hDC, const RECT* lprc) {
    NV_TRACE_ENTER("DrawFocusRect", hDC);
    BOOL ok = FALSE;
    if (DeviceContext* dc = dcs().find(hDC); dc && lprc) {
        // A dotted frame, every other pixel inverted, so drawing it twice
        // takes it away again.
        const RECT& r = *lprc;
        auto flip = [&](int x, int y) {
            if (auto c = dc->getPixel(x, y))
                dc->setPixel(x, y, ~*c & 0xFFFFFF);
        };
        for (int x = r.left; x < r.right; x += 2) {
            flip(x, r.top);
            if (r.bottom - 1 > r.top)
                flip(x, r.bottom - 1);
        }
        for (int y = r.top + 2; y < r.bottom - 1; y += 2) {
            flip(r.left, y);
            if (r.right - 1 > r.left)
                flip(r.right - 1, y);
        }
        ok = TRUE;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags) {
    NV_TRACE_ENTER("DrawEdge", hdc, edge, grfFlags);
    BOOL ok = FALSE;
    DeviceContext* dc = dcs().find(hdc);
    if (dc && qrc) {
        auto sys = [](int i) { return *sysColor(i); };
        // Top-left and bottom-right colours of the outer and inner lines.
        int ltOuter = -1, rbOuter = -1, ltInner = -1, rbInner = -1;
        if (edge & BDR_RAISEDOUTER) {
            ltOuter = (grfFlags & BF_SOFT) ? COLOR_3DHILIGHT : COLOR_3DLIGHT;
            rbOuter = COLOR_3DDKSHADOW;
        } else if (edge & BDR_SUNKENOUTER) {
            ltOuter = COLOR_3DSHADOW;
            rbOuter = COLOR_3DHILIGHT;
        }
        if (edge & BDR_RAISEDINNER) {
            ltInner = (grfFlags & BF_SOFT) ? COLOR_3DLIGHT : COLOR_3DHILIGHT;
            rbInner = COLOR_3DSHADOW;
        } else if (edge & BDR_SUNKENINNER) {
            ltInner = COLOR_3DDKSHADOW;
            rbInner = COLOR_3DLIGHT;
        }
        if (grfFlags & (BF_FLAT | BF_MONO)) {
            const int frame = (grfFlags & BF_MONO) ? COLOR_WINDOWFRAME : COLOR_3DSHADOW;
            ltOuter = rbOuter = ltOuter >= 0 ? frame : -1;
            ltInner = rbInner = ltInner >= 0 ? ((grfFlags & BF_MONO) ? COLOR_WINDOW : COLOR_3DFACE) : -1;
        }
        RECT r = *qrc;
        auto line = [&](int lt, int rb) {
            if (lt < 0)
                return;
            if (grfFlags & BF_TOP)
                dc->fillRect(RECT{r.left, r.top, r.right - 1, r.top + 1}, sys(lt));
            if (grfFlags & BF_LEFT)
                dc->fillRect(RECT{r.left, r.top, r.left + 1, r.bottom - 1}, sys(lt));
            if (grfFlags & BF_BOTTOM)
                dc->fillRect(RECT{r.left, r.bottom - 1, r.right, r.bottom}, sys(rb));
            if (grfFlags & BF_RIGHT)
                dc->fillRect(RECT{r.right - 1, r.top, r.right, r.bottom}, sys(rb));
            if (grfFlags & BF_LEFT)
                ++r.left;
            if (grfFlags & BF_TOP)
                ++r.top;
            if (grfFlags & BF_RIGHT)
                --r.right;
            if (grfFlags & BF_BOTTOM)
                --r.bottom;
        };
        line(ltOuter, rbOuter);
        line(ltInner, rbInner);
        if (grfFlags & BF_MIDDLE)
            dc->fillRect(r, sys((grfFlags & BF_MONO) ? COLOR_WINDOW : COLOR_3DFACE));
        if (grfFlags & BF_ADJUST)
            *qrc = r;
        ok = TRUE;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

DWORD WINAPI GetSysColor(int nIndex) {
    NV_TRACE_ENTER("GetSysColor", nIndex);
    DWORD c = sysColor(nIndex).value_or(0);
    NV_TRACE_RESULT(c);
    return c;
}

namespace {
struct SysColorBrushes {
    std::array<HBRUSH, 25> handles{};
};
}  // namespace

HBRUSH WINAPI GetSysColorBrush(int nIndex) {
    NV_TRACE_ENTER("GetSysColorBrush", nIndex);
    auto& brushes = nv::machine::perMachine<SysColorBrushes>().handles;
    HBRUSH h = nullptr;
    if (auto c = sysColor(nIndex)) {
        if (!brushes[nIndex]) {
            auto b = std::make_unique<Brush>(false, *c);
            b->stock = true;  // owned by the system, DeleteObject leaves it alone
            brushes[nIndex] = static_cast<HBRUSH>(objects().add(std::move(b)));
        }
        h = brushes[nIndex];
    }
    NV_TRACE_RESULT(h);
    return h;
}
