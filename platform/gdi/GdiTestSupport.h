// Test helpers: a memory DC holding a colour bitmap, and pixel access.
#pragma once

#include <string>

#include <windows.h>

namespace nv::gdi::testing {

class Canvas {
public:
    Canvas(int w, int h, COLORREF fill = RGB(255, 255, 255)) : w_(w), h_(h) {
        dc_ = CreateCompatibleDC(nullptr);
        bmp_ = CreateBitmap(w, h, 1, 32, nullptr);
        old_ = SelectObject(dc_, bmp_);
        HBRUSH b = CreateSolidBrush(fill);
        RECT r{0, 0, w, h};
        FillRect(dc_, &r, b);
        DeleteObject(b);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bmp_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bmp_; }
    int width() const { return w_; }
    int height() const { return h_; }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
    // Rows as characters, one per pixel, by a colour legend (others: '?').
    std::string row(int y, COLORREF ink, char inkChar = '#', char other = '.') const {
        std::string s;
        for (int x = 0; x < w_; ++x)
            s.push_back(at(x, y) == ink ? inkChar : other);
        return s;
    }

private:
    int w_, h_;
    HDC dc_;
    HBITMAP bmp_;
    HGDIOBJ old_;
};

}  // namespace nv::gdi::testing
