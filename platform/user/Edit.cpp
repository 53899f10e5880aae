// The single-line edit control: typing, the selection, the text limit,
// ES_UPPERCASE / ES_LOWERCASE / ES_NUMBER / ES_READONLY, ES_AUTOHSCROLL
// (without it typed text must fit the field's width), and EN_CHANGE.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/user/Controls.h"

namespace nv::user {
namespace {

constexpr size_t kDefaultLimit = 30000;  // Windows 95's single-line default

struct EditData : ControlData {
    size_t anchor = 0;
    size_t caret = 0;
    size_t limit = kDefaultLimit;
    bool modified = false;
};

EditData* data(HWND hwnd) {
    Window* w = find(hwnd);
    return w ? dynamic_cast<EditData*>(w->control.get()) : nullptr;
}

char upper1252(char c) {
    auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7))
        return static_cast<char>(b - 0x20);
    return c;
}
char lower1252(char c) {
    auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7))
        return static_cast<char>(b + 0x20);
    return c;
}

std::string convertCase(const Window& w, std::string s) {
    if (w.style & ES_UPPERCASE)
        std::transform(s.begin(), s.end(), s.begin(), upper1252);
    else if (w.style & ES_LOWERCASE)
        std::transform(s.begin(), s.end(), s.begin(), lower1252);
    return s;
}

void changed(HWND hwnd) {
    if (EditData* d = data(hwnd))
        d->modified = true;
    invalidate(hwnd, nullptr, true);
    notifyParent(hwnd, EN_UPDATE);
    notifyParent(hwnd, EN_CHANGE);
}

// Width of a text in the field's font: measured by the renderer when there is
// one; headless, each character counts as the dialog font's average width.
int textWidth(const Window& w, const std::string& text) {
    SIZE size{};
    if (Painter* p = GetPainter(); p && p->textExtent(w.font, text.c_str(), &size))
        return size.cx;
    SIZE units = systemBaseUnits();
    if (Window* parent = w.parent ? find(w.parent) : nullptr; parent && parent->dialog)
        units = parent->dialog->baseUnits;
    return static_cast<int>(text.size()) * units.cx;
}

// How much of `text` still fits when it replaces [a, b) of a field that does
// not scroll: the formatting rectangle is the client area less a one-pixel margin.
size_t fittingPrefix(const Window& w, const std::string& text, size_t a, size_t b) {
    int room = (w.rect.right - w.rect.left) - (w.frame.left + w.frame.right) - 2;
    auto fits = [&](size_t n) {
        std::string result = w.text;
        result.replace(a, b - a, text, 0, n);
        return textWidth(w, result) <= room;
    };
    // Wider with every character: the longest prefix that fits, by halving.
    size_t lo = 0, hi = text.size();
    if (fits(hi))
        return hi;
    while (lo + 1 < hi) {
        size_t mid = lo + (hi - lo) / 2;
        (fits(mid) ? lo : hi) = mid;
    }
    return lo;
}

// Replaces the selection; `typed` applies the limit and the character rules.
bool replaceSelection(HWND hwnd, std::string text, bool typed) {
    Window* w = find(hwnd);
    EditData* d = data(hwnd);
    if (!w || !d)
        return false;
    text = convertCase(*w, std::move(text));
    size_t a = std::min(d->anchor, d->caret), b = std::max(d->anchor, d->caret);
    a = std::min(a, w->text.size());
    b = std::min(b, w->text.size());
    if (typed) {
        size_t room = d->limit > w->text.size() - (b - a) ? d->limit - (w->text.size() - (b - a)) : 0;
        if (text.size() > room) {
            text.resize(room);
            notifyParent(hwnd, EN_MAXTEXT);
            if (!(w = find(hwnd)))
                return false;
            if (text.empty())
                return false;
        }
        a = std::min(a, w->text.size());  // the parent may have changed the text
        b = std::min(b, w->text.size());
        if (!(w->style & (ES_AUTOHSCROLL | ES_MULTILINE))) {
            size_t fits = fittingPrefix(*w, text, a, b);
            if (fits < text.size()) {
                text.resize(fits);
                notifyParent(hwnd, EN_MAXTEXT);
                if (!(w = find(hwnd)) || !(d = data(hwnd)))
                    return false;
                if (text.empty())
                    return false;
                a = std::min(a, w->text.size());
                b = std::min(b, w->text.size());
            }
        }
    }
    if (text.empty() && a == b)
        return false;
    w->text.replace(a, b - a, text);
    d->anchor = d->caret = a + text.size();
    return true;
}

void moveCaret(HWND hwnd, size_t to, bool extend) {
    Window* w = find(hwnd);
    EditData* d = data(hwnd);
    if (!w || !d)
        return;
    d->caret = std::min(to, w->text.size());
    if (!extend)
        d->anchor = d->caret;
    invalidate(hwnd, nullptr, false);
}

}  // namespace

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = find(hwnd);
    if (!w)
        return 0;
    LRESULT r = 0;
    if (handleFont(*w, msg, wParam, lParam, &r))
        return r;
    EditData* d = data(hwnd);
    switch (msg) {
    case WM_NCCREATE:
        w->control = std::make_unique<EditData>();
        DefWindowProcA(hwnd, msg, wParam, lParam);
        if ((w = find(hwnd)))
            w->text = convertCase(*w, w->text);
        return TRUE;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_PAINT:
        paintControl(hwnd, ControlKind::Edit);
        return 0;
    case WM_ENABLE:
        invalidate(hwnd, nullptr, true);
        return 0;
    case WM_SETTEXT:
        if (!d)
            return FALSE;
        // WM_SETTEXT ignores the limit, as on Windows; the caret goes to the start.
        w->text = convertCase(*w, lParam ? reinterpret_cast<const char*>(lParam) : "");
        d->anchor = d->caret = 0;
        d->modified = false;
        invalidate(hwnd, nullptr, true);
        notifyParent(hwnd, EN_UPDATE);
        notifyParent(hwnd, EN_CHANGE);
        return TRUE;
    case WM_CHAR: {
        if (!d || (w->style & ES_READONLY))
            return 0;
        auto ch = static_cast<unsigned char>(wParam);
        if (ch == 8) {
            if (d->anchor == d->caret && d->caret > 0)
                d->anchor = d->caret - 1;
            if (replaceSelection(hwnd, "", false))
                changed(hwnd);
            return 0;
        }
        if (ch < 32)
            return 0;  // Enter, Escape and Tab belong to the dialog
        if ((w->style & ES_NUMBER) && !(ch >= '0' && ch <= '9')) {
            MessageBeep(0);
            return 0;
        }
        if (replaceSelection(hwnd, std::string(1, static_cast<char>(ch)), true))
            changed(hwnd);
        else
            MessageBeep(0);
        return 0;
    }
    case WM_KEYDOWN: {
        if (!d)
            return 0;
        bool shift = keyDown(VK_SHIFT);
        switch (wParam) {
        case VK_HOME:
            moveCaret(hwnd, 0, shift);
            break;
        case VK_END:
            moveCaret(hwnd, w->text.size(), shift);
            break;
        case VK_LEFT:
            if (!shift && d->anchor != d->caret)
                moveCaret(hwnd, std::min(d->anchor, d->caret), false);
            else
                moveCaret(hwnd, d->caret > 0 ? d->caret - 1 : 0, shift);
            break;
        case VK_RIGHT:
            if (!shift && d->anchor != d->caret)
                moveCaret(hwnd, std::max(d->anchor, d->caret), false);
            else
                moveCaret(hwnd, d->caret + 1, shift);
            break;
        case VK_DELETE:
            if (w->style & ES_READONLY)
                break;
            if (d->anchor == d->caret)
                d->caret = std::min(d->caret + 1, w->text.size());
            if (replaceSelection(hwnd, "", false))
                changed(hwnd);
            break;
        default:
            break;
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        setFocus(hwnd);
        // Where the text ends in the control is the font's business; a click
        // puts the caret after the text.
        if ((w = find(hwnd)))
            moveCaret(hwnd, w->text.size(), false);
        return 0;
    case WM_SETFOCUS:
        invalidate(hwnd, nullptr, false);
        notifyParent(hwnd, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        invalidate(hwnd, nullptr, false);
        notifyParent(hwnd, EN_KILLFOCUS);
        return 0;
    case EM_GETSEL: {
        if (!d)
            return 0;
        size_t a = std::min(d->anchor, d->caret), b = std::max(d->anchor, d->caret);
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(a);
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(b);
        return MAKELONG(std::min<size_t>(a, 0xFFFF), std::min<size_t>(b, 0xFFFF));
    }
    case EM_SETSEL: {
        if (!d)
            return 0;
        auto start = static_cast<long long>(static_cast<INT_PTR>(wParam));
        auto end = static_cast<long long>(lParam);
        size_t len = w->text.size();
        if (start == -1) {
            d->anchor = d->caret;  // no selection
        } else {
            if (end < 0)
                end = static_cast<long long>(len);
            d->anchor = std::min(static_cast<size_t>(std::max(0LL, start)), len);
            d->caret = std::min(static_cast<size_t>(std::max(0LL, end)), len);
        }
        invalidate(hwnd, nullptr, false);
        return 0;
    }
    case EM_REPLACESEL:
        if (d && replaceSelection(hwnd, lParam ? reinterpret_cast<const char*>(lParam) : "", true))
            changed(hwnd);
        return 0;
    case EM_LIMITTEXT:
        if (d)
            d->limit = wParam ? static_cast<size_t>(wParam) : 0x7FFFFFFE;
        return 0;
    case EM_GETLIMITTEXT:
        return d ? static_cast<LRESULT>(d->limit) : 0;
    case EM_GETMODIFY:
        return d && d->modified;
    case EM_SETMODIFY:
        if (d)
            d->modified = wParam != 0;
        return 0;
    case EM_SETREADONLY:
        if (wParam)
            w->style |= ES_READONLY;
        else
            w->style &= ~ES_READONLY;
        invalidate(hwnd, nullptr, true);
        return TRUE;
    case EM_GETLINECOUNT:
        return 1;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace nv::user
