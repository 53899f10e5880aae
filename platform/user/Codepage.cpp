#include "platform/user/Codepage.h"

namespace nv::user {
namespace {

// 0x80..0x9F of Windows-1252; 0 where the code page has no character.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

std::u16string ansiToWide(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xA0)
            out.push_back(kHigh[b - 0x80] ? kHigh[b - 0x80] : static_cast<char16_t>(b));
        else
            out.push_back(static_cast<char16_t>(b));
    }
    return out;
}

std::string wideToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char m = '?';
        for (int i = 0; i < 32; ++i)
            if (kHigh[i] == c && c != 0)
                m = static_cast<char>(0x80 + i);
        out.push_back(m);
    }
    return out;
}

}  // namespace nv::user
