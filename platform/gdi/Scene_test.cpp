// A full-screen window painted the way the installer paints its main window
// (a banded blue gradient and the title bitmap with a drop shadow), with a
// dialog over it: the whole path from WM_PAINT through GDI to the screen.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <windows.h>

#include "TempMachine.h"
#include "platform/gdi/Bmp.h"
#include "platform/gdi/Screenshot.h"
#include "platform/gdi/Win95Painter.h"
#include "platform/gdi/WindowSurface.h"
#include "platform/user/Resources.h"
#include "platform/user/TemplateBuilder_test.h"
#include "platform/user/WindowManager.h"

namespace {

HINSTANCE kInst = reinterpret_cast<HINSTANCE>(0x400000);

std::vector<uint8_t> titleBmp() {
    std::ifstream in(std::string(NV_SOURCE_DIR) + "/resources/title.bmp", std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

int TitleLeft(int cw) { return (cw - 638) / 2 + 65; }
int TitleTop(int ch) { return (ch <= 480 ? 15 : 44) - 5; }

LRESULT CALLBACK SceneProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_PAINT)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    const int cw = client.right, ch = client.bottom;
    const int d = (ch / 255) * 2 + 2;
    int blue = 2 * (ch / d);
    for (RECT band{0, 0, cw, d}; band.top < ch && blue >= 0; OffsetRect(&band, 0, d), blue -= 2) {
        HBRUSH b = CreateSolidBrush(RGB(0, 0, blue));
        FillRect(dc, &band, b);
        DeleteObject(b);
    }
    HBITMAP title = LoadBitmapA(kInst, MAKEINTRESOURCEA(500));
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, title);
    BitBlt(dc, TitleLeft(cw) + 5, TitleTop(ch) + 5, 519, 102, mem, 0, 0, SRCAND);
    BitBlt(dc, TitleLeft(cw), TitleTop(ch), 519, 102, mem, 0, 0, MERGEPAINT);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(title);
    EndPaint(hwnd, &ps);
    return 0;
}

INT_PTR CALLBACK NoteProc(HWND dlg, UINT msg, WPARAM, LPARAM) {
    if (msg != WM_INITDIALOG)
        return FALSE;
    SetWindowTextA(dlg, "Checking");
    SetDlgItemTextA(dlg, 148, "Checking WIN.INI and SYSTEM.INI files now.\nThis process can take a few minutes.\nPlease wait.");
    return TRUE;
}

class Scene : public ::testing::Test {
protected:
    void SetUp() override {
        nv::user::reset();
        nv::gdi::InstallPainter();
        auto bytes = titleBmp();
        ASSERT_GT(bytes.size(), 14u);
        nv::user::resources::add(kInst, RT_BITMAP, MAKEINTRESOURCEA(500), std::vector<BYTE>(bytes.begin() + 14, bytes.end()));
        title_ = *nv::gdi::decodeBmp(bytes, "title.bmp");
        WNDCLASSA wc{};
        wc.lpfnWndProc = SceneProc;
        wc.hInstance = kInst;
        wc.lpszClassName = "Scene";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    void TearDown() override {
        nv::user::resources::clear();
        nv::user::SetPainter(nullptr);
        nv::user::reset();
    }
    nv::testing::TempMachine machine_;
    nv::gdi::Surface title_;
};

TEST_F(Scene, GradientTitleAndShadowLandOnTheScreen) {
    HWND main = CreateWindowExA(0, "Scene", "Norvalk", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr, kInst, nullptr);
    ASSERT_NE(main, nullptr);
    UpdateWindow(main);

    nv::testing::TemplateBuilder t(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK | WS_VISIBLE, 175, 50, u"");
    t.item(0x82, SS_LEFT, 6, 8, 165, 40, 148);
    HWND note = CreateDialogIndirectParamA(kInst, t.get(), main, NoteProc, 0);
    ASSERT_NE(note, nullptr);
    SetWindowPos(note, HWND_TOP, 270, 380, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    UpdateWindow(note);

    nv::gdi::Surface s = nv::gdi::composeScreen();
    if (const char* out = std::getenv("NV_GDI_SHOTS")) {
        EXPECT_TRUE(nv::gdi::SavePng(s, std::string(out) + "/scene.png").ok());
    }
    auto at = [&](int x, int y) { return nv::gdi::toColorref(s.at(x, y)); };
    // 600 rows: bands of 6 pixels, 100 of them, from blue 200 down.
    EXPECT_EQ(at(5, 0), RGB(0, 0, 200));
    EXPECT_EQ(at(5, 6), RGB(0, 0, 198));
    EXPECT_EQ(at(5, 599), RGB(0, 0, 2));
    // Title letters are white; the shadow shows black beside them.
    const int tx = TitleLeft(800), ty = TitleTop(600);
    int letters = 0, shadows = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 500; ++x) {
            if (title_.at(x, y) != 0)
                continue;
            ASSERT_EQ(at(tx + x, ty + y), RGB(255, 255, 255)) << x << "," << y;
            ++letters;
            const bool covered = x + 5 < 500 && y + 5 < 100 && title_.at(x + 5, y + 5) == 0;
            if (!covered) {
                ASSERT_EQ(at(tx + 5 + x, ty + 5 + y), RGB(0, 0, 0));
                ++shadows;
            }
        }
    EXPECT_GT(letters, 2000);
    EXPECT_GT(shadows, 200);
    // The notice stands over the gradient with its face colour.
    RECT nr;
    GetWindowRect(note, &nr);
    EXPECT_EQ(at(nr.right - 10, nr.bottom - 10), RGB(192, 192, 192));
    DestroyWindow(note);
    DestroyWindow(main);
}

}  // namespace
