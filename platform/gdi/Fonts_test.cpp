// Fonts: sizes, metrics, base units, fallbacks, fonts added at run time, and
// DrawTextA's layout.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <windows.h>

#include "TempMachine.h"
#include "platform/gdi/FontMetrics.h"
#include "platform/gdi/GdiTestSupport.h"

using nv::gdi::testing::Canvas;

namespace {

HFONT font(LONG height, const char* face, LONG weight = FW_NORMAL, BYTE pitchAndFamily = 0) {
    return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, pitchAndFamily, face);
}

struct Measured {
    TEXTMETRICA tm{};
    int width = 0;
    std::string face;
};

Measured measure(HFONT f, const char* text = "Hamburgefonts 123") {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, f);
    Measured m;
    GetTextMetricsA(dc, &m.tm);
    SIZE s{};
    GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &s);
    m.width = s.cx;
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    m.face = face;
    SelectObject(dc, old);
    DeleteDC(dc);
    return m;
}

TEST(FontSizes, NegativeHeightIsTheCharacterAndPositiveTheCell) {
    HFONT chr = font(-11, "MS Sans Serif");
    HFONT cell = font(20, "MS Sans Serif");
    Measured a = measure(chr), b = measure(cell);
    EXPECT_EQ(a.tm.tmHeight, 13);
    EXPECT_EQ(a.tm.tmHeight - a.tm.tmInternalLeading, 11);
    EXPECT_EQ(a.tm.tmAscent + a.tm.tmDescent, a.tm.tmHeight);
    EXPECT_EQ(b.tm.tmHeight, 20);
    EXPECT_GT(b.width, a.width);
    DeleteObject(chr);
    DeleteObject(cell);
}

TEST(FontSizes, TheSystemFontComesInOneSizeOnly) {
    HFONT big = font(-30, "System");
    HFONT small = font(-8, "system");
    EXPECT_EQ(measure(big).tm.tmHeight, 16);
    EXPECT_EQ(measure(small).tm.tmHeight, 16);
    EXPECT_EQ(measure(big).width, measure(small).width);
    DeleteObject(big);
    DeleteObject(small);
}

TEST(FontSizes, BoldIsWiderAndReportsItsWeight) {
    HFONT regular = font(-12, "MS Sans Serif");
    HFONT bold = font(-12, "MS Sans Serif", FW_BOLD);
    EXPECT_GT(measure(bold).width, measure(regular).width);
    EXPECT_EQ(measure(bold).tm.tmWeight, FW_BOLD);
    DeleteObject(regular);
    DeleteObject(bold);
}

TEST(BaseUnits, DialogFontsHaveTheirWindowsSizes) {
    auto mss = nv::gdi::templateBaseUnits("MS Sans Serif", 8);
    EXPECT_EQ(mss.cx, 6);
    EXPECT_EQ(mss.cy, 13);
    auto sys = nv::gdi::templateBaseUnits("System", 8);
    EXPECT_EQ(sys.cx, 8);
    EXPECT_EQ(sys.cy, 16);
    auto stock = nv::gdi::systemBaseUnits();
    EXPECT_EQ(stock.cx, 8);
    EXPECT_EQ(stock.cy, 16);

    // The same rule for a font handle as for a template font.
    HFONT f = font(-11, "ms sans serif");
    auto viaHandle = nv::gdi::fontBaseUnits(f);
    EXPECT_EQ(viaHandle.cx, mss.cx);
    EXPECT_EQ(viaHandle.cy, mss.cy);
    DeleteObject(f);
}

TEST(FaceMatching, AnUnknownFaceFallsBackByFamilyAndPitch) {
    HFONT roman = font(-14, "No Such Face", FW_NORMAL, VARIABLE_PITCH | FF_ROMAN);
    HFONT times = font(-14, "Times New Roman");
    HFONT fixed = font(-14, "No Such Face", FW_NORMAL, FIXED_PITCH);
    EXPECT_EQ(measure(roman).width, measure(times).width);
    EXPECT_EQ(measure(roman).face, "Times New Roman");
    Measured mono = measure(fixed, "iiii"), mono2 = measure(fixed, "WWWW");
    EXPECT_EQ(mono.width, mono2.width);
    EXPECT_FALSE(mono.tm.tmPitchAndFamily & TMPF_FIXED_PITCH);  // the bit is set for variable pitch
    DeleteObject(roman);
    DeleteObject(times);
    DeleteObject(fixed);
}

class AddedFonts : public ::testing::Test {
protected:
    void SetUp() override {
        std::ifstream in("/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf", std::ios::binary);
        ttf_.assign(std::istreambuf_iterator<char>(in), {});
        ASSERT_FALSE(ttf_.empty());
        machine_.put('C', "WINDOWS/FONTS/NVSERIF.TTF", ttf_);
        machine_.put('C', "WINDOWS/FONTS/NOTAFONT.TTF", "this is no font");
        machine_.put('C', "WINDOWS/SYSTEM/KEEP.TXT", "");
    }
    nv::testing::TempMachine machine_;
    std::string ttf_;
};

TEST_F(AddedFonts, AFontFileBecomesUsableByItsFamilyName) {
    HFONT asked = font(-14, "Liberation Serif");
    HFONT sans = font(-14, "MS Sans Serif");
    HFONT times = font(-14, "Times New Roman");
    const int sansWidth = measure(sans).width, serifWidth = measure(times).width;
    ASSERT_NE(sansWidth, serifWidth);
    EXPECT_EQ(measure(asked).width, sansWidth);  // not installed yet: the default face

    EXPECT_EQ(AddFontResourceA("C:\\WINDOWS\\FONTS\\NVSERIF.TTF"), 1);
    HFONT after = font(-14, "Liberation Serif");
    EXPECT_EQ(measure(after).width, serifWidth);
    EXPECT_EQ(measure(after).face, "Liberation Serif");

    EXPECT_TRUE(RemoveFontResourceA("C:\\WINDOWS\\FONTS\\NVSERIF.TTF"));
    HFONT removed = font(-14, "Liberation Serif");
    EXPECT_EQ(measure(removed).width, sansWidth);
    EXPECT_FALSE(RemoveFontResourceA("C:\\WINDOWS\\FONTS\\NVSERIF.TTF"));
    for (HFONT f : {asked, sans, times, after, removed})
        DeleteObject(f);
}

TEST_F(AddedFonts, MissingAndDamagedFilesAddNothing) {
    SetLastError(0);
    EXPECT_EQ(AddFontResourceA("C:\\WINDOWS\\FONTS\\MISSING.TTF"), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(AddFontResourceA("C:\\WINDOWS\\FONTS\\NOTAFONT.TTF"), 0);
    EXPECT_EQ(AddFontResourceA(nullptr), 0);
}

TEST_F(AddedFonts, AScalableFontResourcePointsAtItsTrueTypeFile) {
    ASSERT_TRUE(CreateScalableFontResourceA(0, "C:\\WINDOWS\\SYSTEM\\NVSERIF.FOT", "NVSERIF.TTF", "C:\\WINDOWS\\FONTS"));
    EXPECT_FALSE(CreateScalableFontResourceA(0, "C:\\WINDOWS\\SYSTEM\\NVSERIF.FOT", "NVSERIF.TTF", "C:\\WINDOWS\\FONTS"));
    EXPECT_EQ(AddFontResourceA("C:\\WINDOWS\\SYSTEM\\NVSERIF.FOT"), 1);
    HFONT f = font(-14, "Liberation Serif");
    EXPECT_EQ(measure(f).face, "Liberation Serif");
    EXPECT_TRUE(RemoveFontResourceA("C:\\WINDOWS\\SYSTEM\\NVSERIF.FOT"));
    DeleteObject(f);
}

// Columns holding ink of a colour, over all rows.
std::pair<int, int> inkSpan(const Canvas& c, COLORREF ink) {
    int lo = c.width(), hi = -1;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if (c.at(x, y) == ink) {
                lo = std::min(lo, x);
                hi = std::max(hi, x);
            }
    return {lo, hi};
}

TEST(DrawText, CalcRectMeasuresWithoutDrawingAndDropsPrefixMarks) {
    Canvas c(200, 40);
    SIZE plain{};
    GetTextExtentPoint32A(c.dc(), "Yes", 3, &plain);
    RECT r{10, 5, 10, 5};
    int h = DrawTextA(c.dc(), "&Yes", -1, &r, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(h, plain.cy);
    EXPECT_EQ(r.right - r.left, plain.cx);
    EXPECT_EQ(r.bottom - r.top, plain.cy);
    EXPECT_EQ(inkSpan(c, RGB(0, 0, 0)).second, -1);  // nothing drawn

    RECT n{0, 0, 0, 0};
    DrawTextA(c.dc(), "A&&B", -1, &n, DT_CALCRECT | DT_SINGLELINE);
    SIZE amp{};
    GetTextExtentPoint32A(c.dc(), "A&B", 3, &amp);
    EXPECT_EQ(n.right, amp.cx);
    RECT raw{0, 0, 0, 0};
    DrawTextA(c.dc(), "A&&B", -1, &raw, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SIZE literal{};
    GetTextExtentPoint32A(c.dc(), "A&&B", 4, &literal);
    EXPECT_EQ(raw.right, literal.cx);
}

TEST(DrawText, TheMnemonicIsUnderlinedUnderItsLetterOnly) {
    HFONT f = font(-11, "MS Sans Serif");
    Canvas c(100, 20);
    SelectObject(c.dc(), f);
    SetBkMode(c.dc(), TRANSPARENT);
    RECT r{0, 0, 100, 20};
    DrawTextA(c.dc(), "N&o", -1, &r, DT_SINGLELINE | DT_LEFT | DT_TOP);
    TEXTMETRICA tm{};
    GetTextMetricsA(c.dc(), &tm);
    SIZE n{}, no{};
    GetTextExtentPoint32A(c.dc(), "N", 1, &n);
    GetTextExtentPoint32A(c.dc(), "No", 2, &no);
    const std::string underline = c.row(tm.tmAscent + 1, RGB(0, 0, 0));
    EXPECT_EQ(underline.substr(0, n.cx), std::string(n.cx, '.'));
    EXPECT_EQ(underline.substr(n.cx, no.cx - n.cx), std::string(no.cx - n.cx, '#'));
    SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
    DeleteObject(f);
}

TEST(DrawText, WordBreakKeepsEveryLineInsideTheWidth) {
    HFONT f = font(-11, "MS Sans Serif");
    Canvas c(120, 120);
    SelectObject(c.dc(), f);
    const char* text = "Do you really want to cancel the installation of the printer driver now?";
    RECT calc{0, 0, 120, 0};
    int h = DrawTextA(c.dc(), text, -1, &calc, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(h % 13, 0);  // whole lines of 13 pixels
    EXPECT_GE(h, 3 * 13);  // the text is three times wider than the box
    EXPECT_LE(calc.right, 120);
    RECT r{0, 0, 120, 120};
    SetBkMode(c.dc(), TRANSPARENT);
    EXPECT_EQ(DrawTextA(c.dc(), text, -1, &r, DT_WORDBREAK), h);
    EXPECT_LT(inkSpan(c, RGB(0, 0, 0)).second, 120);
    EXPECT_EQ(c.row(h + 2, RGB(0, 0, 0)), std::string(120, '.'));  // nothing below the last line

    RECT two{0, 0, 200, 0};
    EXPECT_EQ(DrawTextA(c.dc(), "one\ntwo", -1, &two, DT_CALCRECT), 26);
    SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
    DeleteObject(f);
}

TEST(DrawText, CentredAndRightAlignedLines) {
    HFONT f = font(-11, "MS Sans Serif");
    SIZE ext{};
    {
        Canvas c(101, 20);
        SelectObject(c.dc(), f);
        GetTextExtentPoint32A(c.dc(), "Cancel", 6, &ext);
        RECT r{0, 0, 101, 20};
        DrawTextA(c.dc(), "Cancel", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        auto [lo, hi] = inkSpan(c, RGB(0, 0, 0));
        const int start = (101 - ext.cx) / 2;
        EXPECT_GE(lo, start);
        EXPECT_LT(hi, start + ext.cx);
        EXPECT_LE(lo - start, 2);
        SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
    }
    {
        Canvas c(101, 20);
        SelectObject(c.dc(), f);
        RECT r{0, 0, 101, 20};
        DrawTextA(c.dc(), "Cancel", -1, &r, DT_RIGHT | DT_SINGLELINE);
        auto [lo, hi] = inkSpan(c, RGB(0, 0, 0));
        EXPECT_GE(lo, 101 - ext.cx);
        EXPECT_GE(hi, 101 - 4);
        EXPECT_LT(hi, 101);
        SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
    }
    DeleteObject(f);
}

}  // namespace
