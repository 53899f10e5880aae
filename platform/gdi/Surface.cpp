#include "platform/gdi/Surface.h"

#include <algorithm>

namespace nv::gdi {

Surface::Surface(int width, int height, Depth depth, uint32_t fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), depth_(depth) {
    if (depth_ == Depth::Monochrome)
        fill = toMono(fill);
    pixels_.assign(static_cast<size_t>(width_) * height_, fill);
}

void Surface::set(int x, int y, uint32_t p) {
    pixels_[static_cast<size_t>(y) * width_ + x] = depth_ == Depth::Monochrome ? toMono(p) : p;
}

void Surface::fill(RECT r, uint32_t p) {
    r = intersect(r, bounds());
    if (depth_ == Depth::Monochrome)
        p = toMono(p);
    for (int y = r.top; y < r.bottom; ++y)
        std::fill(row(y) + r.left, row(y) + r.right, p);
}

void Surface::resize(int width, int height, uint32_t fill) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_)
        return;
    std::vector<uint32_t> next(static_cast<size_t>(width) * height, fill);
    for (int y = 0; y < std::min(height, height_); ++y)
        std::copy_n(row(y), std::min(width, width_), next.data() + static_cast<size_t>(y) * width);
    pixels_ = std::move(next);
    width_ = width;
    height_ = height;
}


}  // namespace nv::gdi
