#include "platform/gdi/Bmp.h"

#include <array>
#include <cstring>

#include <wingdi.h>

namespace nv::gdi {
namespace {

uint32_t le32(std::span<const uint8_t> b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t le16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

void put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
void put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}

Error bad(const std::string& name, const std::string& what) {
    return Error::win32(ERROR_INVALID_DATA, name + ": " + what);
}

}  // namespace

Result<Surface> decodeBmp(std::span<const uint8_t> bytes, const std::string& name) {
    size_t info = 0;
    size_t fileBitsOffset = 0;
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        if (bytes.size() < 14 + 40)
            return bad(name, "file too short for a bitmap header");
        fileBitsOffset = le32(bytes, 10);
        info = 14;
    }
    if (bytes.size() < info + 40)
        return bad(name, "too short for a BITMAPINFOHEADER");
    const uint32_t headerSize = le32(bytes, info);
    if (headerSize < 40 || info + headerSize > bytes.size())
        return bad(name, "unsupported header size " + std::to_string(headerSize));
    const int32_t width = static_cast<int32_t>(le32(bytes, info + 4));
    const int32_t rawHeight = static_cast<int32_t>(le32(bytes, info + 8));
    const uint16_t bitCount = le16(bytes, info + 14);
    const uint32_t compression = le32(bytes, info + 16);
    uint32_t clrUsed = le32(bytes, info + 32);
    if (width <= 0 || rawHeight == 0 || width > 16384 || rawHeight > 16384 || rawHeight < -16384)
        return bad(name, "bad size " + std::to_string(width) + " x " + std::to_string(rawHeight));
    if (compression != BI_RGB)
        return bad(name, "compressed bitmaps (method " + std::to_string(compression) + ") are not supported");
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        return bad(name, std::to_string(bitCount) + " bits per pixel are not supported");
    const bool topDown = rawHeight < 0;
    const int height = topDown ? -rawHeight : rawHeight;
    if (!sizeAllowed(width, height))
        return bad(name, "too large: " + std::to_string(width) + " x " + std::to_string(height));

    std::vector<uint32_t> palette;
    size_t pos = info + headerSize;
    if (bitCount <= 8) {
        const uint32_t max = 1u << bitCount;
        if (clrUsed == 0 || clrUsed > max)
            clrUsed = max;
        if (pos + 4ull * clrUsed > bytes.size())
            return bad(name, "palette runs past the end");
        for (uint32_t i = 0; i < clrUsed; ++i, pos += 4)
            palette.push_back((bytes[pos + 2] << 16) | (bytes[pos + 1] << 8) | bytes[pos]);
    }
    if (fileBitsOffset)
        pos = fileBitsOffset;
    const size_t stride = ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
    if (pos > bytes.size() || stride * height > bytes.size() - pos)
        return bad(name, "pixel data runs past the end");

    bool mono = bitCount == 1 && palette.size() == 2 &&
                ((palette[0] == 0 && palette[1] == 0xFFFFFF) || (palette[0] == 0xFFFFFF && palette[1] == 0));
    Surface s(width, height, mono ? Depth::Monochrome : Depth::Color, 0);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = bytes.data() + pos + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
        uint32_t* out = s.row(y);
        for (int x = 0; x < width; ++x) {
            uint32_t p = 0;
            if (bitCount <= 8) {
                unsigned idx = 0;
                if (bitCount == 1)
                    idx = (row[x >> 3] >> (7 - (x & 7))) & 1;
                else if (bitCount == 4)
                    idx = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
                else
                    idx = row[x];
                if (idx >= palette.size())
                    return bad(name, "pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                                         ") uses colour " + std::to_string(idx) + " beyond the palette");
                p = palette[idx];
            } else {
                const uint8_t* px = row + x * (bitCount / 8);
                p = (px[2] << 16) | (px[1] << 8) | px[0];
            }
            out[x] = mono ? Surface::toMono(p) : p;
        }
    }
    return s;
}

Result<std::vector<uint8_t>> encodeBmp4(const Surface& s, std::span<const uint32_t> palette) {
    if (palette.size() > 16)
        return Error::win32(ERROR_INVALID_PARAMETER, "a 4-bit bitmap holds at most 16 colours");
    const size_t stride = ((static_cast<size_t>(s.width()) * 4 + 31) / 32) * 4;
    const uint32_t paletteBytes = 16 * 4;
    const uint32_t offBits = 14 + 40 + paletteBytes;
    const uint32_t imageSize = static_cast<uint32_t>(stride * s.height());
    std::vector<uint8_t> out;
    out.reserve(offBits + imageSize);
    out.push_back('B');
    out.push_back('M');
    put32(out, offBits + imageSize);
    put16(out, 0);
    put16(out, 0);
    put32(out, offBits);
    put32(out, 40);
    put32(out, static_cast<uint32_t>(s.width()));
    put32(out, static_cast<uint32_t>(s.height()));
    put16(out, 1);
    put16(out, 4);
    put32(out, BI_RGB);
    put32(out, imageSize);
    put32(out, 3780);  // 96 dpi
    put32(out, 3780);
    put32(out, 16);
    put32(out, 0);
    for (size_t i = 0; i < 16; ++i) {
        uint32_t c = i < palette.size() ? palette[i] : 0;
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
        out.push_back(static_cast<uint8_t>(c >> 16));
        out.push_back(0);
    }
    for (int y = s.height() - 1; y >= 0; --y) {
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < s.width(); ++x) {
            uint32_t p = s.at(x, y);
            size_t idx = 0;
            while (idx < palette.size() && palette[idx] != p)
                ++idx;
            if (idx == palette.size())
                return Error::win32(ERROR_INVALID_DATA, "pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                                                            ") has a colour outside the palette");
            row[x >> 1] |= static_cast<uint8_t>((x & 1) ? idx : idx << 4);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

std::span<const uint32_t> vgaPalette() {
    static constexpr std::array<uint32_t, 16> kVga = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    return kVga;
}

}  // namespace nv::gdi
