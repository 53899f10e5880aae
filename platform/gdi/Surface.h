// A rectangle of 0x00RRGGBB pixels: the screen, a window's backing store or
// a bitmap. Monochrome bitmaps keep only black and white pixels.
#pragma once

#include "platform/core/Rect.h"

#include <cstdint>
#include <vector>

#include <windef.h>

namespace nv::gdi {

// COLORREF is 0x00BBGGRR; pixels are stored as 0x00RRGGBB so that a PNG
// row is a straight byte swap.
inline uint32_t toPixel(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline COLORREF toColorref(uint32_t p) {
    return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}

enum class Depth { Monochrome, Color };

// The largest bitmap we make: 16 million pixels (64 MB), far beyond any
// screen of the time; larger requests fail as out of memory.
constexpr long long kMaxPixels = 4096LL * 4096;
inline bool sizeAllowed(long long w, long long h) { return w >= 0 && h >= 0 && w * h <= kMaxPixels; }

class Surface {
public:
    Surface() = default;
    Surface(int width, int height, Depth depth, uint32_t fill = 0);

    int width() const { return width_; }
    int height() const { return height_; }
    Depth depth() const { return depth_; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    uint32_t at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    // Stores a pixel, reduced to black or white on a monochrome surface.
    void set(int x, int y, uint32_t p);
    uint32_t* row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
    const uint32_t* row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }

    // Fills the part of r that lies on the surface.
    void fill(RECT r, uint32_t p);
    // Changes the size, keeping the overlapping pixels; new ones get `fill`.
    void resize(int width, int height, uint32_t fill);
    RECT bounds() const { return RECT{0, 0, width_, height_}; }

    // How a colour lands on a monochrome surface: the background colour of
    // the source becomes white, everything else black (GDI's rule for
    // colour-to-mono blits); for plain drawing, white stays white.
    static uint32_t toMono(uint32_t p) { return p == 0xFFFFFF ? 0xFFFFFF : 0; }

private:
    int width_ = 0;
    int height_ = 0;
    Depth depth_ = Depth::Color;
    std::vector<uint32_t> pixels_;
};

using rect::intersect;
using rect::isEmpty;
using rect::offset;

}  // namespace nv::gdi
