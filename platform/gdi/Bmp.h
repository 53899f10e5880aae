// BMP reading and writing. A bitmap resource is a BMP file without its
// 14-byte file header (it starts at the BITMAPINFOHEADER); both forms are
// read here. Uncompressed 1, 4, 8, 24 and 32 bits per pixel are supported.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/core/Result.h"
#include "platform/gdi/Surface.h"

namespace nv::gdi {

// Decodes a BMP file or a packed DIB (bitmap resource). `name` is used in
// error messages. 1-bit images whose palette is black and white load as
// monochrome surfaces, all others as colour.
Result<Surface> decodeBmp(std::span<const uint8_t> bytes, const std::string& name);

// Encodes a surface as a 4-bit BMP file with the given 16-colour palette
// (0x00RRGGBB entries); every pixel must be in the palette.
Result<std::vector<uint8_t>> encodeBmp4(const Surface& s, std::span<const uint32_t> palette);

// The 16 colours of the standard VGA palette, in the order Windows uses.
std::span<const uint32_t> vgaPalette();

}  // namespace nv::gdi
