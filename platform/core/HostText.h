// Text crossing the host edge. The machine's files and every string of the
// Win32 edge are Windows-1252 (the ANSI code page); what a person reads or
// writes on the host (the console, answer files, recordings, traces) is
// UTF-8. These convert between the two.
#pragma once

#include <string>
#include <string_view>

namespace nv::text {

// Windows-1252 to UTF-8. The five bytes that code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+0081 and so on, as Windows maps them.
std::string ansiToUtf8(std::string_view ansi);

// UTF-8 to Windows-1252: characters that have no Windows-1252 form become
// '?'. Bytes that are no valid UTF-8 are taken as Windows-1252 already, so a
// file written in the old code page still reads the same.
std::string utf8ToAnsi(std::string_view utf8);

}  // namespace nv::text
