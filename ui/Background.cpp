#include "ui/Background.h"

#include "shared/ResourceIds.h"
#include "shared/InstallState.h"

namespace {
constexpr int kTitleWidth = 638;      // the area the title is centred in
constexpr int kTitleCopyWidth = 519;  // what is copied from the bitmap
constexpr int kTitleCopyHeight = 102;
}  // namespace

void BackgroundPaint(HWND window, HDC dc) {
    RECT client;
    GetClientRect(window, &client);
    const int cw = client.right;
    const int ch = client.bottom;
    const int y0 = ch <= 480 ? 15 : 44;
    const int x0 = (cw - kTitleWidth) / 2;
    COLORREF oldColor = SetTextColor(dc, RGB(255, 255, 255));
    int oldMode = SetBkMode(dc, TRANSPARENT);

    // Bands from the strongest blue at the top to black at the bottom.
    const int d = (ch / 255) * 2 + 2;
    int blue = 2 * (ch / d);
    RECT band = {0, 0, cw, d};
    while (band.top <= ch) {
        HBRUSH brush = CreateSolidBrush(RGB(0, 0, blue));
        FillRect(dc, &band, brush);
        DeleteObject(brush);
        OffsetRect(&band, 0, d);
        blue -= 2;
        if (blue < 0)
            break;
    }

    if (state.instVersionShown == 1)
        TextOutA(dc, x0 + 520, 120, "Version 1.01", 12);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColor);

    // The black-on-white title: ANDed as the shadow, then ORed inverted
    // (white letters) 5 pixels up and to the left.
    HBITMAP title = LoadBitmapA(state.instance, MAKEINTRESOURCEA(IDB_TITLE));
    HDC memory = CreateCompatibleDC(dc);
    if (title && memory) {
        HGDIOBJ old = SelectObject(memory, title);
        BitBlt(dc, x0 + 70, y0, kTitleCopyWidth, kTitleCopyHeight, memory, 0, 0, SRCAND);
        BitBlt(dc, x0 + 65, y0 - 5, kTitleCopyWidth, kTitleCopyHeight, memory, 0, 0, MERGEPAINT);
        SelectObject(memory, old);
    }
    if (memory)
        DeleteDC(memory);
    if (title)
        DeleteObject(title);
}
