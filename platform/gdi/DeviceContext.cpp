#include "platform/gdi/DeviceContext.h"

#include <algorithm>
#include <cstdlib>

#include "platform/core/PerMachine.h"
#include "platform/gdi/Screen.h"

namespace nv::gdi {

Surface* DeviceContext::target() const {
    switch (kind) {
    case DcKind::Display: return &Screen::get().desktop();
    case DcKind::Window: return Screen::get().existing(hwnd);
    case DcKind::Memory: {
        auto* bmp = objects().get<Bitmap>(state.bitmap, ObjectKind::Bitmap);
        return bmp ? &bmp->surface : nullptr;
    }
    }
    return nullptr;
}

Depth DeviceContext::depth() const {
    const Surface* s = target();
    return s ? s->depth() : Depth::Color;
}

RECT DeviceContext::clipOnTarget() const {
    const Surface* s = target();
    if (!s)
        return RECT{0, 0, 0, 0};
    RECT r = s->bounds();
    if (kind == DcKind::Window)
        r = intersect(r, visible);
    if (state.clip)
        r = intersect(r, offset(*state.clip, origin.x, origin.y));
    return r;
}

const Font& DeviceContext::font() const {
    if (auto* f = objects().get<Font>(state.font, ObjectKind::Font))
        return *f;
    return *objects().get<Font>(stockObject(SYSTEM_FONT), ObjectKind::Font);
}

void DeviceContext::fillRect(const RECT& r, COLORREF color) {
    Surface* s = target();
    if (!s)
        return;
    s->fill(intersect(toTarget(r), clipOnTarget()), toPixel(color));
}

namespace {

// The result of a ternary raster operation on one pixel: bit i of the
// operation's index byte gives the result for pattern/source/destination
// bits (P << 2) | (S << 1) | D.
uint32_t rop3(uint8_t index, uint32_t p, uint32_t s, uint32_t d) {
    switch (index) {
    case 0xCC: return s;
    case 0xF0: return p;
    case 0xAA: return d;
    case 0x88: return s & d;
    case 0xEE: return s | d;
    case 0x66: return s ^ d;
    case 0xBB: return (~s | d) & 0xFFFFFF;
    case 0x33: return ~s & 0xFFFFFF;
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFF;
    default: break;
    }
    uint32_t r = 0;
    for (int i = 0; i < 8; ++i) {
        if (!((index >> i) & 1))
            continue;
        uint32_t m = ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
        r |= m;
    }
    return r & 0xFFFFFF;
}

bool ropUsesSource(uint8_t index) { return ((index >> 2) & 0x33) != (index & 0x33); }

}  // namespace

void DeviceContext::patBlt(const RECT& r, DWORD rop) {
    Surface* s = target();
    if (!s)
        return;
    const uint8_t index = static_cast<uint8_t>(rop >> 16);
    const Brush* b = brush();
    uint32_t p = b && !b->hollow ? toPixel(b->color) : 0;
    if (s->depth() == Depth::Monochrome)
        p = Surface::toMono(p);
    RECT t = intersect(toTarget(r), clipOnTarget());
    for (int y = t.top; y < t.bottom; ++y)
        for (int x = t.left; x < t.right; ++x)
            s->set(x, y, rop3(index, p, 0, s->at(x, y)));
}

void DeviceContext::setPixel(int x, int y, COLORREF color) {
    Surface* s = target();
    if (!s)
        return;
    POINT p = toTarget(x, y);
    RECT c = clipOnTarget();
    if (p.x >= c.left && p.x < c.right && p.y >= c.top && p.y < c.bottom)
        s->set(p.x, p.y, toPixel(color));
}

std::optional<COLORREF> DeviceContext::getPixel(int x, int y) const {
    const Surface* s = target();
    if (!s)
        return std::nullopt;
    POINT p = toTarget(x, y);
    RECT c = clipOnTarget();
    if (p.x < c.left || p.x >= c.right || p.y < c.top || p.y >= c.bottom)
        return std::nullopt;
    return toColorref(s->at(p.x, p.y));
}

void DeviceContext::line(POINT from, POINT to) {
    const Pen* p = pen();
    Surface* s = target();
    if (!s || !p || p->style == PS_NULL)
        return;
    const uint32_t color = toPixel(p->color);
    const int width = std::max(p->width, 1);
    const RECT c = clipOnTarget();
    auto plot = [&](int x, int y) {
        POINT t = toTarget(x - width / 2, y - width / 2);
        for (int dy = 0; dy < width; ++dy)
            for (int dx = 0; dx < width; ++dx) {
                int px = t.x + dx, py = t.y + dy;
                if (px < c.left || px >= c.right || py < c.top || py >= c.bottom)
                    continue;
                uint32_t d = s->at(px, py);
                uint32_t v = color;
                if (state.rop2 == R2_NOT)
                    v = ~d & 0xFFFFFF;
                else if (state.rop2 == R2_XORPEN)
                    v = d ^ color;
                else if (state.rop2 == R2_BLACK)
                    v = 0;
                else if (state.rop2 == R2_WHITE)
                    v = 0xFFFFFF;
                s->set(px, py, v);
            }
    };
    // Bresenham; the end point itself is not drawn.
    int x = from.x, y = from.y;
    const int dx = std::abs(to.x - from.x), sx = from.x < to.x ? 1 : -1;
    const int dy = -std::abs(to.y - from.y), sy = from.y < to.y ? 1 : -1;
    int err = dx + dy;
    while (x != to.x || y != to.y) {
        plot(x, y);
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

SIZE DeviceContext::textExtent(std::string_view s) const {
    const RealizedFont& f = font().realized();
    return SIZE{f.textWidth(s), f.metrics().height};
}

void DeviceContext::drawGlyphs(int x, int y, std::string_view s, COLORREF color, const RECT& clip) {
    Surface* surf = target();
    if (!surf)
        return;
    const RealizedFont& f = font().realized();
    const FontMetricsInfo& m = f.metrics();
    POINT t = toTarget(x, y);
    const int baseline = t.y + m.ascent;
    const uint32_t ink = toPixel(color);
    int pen = t.x;
    for (unsigned char ch : s) {
        const Glyph& g = f.glyph(ch);
        for (int gy = 0; gy < g.height; ++gy) {
            const int py = baseline - g.top + gy;
            if (py < clip.top || py >= clip.bottom)
                continue;
            for (int gx = 0; gx < g.width; ++gx) {
                const int px = pen + g.left + gx;
                if (px < clip.left || px >= clip.right)
                    continue;
                if (g.bits[static_cast<size_t>(gy) * g.width + gx])
                    surf->set(px, py, ink);
            }
        }
        pen += g.advance;
    }
    const int width = pen - t.x;
    auto rule = [&](int py) {
        if (py >= clip.top && py < clip.bottom)
            for (int px = std::max(t.x, static_cast<int>(clip.left)); px < std::min(t.x + width, static_cast<int>(clip.right)); ++px)
                surf->set(px, py, ink);
    };
    if (m.underline)
        rule(baseline + std::max(1, m.descent / 2));
    if (m.strikeOut)
        rule(baseline - m.ascent / 3);
}

void DeviceContext::text(int x, int y, UINT options, const RECT* rect, std::string_view s) {
    Surface* surf = target();
    if (!surf)
        return;
    const FontMetricsInfo& m = font().realized().metrics();
    if (state.textAlign & TA_UPDATECP) {
        x = state.pos.x;
        y = state.pos.y;
    }
    const SIZE ext = textExtent(s);
    int left = x;
    switch (state.textAlign & TA_CENTER) {
    case TA_RIGHT: left = x - ext.cx; break;
    case TA_CENTER: left = x - ext.cx / 2; break;
    default: break;
    }
    int top = y;
    if ((state.textAlign & TA_BASELINE) == TA_BASELINE)
        top = y - m.ascent;
    else if (state.textAlign & TA_BOTTOM)
        top = y - m.height;
    if (state.textAlign & TA_UPDATECP) {
        if ((state.textAlign & TA_CENTER) == TA_LEFT)
            state.pos.x = x + ext.cx;
        else if ((state.textAlign & TA_CENTER) == TA_RIGHT)
            state.pos.x = x - ext.cx;
    }

    RECT clip = clipOnTarget();
    if (rect && (options & ETO_CLIPPED))
        clip = intersect(clip, toTarget(*rect));
    if (rect && (options & ETO_OPAQUE))
        surf->fill(intersect(toTarget(*rect), clipOnTarget()), toPixel(state.bkColor));
    else if (state.bkMode == OPAQUE)
        surf->fill(intersect(toTarget(RECT{left, top, left + ext.cx, top + ext.cy}), clip), toPixel(state.bkColor));
    drawGlyphs(left, top, s, state.textColor, clip);
}

namespace {

template <class Op>
void eachPixel(uint32_t* out, const uint32_t* in, int from, int to, Op op) {
    for (int x = from; x < to; ++x)
        out[x] = op(in[x], out[x]);
}

// An unstretched blit between colour surfaces, row by row: the pixels of
// `clip` whose source pixel (shifted by `delta`) lies in `sClip`. The common
// raster operations run without rop3's choice per pixel.
void copyRows(Surface& d, const Surface& s, uint8_t index, uint32_t pat, RECT clip, RECT sClip, POINT delta) {
    const int from = std::max(clip.left, sClip.left - delta.x);
    const int to = std::min(clip.right, sClip.right - delta.x);
    for (int ty = clip.top; ty < clip.bottom && from < to; ++ty) {
        const int py = ty + delta.y;
        if (py < sClip.top || py >= sClip.bottom)
            continue;
        uint32_t* out = d.row(ty);
        const uint32_t* in = s.row(py) + delta.x;
        switch (index) {
        case 0xCC: eachPixel(out, in, from, to, [](uint32_t sp, uint32_t) { return sp; }); break;
        case 0x88: eachPixel(out, in, from, to, [](uint32_t sp, uint32_t dp) { return sp & dp; }); break;
        case 0xEE: eachPixel(out, in, from, to, [](uint32_t sp, uint32_t dp) { return sp | dp; }); break;
        case 0x66: eachPixel(out, in, from, to, [](uint32_t sp, uint32_t dp) { return sp ^ dp; }); break;
        case 0xBB: eachPixel(out, in, from, to, [](uint32_t sp, uint32_t dp) { return (~sp | dp) & 0xFFFFFF; }); break;
        default:
            eachPixel(out, in, from, to, [&](uint32_t sp, uint32_t dp) { return rop3(index, pat, sp, dp); });
            break;
        }
    }
}

}  // namespace

bool blit(DeviceContext& dst, int x, int y, int w, int h, const DeviceContext* src, int sx, int sy, int sw, int sh,
          DWORD rop) {
    const uint8_t index = static_cast<uint8_t>(rop >> 16);
    const bool needsSource = ropUsesSource(index);
    if (needsSource && !src)
        return false;
    Surface* d = dst.target();
    if (!d)
        return false;
    if (w < 0) {
        x += w;
        w = -w;
    }
    if (h < 0) {
        y += h;
        h = -h;
    }
    const Surface* s = needsSource ? src->target() : nullptr;
    if (needsSource && !s)
        return false;
    if (needsSource && (sw == 0 || sh == 0))
        return true;

    const Brush* b = dst.brush();
    uint32_t pat = b && !b->hollow ? toPixel(b->color) : 0;
    const bool dstMono = d->depth() == Depth::Monochrome;
    if (dstMono)
        pat = Surface::toMono(pat);
    const bool srcMono = s && s->depth() == Depth::Monochrome;
    const uint32_t srcBk = src ? toPixel(src->state.bkColor) : 0;
    const uint32_t dstText = toPixel(dst.state.textColor);
    const uint32_t dstBk = toPixel(dst.state.bkColor);

    const RECT clip = intersect(dst.toTarget(RECT{x, y, x + w, y + h}), dst.clipOnTarget());
    const POINT dOrigin = dst.toTarget(x, y);
    const POINT sOrigin = src ? src->toTarget(sx, sy) : POINT{0, 0};
    const RECT sClip = src ? src->clipOnTarget() : RECT{0, 0, 0, 0};
    // Source coordinates: scaled when stretching, a plain offset otherwise
    // (the same values without a division per pixel).
    const bool stretched = sw != w || sh != h;
    if (needsSource && !stretched && !srcMono && !dstMono) {
        copyRows(*d, *s, index, pat, clip, sClip, POINT{sOrigin.x - dOrigin.x, sOrigin.y - dOrigin.y});
        return true;
    }
    auto sourceX = [&](int tx) {
        return sOrigin.x + (stretched ? static_cast<int>(static_cast<long long>(tx - dOrigin.x) * sw / w) : tx - dOrigin.x);
    };
    for (int ty = clip.top; ty < clip.bottom; ++ty) {
        const int dy = ty - dOrigin.y;
        const int py = sOrigin.y + (needsSource ? (stretched ? static_cast<int>(static_cast<long long>(dy) * sh / h) : dy) : 0);
        if (needsSource && (py < sClip.top || py >= sClip.bottom))
            continue;
        uint32_t* out = d->row(ty);
        const uint32_t* in = needsSource ? s->row(py) : nullptr;
        for (int tx = clip.left; tx < clip.right; ++tx) {
            uint32_t sp = 0;
            if (needsSource) {
                const int px = sourceX(tx);
                if (px < sClip.left || px >= sClip.right)
                    continue;  // nothing to copy from outside the source
                sp = in[px];
                if (srcMono && !dstMono)
                    sp = sp ? dstBk : dstText;
                else if (!srcMono && dstMono)
                    sp = sp == srcBk ? 0xFFFFFF : 0;
            }
            const uint32_t result = rop3(index, pat, sp, out[tx]);
            out[tx] = dstMono ? Surface::toMono(result) : result;
        }
    }
    return true;
}

HDC DcTable::add(std::unique_ptr<DeviceContext> dc) {
    HDC h = reinterpret_cast<HDC>(dc.get());
    dcs_[h] = std::move(dc);
    return h;
}

DeviceContext* DcTable::find(HDC h) const {
    auto it = dcs_.find(h);
    return it == dcs_.end() ? nullptr : it->second.get();
}

bool DcTable::remove(HDC h) {
    auto it = dcs_.find(h);
    if (it == dcs_.end())
        return false;
    releaseSelections(*it->second);
    dcs_.erase(it);
    return true;
}

DcTable& dcs() { return machine::perMachine<DcTable>(); }

namespace {
struct DefaultBitmap {
    HGDIOBJ handle = nullptr;
};
}  // namespace

HGDIOBJ defaultBitmap() {
    HGDIOBJ& h = machine::perMachine<DefaultBitmap>().handle;
    if (!h) {
        auto bmp = std::make_unique<Bitmap>(1, 1, Depth::Monochrome, 0xFFFFFF);
        bmp->stock = true;
        h = objects().add(std::move(bmp));
    }
    return h;
}

std::unique_ptr<DeviceContext> makeDc(DcKind kind) {
    auto dc = std::make_unique<DeviceContext>();
    dc->kind = kind;
    dc->state.pen = stockObject(BLACK_PEN);
    dc->state.brush = stockObject(WHITE_BRUSH);
    dc->state.font = stockObject(SYSTEM_FONT);
    if (kind == DcKind::Memory) {
        dc->state.bitmap = defaultBitmap();
        if (auto* o = objects().find(dc->state.bitmap))
            ++o->selectedIn;
    }
    for (HGDIOBJ h : {dc->state.pen, dc->state.brush, dc->state.font})
        if (auto* o = objects().find(h))
            ++o->selectedIn;
    return dc;
}

void releaseSelections(DeviceContext& dc) {
    auto drop = [](HGDIOBJ h) {
        if (auto* o = objects().find(h))
            if (o->selectedIn > 0)
                --o->selectedIn;
    };
    drop(dc.state.pen);
    drop(dc.state.brush);
    drop(dc.state.font);
    drop(dc.state.bitmap);
    dc.state.pen = dc.state.brush = dc.state.font = dc.state.bitmap = nullptr;
}

}  // namespace nv::gdi
