#include "platform/kernel/Windows1252.h"

namespace nv::kernel::cp1252 {
namespace {

// Bytes 0x80..0x9F.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

char16_t toWide(unsigned char byte) { return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte; }

std::optional<char> fromWide(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c)
            return static_cast<char>(0x80 + i);
    return std::nullopt;
}

std::u16string decode(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text)
        out.push_back(toWide(static_cast<unsigned char>(c)));
    return out;
}

std::string encode(std::u16string_view text, char replacement) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text)
        out.push_back(fromWide(c).value_or(replacement));
    return out;
}

}  // namespace nv::kernel::cp1252
