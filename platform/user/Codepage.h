// Conversions between the ANSI code page (Windows-1252) and UTF-16, for
// dialog templates and string tables. Internal to platform/user.
#pragma once

#include <string>
#include <string_view>

namespace nv::user {

std::u16string ansiToWide(std::string_view text);
// Characters without a Windows-1252 form become '?'.
std::string wideToAnsi(std::u16string_view text);

}  // namespace nv::user
