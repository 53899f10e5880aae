// The ANSI code page of the machine, Windows-1252: the one table every part
// of the stand-in converts with (MultiByteToWideChar, string tables, dialog
// templates).
//
// Contract:
//  - Bytes 0x00-0x7F and 0xA0-0xFF are the Unicode characters of the same
//    value; 0x80-0x9F hold the Windows-1252 additions (the euro sign, curly
//    quotes, ...). The five bytes the code page leaves unassigned (0x81, 0x8D,
//    0x8F, 0x90, 0x9D) map to the C1 controls of the same value, as Windows
//    does, so every byte survives a round trip.
//  - A character with no Windows-1252 byte has no narrow form: fromWide gives
//    nothing, encode puts the replacement in its place.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nv::kernel::cp1252 {

char16_t toWide(unsigned char byte);
std::optional<char> fromWide(char16_t c);

std::u16string decode(std::string_view text);
std::string encode(std::u16string_view text, char replacement = '?');

}  // namespace nv::kernel::cp1252
