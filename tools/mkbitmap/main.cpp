// mkbitmap: draws the installer's title bitmap, black lettering on white,
// with our own GDI and writes it as a 16-colour BMP.
//
//   mkbitmap OUT.bmp ["text"] [WIDTH HEIGHT]
//
// The text is set in a bold italic serif face, as large as fits the bitmap
// with a margin, and centred.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <windows.h>

#include "tools/ToolMain.h"
#include "platform/gdi/Bmp.h"
#include "platform/gdi/DeviceContext.h"

static int runTool(int argc, char** argv) {
    if (argc < 2 || argc == 4 || argc > 5) {
        std::fprintf(stderr, "usage: mkbitmap OUT.bmp [\"text\"] [WIDTH HEIGHT]\n");
        return 2;
    }
    const std::string out = argv[1];
    const std::string text = argc >= 3 ? argv[2] : "Installing Norvalk Driver";
    const int width = argc == 5 ? std::atoi(argv[3]) : 500;
    const int height = argc == 5 ? std::atoi(argv[4]) : 100;
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096) {
        std::fprintf(stderr, "mkbitmap: bad size %d x %d\n", width, height);
        return 2;
    }

    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateBitmap(width, height, 1, 32, nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, bmp);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    // The largest size whose text fits within the margins.
    const int margin = width / 25;
    HFONT font = nullptr;
    SIZE ext{};
    for (int px = height * 3 / 4; px >= 8; --px) {
        HFONT f = CreateFontA(-px, 0, 0, 0, FW_BOLD, TRUE, 0, 0, ANSI_CHARSET, 0, 0, 0, VARIABLE_PITCH | FF_ROMAN,
                              "Times New Roman");
        HGDIOBJ old = SelectObject(dc, f);
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &ext);
        SelectObject(dc, old);
        if (ext.cx <= width - 2 * margin && ext.cy <= height) {
            font = f;
            break;
        }
        DeleteObject(f);
    }
    if (!font) {
        std::fprintf(stderr, "mkbitmap: \"%s\" does not fit %d x %d\n", text.c_str(), width, height);
        return 1;
    }
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, (width - ext.cx) / 2, (height - ext.cy) / 2, text.c_str(), static_cast<int>(text.size()));
    SelectObject(dc, oldFont);
    DeleteObject(font);

    const auto* surface = &nv::gdi::objects().get<nv::gdi::Bitmap>(bmp, nv::gdi::ObjectKind::Bitmap)->surface;
    auto bytes = nv::gdi::encodeBmp4(*surface, nv::gdi::vgaPalette());
    SelectObject(dc, oldBitmap);
    if (!bytes) {
        std::fprintf(stderr, "mkbitmap: %s\n", bytes.error().message.c_str());
        return 1;
    }
    std::ofstream f(out, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
    if (!f) {
        std::fprintf(stderr, "mkbitmap: cannot write %s\n", out.c_str());
        return 1;
    }
    DeleteObject(bmp);
    DeleteDC(dc);
    return 0;
}

int main(int argc, char** argv) {
    return nv::tool::guardedMain("mkbitmap", 2, [&] { return runTool(argc, argv); });
}
