#include "platform/gdi/Icons.h"

#include <cmath>
#include <cstring>

namespace nv::gdi {

IconKind iconKind(HICON icon) {
    struct Known {
        LPCSTR id;
        IconKind kind;
    };
    static const Known known[] = {{IDI_HAND, IconKind::Hand},
                                  {IDI_QUESTION, IconKind::Question},
                                  {IDI_EXCLAMATION, IconKind::Exclamation},
                                  {IDI_ASTERISK, IconKind::Asterisk}};
    for (const auto& k : known)
        if (LoadIconA(nullptr, k.id) == icon)
            return k.kind;
    return IconKind::Application;
}

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(128, 128, 128);

void disc(DeviceContext& dc, int x, int y, double cx, double cy, double r, COLORREF color) {
    for (int py = 0; py < 32; ++py)
        for (int px = 0; px < 32; ++px) {
            const double dx = px + 0.5 - cx, dy = py + 0.5 - cy;
            if (dx * dx + dy * dy <= r * r)
                dc.setPixel(x + px, y + py, color);
        }
}

// A glyph of a bold serif face centred on (cx, cy) within the icon.
void sign(DeviceContext& dc, int x, int y, int cx, int cy, const char* text, COLORREF color) {
    LOGFONTA lf{};
    lf.lfHeight = -22;
    lf.lfWeight = FW_BOLD;
    std::strcpy(lf.lfFaceName, "Times New Roman");
    HGDIOBJ saved = dc.state.font;
    HGDIOBJ h = objects().add(std::make_unique<Font>(lf));
    dc.state.font = h;
    const SIZE ext = dc.textExtent(text);
    const FontMetricsInfo& m = dc.font().realized().metrics();
    // Centre the ink of the letters: cap height is about the ascent less the
    // internal leading.
    const int inkTop = m.internalLeading;
    const int inkHeight = m.ascent - m.internalLeading;
    dc.drawGlyphs(x + cx - ext.cx / 2, y + cy - inkHeight / 2 - inkTop, text, color, dc.clipOnTarget());
    dc.state.font = saved;
    objects().remove(h);
}

void balloon(DeviceContext& dc, int x, int y) {
    // Shadow, outline, white body, and a tail at the lower left.
    disc(dc, x, y, 17, 15, 14, kShadow);
    disc(dc, x, y, 15.5, 13.5, 14, kBlack);
    for (int i = 0; i < 6; ++i)
        dc.fillRect(RECT{x + 7 - i / 2, y + 24 + i, x + 13 - i, y + 25 + i}, kBlack);
    disc(dc, x, y, 15.5, 13.5, 13, kWhite);
    for (int i = 0; i < 4; ++i)
        dc.fillRect(RECT{x + 8 - i / 2, y + 24 + i, x + 12 - i, y + 25 + i}, kWhite);
}

}  // namespace

void drawIcon(DeviceContext& dc, int x, int y, IconKind kind) {
    switch (kind) {
    case IconKind::Hand: {
        disc(dc, x, y, 17.5, 17.5, 14, kShadow);
        disc(dc, x, y, 15.5, 15.5, 14.5, kBlack);
        disc(dc, x, y, 15.5, 15.5, 13.5, RGB(255, 0, 0));
        // A white cross, three pixels thick.
        for (int i = -6; i <= 6; ++i)
            for (int t = -1; t <= 1; ++t) {
                dc.setPixel(x + 15 + i + t, y + 15 + i, kWhite);
                dc.setPixel(x + 15 + i + t, y + 15 - i, kWhite);
            }
        break;
    }
    case IconKind::Exclamation: {
        // A yellow triangle with a black rim, point up.
        for (int py = 2; py < 30; ++py) {
            const double half = (py - 2) * 14.0 / 27.0;
            const int l = static_cast<int>(std::lround(15.5 - half)), r = static_cast<int>(std::lround(15.5 + half));
            dc.fillRect(RECT{x + l + 2, y + py + 1, x + r + 3, y + py + 2}, kShadow);
            dc.fillRect(RECT{x + l, y + py, x + r + 1, y + py + 1}, kBlack);
            if (py > 3 && py < 28)
                dc.fillRect(RECT{x + l + 1, y + py, x + r, y + py + 1}, RGB(255, 255, 0));
        }
        dc.fillRect(RECT{x + 14, y + 10, x + 18, y + 21}, kBlack);
        dc.fillRect(RECT{x + 14, y + 23, x + 18, y + 26}, kBlack);
        break;
    }
    case IconKind::Asterisk:
        balloon(dc, x, y);
        sign(dc, x, y, 16, 13, "i", RGB(0, 0, 255));
        break;
    case IconKind::Question:
        balloon(dc, x, y);
        sign(dc, x, y, 16, 13, "?", RGB(0, 0, 255));
        break;
    case IconKind::Application:
        dc.fillRect(RECT{x + 2, y + 4, x + 30, y + 28}, kBlack);
        dc.fillRect(RECT{x + 3, y + 5, x + 29, y + 27}, kWhite);
        dc.fillRect(RECT{x + 3, y + 5, x + 29, y + 9}, RGB(0, 0, 128));
        break;
    }
}

}  // namespace nv::gdi
