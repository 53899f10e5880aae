// Bitmaps: BMP decoding of files and resources, damaged input, LoadBitmapA,
// and the title bitmap the program ships.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <windows.h>

#include "platform/gdi/Bmp.h"
#include "platform/gdi/GdiTestSupport.h"
#include "platform/user/Resources.h"

namespace {

using nv::gdi::decodeBmp;
using nv::gdi::Depth;
using nv::gdi::Surface;

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> titleBmp() { return readFile(std::string(NV_SOURCE_DIR) + "/resources/title.bmp"); }

// A 3 x 2 picture with colours only from the VGA palette.
Surface sample() {
    Surface s(3, 2, Depth::Color, 0xFFFFFF);
    s.set(0, 0, 0x000000);
    s.set(1, 0, 0xFF0000);
    s.set(2, 1, 0x000080);
    return s;
}

TEST(Bmp, FourBitFilesRoundTripAndReadAsResourcesToo) {
    auto file = nv::gdi::encodeBmp4(sample(), nv::gdi::vgaPalette());
    ASSERT_TRUE(file.ok());
    auto back = decodeBmp(*file, "sample.bmp");
    ASSERT_TRUE(back.ok()) << back.error().message;
    ASSERT_EQ(back->width(), 3);
    ASSERT_EQ(back->height(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(back->at(x, y), sample().at(x, y)) << x << "," << y;

    // A bitmap resource is the same without its 14-byte file header.
    std::vector<uint8_t> resource(file->begin() + 14, file->end());
    auto fromResource = decodeBmp(resource, "resource");
    ASSERT_TRUE(fromResource.ok());
    EXPECT_EQ(fromResource->at(1, 0), 0xFF0000u);
}

TEST(Bmp, DamagedFilesAreRefusedWithTheirName) {
    auto file = *nv::gdi::encodeBmp4(sample(), nv::gdi::vgaPalette());
    std::vector<uint8_t> cut(file.begin(), file.end() - 4);
    auto r = decodeBmp(cut, "CUT.BMP");
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().message.find("CUT.BMP"), std::string::npos);
    EXPECT_NE(r.error().message.find("past the end"), std::string::npos);

    std::vector<uint8_t> rle = file;
    rle[14 + 16] = BI_RLE4;
    EXPECT_FALSE(decodeBmp(rle, "rle").ok());
    std::vector<uint8_t> huge = file;
    huge[14 + 4] = 0xFF;
    huge[14 + 5] = 0xFF;
    huge[14 + 6] = 0xFF;
    EXPECT_FALSE(decodeBmp(huge, "huge").ok());
    EXPECT_FALSE(decodeBmp(std::vector<uint8_t>{'B', 'M', 1}, "tiny").ok());

    // A palette index beyond the colours the file declares.
    std::vector<uint8_t> fewColours = file;
    fewColours[14 + 32] = 2;  // biClrUsed: only two colours
    auto bad = decodeBmp(fewColours, "FEW.BMP");
    ASSERT_FALSE(bad.ok());
    EXPECT_NE(bad.error().message.find("beyond the palette"), std::string::npos);
}

TEST(Bmp, ColoursOutsideThePaletteCannotBeWritten) {
    Surface s(1, 1, Depth::Color, 0x123456);
    EXPECT_FALSE(nv::gdi::encodeBmp4(s, nv::gdi::vgaPalette()).ok());
}

TEST(TitleBitmap, IsFiveHundredByHundredSixteenColoursBlackOnWhite) {
    auto bytes = titleBmp();
    ASSERT_GT(bytes.size(), 54u);
    EXPECT_EQ(bytes[14 + 14], 4);  // biBitCount
    auto s = decodeBmp(bytes, "title.bmp");
    ASSERT_TRUE(s.ok()) << s.error().message;
    EXPECT_EQ(s->width(), 500);
    EXPECT_EQ(s->height(), 100);
    int black = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 500; ++x) {
            const uint32_t p = s->at(x, y);
            ASSERT_TRUE(p == 0 || p == 0xFFFFFF) << x << "," << y;
            black += p == 0;
            if (x < 5 || y < 5 || x >= 495 || y >= 95) {
                ASSERT_EQ(p, 0xFFFFFFu) << "the margin stays white at " << x << "," << y;
            }
        }
    EXPECT_GT(black, 2000);  // lettering, not a speck
}

class LoadBitmap : public ::testing::Test {
protected:
    void TearDown() override { nv::user::resources::clear(); }
    HINSTANCE inst_ = reinterpret_cast<HINSTANCE>(0x400000);
};

TEST_F(LoadBitmap, TheTitleResourceCastsAShadowAndAWhiteTitle) {
    auto bytes = titleBmp();
    nv::user::resources::add(inst_, RT_BITMAP, MAKEINTRESOURCEA(500), std::vector<BYTE>(bytes.begin() + 14, bytes.end()));
    HBITMAP title = LoadBitmapA(inst_, MAKEINTRESOURCEA(500));
    ASSERT_NE(title, nullptr);
    BITMAP bm{};
    GetObjectA(title, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 500);
    EXPECT_EQ(bm.bmHeight, 100);

    const COLORREF blue = RGB(0, 0, 160);
    nv::gdi::testing::Canvas screen(640, 160, blue);
    HDC mem = CreateCompatibleDC(screen.dc());
    HGDIOBJ old = SelectObject(mem, title);
    // The copied area is larger than the bitmap; what lies beyond stays.
    BitBlt(screen.dc(), 70, 20, 519, 102, mem, 0, 0, SRCAND);
    BitBlt(screen.dc(), 65, 15, 519, 102, mem, 0, 0, MERGEPAINT);
    auto s = decodeBmp(bytes, "title.bmp");
    int checked = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 500; ++x) {
            if (s->at(x, y) != 0)
                continue;
            ASSERT_EQ(screen.at(65 + x, 15 + y), RGB(255, 255, 255));  // the title letters
            // The shadow shows where a letter pixel is not covered by the title.
            const bool coveredByTitle = x + 5 < 500 && y + 5 < 100 && s->at(x + 5, y + 5) == 0;
            if (!coveredByTitle) {
                ASSERT_EQ(screen.at(70 + x, 20 + y), RGB(0, 0, 0)) << x << "," << y;
                ++checked;
            }
        }
    EXPECT_GT(checked, 100);
    EXPECT_EQ(screen.at(60, 10), blue);
    EXPECT_EQ(screen.at(600, 130), blue);  // beyond the bitmap inside the 519 x 102 area
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(title);

    SetLastError(0);
    EXPECT_EQ(LoadBitmapA(inst_, MAKEINTRESOURCEA(501)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
}

// Loaded again, a bitmap has its resource's pixels: the same ones while the
// resource stays, the new ones once it is registered again with other bytes.
// Each load is a bitmap of its own, so drawing into one leaves the next alone.
TEST_F(LoadBitmap, EachLoadHasTheResourcesCurrentPixels) {
    auto pixelsOf = [](HBITMAP bitmap) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                pixels.push_back(GetPixel(dc, x, y));
        SelectObject(dc, old);
        DeleteDC(dc);
        return pixels;
    };
    auto file = *nv::gdi::encodeBmp4(sample(), nv::gdi::vgaPalette());
    nv::user::resources::add(inst_, RT_BITMAP, MAKEINTRESOURCEA(7), std::vector<BYTE>(file.begin() + 14, file.end()));
    HBITMAP first = LoadBitmapA(inst_, MAKEINTRESOURCEA(7));
    ASSERT_NE(first, nullptr);
    const auto original = pixelsOf(first);
    EXPECT_EQ(original[1], RGB(255, 0, 0));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, first);
    SetPixel(dc, 1, 0, RGB(0, 255, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    HBITMAP second = LoadBitmapA(inst_, MAKEINTRESOURCEA(7));
    EXPECT_EQ(pixelsOf(second), original);

    Surface changed = sample();
    changed.set(1, 0, 0x000080);
    auto other = *nv::gdi::encodeBmp4(changed, nv::gdi::vgaPalette());
    nv::user::resources::add(inst_, RT_BITMAP, MAKEINTRESOURCEA(7), std::vector<BYTE>(other.begin() + 14, other.end()));
    HBITMAP third = LoadBitmapA(inst_, MAKEINTRESOURCEA(7));
    EXPECT_EQ(pixelsOf(third)[1], RGB(0, 0, 0x80));
    for (HBITMAP b : {first, second, third})
        DeleteObject(b);
}

}  // namespace
