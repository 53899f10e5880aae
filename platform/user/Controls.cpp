// Registration of the standard control classes and the pieces they share;
// the static control and the minimal scroll-bar and combo-box classes.
#include "platform/user/Controls.h"

#include "platform/user/WindowManager.h"

namespace nv::user {
namespace {

struct StaticData : ControlData {
    HANDLE image = nullptr;
};

void registerSystem(const char* name, WNDPROC proc, UINT style, int extra = 0) {
    WNDCLASSA wc{};
    wc.style = style | CS_GLOBALCLASS;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = extra;
    wc.lpszClassName = name;
    (void)registerClass(wc, true);
}

}  // namespace

// Shared by the controls: the font they were given.
bool handleFont(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (msg == WM_SETFONT) {
        w.font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam))
            invalidate(w.handle, nullptr, true);
        *result = 0;
        return true;
    }
    if (msg == WM_GETFONT) {
        *result = reinterpret_cast<LRESULT>(w.font);
        return true;
    }
    return false;
}

void registerStandardClasses() {
    registerSystem("Button", ButtonProc, CS_DBLCLKS | CS_PARENTDC);
    registerSystem("Edit", EditProc, CS_DBLCLKS | CS_PARENTDC);
    registerSystem("Static", StaticProc, CS_PARENTDC);
    registerSystem("ListBox", ListBoxProc, CS_DBLCLKS | CS_PARENTDC);
    registerSystem("ScrollBar", SimpleControlProc, CS_DBLCLKS | CS_PARENTDC);
    registerSystem("ComboBox", SimpleControlProc, CS_DBLCLKS | CS_PARENTDC);
    registerSystem("#32770", DialogClassProc, CS_SAVEBITS, DLGWINDOWEXTRA);
}

std::optional<ControlKind> controlKind(HWND hwnd) {
    Window* w = find(hwnd);
    if (!w || !w->cls || !w->cls->system)
        return std::nullopt;
    WNDPROC p = w->cls->proc;
    if (p == ButtonProc)
        return ControlKind::Button;
    if (p == EditProc)
        return ControlKind::Edit;
    if (p == StaticProc)
        return ControlKind::Static;
    if (p == ListBoxProc)
        return ControlKind::ListBox;
    if (p == SimpleControlProc)
        return w->cls->name == "ScrollBar" ? ControlKind::ScrollBar : ControlKind::ComboBox;
    return std::nullopt;
}

void notifyParent(HWND control, WORD code) {
    Window* w = find(control);
    if (!w || !w->parent)
        return;
    send(w->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w->id), code), reinterpret_cast<LPARAM>(control));
}

void paintControl(HWND hwnd, ControlKind kind) {
    if (Painter* p = GetPainter())
        p->paintControl(hwnd, kind);
    validate(hwnd, nullptr);
}

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = find(hwnd);
    if (!w)
        return 0;
    LRESULT r = 0;
    if (handleFont(*w, msg, wParam, lParam, &r))
        return r;
    switch (msg) {
    case WM_CREATE:
        w->control = std::make_unique<StaticData>();
        return 0;
    case WM_PAINT:
        paintControl(hwnd, ControlKind::Static);
        return 0;
    case WM_SETTEXT:
        DefWindowProcA(hwnd, msg, wParam, lParam);
        invalidate(hwnd, nullptr, true);
        return TRUE;
    case WM_ENABLE:
        invalidate(hwnd, nullptr, true);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_NCHITTEST:
        return (w->style & SS_NOTIFY) ? 1 : -1;  // HTCLIENT : HTTRANSPARENT
    case STM_SETICON:
    case STM_SETIMAGE: {
        auto* d = dynamic_cast<StaticData*>(w->control.get());
        if (!d)
            return 0;
        HANDLE old = d->image;
        d->image = reinterpret_cast<HANDLE>(msg == STM_SETICON ? wParam : static_cast<WPARAM>(lParam));
        invalidate(hwnd, nullptr, true);
        return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON:
    case STM_GETIMAGE: {
        auto* d = dynamic_cast<StaticData*>(w->control.get());
        return d ? reinterpret_cast<LRESULT>(d->image) : 0;
    }
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

LRESULT CALLBACK SimpleControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = find(hwnd);
    if (!w)
        return 0;
    LRESULT r = 0;
    if (handleFont(*w, msg, wParam, lParam, &r))
        return r;
    if (msg == WM_PAINT) {
        auto kind = controlKind(hwnd);
        paintControl(hwnd, kind ? *kind : ControlKind::ScrollBar);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace nv::user
