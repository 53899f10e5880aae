// The title bitmap (resource IDB_TITLE) as the BMP file it is made from,
// embedded at build time.
#pragma once

#include <cstddef>

extern const unsigned char kTitleBitmap[];
extern const std::size_t kTitleBitmapSize;
