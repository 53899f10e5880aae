#include "ui/ProgressClasses.h"

#include <cstdio>
#include <cstring>

#include "script/MessageText.h"
#include "shared/InstallState.h"

namespace {

// Colours of the bar, set when "probar" is registered.
COLORREF barColor;
COLORREF barBackColor;
HFONT statusFont;
// 0 until a status line's first WM_PAINT has filled its background.
int statusPainted;

constexpr int kRangeWord = 0;
constexpr int kPositionWord = 2;
constexpr int kShownNameLength = 40;
constexpr int kStatusLeft = 40;
constexpr int kStatusTop = 20;

int RegisterControlClass(HINSTANCE instance, LPCSTR name, WNDPROC procedure) {
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = procedure;
    wc.cbWndExtra = 4;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0 ? 1 : 0;
}

void PaintBar(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    FrameRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const int r = client.right - 1;
    const int b = client.bottom - 1;
    WORD range = GetWindowWord(hwnd, kRangeWord);
    WORD position = GetWindowWord(hwnd, kPositionWord);
    if (range == 0)
        range = 1;
    // The split is measured from x 0: position 0 fills nothing, range all.
    int split = static_cast<WORD>(static_cast<DWORD>(r) * position / range) + 1;
    if (split > r)
        split = r;
    HGDIOBJ oldFont = SelectObject(dc, statusFont);
    char text[16];
    std::snprintf(text, sizeof text, "%3d%%", static_cast<WORD>(static_cast<DWORD>(position) * 100 / range));
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, 4, &size);
    const int tx = (r - size.cx) / 2;
    const int ty = (b - size.cy) / 2;
    RECT left = {1, 1, split, b};
    SetBkColor(dc, barColor);
    SetTextColor(dc, barBackColor);
    ExtTextOutA(dc, tx, ty, ETO_OPAQUE | ETO_CLIPPED, &left, text, 4, nullptr);
    RECT right = {split, 1, r, b};
    SetBkColor(dc, barBackColor);
    SetTextColor(dc, barColor);
    ExtTextOutA(dc, tx, ty, ETO_OPAQUE | ETO_CLIPPED, &right, text, 4, nullptr);
    SelectObject(dc, oldFont);
    EndPaint(hwnd, &ps);
}

void SetAndPaint(HWND hwnd, int offset, WORD value) {
    SetWindowWord(hwnd, offset, value);
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
}

// Drawn straight through the control's own device context: the copy loop
// pumps no messages, so a WM_PAINT would come too late.
void PaintStatus(HWND hwnd) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
    HDC dc = GetDC(hwnd);
    int oldMode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, statusFont);
    char label[256];
    GetMessageText(MSG_COPYING + (state.operationMode == 1 ? 1 : 0), label);
    int labelLength = static_cast<int>(std::strlen(label));
    TextOutA(dc, kStatusLeft, kStatusTop, label, labelLength);
    SIZE labelSize = {};
    GetTextExtentPoint32A(dc, label, labelLength, &labelSize);
    char name[kShownNameLength + 1];
    std::snprintf(name, sizeof name, "%-40.40s", state.statusFileName);
    SIZE nameSize = {};
    GetTextExtentPoint32A(dc, name, kShownNameLength, &nameSize);
    // Wipes the previous name, also a longer one.
    RECT erase = {kStatusLeft + labelSize.cx, kStatusTop, kStatusLeft + labelSize.cx + nameSize.cx,
                  kStatusTop + labelSize.cy};
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(dc, &erase, face);
    DeleteObject(face);
    TextOutA(dc, kStatusLeft + labelSize.cx, kStatusTop, name, kShownNameLength);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
    ReleaseDC(hwnd, dc);
}

}  // namespace

int RegisterProBarClass(HINSTANCE instance) {
    barColor = RGB(0, 0, 255);
    barBackColor = RGB(255, 255, 255);
    return RegisterControlClass(instance, "probar", ProBarProc);
}

int RegisterTextClass(HINSTANCE instance) { return RegisterControlClass(instance, "text", TextBarProc); }

LRESULT CALLBACK ProBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        SetWindowWord(hwnd, kRangeWord, 100);
        SetWindowWord(hwnd, kPositionWord, 0);
        return 1;
    case WM_PAINT:
        PaintBar(hwnd);
        return 1;
    case BAR_SETRANGE:
        SetAndPaint(hwnd, kRangeWord, static_cast<WORD>(wParam));
        return 1;
    case BAR_SETPOS:
        SetAndPaint(hwnd, kPositionWord, static_cast<WORD>(wParam));
        return 1;
    case BAR_STEP:
        SetAndPaint(hwnd, kPositionWord, static_cast<WORD>(GetWindowWord(hwnd, kPositionWord) + wParam));
        return 1;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

LRESULT CALLBACK TextBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        statusPainted = 0;
        return 1;
    case STATUS_REDRAW:
        PaintStatus(hwnd);
        return 1;
    case WM_ACTIVATE:
        ShowWindow(hwnd, SW_SHOWNA);
        return 1;
    case WM_PAINT:
        if (statusPainted == 0) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
            EndPaint(hwnd, &ps);
            statusPainted = 1;
        } else {
            PaintStatus(hwnd);
        }
        return 1;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

HFONT StatusFont() { return statusFont; }

void CreateStatusFont() {
    LOGFONTA lf = {};
    lf.lfHeight = -12;
    lf.lfWeight = FW_BOLD;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    std::strcpy(lf.lfFaceName, "MS Sans Serif");
    statusFont = CreateFontIndirectA(&lf);
}

void DeleteStatusFont() {
    if (statusFont)
        DeleteObject(statusFont);
    statusFont = nullptr;
}
