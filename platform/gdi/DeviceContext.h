// Device contexts: where drawing lands (the screen, a window's backing store,
// a memory DC's bitmap), the origin and clip on that surface, and the
// selected objects and colours. The drawing operations behind the Win32
// functions are members here, in logical coordinates.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <wingdi.h>

#include "platform/gdi/Objects.h"
#include "platform/gdi/Surface.h"

namespace nv::gdi {

enum class DcKind { Display, Window, Memory };

struct DcState {
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    HGDIOBJ bitmap = nullptr;  // memory DCs only
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    UINT textAlign = TA_LEFT | TA_TOP;
    int rop2 = R2_COPYPEN;
    POINT pos{0, 0};
    POINT viewportOrg{0, 0};
    std::optional<RECT> clip;  // device coordinates
};

class DeviceContext {
public:
    DcKind kind = DcKind::Memory;
    HWND hwnd = nullptr;       // Window DCs: whose backing store
    POINT origin{0, 0};        // device (0, 0) on the target surface
    RECT visible{0, 0, 0, 0};  // Window DCs: what the window system lets them touch, on the surface
    bool fromBeginPaint = false;
    DcState state;
    std::vector<DcState> saved;

    Surface* target() const;
    Depth depth() const;
    // The clip on the target surface: visible area, selected clip region,
    // surface bounds.
    RECT clipOnTarget() const;
    POINT toTarget(int x, int y) const {
        return POINT{x + origin.x + state.viewportOrg.x, y + origin.y + state.viewportOrg.y};
    }
    RECT toTarget(const RECT& r) const {
        POINT p = toTarget(0, 0);
        return offset(r, p.x, p.y);
    }

    const Brush* brush() const { return objects().get<Brush>(state.brush, ObjectKind::Brush); }
    const Pen* pen() const { return objects().get<Pen>(state.pen, ObjectKind::Pen); }
    const Font& font() const;

    // Drawing, in logical coordinates, clipped.
    void fillRect(const RECT& r, COLORREF color);
    void patBlt(const RECT& r, DWORD rop);
    void setPixel(int x, int y, COLORREF color);
    std::optional<COLORREF> getPixel(int x, int y) const;
    void line(POINT from, POINT to);  // from the pen, end point excluded
    // Text at (x, y) honouring the text alignment; options as ExtTextOutA.
    void text(int x, int y, UINT options, const RECT* rect, std::string_view s);
    SIZE textExtent(std::string_view s) const;
    // Ink only, transparent, at a top-left position and in a given colour
    // (DrawTextA's mnemonics and greyed texts use this).
    void drawGlyphs(int x, int y, std::string_view s, COLORREF color, const RECT& clipTarget);
};

// Copies between device contexts with a ternary raster operation, stretching
// when the sizes differ. Returns false for a raster operation that needs a
// source when none is given.
bool blit(DeviceContext& dst, int x, int y, int w, int h, const DeviceContext* src, int sx, int sy, int sw, int sh,
          DWORD rop);

class DcTable {
public:
    HDC add(std::unique_ptr<DeviceContext> dc);
    DeviceContext* find(HDC h) const;
    bool remove(HDC h);
    size_t size() const { return dcs_.size(); }

private:
    std::map<const void*, std::unique_ptr<DeviceContext>> dcs_;
};

DcTable& dcs();

// A new DC with the default objects selected.
std::unique_ptr<DeviceContext> makeDc(DcKind kind);
// Releases what a DC holds selected (before it is removed).
void releaseSelections(DeviceContext& dc);
// The 1 x 1 monochrome bitmap a fresh memory DC holds.
HGDIOBJ defaultBitmap();

}  // namespace nv::gdi
