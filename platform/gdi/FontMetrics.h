// Font measurements the window manager needs to lay out dialogs.
//
// For platform/user: MapDialogRect and dialog creation take the base units
// from here, so that controls land where the fonts that draw them say:
//   auto u = nv::gdi::templateBaseUnits("MS Sans Serif", 8);   // {6, 13}
//   pixelX = MulDiv(x, u.cx, 4); pixelY = MulDiv(y, u.cy, 8);
// fontBaseUnits(hfont) gives the same for a font handle (WM_SETFONT), and
// systemBaseUnits() what GetDialogBaseUnits returns (dialogs without
// DS_SETFONT). The average width follows the usual rule: the extent of
// "a..zA..Z" divided by 26, then (result + 1) / 2; the height is tmHeight.
#pragma once

#include <string_view>

#include <windef.h>

namespace nv::gdi {

struct BaseUnits {
    int cx = 0;
    int cy = 0;
};

// A dialog template's font: face name and point size at 96 dpi, normal weight.
BaseUnits templateBaseUnits(std::string_view faceName, int pointSize);
// A font handle (HFONT); nullptr or an unknown handle gives the system font's.
BaseUnits fontBaseUnits(HFONT font);
BaseUnits systemBaseUnits();

}  // namespace nv::gdi
