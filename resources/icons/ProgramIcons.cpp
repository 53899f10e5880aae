#include "resources/icons/ProgramIcons.h"

#include <array>
#include <cstring>
#include <utility>

namespace nv::resources {

namespace {

// The standard 16-colour palette as red, green, blue (written to the DIB in
// its blue, green, red, 0 order).
constexpr std::array<std::array<BYTE, 3>, 16> kPalette = {{
    {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
    {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
    {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
}};

// Palette indexes by letter; '.' is transparent.
int colourOf(char c) {
    switch (c) {
    case 'g': return 8;   // grey
    case 's': return 7;   // light grey
    case 'w': return 15;  // white
    case 'n': return 4;   // dark blue
    default: return 0;    // black
    }
}

// A printer with a sheet of paper, drawn on a 16 x 16 grid; the 32 x 32 image
// doubles every pixel.
const char* const kPrinter[16] = {
    "................",
    "....wwwwwwww....",
    "....wkkkkkkw....",
    "....wwwwwwww....",
    "....wkkkkkww....",
    "..gggggggggggg..",
    ".gsssssssssssskg",
    ".gswwwwwwwwwwskg",
    ".gsssssssssnnskg",
    ".gsssssssssssskg",
    ".gggggggggggggkg",
    ".gskkkkkkkkkkskg",
    ".gsssssssssssskg",
    "..kkkkkkkkkkkkk.",
    "................",
    "................",
};

std::vector<BYTE> dib(int size) {
    const int scale = size / 16;
    const int colourRow = ((size * 4 + 31) / 32) * 4;
    const int maskRow = ((size + 31) / 32) * 4;
    std::vector<BYTE> out(sizeof(BITMAPINFOHEADER) + 16 * 4 + colourRow * size + maskRow * size, 0);
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = size;
    h.biHeight = size * 2;  // colour and mask
    h.biPlanes = 1;
    h.biBitCount = 4;
    h.biCompression = 0;  // BI_RGB
    h.biSizeImage = static_cast<DWORD>(colourRow * size + maskRow * size);
    std::memcpy(out.data(), &h, sizeof h);
    BYTE* p = out.data() + sizeof h;
    for (const auto& c : kPalette) {
        *p++ = c[2];  // blue
        *p++ = c[1];  // green
        *p++ = c[0];  // red
        *p++ = 0;
    }
    BYTE* colours = p;
    BYTE* mask = colours + colourRow * size;
    for (int y = 0; y < size; ++y) {
        const char* row = kPrinter[y / scale];
        int dibRow = size - 1 - y;  // bottom-up
        for (int x = 0; x < size; ++x) {
            char c = row[x / scale];
            int index = c == '.' ? 0 : colourOf(c);
            BYTE& b = colours[dibRow * colourRow + x / 2];
            b |= static_cast<BYTE>(x % 2 ? index : index << 4);
            if (c == '.')
                mask[dibRow * maskRow + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
        }
    }
    return out;
}

void putWord(std::vector<BYTE>& v, WORD w) {
    v.push_back(static_cast<BYTE>(w & 0xFF));
    v.push_back(static_cast<BYTE>(w >> 8));
}
void putDword(std::vector<BYTE>& v, DWORD d) {
    putWord(v, static_cast<WORD>(d & 0xFFFF));
    putWord(v, static_cast<WORD>(d >> 16));
}

// Group 500 holds images 1 (32 x 32) and 2 (16 x 16); group 501 images 3 and 4.
struct Member {
    WORD iconId;
    int size;
};

}  // namespace

std::vector<IconImage> ProgramIconImages() {
    return {{1, dib(32)}, {2, dib(16)}, {3, dib(32)}, {4, dib(16)}};
}

std::vector<IconGroup> ProgramIconGroups() {
    std::vector<IconGroup> groups;
    for (auto [groupId, first] : {std::pair<WORD, WORD>{500, 1}, {501, 3}}) {
        std::vector<BYTE> g;
        putWord(g, 0);  // reserved
        putWord(g, 1);  // type: icon
        putWord(g, 2);  // count
        for (Member m : {Member{first, 32}, Member{static_cast<WORD>(first + 1), 16}}) {
            g.push_back(static_cast<BYTE>(m.size));  // width
            g.push_back(static_cast<BYTE>(m.size));  // height
            g.push_back(16);                         // colours
            g.push_back(0);                          // reserved
            putWord(g, 1);                           // planes
            putWord(g, 4);                           // bits per pixel
            putDword(g, static_cast<DWORD>(dib(m.size).size()));
            putWord(g, m.iconId);
        }
        groups.push_back({groupId, std::move(g)});
    }
    return groups;
}

}  // namespace nv::resources
