// Pixel tests of the drawing primitives on memory DCs.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/gdi/GdiTestSupport.h"

using nv::gdi::testing::Canvas;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

HFONT boldFont() {
    LOGFONTA lf{};
    lf.lfHeight = -12;
    lf.lfWeight = FW_BOLD;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    strcpy(lf.lfFaceName, "MS Sans Serif");
    return CreateFontIndirectA(&lf);
}

TEST(Rectangles, FillRectCoversLeftTopButNotRightBottom) {
    Canvas c(10, 10);
    RECT r{2, 3, 7, 8};
    HBRUSH b = CreateSolidBrush(kRed);
    ASSERT_EQ(FillRect(c.dc(), &r, b), 1);
    DeleteObject(b);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            bool inside = x >= 2 && x < 7 && y >= 3 && y < 8;
            ASSERT_EQ(c.at(x, y), inside ? kRed : kWhite) << x << "," << y;
        }
}

TEST(Rectangles, FillRectTakesSystemColourIndexPlusOne) {
    Canvas c(4, 4);
    RECT r{0, 0, 4, 4};
    FillRect(c.dc(), &r, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    EXPECT_EQ(c.at(3, 3), RGB(192, 192, 192));
    FillRect(c.dc(), &r, GetSysColorBrush(COLOR_HIGHLIGHT));
    EXPECT_EQ(c.at(0, 0), RGB(0, 0, 128));
    EXPECT_EQ(FillRect(c.dc(), &r, reinterpret_cast<HBRUSH>(0x7777)), 0);  // no such brush
}

TEST(Rectangles, FrameRectDrawsOnePixelInsideTheEdge) {
    Canvas c(8, 6);
    RECT r{1, 1, 7, 5};
    ASSERT_EQ(FrameRect(c.dc(), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 1);
    EXPECT_EQ(c.row(0, kBlack), "........");
    EXPECT_EQ(c.row(1, kBlack), ".######.");
    EXPECT_EQ(c.row(2, kBlack), ".#....#.");
    EXPECT_EQ(c.row(3, kBlack), ".#....#.");
    EXPECT_EQ(c.row(4, kBlack), ".######.");
    EXPECT_EQ(c.row(5, kBlack), "........");

    Canvas empty(4, 4);
    RECT none{2, 2, 2, 3};
    FrameRect(empty.dc(), &none, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(empty.row(y, kBlack), "....");
}

TEST(Rectangles, RectangleUsesPenForBorderAndBrushInside) {
    Canvas c(6, 5);
    HBRUSH b = CreateSolidBrush(kBlue);
    HGDIOBJ oldBrush = SelectObject(c.dc(), b);
    HGDIOBJ oldPen = SelectObject(c.dc(), GetStockObject(BLACK_PEN));
    Rectangle(c.dc(), 0, 0, 6, 5);
    EXPECT_EQ(c.at(0, 0), kBlack);
    EXPECT_EQ(c.at(5, 4), kBlack);
    EXPECT_EQ(c.at(1, 1), kBlue);
    EXPECT_EQ(c.at(4, 3), kBlue);
    SelectObject(c.dc(), oldBrush);
    SelectObject(c.dc(), oldPen);
    DeleteObject(b);
}

TEST(Lines, LineToLeavesOutTheEndPointAndMovesCurrentPosition) {
    Canvas c(8, 3);
    MoveToEx(c.dc(), 1, 1, nullptr);
    LineTo(c.dc(), 6, 1);
    EXPECT_EQ(c.row(1, kBlack), ".#####..");
    POINT p{};
    MoveToEx(c.dc(), 0, 0, &p);
    EXPECT_EQ(p.x, 6);
    EXPECT_EQ(p.y, 1);
}

TEST(Pixels, OutsideTheBitmapIsInvalid) {
    Canvas c(3, 3);
    EXPECT_EQ(GetPixel(c.dc(), 3, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(c.dc(), -1, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(c.dc(), 5, 5, kRed), CLR_INVALID);
    EXPECT_EQ(SetPixel(c.dc(), 2, 2, kRed), kRed);
    EXPECT_EQ(GetPixel(c.dc(), 2, 2), kRed);
}

// Draws `text` at (x, y) in black on white, transparent, in a fresh canvas:
// the reference ink.
std::vector<std::string> inkOf(int w, int h, HFONT font, int x, int y, const char* text) {
    Canvas ref(w, h);
    SelectObject(ref.dc(), font);
    SetBkMode(ref.dc(), TRANSPARENT);
    TextOutA(ref.dc(), x, y, text, static_cast<int>(strlen(text)));
    std::vector<std::string> rows;
    for (int row = 0; row < h; ++row)
        rows.push_back(ref.row(row, kBlack));
    SelectObject(ref.dc(), GetStockObject(SYSTEM_FONT));
    return rows;
}

TEST(Text, TwoClippedOpaqueHalvesMeetExactlyAtTheSplit) {
    const int w = 120, h = 18;
    HFONT font = boldFont();
    const char* text = " 47%";
    Canvas c(w, h, kRed);
    SelectObject(c.dc(), font);
    SIZE ext{};
    ASSERT_TRUE(GetTextExtentPoint32A(c.dc(), text, 4, &ext));
    const int tx = (w - ext.cx) / 2, ty = (h - ext.cy) / 2;
    const int split = tx + ext.cx / 2 + 1;  // through the middle of the digits

    RECT left{0, 0, split, h}, right{split, 0, w, h};
    SetBkColor(c.dc(), kBlue);
    SetTextColor(c.dc(), kWhite);
    ExtTextOutA(c.dc(), tx, ty, ETO_OPAQUE | ETO_CLIPPED, &left, text, 4, nullptr);
    SetBkColor(c.dc(), kWhite);
    SetTextColor(c.dc(), kBlue);
    ExtTextOutA(c.dc(), tx, ty, ETO_OPAQUE | ETO_CLIPPED, &right, text, 4, nullptr);

    auto ink = inkOf(w, h, font, tx, ty, text);
    int inkLeft = 0, inkRight = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool isInk = ink[y][x] == '#';
            const COLORREF want = x < split ? (isInk ? kWhite : kBlue) : (isInk ? kBlue : kWhite);
            ASSERT_EQ(c.at(x, y), want) << "at " << x << "," << y;
            (x < split ? inkLeft : inkRight) += isInk;
        }
    EXPECT_GT(inkLeft, 0);   // the split really runs through the text
    EXPECT_GT(inkRight, 0);
    SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
}

TEST(Text, ClippedWithoutOpaqueLeavesTheBackground) {
    HFONT font = boldFont();
    Canvas c(60, 16, kRed);
    SelectObject(c.dc(), font);
    SetBkMode(c.dc(), TRANSPARENT);
    SetTextColor(c.dc(), kBlack);
    RECT clip{10, 0, 20, 16};
    ExtTextOutA(c.dc(), 0, 0, ETO_CLIPPED, &clip, "WWWWWWWW", 8, nullptr);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 60; ++x) {
            COLORREF p = c.at(x, y);
            if (x < 10 || x >= 20)
                ASSERT_EQ(p, kRed) << x << "," << y;
            else
                ASSERT_TRUE(p == kRed || p == kBlack) << x << "," << y;
        }
    SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
}

TEST(Text, OpaqueModeFillsTheTextCellOnly) {
    Canvas c(80, 20, kRed);
    SetBkColor(c.dc(), kWhite);
    SetBkMode(c.dc(), OPAQUE);
    TextOutA(c.dc(), 5, 2, "ab", 2);
    SIZE ext{};
    GetTextExtentPoint32A(c.dc(), "ab", 2, &ext);
    EXPECT_NE(c.at(5, 2), kRed);
    EXPECT_NE(c.at(5 + ext.cx - 1, 2 + ext.cy - 1), kRed);
    EXPECT_EQ(c.at(5 + ext.cx, 2), kRed);
    EXPECT_EQ(c.at(5, 2 + ext.cy), kRed);
    EXPECT_EQ(c.at(4, 2), kRed);
}

TEST(Text, ExtentEqualsDrawnWidthAndPiecesJoinSeamlessly) {
    HFONT font = boldFont();
    const char* whole = "Copying   NVDRIVER.DRV";
    auto together = inkOf(200, 16, font, 3, 0, whole);

    Canvas c(200, 16);
    SelectObject(c.dc(), font);
    SetBkMode(c.dc(), TRANSPARENT);
    SIZE first{};
    GetTextExtentPoint32A(c.dc(), whole, 10, &first);
    TextOutA(c.dc(), 3, 0, whole, 10);
    TextOutA(c.dc(), 3 + first.cx, 0, whole + 10, static_cast<int>(strlen(whole)) - 10);
    for (int y = 0; y < 16; ++y)
        ASSERT_EQ(c.row(y, kBlack), together[y]) << "row " << y;

    SIZE all{};
    GetTextExtentPoint32A(c.dc(), whole, static_cast<int>(strlen(whole)), &all);
    int rightmost = -1;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 200; ++x)
            if (together[y][x] == '#')
                rightmost = std::max(rightmost, x);
    EXPECT_LT(rightmost, 3 + all.cx);
    EXPECT_GE(rightmost, 3 + all.cx - 4);  // the last letter ends near the advance
    SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
}

// A 6 x 2 black-on-white mask: black at x 1..2 in both rows.
HBITMAP makeMask() {
    Canvas tmp(1, 1);
    HBITMAP mask = CreateBitmap(6, 2, 1, 32, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, mask);
    RECT all{0, 0, 6, 2}, letters{1, 0, 3, 2};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FillRect(dc, &letters, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SelectObject(dc, old);
    DeleteDC(dc);
    return mask;
}

TEST(Blit, SrcAndDarkensAndMergePaintWhitensWhereTheMaskIsBlack) {
    const COLORREF bg = RGB(0, 0, 200);
    HBITMAP mask = makeMask();
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(src, mask);

    Canvas shadow(8, 2, bg);
    ASSERT_TRUE(BitBlt(shadow.dc(), 1, 0, 6, 2, src, 0, 0, SRCAND));
    EXPECT_EQ(shadow.row(0, kBlack), "..##....");
    EXPECT_EQ(shadow.at(0, 0), bg);
    EXPECT_EQ(shadow.at(4, 1), bg);

    Canvas title(8, 2, bg);
    ASSERT_TRUE(BitBlt(title.dc(), 0, 0, 6, 2, src, 0, 0, MERGEPAINT));
    EXPECT_EQ(title.row(1, kWhite), ".##.....");
    EXPECT_EQ(title.at(5, 0), bg);

    // Shadow first, then the title up and to the left: the classic drop shadow.
    Canvas both(8, 2, bg);
    BitBlt(both.dc(), 2, 0, 6, 2, src, 0, 0, SRCAND);
    BitBlt(both.dc(), 1, 0, 6, 2, src, 0, 0, MERGEPAINT);
    EXPECT_EQ(both.row(0, kWhite, 'W', '.'), "..WW....");
    EXPECT_EQ(both.at(4, 0), kBlack);

    SelectObject(src, old);
    DeleteDC(src);
    DeleteObject(mask);
}

TEST(Blit, AnAreaLargerThanTheSourceBitmapCopiesOnlyWhatExists) {
    HBITMAP mask = makeMask();
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(src, mask);
    Canvas dst(12, 4, kRed);
    BitBlt(dst.dc(), 0, 0, 12, 4, src, 0, 0, SRCCOPY);
    EXPECT_EQ(dst.at(0, 0), kWhite);
    EXPECT_EQ(dst.at(1, 1), kBlack);
    EXPECT_EQ(dst.at(6, 0), kRed);   // beyond the 6-pixel bitmap
    EXPECT_EQ(dst.at(0, 2), kRed);
    SelectObject(src, old);
    DeleteDC(src);
    DeleteObject(mask);
}

TEST(Blit, MonochromeSourceTakesTheDestinationTextAndBackgroundColours) {
    const BYTE bits[] = {0xA0, 0x00};  // 1 0 1 0 in a 4-pixel row, padded to 16 bits
    HBITMAP mono = CreateBitmap(4, 1, 1, 1, bits);
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(mono, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmBitsPixel, 1);
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(src, mono);
    Canvas dst(4, 1);
    SetTextColor(dst.dc(), kRed);   // for 0 bits
    SetBkColor(dst.dc(), kBlue);    // for 1 bits
    BitBlt(dst.dc(), 0, 0, 4, 1, src, 0, 0, SRCCOPY);
    EXPECT_EQ(dst.at(0, 0), kBlue);
    EXPECT_EQ(dst.at(1, 0), kRed);
    EXPECT_EQ(dst.at(2, 0), kBlue);
    EXPECT_EQ(dst.at(3, 0), kRed);

    // And back: colour to monochrome, the source background becomes white.
    SetBkColor(dst.dc(), kBlue);
    HBITMAP back = CreateCompatibleBitmap(src, 4, 1);  // the DC holds a mono bitmap
    HDC m = CreateCompatibleDC(nullptr);
    HGDIOBJ oldm = SelectObject(m, back);
    BitBlt(m, 0, 0, 4, 1, dst.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(m, 0, 0), kWhite);
    EXPECT_EQ(GetPixel(m, 1, 0), kBlack);
    SelectObject(m, oldm);
    DeleteDC(m);
    DeleteObject(back);
    SelectObject(src, old);
    DeleteDC(src);
    DeleteObject(mono);
}

TEST(Blit, PatBltAndInversions) {
    Canvas c(4, 1, RGB(10, 20, 30));
    HBRUSH b = CreateSolidBrush(kRed);
    SelectObject(c.dc(), b);
    PatBlt(c.dc(), 0, 0, 2, 1, PATCOPY);
    PatBlt(c.dc(), 2, 0, 1, 1, DSTINVERT);
    EXPECT_EQ(c.at(0, 0), kRed);
    EXPECT_EQ(c.at(2, 0), RGB(245, 235, 225));
    EXPECT_EQ(c.at(3, 0), RGB(10, 20, 30));
    SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));
    DeleteObject(b);
}

// The ternary raster operation `index`, bit by bit: bit (P<<2 | S<<1 | D)
// of the index is the result.
COLORREF ternary(uint8_t index, COLORREF p, COLORREF s, COLORREF d) {
    COLORREF r = 0;
    for (int b = 0; b < 24; ++b) {
        int at = ((p >> b) & 1) << 2 | ((s >> b) & 1) << 1 | ((d >> b) & 1);
        r |= static_cast<COLORREF>((index >> at) & 1) << b;
    }
    return r;
}

// All 256 operations between colour bitmaps, unstretched: inside the
// destination area where the source exists, and nowhere else; the source
// rectangle runs one column past the source's right edge.
TEST(Blit, EveryRasterOperationIsItsBooleanFunction) {
    const COLORREF pattern = RGB(0x5A, 0xC3, 0x0F);
    const COLORREF fill = RGB(0xA5, 0x3C, 0x99);
    const COLORREF odd = RGB(0x01, 0x80, 0xFE);  // one destination pixel differs
    const COLORREF colours[] = {RGB(0x12, 0x34, 0x56), RGB(0xFF, 0x00, 0x80), RGB(0x0F, 0xF0, 0x33)};
    auto sourceAt = [&](int x, int y) { return colours[(x + y) % 3]; };
    auto destinationBefore = [&](int x, int y) { return x == 2 && y == 1 ? odd : fill; };
    Canvas src(3, 2, kBlack);
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 2; ++y)
            SetPixel(src.dc(), x, y, sourceAt(x, y));
    HBRUSH brush = CreateSolidBrush(pattern);
    for (int index = 0; index < 256; ++index) {
        Canvas dst(6, 4, fill);
        SetPixel(dst.dc(), 2, 1, odd);
        HGDIOBJ old = SelectObject(dst.dc(), brush);
        // Destination (1,1)-(4,3) from source (1,0): (x, y) takes source (x, y - 1).
        ASSERT_TRUE(BitBlt(dst.dc(), 1, 1, 3, 2, src.dc(), 1, 0, static_cast<DWORD>(index) << 16));
        SelectObject(dst.dc(), old);
        // An operation that ignores the source also covers the column the source lacks.
        bool usesSource = false;
        for (int pd = 0; pd < 8; ++pd)
            usesSource = usesSource || ((index >> ((pd & 4) | (pd & 1))) & 1) != ((index >> ((pd & 4) | 2 | (pd & 1))) & 1);
        const int right = usesSource ? 2 : 3;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) {
                const bool covered = x >= 1 && x <= right && y >= 1 && y <= 2;
                const COLORREF expected = covered ? ternary(static_cast<uint8_t>(index), pattern, sourceAt(x, y - 1),
                                                            destinationBefore(x, y))
                                                  : destinationBefore(x, y);
                ASSERT_EQ(dst.at(x, y), expected)
                    << "operation 0x" << std::hex << index << " at (" << std::dec << x << ", " << y << ")";
            }
    }
    DeleteObject(brush);
}

TEST(Blit, StretchDoublesPixels) {
    Canvas src(2, 1, kRed);
    SetPixel(src.dc(), 1, 0, kBlue);
    Canvas dst(4, 2);
    StretchBlt(dst.dc(), 0, 0, 4, 2, src.dc(), 0, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(dst.row(1, kRed, 'R'), "RR..");
    EXPECT_EQ(dst.row(0, kBlue, 'B'), "..BB");
}

}  // namespace
