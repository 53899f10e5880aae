// The call trace of drawing: each GDI call of the program is one line, in
// order, with its arguments and result; what the stand-in draws for itself
// (frames, controls, screenshots) leaves no line.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>

#include <windows.h>
#include <lzexpand.h>

#include "TempMachine.h"
#include "platform/core/Trace.h"
#include "platform/gdi/Screenshot.h"
#include "platform/gdi/Win95Painter.h"
#include "platform/user/Input.h"
#include "platform/user/Resources.h"
#include "platform/user/TemplateBuilder_test.h"
#include "platform/user/WindowManager.h"

namespace {

HINSTANCE kInst = reinterpret_cast<HINSTANCE>(0x400000);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

std::string nameOf(const std::string& line) { return line.substr(0, line.find('(')); }

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines)
        s += "  " + l + "\n";
    return s;
}

HFONT gStatusFont = nullptr;

// The drawing calls of an installer's windows: the bar with its two-coloured
// percentage, the status line, the main window's band and title.
LRESULT CALLBACK DrawingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_PAINT)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FrameRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    HGDIOBJ oldFont = SelectObject(dc, gStatusFont);
    SIZE ext{};
    GetTextExtentPoint32A(dc, " 47%", 4, &ext);
    RECT left{1, 1, 40, 20}, right{40, 1, 99, 20};
    SetBkColor(dc, kBlue);
    SetTextColor(dc, kWhite);
    ExtTextOutA(dc, 30, 3, ETO_OPAQUE | ETO_CLIPPED, &left, " 47%", 4, nullptr);
    SetBkColor(dc, kWhite);
    SetTextColor(dc, kBlue);
    ExtTextOutA(dc, 30, 3, ETO_OPAQUE | ETO_CLIPPED, &right, " 47%", 4, nullptr);
    SelectObject(dc, oldFont);

    HBRUSH band = CreateSolidBrush(RGB(0, 0, 240));
    RECT top{0, 20, 100, 24};
    FillRect(dc, &top, band);
    DeleteObject(band);
    HBITMAP title = LoadBitmapA(kInst, MAKEINTRESOURCEA(500));
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ oldBitmap = SelectObject(mem, title);
    BitBlt(dc, 5, 30, 519, 102, mem, 0, 0, SRCAND);
    BitBlt(dc, 0, 25, 519, 102, mem, 0, 0, MERGEPAINT);
    SelectObject(mem, oldBitmap);
    DeleteDC(mem);
    DeleteObject(title);
    EndPaint(hwnd, &ps);

    HDC status = GetDC(hwnd);
    SetBkMode(status, TRANSPARENT);
    TextOutA(status, 40, 20, "Copying   ", 10);
    RECT wipe{90, 20, 99, 33};
    FillRect(status, &wipe, GetSysColorBrush(COLOR_BTNFACE));
    ReleaseDC(hwnd, status);
    return 0;
}

class DrawingTrace : public ::testing::Test {
protected:
    void SetUp() override {
        nv::user::reset();
        nv::gdi::InstallPainter();
        std::ifstream in(std::string(NV_SOURCE_DIR) + "/resources/title.bmp", std::ios::binary);
        std::vector<BYTE> bmp(std::istreambuf_iterator<char>(in), {});
        ASSERT_GT(bmp.size(), 14u);
        nv::user::resources::add(kInst, RT_BITMAP, MAKEINTRESOURCEA(500), std::vector<BYTE>(bmp.begin() + 14, bmp.end()));
        std::ifstream ttf("/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf", std::ios::binary);
        machine_.put('C', "WINDOWS/FONTS/NVSERIF.TTF", std::string(std::istreambuf_iterator<char>(ttf), {}));
        WNDCLASSA wc{};
        wc.lpfnWndProc = DrawingProc;
        wc.hInstance = kInst;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = "probar";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    void TearDown() override {
        nv::trace::stopCapture();
        nv::user::SetPainter(nullptr);
        nv::user::resources::clear();
        nv::user::reset();
    }
    nv::testing::TempMachine machine_;
};

TEST_F(DrawingTrace, EachCallOfTheProgramIsOneLineInOrder) {
    HWND hwnd = CreateWindowExA(0, "probar", "", WS_POPUP | WS_CAPTION | WS_VISIBLE, 10, 10, 120, 60, nullptr, nullptr,
                                kInst, nullptr);
    ASSERT_NE(hwnd, nullptr);
    UpdateWindow(hwnd);
    InvalidateRect(hwnd, nullptr, TRUE);

    nv::trace::startCapture();
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    const int width = GetDeviceCaps(screen, HORZRES);
    ReleaseDC(nullptr, screen);
    LOGFONTA lf{};
    lf.lfHeight = -MulDiv(8, dpi, 72);
    lf.lfWeight = FW_BOLD;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    strcpy(lf.lfFaceName, "MS Sans Serif");
    gStatusFont = CreateFontIndirectA(&lf);
    const DWORD face = GetSysColor(COLOR_BTNFACE);
    const int added = AddFontResourceA("C:\\WINDOWS\\FONTS\\NVSERIF.TTF");
    DrawingProc(hwnd, WM_PAINT, 0, 0);
    DeleteObject(gStatusFont);
    // Calls that Windows implements through another one still trace as themselves.
    HFONT other = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "System");
    HDC mem = CreateCompatibleDC(nullptr);
    SIZE ext{};
    GetTextExtentPointA(mem, "ab", 2, &ext);
    DeleteDC(mem);
    DeleteObject(other);
    auto lines = nv::trace::stopCapture();
    EXPECT_EQ(dpi, 96);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(face, RGB(192, 192, 192));
    EXPECT_EQ(added, 1);

    const std::vector<std::string> want = {
        "GetDC", "GetDeviceCaps", "GetDeviceCaps", "ReleaseDC", "MulDiv", "CreateFontIndirectA", "GetSysColor",
        "AddFontResourceA",
        // WM_PAINT
        "BeginPaint", "GetClientRect", "GetStockObject", "FrameRect", "SelectObject", "GetTextExtentPoint32A",
        "SetBkColor", "SetTextColor", "ExtTextOutA", "SetBkColor", "SetTextColor", "ExtTextOutA", "SelectObject",
        "CreateSolidBrush", "FillRect", "DeleteObject", "LoadBitmapA", "CreateCompatibleDC", "SelectObject", "BitBlt",
        "BitBlt", "SelectObject", "DeleteDC", "DeleteObject", "EndPaint",
        // the status line through its own DC
        "GetDC", "SetBkMode", "TextOutA", "GetSysColorBrush", "FillRect", "ReleaseDC",
        //
        "DeleteObject", "CreateFontA", "CreateCompatibleDC", "GetTextExtentPointA", "DeleteDC", "DeleteObject"};
    std::vector<std::string> names;
    for (const auto& l : lines)
        names.push_back(nameOf(l));
    EXPECT_EQ(names, want) << "trace:\n" << joined(lines);

    // Arguments and results as the program passed and got them.
    auto has = [&](const std::string& text) {
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    };
    EXPECT_TRUE(has("MulDiv(8, 96, 72) = 11")) << joined(lines);
    EXPECT_TRUE(has("GetSysColor(15) = 12632256")) << joined(lines);
    EXPECT_TRUE(has("AddFontResourceA(\"C:\\WINDOWS\\FONTS\\NVSERIF.TTF\") = 1")) << joined(lines);
    EXPECT_EQ(lines[5].rfind("CreateFontIndirectA(-11, 700, 34, \"MS Sans Serif\") = 0x", 0), 0u) << lines[5];
    int opaqueClipped = 0;
    for (const auto& l : lines)
        opaqueClipped += l.find("ExtTextOutA(") == 0 && l.find(", 30, 3, 6, \" 47%\", 4) = 1") != std::string::npos;
    EXPECT_EQ(opaqueClipped, 2) << joined(lines);
    DestroyWindow(hwnd);
}

INT_PTR CALLBACK ListProc(HWND dlg, UINT msg, WPARAM, LPARAM) {
    if (msg != WM_INITDIALOG)
        return FALSE;
    SendDlgItemMessageA(dlg, 10, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("QS-8000"));
    SendDlgItemMessageA(dlg, 10, LB_SETCURSEL, 0, 0);
    return TRUE;
}

TEST_F(DrawingTrace, TheStandInsOwnPaintingLeavesNoLine) {
    nv::testing::TemplateBuilder t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE, 150, 80, u"Models");
    t.item(0x83, WS_BORDER | LBS_NOTIFY | WS_TABSTOP, 8, 8, 100, 40, 10);
    t.item(0x82, SS_LEFT, 8, 50, 100, 8, 11, u"&Model:");
    t.item(0x81, WS_BORDER | WS_TABSTOP, 8, 60, 60, 12, 12, u"C:\\");
    t.item(0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, 90, 60, 50, 14, IDOK, u"OK");

    nv::trace::startCapture();
    HWND dlg = CreateDialogIndirectParamA(kInst, t.get(), nullptr, ListProc, 0);
    ASSERT_NE(dlg, nullptr);
    UpdateWindow(dlg);
    auto lines = nv::trace::stopCapture();
    ASSERT_FALSE(lines.empty());  // the program's own calls are there
    // No drawing call: the frame, caption, list, static, edit and button were
    // painted by the stand-in, not by the program.
    for (const auto& l : lines) {
        const std::string n = nameOf(l);
        for (const char* gdi : {"GetDC", "GetWindowDC", "BeginPaint", "EndPaint", "ReleaseDC", "FillRect", "FrameRect",
                                "DrawTextA", "DrawEdge", "SelectObject", "SetTextColor", "SetBkMode", "CreateFontIndirectA",
                                "MulDiv", "GetSysColor", "GetSysColorBrush", "TextOutA", "ExtTextOutA", "SetPixel"})
            EXPECT_NE(n, gdi) << "trace:\n" << joined(lines);
    }
    DestroyWindow(dlg);
}

// Calls the stand-in makes inside a call of the program (window frames
// measured in CreateWindowExA, the message box ending itself, the person's
// pointer moving to a button, LZOpenFileA opening the file) are not the
// program's and leave no line.
TEST_F(DrawingTrace, OnlyTheProgramsOwnCallsAreTraced) {
    namespace input = nv::user::input;
    input::SetStopHandler([](input::Status, const std::string&) {});
    machine_.put('C', "DATA.TXT", "data");
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = kInst;
    wc.lpszClassName = "PlainMain";
    ASSERT_NE(RegisterClassA(&wc), 0);
    ASSERT_TRUE(input::UseAnswerText("message \"Go on\"\n  click \"OK\"\n", "answers").ok());
    nv::trace::startCapture();
    HWND main = CreateWindowExA(0, "PlainMain", "Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                nullptr, kInst, nullptr);
    MessageBoxA(main, "Go on", "Question", MB_OK);
    OFSTRUCT of{};
    char name[] = "C:\\DATA.TXT";
    INT lz = LZOpenFileA(name, &of, OF_READ);
    LZClose(lz);
    auto lines = nv::trace::stopCapture();
    std::vector<std::string> names;
    for (const auto& l : lines)
        names.push_back(nameOf(l));
    EXPECT_EQ(names, (std::vector<std::string>{"CreateWindowExA", "MessageBoxA", "LZOpenFileA", "LZClose"}))
        << "trace:\n" << joined(lines);
    DestroyWindow(main);
    input::UseNone();
    input::SetStopHandler(nullptr);
}

constexpr UINT kAsk = WM_USER + 1;
HWND gAsked = nullptr;

LRESULT CALLBACK AskedProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kAsk)
        return GetWindowTextLengthA(hwnd) + 3;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

INT_PTR CALLBACK AskingProc(HWND dlg, UINT msg, WPARAM, LPARAM) {
    if (msg != WM_INITDIALOG)
        return FALSE;
    SetDlgItemTextA(dlg, 12, "C:\\NV\r\nsecond line");
    SendMessageA(gAsked, kAsk, 0, 0);
    EndDialog(dlg, 3);
    return TRUE;
}

// The program's procedures run inside the calls that ran them: their calls
// follow the opening line of that call, indented, and the call's result
// comes when it returns. A text with a line break stays on its line.
TEST_F(DrawingTrace, CallsFromTheProgramsProceduresNestInTheCallThatRanThem) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = AskedProc;
    wc.hInstance = kInst;
    wc.lpszClassName = "Asked";
    ASSERT_NE(RegisterClassA(&wc), 0);
    gAsked = CreateWindowExA(0, "Asked", "Main", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, kInst, nullptr);
    ASSERT_NE(gAsked, nullptr);
    nv::testing::TemplateBuilder t(WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_VISIBLE, 150, 80, u"Ask");
    t.item(0x81, WS_BORDER, 8, 60, 60, 12, 12, u"");

    nv::trace::startCapture();
    INT_PTR r = DialogBoxIndirectParamA(kInst, t.get(), gAsked, AskingProc, 0);
    RECT rc{1, 2, 3, 4};
    HRGN rgn = CreateRectRgnIndirect(&rc);  // through CreateRectRgn, one line
    DeleteObject(rgn);
    auto lines = nv::trace::stopCapture();
    EXPECT_EQ(r, 3);
    for (auto& l : lines)
        l = std::regex_replace(l, std::regex("0x[0-9a-f]+"), "H");
    const std::vector<std::string> want = {
        "DialogBoxIndirectParamA(H, H, 0) {",
        "  SetDlgItemTextA(H, 12, \"C:\\NV\\r\\nsecond line\") = 1",
        "  SendMessageA(H, 1025, 0, 0) {",
        "    GetWindowTextLengthA(H) = 4",
        "  } SendMessageA = 7",
        "  EndDialog(H, 3) = 1",
        "} DialogBoxIndirectParamA = 3",
        "CreateRectRgnIndirect(1, 2, 3, 4) = H",
        "DeleteObject(H) = 1",
    };
    EXPECT_EQ(lines, want) << "trace:\n" << joined(lines);
    DestroyWindow(gAsked);
}

// The pictures are for people: a run traces the same with them as without.
TEST_F(DrawingTrace, ScreenshotsDoNotChangeTheTrace) {
    namespace input = nv::user::input;
    input::SetStopHandler([](input::Status, const std::string&) {});
    auto traced = [](bool pictures) {
        nv::testing::TempDir dir;
        if (pictures) {
            EXPECT_TRUE(nv::gdi::EnableScreenshots(dir.path().string()).ok());
        } else {
            nv::gdi::DisableScreenshots();
        }
        EXPECT_TRUE(input::UseAnswerText("message \"Disk full\"\n  press Enter\n", "answers").ok());
        nv::trace::startCapture();
        MessageBoxA(nullptr, "Disk full", "Warning", MB_OK | MB_ICONHAND);
        nv::user::NotifyRunEnded();
        auto lines = nv::trace::stopCapture();
        EXPECT_EQ(nv::gdi::ScreenshotFiles().size(), pictures ? 2u : 0u);
        nv::gdi::DisableScreenshots();
        // Handles differ from run to run.
        for (auto& l : lines)
            l = std::regex_replace(l, std::regex("0x[0-9a-f]+"), "H");
        return lines;
    };
    auto without = traced(false);
    auto with = traced(true);
    ASSERT_FALSE(without.empty());
    EXPECT_EQ(with, without) << "with pictures:\n" << joined(with) << "without:\n" << joined(without);
    input::UseNone();
    input::SetStopHandler(nullptr);
}

}  // namespace
