#include "platform/gdi/SysColors.h"

#include <array>

#include "platform/gdi/Objects.h"

namespace nv::gdi {

namespace {
constexpr std::array<COLORREF, 25> kWin95 = {
    RGB(192, 192, 192),  // COLOR_SCROLLBAR
    RGB(0, 128, 128),    // COLOR_BACKGROUND
    RGB(0, 0, 128),      // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(192, 192, 192),  // COLOR_ACTIVEBORDER
    RGB(192, 192, 192),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(0, 0, 128),      // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(192, 192, 192),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(192, 192, 192),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(0, 0, 0),        // COLOR_3DDKSHADOW
    RGB(192, 192, 192),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
};
}  // namespace

std::optional<COLORREF> sysColor(int index) {
    if (index < 0 || index >= static_cast<int>(kWin95.size()))
        return std::nullopt;
    return kWin95[index];
}

std::optional<COLORREF> brushColor(HBRUSH hbr) {
    const auto value = reinterpret_cast<uintptr_t>(hbr);
    if (value >= 1 && value <= kWin95.size())
        return kWin95[value - 1];  // COLOR_xxx + 1, as window classes pass it
    if (auto* b = objects().get<Brush>(hbr, ObjectKind::Brush); b && !b->hollow)
        return b->color;
    return std::nullopt;
}

}  // namespace nv::gdi
