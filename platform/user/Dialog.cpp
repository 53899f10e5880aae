// The dialog manager: creating a dialog from a template, the default dialog
// procedure, the modal loop and the keyboard rules.
#include "platform/user/Dialog.h"

#include <algorithm>
#include <cctype>

#include "platform/core/Machine.h"
#include "platform/core/Trace.h"
#include "platform/user/Controls.h"
#include "platform/user/Hook.h"
#include "platform/user/WindowManager.h"

namespace nv::user {
namespace {

WaitHandler& waitHandler() {
    static WaitHandler h;
    return h;
}

int mul(int v, int base, int div) {
    // MulDiv: rounded to the nearest.
    long long p = static_cast<long long>(v) * base;
    return static_cast<int>(p >= 0 ? (p + div / 2) / div : (p - div / 2) / div);
}

bool usable(HWND h) {
    Window* w = find(h);
    return w && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED);
}

UINT dlgCode(HWND h, WPARAM key = 0, MSG* msg = nullptr) {
    return static_cast<UINT>(send(h, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(msg)));
}

bool isPushButton(HWND h) { return (dlgCode(h) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0; }

// The direct child of the dialog that contains `h`.
HWND dialogChildOf(HWND dlg, HWND h) {
    Window* w = find(h);
    while (w && w->parent && w->parent != dlg) {
        h = w->parent;
        w = find(h);
    }
    return w && w->parent == dlg ? h : nullptr;
}

// Push buttons show which one Enter would press: the focused push button,
// else the dialog's default.
void updateDefaultLook(HWND dlg, HWND focused) {
    Window* d = find(dlg);
    if (!d || !d->dialog)
        return;
    HWND target = focused && isPushButton(focused) ? focused : nullptr;
    if (!target && d->dialog->defId) {
        for (HWND c : d->children)
            if (find(c) && static_cast<UINT>(find(c)->id) == d->dialog->defId)
                target = c;
    }
    auto kids = d->children;
    for (HWND c : kids) {
        if (!isPushButton(c))
            continue;
        DWORD want = c == target ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if ((get(c).style & BS_TYPEMASK) != want)
            send(c, BM_SETSTYLE, want, TRUE);
    }
}

// The control whose text has the mnemonic `ch` ("&Yes" has 'y').
HWND mnemonicControl(HWND dlg, char ch) {
    Window* d = find(dlg);
    if (!d)
        return nullptr;
    char want = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    for (HWND c : d->children) {
        Window* w = find(c);
        if (!w || !(w->style & WS_VISIBLE))
            continue;
        if (controlKind(c) == ControlKind::Static && (w->style & SS_NOPREFIX))
            continue;
        const std::string& t = w->text;
        for (size_t i = 0; i + 1 < t.size(); ++i) {
            if (t[i] != '&')
                continue;
            if (t[i + 1] == '&') {
                ++i;
                continue;
            }
            if (std::toupper(static_cast<unsigned char>(t[i + 1])) == want)
                return c;
            break;
        }
    }
    return nullptr;
}

void pressMnemonic(HWND dlg, HWND c) {
    auto kind = controlKind(c);
    if (kind == ControlKind::Static) {
        // A label hands the focus to the control after it.
        HWND next = nextTabItem(dlg, c, false);
        if (next)
            setDialogFocus(dlg, next);
        return;
    }
    if (!usable(c))
        return;
    if (kind == ControlKind::Button) {
        setDialogFocus(dlg, c);
        send(c, BM_CLICK, 0, 0);
    } else {
        setDialogFocus(dlg, c);
    }
}

HWND defaultButtonIn(HWND parent) {
    Window* p = find(parent);
    if (!p)
        return nullptr;
    auto kids = p->children;
    for (HWND c : kids) {
        Window* w = find(c);
        if (!w)
            continue;
        if (dlgCode(c) & DLGC_DEFPUSHBUTTON)
            return c;
        if ((w->exStyle & WS_EX_CONTROLPARENT) && (w->style & (WS_VISIBLE | WS_DISABLED)) == WS_VISIBLE)
            if (HWND inner = defaultButtonIn(c))
                return inner;
    }
    return nullptr;
}

bool handleDefaultMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    Window* w = find(dlg);
    DialogData* d = w ? w->dialog.get() : nullptr;
    if (!d)
        return false;
    switch (msg) {
    case WM_ERASEBKGND:
        *result = 1;
        return true;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND f = focus();
            if (f && dialogChildOf(dlg, f))
                d->savedFocus = f;
        } else {
            HWND f = focus();
            bool inside = f && (f == dlg || dialogChildOf(dlg, f));
            if (!inside || f == dlg) {
                HWND to = d->savedFocus && find(d->savedFocus) && usable(d->savedFocus) ? d->savedFocus
                                                                                        : nextTabItem(dlg, nullptr, false);
                if (to)
                    setDialogFocus(dlg, to);
                else if (!inside)
                    setFocus(dlg);
            }
        }
        *result = 0;
        return true;
    case WM_SETFOCUS: {
        HWND to = d->savedFocus && find(d->savedFocus) && usable(d->savedFocus) ? d->savedFocus
                                                                                : nextTabItem(dlg, nullptr, false);
        if (to)
            setDialogFocus(dlg, to);
        *result = 0;
        return true;
    }
    case WM_CLOSE: {
        HWND cancel = nullptr;
        for (HWND c : w->children)
            if (find(c) && find(c)->id == IDCANCEL)
                cancel = c;
        if (cancel && !usable(cancel))
            MessageBeep(0);
        else
            post(dlg, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(cancel));
        *result = 0;
        return true;
    }
    case DM_GETDEFID:
        // An ended dialog has no default; without a default id, the push
        // button that says it is the default (inside control parents too).
        *result = 0;
        if (!d->ended) {
            if (d->defId)
                *result = MAKELONG(d->defId, DC_HASDEFID);
            else if (HWND def = defaultButtonIn(dlg))
                *result = MAKELONG(static_cast<WORD>(get(def).id), DC_HASDEFID);
        }
        return true;
    case DM_SETDEFID:
        d->defId = static_cast<UINT>(wParam);
        updateDefaultLook(dlg, focus() && isPushButton(focus()) && dialogChildOf(dlg, focus()) ? focus() : nullptr);
        *result = TRUE;
        return true;
    case WM_NEXTDLGCTL: {
        HWND to = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam) : nextTabItem(dlg, focus(), wParam != 0);
        if (to)
            setDialogFocus(dlg, to);
        *result = 0;
        return true;
    }
    case WM_SETFONT:
        w->font = reinterpret_cast<HFONT>(wParam);
        *result = 0;
        return true;
    case WM_GETFONT:
        *result = reinterpret_cast<LRESULT>(w->font);
        return true;
    case WM_NCDESTROY:
        if (d->ownFont && d->font) {
            if (Painter* p = GetPainter())
                p->releaseFont(d->font);
            d->font = nullptr;
        }
        *result = DefWindowProcA(dlg, msg, wParam, lParam);
        return true;
    default:
        return false;
    }
}

}  // namespace

void setWaitHandler(WaitHandler handler) { waitHandler() = std::move(handler); }

LRESULT CALLBACK DialogClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefDlgProcA(hwnd, msg, wParam, lParam);
}

namespace {

DWORD navStyle(HWND h) {
    Window* w = find(h);
    return w ? w->style : 0;
}
DWORD navExStyle(HWND h) {
    Window* w = find(h);
    return w ? w->exStyle : 0;
}
// The dialog manager reads the window's own bits, not whether its parents show.
bool navUsable(HWND h) { return (navStyle(h) & (WS_VISIBLE | WS_DISABLED)) == WS_VISIBLE; }
bool navControlParent(HWND h) { return (navExStyle(h) & WS_EX_CONTROLPARENT) && navUsable(h); }
HWND navParent(HWND h) {
    Window* w = find(h);
    return w ? w->parent : nullptr;
}
HWND navEdgeChild(HWND h, bool last) {
    Window* w = find(h);
    if (!w || w->children.empty())
        return nullptr;
    return last ? w->children.back() : w->children.front();
}
HWND navSibling(HWND h, bool previous) {
    HWND p = navParent(h);
    Window* pw = p ? find(p) : nullptr;
    if (!pw)
        return nullptr;
    const auto& kids = pw->children;
    auto it = std::find(kids.begin(), kids.end(), h);
    if (it == kids.end())
        return nullptr;
    if (previous)
        return it == kids.begin() ? nullptr : *(it - 1);
    return it + 1 == kids.end() ? nullptr : *(it + 1);
}
bool navDescendant(HWND ancestor, HWND h) {
    for (HWND p = navParent(h); p; p = navParent(p))
        if (p == ancestor)
            return true;
    return false;
}

// The tab order runs through the children in z-order and into every shown,
// enabled WS_EX_CONTROLPARENT child as if its children were the dialog's.
HWND tabItemIn(HWND dlg, HWND container, HWND from, bool previous) {
    HWND at = nullptr;
    if (!from) {
        at = navEdgeChild(container, previous);
    } else if (navDescendant(dlg, from)) {
        at = navSibling(from, previous);
        if (!at)
            at = navParent(from) != dlg ? navSibling(navParent(from), previous) : navEdgeChild(navParent(from), previous);
    }
    for (; at; at = navSibling(at, previous)) {
        if (navExStyle(at) & WS_EX_CONTROLPARENT) {
            if (navUsable(at))
                if (HWND inner = tabItemIn(dlg, at, nullptr, previous))
                    return inner;
        } else if ((navStyle(at) & WS_TABSTOP) && navUsable(at)) {
            return at;
        }
    }
    if (!from)
        return nullptr;
    HWND found = nullptr;
    for (HWND p = navParent(from); p && p != dlg && !found; p = navParent(p))
        found = tabItemIn(dlg, navParent(p), p, previous);
    if (!found)
        found = tabItemIn(dlg, dlg, nullptr, previous);
    return found ? found : from;
}

}  // namespace

HWND nextTabItem(HWND dlg, HWND from, bool previous) {
    if (!find(dlg))
        return nullptr;
    if (from == dlg)
        from = nullptr;
    if (!from && previous)
        return nullptr;  // as Windows answers, whatever the documentation says
    return tabItemIn(dlg, dlg, from, previous);
}

// The group of a control runs from the control with WS_GROUP before it to the
// next one; the walk goes forward around the dialog (into control parents),
// and for "previous" keeps the last usable control before coming back.
HWND nextGroupItem(HWND dlg, HWND from, bool previous) {
    if (!find(dlg))
        return nullptr;
    if (from == dlg)
        from = nullptr;
    if (!from && previous)
        return nullptr;
    if (from) {
        if (!navDescendant(dlg, from))
            return nullptr;
    } else {
        from = navEdgeChild(dlg, false);
        if (!from)
            return nullptr;
        if (navUsable(from))
            return from;
    }
    HWND result = from, at = from, lastGroup = nullptr;
    bool looped = false, skipping = false;
    for (;;) {
        HWND next = navSibling(at, false);
        while (!next) {
            if (navParent(at) == dlg) {
                if (looped)
                    return result;  // Guard: a group with no usable control ends after one round
                looped = true;
                next = navEdgeChild(dlg, false);
            } else {
                at = navParent(at);
                next = navSibling(at, false);
            }
        }
        at = next;
        while (navControlParent(at) && (next = navEdgeChild(at, false)))
            at = next;
        if (navStyle(at) & WS_GROUP) {
            lastGroup = at;
            skipping = true;
        }
        if (at == from) {
            if (!skipping || lastGroup == at)
                break;
            at = lastGroup;
            skipping = false;
            looped = false;
        }
        if (!skipping && navUsable(at)) {
            result = at;
            if (!previous)
                break;
        }
    }
    return result;
}

void setDialogFocus(HWND dlg, HWND control) {
    if (!control || !find(control))
        return;
    setFocus(control);
    if (dlgCode(control) & DLGC_HASSETSEL)
        send(control, EM_SETSEL, 0, -1);
    updateDefaultLook(dlg, control);
}

bool endDialog(HWND dlg, INT_PTR result) {
    Window* w = find(dlg);
    if (!w || !w->dialog)
        return false;
    bool wasEnded = w->dialog->ended;
    w->dialog->ended = true;
    w->dialog->result = result;
    if (!wasEnded) {
        // The owner comes back first so that it takes the activation.
        if (w->owner && (w->style & WS_POPUP) == WS_POPUP && find(w->owner))
            enableWindow(w->owner, true);
        if (find(dlg))
            showWindow(dlg, SW_HIDE);
    }
    return true;
}

RECT mapDialogRect(HWND dlg, RECT r) {
    Window* w = find(dlg);
    SIZE u = w && w->dialog ? w->dialog->baseUnits : systemBaseUnits();
    return RECT{mul(r.left, u.cx, 4), mul(r.top, u.cy, 8), mul(r.right, u.cx, 4), mul(r.bottom, u.cy, 8)};
}

Result<HWND> createDialog(const DialogTemplate& t, const DialogSource& src, HWND owner, DLGPROC proc, LPARAM param) {
    // The font and its base units.
    HFONT font = nullptr;
    SIZE units = systemBaseUnits();
    bool ownFont = false;
    if (t.hasFont) {
        units = baseUnitsFor(t.face.c_str(), t.pointSize);
        if (Painter* p = GetPainter()) {
            font = p->createDialogFont(t.face.c_str(), t.pointSize);
            ownFont = font != nullptr;
            SIZE measured{};
            if (font && p->baseUnits(font, &measured) && measured.cx > 0 && measured.cy > 0)
                units = measured;
        }
    }
    DWORD style = t.style & ~WS_VISIBLE;
    DWORD exStyle = t.exStyle;
    if (style & DS_MODALFRAME)
        exStyle |= WS_EX_DLGMODALFRAME;
    if (!(style & WS_CHILD))
        exStyle |= WS_EX_CONTROLPARENT;
    RECT client{0, 0, mul(t.cx, units.cx, 4), mul(t.cy, units.cy, 8)};
    RECT frame = frameFor(style, exStyle);
    int cx = client.right + frame.left + frame.right;
    int cy = client.bottom + frame.top + frame.bottom;
    int x = mul(t.x, units.cx, 4), y = mul(t.y, units.cy, 8);
    Window* ow = owner ? find(owner) : nullptr;
    if (style & DS_CENTER) {
        x = (systemMetric(SM_CXSCREEN) - cx) / 2;
        y = (systemMetric(SM_CYSCREEN) - cy) / 2;
    } else if (ow && !(style & DS_ABSALIGN) && !(style & WS_CHILD)) {
        // Template coordinates are relative to the owner's client area.
        POINT o = clientOrigin(*ow);
        x += o.x;
        y += o.y;
    }

    CreateParams p;
    p.exStyle = exStyle;
    p.className = t.className.empty() ? "#32770" : t.className;
    p.title = t.caption.c_str();
    p.style = style;
    p.x = x;
    p.y = y;
    p.cx = cx;
    p.cy = cy;
    p.parent = owner;
    p.instance = src.instance;
    auto dialogData = std::make_shared<DialogData>();
    dialogData->proc = proc;
    dialogData->templateName = src.templateName;
    dialogData->font = font;
    dialogData->ownFont = ownFont;
    dialogData->baseUnits = units;
    p.prepare = [dialogData](Window& w) { w.dialog = std::make_unique<DialogData>(*dialogData); };
    auto made = createWindow(p);
    if (!made) {
        if (ownFont)
            if (Painter* pt = GetPainter())
                pt->releaseFont(font);
        return made.take_error();
    }
    HWND dlg = *made;
    if (!find(dlg))
        return Error::win32(ERROR_INVALID_WINDOW_HANDLE, "dialog destroyed while being created");
    if (font)
        send(dlg, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);

    bool threeD = (t.style & DS_3DLOOK) != 0;
    for (size_t i = 0; i < t.items.size(); ++i) {
        const DialogItem& it = t.items[i];
        if (!find(dlg))
            return Error::win32(ERROR_INVALID_WINDOW_HANDLE, "dialog destroyed while being created");
        CreateParams c;
        c.className = it.className;
        c.style = it.style | WS_CHILD;
        c.exStyle = it.exStyle;
        bool bordered = machine::equalsNoCase(it.className, "Edit") || machine::equalsNoCase(it.className, "ListBox");
        if (threeD && bordered && (c.style & WS_BORDER)) {
            // 3-D dialogs give edit fields and lists a sunken edge instead of a line.
            c.style &= ~WS_BORDER;
            c.exStyle |= WS_EX_CLIENTEDGE;
        }
        std::string title = it.titleIsOrdinal ? std::string() : it.title;
        c.title = title.c_str();
        c.x = mul(it.x, units.cx, 4);
        c.y = mul(it.y, units.cy, 8);
        c.cx = mul(it.cx, units.cx, 4);
        c.cy = mul(it.cy, units.cy, 8);
        c.parent = dlg;
        c.menu = reinterpret_cast<HMENU>(static_cast<uintptr_t>(static_cast<WORD>(it.id)));
        c.instance = src.instance;
        auto ctl = createWindow(c);
        if (!ctl) {
            if (t.style & DS_NOFAILCREATE)
                continue;
            destroyWindow(dlg);
            Error e = ctl.take_error();
            e.message = "dialog " + (src.templateName.empty() ? std::string("(in memory)") : src.templateName) +
                        ": control " + std::to_string(i + 1) + " (id " + std::to_string(it.id) + "): " + e.message;
            return e;
        }
        Window* d = find(dlg);
        if (d && d->dialog && !d->dialog->defId && machine::equalsNoCase(it.className, "Button") &&
            (it.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            d->dialog->defId = static_cast<WORD>(it.id);
        if (font)
            send(*ctl, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    }
    if (!find(dlg))
        return Error::win32(ERROR_INVALID_WINDOW_HANDLE, "dialog destroyed while being created");

    HWND first = nextTabItem(dlg, nullptr, false);
    LRESULT wantsFocus = send(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
    Window* d = find(dlg);
    if (!d)
        return Error::win32(ERROR_INVALID_WINDOW_HANDLE, "dialog destroyed in WM_INITDIALOG");
    if (wantsFocus) {
        HWND to = nextTabItem(dlg, nullptr, false);  // the procedure may have changed the controls
        if (to && d->dialog && !d->dialog->ended) {
            d->dialog->savedFocus = to;
            setDialogFocus(dlg, to);
        }
    }
    if ((t.style & WS_VISIBLE) && find(dlg) && !find(dlg)->dialog->ended) {
        showWindow(dlg, SW_SHOWNORMAL);
        paintNow(dlg);
    }
    return dlg;
}

void cancelModesFor(HWND owner) {
    HWND active = activeWindow();
    if (!active || !find(active))
        return;
    if (active == owner && !(get(owner).style & WS_DISABLED))
        return;
    send(active, WM_CANCELMODE, 0, 0);
}

INT_PTR runModal(HWND dlg, HWND owner, int filterCode, WaitKind kind) {
    Window* w = find(dlg);
    if (!w || !w->dialog)
        return -1;
    bool ownerWasEnabled = false;
    if (owner && find(owner)) {
        ownerWasEnabled = !(get(owner).style & WS_DISABLED);
        if (ownerWasEnabled && !w->dialog->ended)
            enableWindow(owner, false);
    }
    pushIdleHandler([dlg, kind]() {
        if (!find(dlg))
            return false;
        paintNow(dlg);
        auto& h = waitHandler();
        if (!h) {
            // Only timers could move on, and a person is what this waits for.
            stall(describeWaiting() + ": waits for input, but there is no input source");
            return false;
        }
        return h(dlg, kind);
    });
    INT_PTR result = -1;
    bool shown = false;
    for (;;) {
        w = find(dlg);
        if (!w || !w->dialog || w->dialog->ended || halted())
            break;
        MSG msg{};
        // Windows shows a modal dialog the first time its queue is empty:
        // what was already posted (to the owner too) runs first.
        if (!shown && !peek(&msg, nullptr, 0, 0, Fetch::Keep)) {
            shown = true;
            if (!(w->style & WS_VISIBLE))
                showWindow(dlg, SW_SHOWNORMAL);
            paintNow(dlg);
            continue;
        }
        if (!get(&msg, nullptr, 0, 0)) {
            if (!halted())
                postQuit(static_cast<int>(msg.wParam));  // the outer loop must see it too
            break;
        }
        if (callMsgFilter(&msg, filterCode))
            continue;
        if (!find(dlg) || !isDialogMessage(dlg, &msg)) {
            translate(&msg);
            dispatch(&msg);
        }
    }
    popIdleHandler();
    w = find(dlg);
    if (w && w->dialog && w->dialog->ended)
        result = w->dialog->result;
    if (owner && find(owner) && ownerWasEnabled && (get(owner).style & WS_DISABLED))
        enableWindow(owner, true);
    if (find(dlg))
        destroyWindow(dlg);
    return result;
}

bool isDialogMessage(HWND dlg, MSG* msg) {
    if (!find(dlg) || !msg->hwnd)
        return false;
    if (msg->hwnd != dlg && !dialogChildOf(dlg, msg->hwnd))
        return false;
    switch (msg->message) {
    case WM_KEYDOWN: {
        UINT code = dlgCode(msg->hwnd, msg->wParam, msg);
        if (code & DLGC_WANTALLKEYS)
            break;
        switch (msg->wParam) {
        case VK_TAB:
            if (code & DLGC_WANTTAB)
                break;
            if (HWND next = nextTabItem(dlg, focus(), keyDown(VK_SHIFT)))
                setDialogFocus(dlg, next);
            return true;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            if (code & DLGC_WANTARROWS)
                break;
            if (HWND next = nextGroupItem(dlg, focus(), msg->wParam == VK_LEFT || msg->wParam == VK_UP)) {
                setDialogFocus(dlg, next);
                if (dlgCode(next) & DLGC_RADIOBUTTON)
                    send(next, BM_CLICK, 0, 0);
            }
            return true;
        case VK_ESCAPE: {
            HWND cancel = nullptr;
            for (HWND c : get(dlg).children)
                if (find(c) && find(c)->id == IDCANCEL)
                    cancel = c;
            send(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
            return true;
        }
        case VK_RETURN: {
            HWND f = focus();
            UINT id = IDOK;
            HWND ctl = nullptr;
            if (f && dialogChildOf(dlg, f) == f && isPushButton(f)) {
                ctl = f;
                id = static_cast<UINT>(get(f).id);
            } else {
                LRESULT def = send(dlg, DM_GETDEFID, 0, 0);
                if (HIWORD(def) == DC_HASDEFID)
                    id = LOWORD(def);
                if (Window* d = find(dlg))
                    for (HWND c : d->children)
                        if (find(c) && static_cast<UINT>(find(c)->id) == id)
                            ctl = c;
            }
            if (ctl && !usable(ctl)) {
                MessageBeep(0);
                return true;
            }
            send(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(ctl));
            return true;
        }
        default:
            break;
        }
        break;
    }
    case WM_CHAR:
    case WM_SYSCHAR: {
        UINT code = dlgCode(msg->hwnd, msg->wParam, msg);
        if (msg->message == WM_CHAR && (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)))
            break;
        if (msg->wParam == '\t' || msg->wParam == '\r' || msg->wParam == 27)
            return true;
        if (HWND c = mnemonicControl(dlg, static_cast<char>(msg->wParam))) {
            pressMnemonic(dlg, c);
            return true;
        }
        if (msg->message == WM_SYSCHAR)
            return true;
        break;
    }
    default:
        break;
    }
    translate(msg);
    dispatch(msg);
    return true;
}

}  // namespace nv::user

using namespace nv::user;

LRESULT WINAPI DefDlgProcA(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    NV_TRACE_GUARD();
    Window* w = find(dlg);
    if (!w)
        return 0;
    if (!w->dialog)
        return DefWindowProcA(dlg, msg, wParam, lParam);
    DLGPROC proc = w->dialog->proc;
    w->dialog->msgResult = 0;
    INT_PTR r = FALSE;
    if (proc) {
        nv::trace::Callback program(proc);
        r = proc(dlg, msg, wParam, lParam);
    }
    w = find(dlg);
    if (!w || !w->dialog)
        return r;
    if (r) {
        switch (msg) {
        case WM_INITDIALOG:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_QUERYDRAGICON:
            return r;
        default:
            return w->dialog->msgResult;
        }
    }
    if (msg == WM_INITDIALOG)
        return 0;
    LRESULT result = 0;
    if (handleDefaultMessage(dlg, msg, wParam, lParam, &result))
        return result;
    return DefWindowProcA(dlg, msg, wParam, lParam);
}
