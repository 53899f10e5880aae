// Fonts rendered with FreeType. A LOGFONTA is matched to a font file (the
// Debian fonts that stand in for the Windows faces, or a file added with
// AddFontResourceA) and realised at a pixel size; the realised font renders
// one-bit glyphs, as the Windows 95 screen fonts look, and measures text with
// the very advances it draws with, so that extents and drawn widths agree.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <wingdi.h>

#include "platform/core/Result.h"

namespace nv::gdi {

struct Glyph {
    int advance = 0;      // pixels the pen moves
    int left = 0;         // bitmap offset from the pen position
    int top = 0;          // bitmap top above the baseline
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bits;  // one byte per pixel, 1 = ink
};

struct FontMetricsInfo {
    int height = 0;
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
    int weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool fixedPitch = false;
    BYTE family = FF_SWISS;
};

class RealizedFont {
public:
    virtual ~RealizedFont() = default;
    virtual const FontMetricsInfo& metrics() const = 0;
    // Glyph of one ANSI (code page 1252) character.
    virtual const Glyph& glyph(unsigned char c) const = 0;
    // The face name GetTextFaceA reports (the name asked for when it matched).
    virtual const std::string& faceName() const = 0;

    int textWidth(std::string_view text) const;
};

// Realises a logical font. Never fails: an unknown face falls back to a
// face of the same pitch and family.
std::shared_ptr<const RealizedFont> realizeFont(const LOGFONTA& lf);

// Font files added at run time (AddFontResourceA), by host path. Returns the
// number of faces added (0 when the file is no font).
int addFontFile(const std::string& hostPath);
bool removeFontFile(const std::string& hostPath);
// Forgets every added font (tests, a new run).
void resetAddedFonts();

// The family name stored in a font file's name table, or an error.
Result<std::string> fontFamilyName(const std::string& hostPath);

}  // namespace nv::gdi
