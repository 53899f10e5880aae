// The Windows 95 standard colour scheme, and the brush a FillRect-style call
// means by a handle (a real brush, or a system colour index + 1 as window
// classes give their background).
#pragma once

#include <optional>

#include <wingdi.h>

namespace nv::gdi {

std::optional<COLORREF> sysColor(int index);
// The colour a brush argument paints with; nullopt for a null brush or an
// unknown handle.
std::optional<COLORREF> brushColor(HBRUSH hbr);

}  // namespace nv::gdi
