// The button control: push and default push buttons, check boxes, radio
// buttons (auto radio buttons keep their group to one choice), group boxes.
#include <windows.h>

#include "platform/user/Controls.h"

namespace nv::user {
namespace {

struct ButtonData : ControlData {
    UINT check = BST_UNCHECKED;
    bool pushed = false;
    bool focused = false;
};

ButtonData* data(HWND hwnd) {
    Window* w = find(hwnd);
    return w ? dynamic_cast<ButtonData*>(w->control.get()) : nullptr;
}

DWORD type(const Window& w) { return w.style & BS_TYPEMASK; }

bool isRadio(DWORD t) { return t == BS_RADIOBUTTON || t == BS_AUTORADIOBUTTON; }
bool isCheck(DWORD t) { return t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_3STATE || t == BS_AUTO3STATE; }

void setCheck(HWND hwnd, UINT value) {
    Window* w = find(hwnd);
    ButtonData* d = data(hwnd);
    if (!w || !d)
        return;
    DWORD t = type(*w);
    if (!isRadio(t) && !isCheck(t))
        return;
    if (t != BS_3STATE && t != BS_AUTO3STATE && value > BST_CHECKED)
        value = BST_CHECKED;
    if (d->check != value) {
        d->check = value;
        invalidate(hwnd, nullptr, true);
    }
    // A checked radio button is the group's tab stop.
    if (isRadio(t)) {
        if (value)
            w->style |= WS_TABSTOP;
        else
            w->style &= ~WS_TABSTOP;
    }
}

void click(HWND hwnd) {
    Window* w = find(hwnd);
    ButtonData* d = data(hwnd);
    if (!w || !d)
        return;
    switch (type(*w)) {
    case BS_AUTOCHECKBOX:
        setCheck(hwnd, d->check ? BST_UNCHECKED : BST_CHECKED);
        break;
    case BS_AUTO3STATE:
        setCheck(hwnd, (d->check + 1) % 3);
        break;
    case BS_AUTORADIOBUTTON:
        for (HWND other : groupOf(hwnd)) {
            Window* ow = find(other);
            if (other != hwnd && ow && controlKind(other) == ControlKind::Button &&
                type(*ow) == BS_AUTORADIOBUTTON)
                setCheck(other, BST_UNCHECKED);
        }
        setCheck(hwnd, BST_CHECKED);
        break;
    default:
        break;
    }
    notifyParent(hwnd, BN_CLICKED);
}

void setPushed(HWND hwnd, bool pushed) {
    ButtonData* d = data(hwnd);
    if (d && d->pushed != pushed) {
        d->pushed = pushed;
        invalidate(hwnd, nullptr, true);
    }
}

}  // namespace

std::vector<HWND> groupOf(HWND control) {
    std::vector<HWND> out;
    Window* w = find(control);
    if (!w || !w->parent)
        return out;
    const auto& sib = get(w->parent).children;
    size_t at = 0;
    while (at < sib.size() && sib[at] != control)
        ++at;
    if (at == sib.size())
        return out;
    size_t first = at;
    while (first > 0 && !(get(sib[first]).style & WS_GROUP))
        --first;
    for (size_t i = first; i < sib.size(); ++i) {
        if (i > first && (get(sib[i]).style & WS_GROUP))
            break;
        out.push_back(sib[i]);
    }
    return out;
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = find(hwnd);
    if (!w)
        return 0;
    LRESULT r = 0;
    if (handleFont(*w, msg, wParam, lParam, &r))
        return r;
    DWORD t = type(*w);
    switch (msg) {
    case WM_CREATE:
        w->control = std::make_unique<ButtonData>();
        return 0;
    case WM_GETDLGCODE:
        if (t == BS_DEFPUSHBUTTON)
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (t == BS_PUSHBUTTON)
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        if (isRadio(t))
            return DLGC_BUTTON | DLGC_RADIOBUTTON;
        if (t == BS_GROUPBOX)
            return DLGC_STATIC;
        return DLGC_BUTTON;
    case WM_PAINT:
        paintControl(hwnd, ControlKind::Button);
        return 0;
    case WM_SETTEXT:
        DefWindowProcA(hwnd, msg, wParam, lParam);
        invalidate(hwnd, nullptr, true);
        return TRUE;
    case WM_ENABLE:
        invalidate(hwnd, nullptr, true);
        return 0;
    case WM_NCHITTEST:
        return t == BS_GROUPBOX ? -1 : 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (t == BS_GROUPBOX)
            return 0;
        setFocus(hwnd);
        setCapture(hwnd);
        setPushed(hwnd, true);
        return 0;
    case WM_LBUTTONUP: {
        ButtonData* d = data(hwnd);
        if (capture() != hwnd)
            return 0;
        bool was = d && d->pushed;
        setCapture(nullptr);
        setPushed(hwnd, false);
        RECT c{0, 0, w->rect.right - w->rect.left - w->frame.left - w->frame.right,
               w->rect.bottom - w->rect.top - w->frame.top - w->frame.bottom};
        POINT p{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
        if (was && PtInRect(&c, p))
            click(hwnd);
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && t != BS_GROUPBOX) {
            setPushed(hwnd, true);
            setCapture(hwnd);
        }
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE) {
            ButtonData* d = data(hwnd);
            if (d && d->pushed) {
                if (capture() == hwnd)
                    setCapture(nullptr);
                setPushed(hwnd, false);
                click(hwnd);
            }
        }
        return 0;
    case WM_CHAR:
        return 0;
    case WM_SETFOCUS:
        if (ButtonData* d = data(hwnd)) {
            d->focused = true;
            invalidate(hwnd, nullptr, true);
        }
        if (w->style & BS_NOTIFY)
            notifyParent(hwnd, BN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        if (ButtonData* d = data(hwnd)) {
            d->focused = false;
            if (d->pushed) {
                setPushed(hwnd, false);
                if (capture() == hwnd)
                    setCapture(nullptr);
            }
            invalidate(hwnd, nullptr, true);
        }
        if (find(hwnd) && (find(hwnd)->style & BS_NOTIFY))
            notifyParent(hwnd, BN_KILLFOCUS);
        return 0;
    case WM_CAPTURECHANGED:
        setPushed(hwnd, false);
        return 0;
    case BM_GETCHECK: {
        ButtonData* d = data(hwnd);
        return d && (isRadio(t) || isCheck(t)) ? d->check : 0;
    }
    case BM_SETCHECK:
        setCheck(hwnd, static_cast<UINT>(wParam));
        return 0;
    case BM_GETSTATE: {
        ButtonData* d = data(hwnd);
        if (!d)
            return 0;
        return ((isRadio(t) || isCheck(t)) ? d->check : 0) | (d->pushed ? BST_PUSHED : 0) |
               (d->focused ? BST_FOCUS : 0);
    }
    case BM_SETSTATE:
        setPushed(hwnd, wParam != 0);
        return 0;
    case BM_SETSTYLE:
        w->style = (w->style & ~0xFFFFu) | (static_cast<DWORD>(wParam) & 0xFFFF);
        if (LOWORD(lParam))
            invalidate(hwnd, nullptr, true);
        return 0;
    case BM_CLICK:
        // Windows clicks with the mouse messages, so the same rules apply.
        if (!(w->style & WS_DISABLED)) {
            send(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
            send(hwnd, WM_LBUTTONUP, 0, 0);
        }
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace nv::user
