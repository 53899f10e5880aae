#include "platform/gdi/Win95Painter.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/FontMetrics.h"
#include "platform/core/PerMachine.h"
#include "platform/gdi/Screen.h"
#include "platform/gdi/WindowSurface.h"

namespace nv::gdi {
namespace {

using nv::user::ControlKind;

std::string windowText(HWND hwnd) {
    int n = GetWindowTextLengthA(hwnd);
    std::string s(static_cast<size_t>(std::max(n, 0)) + 1, '\0');
    int got = GetWindowTextA(hwnd, s.data(), static_cast<int>(s.size()));
    s.resize(static_cast<size_t>(std::max(got, 0)));
    return s;
}

struct CaptionFont {
    HFONT handle = nullptr;
};

// Made once per machine: a font handle of one machine means nothing on another.
HFONT captionFont() {
    HFONT& font = machine::perMachine<CaptionFont>().handle;
    if (!font) {
        LOGFONTA lf{};
        lf.lfHeight = -11;
        lf.lfWeight = FW_BOLD;
        lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
        std::strcpy(lf.lfFaceName, "MS Sans Serif");
        font = CreateFontIndirectA(&lf);
    }
    return font;
}

HFONT controlFont(HWND hwnd) {
    auto f = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
    return f ? f : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

// The brush the parent gives for a control (WM_CTLCOLOR...), or the default.
HBRUSH parentBrush(HWND hwnd, HDC hdc, UINT msg, int defaultColor) {
    SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(hdc, GetSysColor(defaultColor));
    if (HWND parent = GetParent(hwnd)) {
        auto b = reinterpret_cast<HBRUSH>(SendMessageA(parent, msg, reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(hwnd)));
        if (b)
            return b;
    }
    return GetSysColorBrush(defaultColor);
}

// Greyed text as Windows 95 draws it: a white copy one pixel down and to the
// right, the grey text on top.
void drawText(HDC hdc, const std::string& text, RECT r, UINT format, bool enabled, COLORREF color) {
    SetBkMode(hdc, TRANSPARENT);
    if (enabled) {
        SetTextColor(hdc, color);
        DrawTextA(hdc, text.c_str(), -1, &r, format);
        return;
    }
    RECT shifted{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
    SetTextColor(hdc, GetSysColor(COLOR_3DHILIGHT));
    DrawTextA(hdc, text.c_str(), -1, &shifted, format);
    SetTextColor(hdc, GetSysColor(COLOR_3DSHADOW));
    DrawTextA(hdc, text.c_str(), -1, &r, format);
}

// Small pictures: one character per pixel, '.' leaves the pixel alone.
void picture(HDC hdc, int x, int y, const std::vector<const char*>& rows) {
    for (size_t j = 0; j < rows.size(); ++j)
        for (size_t i = 0; rows[j][i]; ++i) {
            COLORREF c;
            switch (rows[j][i]) {
            case 'K': c = GetSysColor(COLOR_3DDKSHADOW); break;
            case 'S': c = GetSysColor(COLOR_3DSHADOW); break;
            case 'H': c = GetSysColor(COLOR_3DHILIGHT); break;
            case 'L': c = GetSysColor(COLOR_3DLIGHT); break;
            case 'W': c = GetSysColor(COLOR_WINDOW); break;
            case 'F': c = GetSysColor(COLOR_3DFACE); break;
            case '#': c = GetSysColor(COLOR_WINDOWTEXT); break;
            case 'G': c = GetSysColor(COLOR_GRAYTEXT); break;
            default: continue;
            }
            SetPixel(hdc, x + static_cast<int>(i), y + static_cast<int>(j), c);
        }
}

void paintPushButton(HWND hwnd, HDC hdc, RECT rc, DWORD style, const std::string& text, bool enabled) {
    const LRESULT state = SendMessageA(hwnd, BM_GETSTATE, 0, 0);
    const bool isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    const bool pushed = state & BST_PUSHED;
    FillRect(hdc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    RECT r = rc;
    if (isDefault || pushed) {
        // The default button carries a black outline.
        FrameRect(hdc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&r, -1, -1);
    }
    if (pushed)
        FrameRect(hdc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
    else
        DrawEdge(hdc, &r, EDGE_RAISED, BF_RECT | BF_SOFT);
    RECT t = rc;
    if (pushed)
        OffsetRect(&t, 1, 1);
    drawText(hdc, text, t, DT_CENTER | DT_VCENTER | DT_SINGLELINE, enabled, GetSysColor(COLOR_BTNTEXT));
    if (GetFocus() == hwnd) {
        RECT f = rc;
        InflateRect(&f, -4, -4);
        if (pushed)
            OffsetRect(&f, 1, 1);
        DrawFocusRect(hdc, &f);
    }
}

void paintCheck(HWND hwnd, HDC hdc, RECT rc, DWORD style, const std::string& text, bool enabled, bool radio) {
    const LRESULT check = SendMessageA(hwnd, BM_GETCHECK, 0, 0);
    const LRESULT state = SendMessageA(hwnd, BM_GETSTATE, 0, 0);
    HBRUSH bg = parentBrush(hwnd, hdc, WM_CTLCOLORSTATIC, COLOR_BTNFACE);
    FillRect(hdc, &rc, bg);
    const int box = radio ? 12 : 13;
    const bool leftText = style & BS_LEFTTEXT;
    const int bx = leftText ? rc.right - box : rc.left;
    const int by = rc.top + (rc.bottom - rc.top - box) / 2;
    const bool sunkenFace = (state & BST_PUSHED) || !enabled;
    if (radio) {
        picture(hdc, bx, by,
                {"....SSSS....", "..SSKKKKSS..", ".SKK....KKH.", ".SK......LH.", "SK........LH", "SK........LH",
                 "SK........LH", "SK........LH", ".SK......LH.", ".SLL....LLH.", "..HHLLLLHH..", "....HHHH...."});
        const char fill = sunkenFace ? 'F' : 'W';
        std::string mid(8, fill);
        std::vector<std::string> inner = {std::string(4, fill), std::string(6, fill), mid, mid, mid, mid,
                                          std::string(6, fill), std::string(4, fill)};
        const int offs[] = {4, 3, 2, 2, 2, 2, 3, 4};
        for (size_t j = 0; j < inner.size(); ++j)
            picture(hdc, bx + offs[j], by + 2 + static_cast<int>(j), {inner[j].c_str()});
        if (check == BST_CHECKED)
            picture(hdc, bx + 4, by + 4, {enabled ? ".##." : ".GG.", enabled ? "####" : "GGGG",
                                         enabled ? "####" : "GGGG", enabled ? ".##." : ".GG."});
    } else {
        RECT b{bx, by, bx + box, by + box};
        DrawEdge(hdc, &b, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        FillRect(hdc, &b, GetSysColorBrush(sunkenFace ? COLOR_BTNFACE : COLOR_WINDOW));
        const char* ink = enabled ? "#" : "G";
        if (check != BST_UNCHECKED) {
            std::vector<std::string> mark = {"......x", ".....xx", "x...xxx", "xx.xxx.", "xxxxx..", ".xxx...", "..x...."};
            for (auto& row : mark)
                std::replace(row.begin(), row.end(), 'x', check == BST_INDETERMINATE ? 'G' : ink[0]);
            for (size_t j = 0; j < mark.size(); ++j)
                picture(hdc, bx + 3, by + 3 + static_cast<int>(j), {mark[j].c_str()});
        }
    }
    RECT t = rc;
    if (leftText)
        t.right = bx - 4;
    else
        t.left = bx + box + 4;
    const UINT format = (style & BS_MULTILINE) ? DT_WORDBREAK : (DT_SINGLELINE | DT_VCENTER);
    drawText(hdc, text, t, format, enabled, GetSysColor(COLOR_BTNTEXT));
    if (GetFocus() == hwnd && !text.empty()) {
        RECT calc = t;
        DrawTextA(hdc, text.c_str(), -1, &calc, format | DT_CALCRECT);
        const int h = calc.bottom - calc.top;
        RECT f{t.left - 1, t.top + (t.bottom - t.top - h) / 2 - 1, calc.right + 1, 0};
        f.bottom = f.top + h + 2;
        DrawFocusRect(hdc, &f);
    }
}

void paintGroupBox(HWND hwnd, HDC hdc, RECT rc, const std::string& text, bool enabled) {
    // The inside of a group box shows what lies under it.
    clearToTransparent(hdc, rc);
    TEXTMETRICA tm{};
    GetTextMetricsA(hdc, &tm);
    RECT frame{rc.left, rc.top + tm.tmHeight / 2, rc.right, rc.bottom};
    DrawEdge(hdc, &frame, EDGE_ETCHED, BF_RECT);
    if (!text.empty()) {
        RECT t{rc.left + 8, rc.top, rc.right - 8, rc.top + tm.tmHeight};
        RECT calc = t;
        DrawTextA(hdc, text.c_str(), -1, &calc, DT_SINGLELINE | DT_CALCRECT);
        RECT back{t.left - 2, t.top, std::min(calc.right + 2, t.right), t.bottom};
        FillRect(hdc, &back, GetSysColorBrush(COLOR_BTNFACE));
        drawText(hdc, text, t, DT_SINGLELINE | DT_LEFT | DT_TOP, enabled, GetSysColor(COLOR_BTNTEXT));
    }
}

void paintButton(HWND hwnd, HDC hdc, RECT rc) {
    const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    const std::string text = windowText(hwnd);
    const bool enabled = IsWindowEnabled(hwnd);
    switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON: paintPushButton(hwnd, hdc, rc, style, text, enabled); break;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE: paintCheck(hwnd, hdc, rc, style, text, enabled, false); break;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: paintCheck(hwnd, hdc, rc, style, text, enabled, true); break;
    case BS_GROUPBOX: paintGroupBox(hwnd, hdc, rc, text, enabled); break;
    default: FillRect(hdc, &rc, GetSysColorBrush(COLOR_BTNFACE)); break;
    }
}

void paintStatic(HWND hwnd, HDC hdc, RECT rc) {
    const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    const DWORD type = style & SS_TYPEMASK;
    switch (type) {
    case SS_BLACKRECT: FillRect(hdc, &rc, GetSysColorBrush(COLOR_WINDOWFRAME)); return;
    case SS_GRAYRECT: FillRect(hdc, &rc, GetSysColorBrush(COLOR_BTNSHADOW)); return;
    case SS_WHITERECT: FillRect(hdc, &rc, GetSysColorBrush(COLOR_WINDOW)); return;
    case SS_BLACKFRAME: FrameRect(hdc, &rc, GetSysColorBrush(COLOR_WINDOWFRAME)); return;
    case SS_ETCHEDFRAME: DrawEdge(hdc, &rc, EDGE_ETCHED, BF_RECT); return;
    default: break;
    }
    HBRUSH bg = parentBrush(hwnd, hdc, WM_CTLCOLORSTATIC, COLOR_BTNFACE);
    const COLORREF textColor = GetTextColor(hdc);
    FillRect(hdc, &rc, bg);
    if (type == SS_ICON) {
        if (auto icon = reinterpret_cast<HICON>(SendMessageA(hwnd, STM_GETICON, 0, 0)))
            DrawIcon(hdc, 0, 0, icon);
        return;
    }
    UINT format = DT_EXPANDTABS;
    switch (type) {
    case SS_CENTER: format |= DT_CENTER | DT_WORDBREAK; break;
    case SS_RIGHT: format |= DT_RIGHT | DT_WORDBREAK; break;
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP: format |= DT_LEFT | DT_SINGLELINE; break;
    default: format |= DT_LEFT | DT_WORDBREAK; break;
    }
    if (style & SS_NOPREFIX)
        format |= DT_NOPREFIX;
    drawText(hdc, windowText(hwnd), rc, format, IsWindowEnabled(hwnd), textColor);
}

void paintEdit(HWND hwnd, HDC hdc, RECT rc) {
    const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    const bool enabled = IsWindowEnabled(hwnd);
    const bool readOnly = style & ES_READONLY;
    HBRUSH bg = parentBrush(hwnd, hdc, readOnly || !enabled ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT,
                            readOnly || !enabled ? COLOR_BTNFACE : COLOR_WINDOW);
    const COLORREF textColor = enabled ? GetTextColor(hdc) : GetSysColor(COLOR_GRAYTEXT);
    FillRect(hdc, &rc, bg);
    std::string text = windowText(hwnd);
    if (style & ES_PASSWORD)
        text.assign(text.size(), '*');
    DWORD start = 0, end = 0;
    SendMessageA(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    start = std::min<DWORD>(start, static_cast<DWORD>(text.size()));
    end = std::min<DWORD>(end, static_cast<DWORD>(text.size()));
    const bool focused = GetFocus() == hwnd;
    SIZE caretAt{}, whole{};
    GetTextExtentPoint32A(hdc, text.c_str(), static_cast<int>(end), &caretAt);
    GetTextExtentPoint32A(hdc, text.c_str(), static_cast<int>(text.size()), &whole);
    // Scroll a long single line so that the caret stays in view.
    const int inner = rc.right - rc.left - 2;
    int scroll = 0;
    if (!(style & ES_MULTILINE) && caretAt.cx > inner)
        scroll = caretAt.cx - inner + 1;
    const int x0 = rc.left + 1 - scroll, y0 = rc.top + 1;
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, textColor);
    if (style & ES_MULTILINE) {
        RECT t{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom};
        DrawTextA(hdc, text.c_str(), -1, &t, DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        return;
    }
    TextOutA(hdc, x0, y0, text.c_str(), static_cast<int>(text.size()));
    if (focused && start != end) {
        const DWORD lo = std::min(start, end), hi = std::max(start, end);
        SIZE a{}, b{};
        GetTextExtentPoint32A(hdc, text.c_str(), static_cast<int>(lo), &a);
        GetTextExtentPoint32A(hdc, text.c_str(), static_cast<int>(hi), &b);
        SetBkMode(hdc, OPAQUE);
        SetBkColor(hdc, GetSysColor(COLOR_HIGHLIGHT));
        SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        TextOutA(hdc, x0 + a.cx, y0, text.c_str() + lo, static_cast<int>(hi - lo));
    }
    if (focused && enabled && CaretShown()) {
        TEXTMETRICA tm{};
        GetTextMetricsA(hdc, &tm);
        RECT caret{x0 + caretAt.cx, y0, x0 + caretAt.cx + 1, y0 + tm.tmHeight};
        FillRect(hdc, &caret, GetSysColorBrush(COLOR_WINDOWTEXT));
    }
}

void paintScrollBar(HDC hdc, RECT r, bool vertical) {
    // The trough with an arrow button at each end; no thumb position is kept
    // by the list, so the thumb sits at the top.
    FillRect(hdc, &r, GetSysColorBrush(COLOR_SCROLLBAR));
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left + ((y - r.top) & 1); x < r.right; x += 2)
            SetPixel(hdc, x, y, GetSysColor(COLOR_3DHILIGHT));
    const int s = vertical ? r.right - r.left : r.bottom - r.top;
    RECT up{r.left, r.top, vertical ? r.right : r.left + s, vertical ? r.top + s : r.bottom};
    RECT down{vertical ? r.left : r.right - s, vertical ? r.bottom - s : r.top, r.right, r.bottom};
    for (RECT* b : {&up, &down}) {
        RECT e = *b;
        FillRect(hdc, &e, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(hdc, &e, EDGE_RAISED, BF_RECT | BF_SOFT);
    }
    const int cx = up.left + (up.right - up.left) / 2, cy = up.top + (up.bottom - up.top) / 2;
    for (int i = 0; i < 4; ++i) {
        RECT a{cx - i, cy - 2 + i, cx + i + 1, cy - 1 + i};
        FillRect(hdc, &a, GetSysColorBrush(COLOR_BTNTEXT));
    }
    const int dx = down.left + (down.right - down.left) / 2, dy = down.top + (down.bottom - down.top) / 2;
    for (int i = 0; i < 4; ++i) {
        RECT a{dx - 3 + i, dy - 1 + i, dx + 4 - i, dy + i};
        FillRect(hdc, &a, GetSysColorBrush(COLOR_BTNTEXT));
    }
    RECT thumb{up.left, up.bottom, up.right, up.bottom + s};
    if (thumb.bottom <= down.top) {
        FillRect(hdc, &thumb, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(hdc, &thumb, EDGE_RAISED, BF_RECT | BF_SOFT);
    }
}

void paintListBox(HWND hwnd, HDC hdc, RECT rc) {
    const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    HBRUSH bg = parentBrush(hwnd, hdc, WM_CTLCOLORLISTBOX, COLOR_WINDOW);
    const COLORREF textColor = IsWindowEnabled(hwnd) ? GetTextColor(hdc) : GetSysColor(COLOR_GRAYTEXT);
    FillRect(hdc, &rc, bg);
    const int count = static_cast<int>(SendMessageA(hwnd, LB_GETCOUNT, 0, 0));
    const int top = std::max(0, static_cast<int>(SendMessageA(hwnd, LB_GETTOPINDEX, 0, 0)));
    TEXTMETRICA tm{};
    GetTextMetricsA(hdc, &tm);
    int itemHeight = static_cast<int>(SendMessageA(hwnd, LB_GETITEMHEIGHT, 0, 0));
    if (itemHeight <= 0)
        itemHeight = tm.tmHeight;
    RECT rows = rc;
    if ((style & WS_VSCROLL) && (count * itemHeight > rc.bottom - rc.top || (style & LBS_DISABLENOSCROLL))) {
        rows.right -= GetSystemMetrics(SM_CXVSCROLL);
        paintScrollBar(hdc, RECT{rows.right, rc.top, rc.right, rc.bottom}, true);
    }
    const bool multi = style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL);
    const int current = static_cast<int>(SendMessageA(hwnd, LB_GETCURSEL, 0, 0));
    const int caret = static_cast<int>(SendMessageA(hwnd, LB_GETCARETINDEX, 0, 0));
    const bool focused = GetFocus() == hwnd;
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (style & LBS_USETABSTOPS)
        format |= DT_EXPANDTABS;
    int y = rows.top;
    for (int i = top; i < count && y < rows.bottom; ++i, y += itemHeight) {
        const int len = static_cast<int>(SendMessageA(hwnd, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0));
        std::string text(static_cast<size_t>(std::max(len, 0)) + 1, '\0');
        if (len > 0)
            SendMessageA(hwnd, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(std::strlen(text.c_str()));
        const bool selected = multi ? SendMessageA(hwnd, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0 : i == current;
        RECT row{rows.left, y, rows.right, y + itemHeight};
        if (selected)
            FillRect(hdc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
        RECT t{row.left + 2, row.top, row.right, row.bottom};
        SetBkMode(hdc, TRANSPARENT);
        SetTextColor(hdc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : textColor);
        DrawTextA(hdc, text.c_str(), -1, &t, format);
        if (focused && (multi ? i == caret : i == current))
            DrawFocusRect(hdc, &row);
    }
}

void paintComboBox(HWND hwnd, HDC hdc, RECT rc) {
    HBRUSH bg = parentBrush(hwnd, hdc, WM_CTLCOLOREDIT, COLOR_WINDOW);
    FillRect(hdc, &rc, bg);
    const int bw = GetSystemMetrics(SM_CXVSCROLL);
    RECT button{rc.right - bw, rc.top, rc.right, rc.bottom};
    FillRect(hdc, &button, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(hdc, &button, EDGE_RAISED, BF_RECT | BF_SOFT);
    const int cx = button.left + bw / 2, cy = rc.top + (rc.bottom - rc.top) / 2;
    for (int i = 0; i < 4; ++i) {
        RECT a{cx - 3 + i, cy - 1 + i, cx + 4 - i, cy + i};
        FillRect(hdc, &a, GetSysColorBrush(COLOR_BTNTEXT));
    }
    std::string text = windowText(hwnd);
    RECT t{rc.left + 2, rc.top, button.left - 1, rc.bottom};
    drawText(hdc, text, t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, IsWindowEnabled(hwnd), GetTextColor(hdc));
}

void paintCloseButton(HDC hdc, RECT b) {
    FillRect(hdc, &b, GetSysColorBrush(COLOR_BTNFACE));
    RECT e = b;
    DrawEdge(hdc, &e, EDGE_RAISED, BF_RECT | BF_SOFT);
    // An X of two-pixel strokes, 8 x 7, centred.
    const int x = b.left + (b.right - b.left - 8) / 2, y = b.top + (b.bottom - b.top - 7) / 2;
    picture(hdc, x, y, {"##....##", ".##..##.", "..####..", "...##...", "..####..", ".##..##.", "##....##"});
}

}  // namespace

void Win95Painter::paintNonClient(HWND hwnd) {
    RECT wr{}, cr{};
    if (!GetWindowRect(hwnd, &wr) || !GetClientRect(hwnd, &cr))
        return;
    POINT co{0, 0};
    ClientToScreen(hwnd, &co);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    const int left = co.x - wr.left, top = co.y - wr.top;
    const int right = wr.right - (co.x + cr.right), bottom = wr.bottom - (co.y + cr.bottom);
    HDC hdc = GetWindowDC(hwnd);
    if (!hdc)
        return;
    const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    RECT r{0, 0, w, h};
    int border = std::min({left, right, bottom});
    if (style & WS_CHILD) {
        if (border >= 2)
            DrawEdge(hdc, &r, EDGE_SUNKEN, BF_RECT);
        else if (border == 1)
            FrameRect(hdc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    } else if (border == 1) {
        FrameRect(hdc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    } else if (border >= 2) {
        DrawEdge(hdc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        for (int i = 2; i < border; ++i) {
            FrameRect(hdc, &r, GetSysColorBrush(COLOR_BTNFACE));
            InflateRect(&r, -1, -1);
        }
    }
    if ((style & WS_CAPTION) == WS_CAPTION && top > border) {
        const bool active = GetActiveWindow() == hwnd;
        RECT bar{border, border, w - border, top - 1};
        FillRect(hdc, &bar, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
        RECT below{border, top - 1, w - border, top};
        FillRect(hdc, &below, GetSysColorBrush(COLOR_BTNFACE));
        RECT text = bar;
        text.left += 3;
        if (style & WS_SYSMENU) {
            const int bh = bar.bottom - bar.top - 4;
            RECT close{bar.right - 2 - (bh + 2), bar.top + 2, bar.right - 2, bar.bottom - 2};
            paintCloseButton(hdc, close);
            text.right = close.left - 2;
        }
        HGDIOBJ old = SelectObject(hdc, captionFont());
        SetBkMode(hdc, TRANSPARENT);
        SetTextColor(hdc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
        std::string caption = windowText(hwnd);
        DrawTextA(hdc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
        SelectObject(hdc, old);
    }
    ReleaseDC(hwnd, hdc);
}

void Win95Painter::paintControl(HWND hwnd, ControlKind kind) {
    PAINTSTRUCT ps{};
    HDC hdc = BeginPaint(hwnd, &ps);
    if (!hdc)
        return;
    RECT rc{};
    GetClientRect(hwnd, &rc);
    // A control paints all of itself, whatever part was invalid.
    SelectClipRgn(hdc, nullptr);
    HGDIOBJ oldFont = SelectObject(hdc, controlFont(hwnd));
    switch (kind) {
    case ControlKind::Button: paintButton(hwnd, hdc, rc); break;
    case ControlKind::Static: paintStatic(hwnd, hdc, rc); break;
    case ControlKind::Edit: paintEdit(hwnd, hdc, rc); break;
    case ControlKind::ListBox: paintListBox(hwnd, hdc, rc); break;
    case ControlKind::ComboBox: paintComboBox(hwnd, hdc, rc); break;
    case ControlKind::ScrollBar: {
        const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
        paintScrollBar(hdc, rc, style & 1);  // SBS_VERT
        break;
    }
    }
    SelectObject(hdc, oldFont);
    EndPaint(hwnd, &ps);
}

void Win95Painter::screenChanged() { pruneWindowSurfaces(); }

HFONT Win95Painter::createDialogFont(const char* face, int pointSize) {
    if (pointSize <= 0)
        pointSize = 8;
    return CreateFontA(-MulDiv(pointSize, 96, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0,
                       DEFAULT_PITCH | FF_DONTCARE, face ? face : "");
}

void Win95Painter::releaseFont(HFONT font) {
    DeleteObject(font);
}

bool Win95Painter::baseUnits(HFONT font, SIZE* out) {
    if (!out)
        return false;
    BaseUnits u = fontBaseUnits(font);
    *out = SIZE{u.cx, u.cy};
    return u.cx > 0 && u.cy > 0;
}

bool Win95Painter::textExtent(HFONT font, const char* text, SIZE* out) {
    if (!out || !text)
        return false;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    RECT r{0, 0, 0, 0};
    DrawTextA(dc, text, -1, &r, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, old);
    DeleteDC(dc);
    *out = SIZE{r.right - r.left, r.bottom - r.top};
    return true;
}

namespace {
bool caretShown = true;
}  // namespace
void SetCaretShown(bool shown) { caretShown = shown; }
bool CaretShown() { return caretShown; }

void InstallPainter() {
    static Win95Painter painter;
    nv::user::SetPainter(&painter);
}

}  // namespace nv::gdi
