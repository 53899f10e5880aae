// Object functions: stock objects, creation, selection and deletion.
#include <algorithm>
#include <cstring>

#include <windows.h>

#include "platform/core/Trace.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Screen.h"

using namespace nv::gdi;

HGDIOBJ WINAPI GetStockObject(int i) {
    NV_TRACE_ENTER("GetStockObject", i);
    HGDIOBJ h = stockObject(i);
    NV_TRACE_RESULT(h);
    return h;
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    NV_TRACE_ENTER("CreateSolidBrush", color);
    auto h = static_cast<HBRUSH>(objects().add(std::make_unique<Brush>(false, color & 0xFFFFFF)));
    NV_TRACE_RESULT(h);
    return h;
}

HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* plbrush) {
    NV_TRACE_ENTER("CreateBrushIndirect", plbrush);
    HBRUSH h = nullptr;
    if (plbrush && (plbrush->lbStyle == BS_SOLID || plbrush->lbStyle == BS_NULL))
        h = static_cast<HBRUSH>(
            objects().add(std::make_unique<Brush>(plbrush->lbStyle == BS_NULL, plbrush->lbColor & 0xFFFFFF)));
    NV_TRACE_RESULT(h);
    return h;
}

HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
    NV_TRACE_ENTER("CreatePen", iStyle, cWidth, color);
    HPEN h = nullptr;
    if (iStyle >= PS_SOLID && iStyle <= PS_INSIDEFRAME)
        h = static_cast<HPEN>(objects().add(std::make_unique<Pen>(iStyle, std::max(cWidth, 0), color & 0xFFFFFF)));
    else
        SetLastError(ERROR_INVALID_PARAMETER);
    NV_TRACE_RESULT(h);
    return h;
}

HRGN WINAPI CreateRectRgn(int x1, int y1, int x2, int y2) {
    NV_TRACE_ENTER("CreateRectRgn", x1, y1, x2, y2);
    RECT r{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    auto h = static_cast<HRGN>(objects().add(std::make_unique<Region>(r)));
    NV_TRACE_RESULT(h);
    return h;
}

HRGN WINAPI CreateRectRgnIndirect(const RECT* lprect) {
    NV_TRACE_ENTER("CreateRectRgnIndirect", lprect ? lprect->left : 0, lprect ? lprect->top : 0, lprect ? lprect->right : 0, lprect ? lprect->bottom : 0);
    HRGN h = nullptr;
    if (lprect)
        h = CreateRectRgn(lprect->left, lprect->top, lprect->right, lprect->bottom);
    NV_TRACE_RESULT(h);
    return h;
}

HFONT WINAPI CreateFontIndirectA(const LOGFONTA* lplf) {
    NV_TRACE_ENTER("CreateFontIndirectA", lplf ? lplf->lfHeight : 0, lplf ? lplf->lfWeight : 0, lplf ? static_cast<int>(lplf->lfPitchAndFamily) : 0, lplf ? lplf->lfFaceName : nullptr);
    HFONT h = nullptr;
    if (lplf) {
        LOGFONTA lf = *lplf;
        lf.lfFaceName[LF_FACESIZE - 1] = 0;  // a face name without its NUL stays in bounds
        h = static_cast<HFONT>(objects().add(std::make_unique<Font>(lf)));
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    NV_TRACE_RESULT(h);
    return h;
}

HFONT WINAPI CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                         DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision,
                         DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName) {
    NV_TRACE_ENTER("CreateFontA", cHeight, cWidth, cWeight, iPitchAndFamily, pszFaceName);
    LOGFONTA lf{};
    lf.lfHeight = cHeight;
    lf.lfWidth = cWidth;
    lf.lfEscapement = cEscapement;
    lf.lfOrientation = cOrientation;
    lf.lfWeight = cWeight;
    lf.lfItalic = static_cast<BYTE>(bItalic);
    lf.lfUnderline = static_cast<BYTE>(bUnderline);
    lf.lfStrikeOut = static_cast<BYTE>(bStrikeOut);
    lf.lfCharSet = static_cast<BYTE>(iCharSet);
    lf.lfOutPrecision = static_cast<BYTE>(iOutPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(iClipPrecision);
    lf.lfQuality = static_cast<BYTE>(iQuality);
    lf.lfPitchAndFamily = static_cast<BYTE>(iPitchAndFamily);
    if (pszFaceName)
        std::strncpy(lf.lfFaceName, pszFaceName, LF_FACESIZE - 1);
    HFONT h = CreateFontIndirectA(&lf);
    NV_TRACE_RESULT(h);
    return h;
}

HBITMAP WINAPI CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits) {
    NV_TRACE_ENTER("CreateBitmap", nWidth, nHeight, nPlanes, nBitCount, lpBits);
    HBITMAP h = nullptr;
    if (nWidth < 0 || nHeight < 0 || nWidth > 16384 || nHeight > 16384 || nPlanes != 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (!sizeAllowed(nWidth, nHeight)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    } else if (nWidth == 0 || nHeight == 0) {
        h = static_cast<HBITMAP>(defaultBitmap());
    } else if (nBitCount == 1) {
        auto bmp = std::make_unique<Bitmap>(nWidth, nHeight, Depth::Monochrome, 0);
        if (lpBits) {
            // Device-dependent rows: top-down, each padded to 16 bits.
            const auto* bits = static_cast<const uint8_t*>(lpBits);
            const int stride = ((nWidth + 15) / 16) * 2;
            for (int y = 0; y < nHeight; ++y)
                for (int x = 0; x < nWidth; ++x)
                    bmp->surface.set(x, y, (bits[y * stride + (x >> 3)] >> (7 - (x & 7))) & 1 ? 0xFFFFFF : 0);
        }
        h = static_cast<HBITMAP>(objects().add(std::move(bmp)));
    } else if (nBitCount == 24 || nBitCount == 32) {
        auto bmp = std::make_unique<Bitmap>(nWidth, nHeight, Depth::Color, 0);
        if (lpBits) {
            const auto* bits = static_cast<const uint8_t*>(lpBits);
            const int bpp = static_cast<int>(nBitCount) / 8;
            const int stride = ((nWidth * bpp + 1) / 2) * 2;
            for (int y = 0; y < nHeight; ++y)
                for (int x = 0; x < nWidth; ++x) {
                    const uint8_t* p = bits + y * stride + x * bpp;
                    bmp->surface.set(x, y, (p[2] << 16) | (p[1] << 8) | p[0]);
                }
        }
        h = static_cast<HBITMAP>(objects().add(std::move(bmp)));
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    NV_TRACE_RESULT(h);
    return h;
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    NV_TRACE_ENTER("CreateCompatibleBitmap", hdc, cx, cy);
    HBITMAP h = nullptr;
    DeviceContext* dc = dcs().find(hdc);
    if (!dc || cx < 0 || cy < 0 || cx > 16384 || cy > 16384) {
        SetLastError(dc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    } else if (!sizeAllowed(cx, cy)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    } else if (cx == 0 || cy == 0) {
        h = static_cast<HBITMAP>(defaultBitmap());
    } else {
        // Compatible with what the DC draws on: a fresh memory DC still holds
        // its monochrome default bitmap, so it yields a monochrome one.
        h = static_cast<HBITMAP>(objects().add(std::make_unique<Bitmap>(cx, cy, dc->depth(), 0)));
    }
    NV_TRACE_RESULT(h);
    return h;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    NV_TRACE_ENTER("SelectObject", hdc, h);
    HGDIOBJ old = nullptr;
    DeviceContext* dc = dcs().find(hdc);
    Object* obj = objects().find(h);
    if (dc && obj) {
        HGDIOBJ* slot = nullptr;
        switch (obj->kind) {
        case ObjectKind::Pen: slot = &dc->state.pen; break;
        case ObjectKind::Brush: slot = &dc->state.brush; break;
        case ObjectKind::Font: slot = &dc->state.font; break;
        case ObjectKind::Bitmap:
            // Only a memory DC holds a bitmap, and a bitmap sits in one DC at a time.
            if (dc->kind == DcKind::Memory && (obj->selectedIn == 0 || obj->stock || dc->state.bitmap == h))
                slot = &dc->state.bitmap;
            break;
        case ObjectKind::Region: {
            auto* rgn = static_cast<Region*>(obj);
            dc->state.clip = rgn->rect;
            old = reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(isEmpty(rgn->rect) ? NULLREGION : SIMPLEREGION));
            break;
        }
        }
        if (slot) {
            old = *slot;
            if (auto* o = objects().find(old); o && o->selectedIn > 0)
                --o->selectedIn;
            *slot = h;
            ++obj->selectedIn;
        }
    }
    NV_TRACE_RESULT(old);
    return old;
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    NV_TRACE_ENTER("DeleteObject", ho);
    BOOL ok = FALSE;
    if (Object* obj = objects().find(ho)) {
        if (obj->stock)
            ok = TRUE;  // stock objects outlive any attempt to delete them
        else if (obj->selectedIn == 0)
            ok = objects().remove(ho) ? TRUE : FALSE;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

DWORD WINAPI GetObjectType(HGDIOBJ h) {
    NV_TRACE_ENTER("GetObjectType", h);
    DWORD type = 0;
    if (Object* obj = objects().find(h))
        type = static_cast<DWORD>(obj->kind);
    else if (DeviceContext* dc = dcs().find(static_cast<HDC>(h)))
        type = dc->kind == DcKind::Memory ? OBJ_MEMDC : OBJ_DC;
    NV_TRACE_RESULT(type);
    return type;
}

int WINAPI GetObjectA(HGDIOBJ h, int c, LPVOID pv) {
    NV_TRACE_ENTER("GetObjectA", h, c, pv);
    int result = 0;
    Object* obj = objects().find(h);
    auto give = [&](const void* data, int size) {
        if (!pv) {
            result = size;
        } else {
            result = std::min(c, size);
            if (result > 0)
                std::memcpy(pv, data, static_cast<size_t>(result));
        }
    };
    if (obj) {
        switch (obj->kind) {
        case ObjectKind::Bitmap: {
            auto* b = static_cast<Bitmap*>(obj);
            BITMAP bm{};
            bm.bmWidth = b->surface.width();
            bm.bmHeight = b->surface.height();
            bm.bmBitsPixel = static_cast<WORD>(b->bitsPixel());
            bm.bmPlanes = 1;
            bm.bmWidthBytes = ((bm.bmWidth * bm.bmBitsPixel + 15) / 16) * 2;
            give(&bm, sizeof bm);
            break;
        }
        case ObjectKind::Brush: {
            auto* b = static_cast<Brush*>(obj);
            LOGBRUSH lb{b->hollow ? static_cast<UINT>(BS_NULL) : static_cast<UINT>(BS_SOLID), b->color, 0};
            give(&lb, sizeof lb);
            break;
        }
        case ObjectKind::Pen: {
            auto* p = static_cast<Pen*>(obj);
            LOGPEN lp{static_cast<UINT>(p->style), POINT{p->width, 0}, p->color};
            give(&lp, sizeof lp);
            break;
        }
        case ObjectKind::Font: give(&static_cast<Font*>(obj)->logfont, sizeof(LOGFONTA)); break;
        case ObjectKind::Region: break;
        }
    }
    NV_TRACE_RESULT(result);
    return result;
}
