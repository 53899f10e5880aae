// Object and device-context bookkeeping, and small arithmetic.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/gdi/GdiTestSupport.h"

namespace {

TEST(Objects, SelectReturnsThePreviousObjectOfThatKind) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
    HGDIOBJ first = SelectObject(dc, b);
    EXPECT_EQ(first, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SelectObject(dc, first), b);
    EXPECT_EQ(GetObjectType(b), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    EXPECT_TRUE(DeleteObject(b));
    EXPECT_EQ(GetObjectType(b), 0u);       // gone
    EXPECT_EQ(SelectObject(dc, b), nullptr);  // and refused
    DeleteDC(dc);
}

TEST(Objects, SelectedObjectsAndStockObjectsSurviveDeleteObject) {
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(9, 9, 9));
    HGDIOBJ old = SelectObject(dc, pen);
    EXPECT_FALSE(DeleteObject(pen));
    SelectObject(dc, old);
    EXPECT_TRUE(DeleteObject(pen));

    HGDIOBJ black = GetStockObject(BLACK_BRUSH);
    EXPECT_TRUE(DeleteObject(black));
    EXPECT_EQ(GetObjectType(black), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_EQ(GetStockObject(BLACK_BRUSH), black);
    EXPECT_EQ(GetStockObject(99), nullptr);
    DeleteDC(dc);
}

TEST(Objects, ABitmapSitsInOneMemoryDcAtATime) {
    HDC a = CreateCompatibleDC(nullptr);
    HDC b = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateBitmap(4, 4, 1, 32, nullptr);
    HGDIOBJ oldA = SelectObject(a, bmp);
    ASSERT_NE(oldA, nullptr);
    EXPECT_EQ(SelectObject(b, bmp), nullptr);
    SelectObject(a, oldA);
    HGDIOBJ oldB = SelectObject(b, bmp);
    EXPECT_NE(oldB, nullptr);
    SelectObject(b, oldB);
    DeleteDC(a);
    DeleteDC(b);
    EXPECT_TRUE(DeleteObject(bmp));
}

TEST(Objects, GetObjectCopiesAtMostTheBufferSize) {
    HBRUSH b = CreateSolidBrush(RGB(10, 20, 30));
    EXPECT_EQ(GetObjectA(b, 0, nullptr), static_cast<int>(sizeof(LOGBRUSH)));
    LOGBRUSH lb{};
    EXPECT_EQ(GetObjectA(b, sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbColor, RGB(10, 20, 30));
    unsigned char small[4];
    memset(small, 0xCC, sizeof small);
    EXPECT_EQ(GetObjectA(b, 2, small), 2);
    EXPECT_EQ(small[2], 0xCC);  // untouched past the two bytes asked for
    DeleteObject(b);
}

TEST(Objects, AbsurdSizesAreRefusedNotAttempted) {
    SetLastError(0);
    EXPECT_EQ(CreateBitmap(16000, 16000, 1, 32, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(CreateBitmap(-1, 5, 1, 1, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(5, 5, 2, 1, nullptr), nullptr);  // one plane only

    // Extreme font heights and widths give a usable font, not a crash.
    for (LONG h : {LONG(-2147483647 - 1), LONG(2147483647), LONG(0)}) {
        HFONT f = CreateFontA(h, 100000, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
        ASSERT_NE(f, nullptr);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, f);
        TEXTMETRICA tm{};
        EXPECT_TRUE(GetTextMetricsA(dc, &tm));
        EXPECT_GT(tm.tmHeight, 0);
        EXPECT_LE(tm.tmHeight, 2600);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(f);
    }
}

TEST(DeviceContexts, SaveAndRestoreBringBackColoursAndObjects) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 1, 1));
    int level = SaveDC(dc);
    EXPECT_EQ(level, 1);
    HBRUSH b = CreateSolidBrush(RGB(5, 5, 5));
    SelectObject(dc, b);
    SetTextColor(dc, RGB(2, 2, 2));
    EXPECT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(GetTextColor(dc), RGB(1, 1, 1));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_TRUE(DeleteObject(b));  // no longer selected anywhere
    EXPECT_FALSE(RestoreDC(dc, 1));
    DeleteDC(dc);
}

TEST(DeviceContexts, ClipRegionsLimitDrawing) {
    nv::gdi::testing::Canvas c(6, 1);
    HRGN rgn = CreateRectRgn(2, 0, 4, 1);
    EXPECT_EQ(SelectClipRgn(c.dc(), rgn), SIMPLEREGION);
    RECT all{0, 0, 6, 1};
    FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(c.row(0, RGB(0, 0, 0)), "..##..");
    RECT box{};
    EXPECT_EQ(GetClipBox(c.dc(), &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.right, 4);
    SelectClipRgn(c.dc(), nullptr);
    DeleteObject(rgn);
}

TEST(DeviceContexts, CapabilitiesOfTheScreen) {
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 800);  // no machine attached: the default screen
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 1);  // a fresh memory DC is monochrome
    DeleteDC(dc);
    SetLastError(0);
    EXPECT_EQ(GetDeviceCaps(reinterpret_cast<HDC>(0x1234), HORZRES), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Arithmetic, MulDivRoundsHalfAwayFromZeroAndRefusesZero) {
    EXPECT_EQ(MulDiv(27, 45, 10), 122);   // 121.5
    EXPECT_EQ(MulDiv(-27, 45, 10), -122);
    EXPECT_EQ(MulDiv(8, 96, 72), 11);     // 10.67
    EXPECT_EQ(MulDiv(5, 1, 0), -1);
    EXPECT_EQ(MulDiv(0x7FFFFFFF, 4, 2), -1);
    EXPECT_EQ(MulDiv(7, 3, -2), -11);     // -10.5
}

}  // namespace
