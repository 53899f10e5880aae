// MessageBoxA as a real dialog of the dialog class: an icon, the text as a
// static control and the buttons as push buttons, so that it paints, takes
// keys and is driven by input like any other dialog.
#include <windows.h>

#include <algorithm>
#include <sstream>

#include "platform/core/Trace.h"
#include "platform/user/Dialog.h"
#include "platform/user/WindowManager.h"

using namespace nv::user;

namespace {

constexpr WORD kIconId = 0x14;      // the ids Windows gives these statics
constexpr WORD kTextId = 0xFFFF;

struct ButtonSpec {
    WORD id;
    const char* text;
};

std::vector<ButtonSpec> buttonsFor(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_ABORTRETRYIGNORE: return {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}};
    case MB_YESNOCANCEL: return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO: return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    case MB_RETRYCANCEL: return {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}};
    default: return {{IDOK, "OK"}};
    }
}

LPCSTR iconFor(UINT type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return IDI_HAND;
    case MB_ICONQUESTION: return IDI_QUESTION;
    case MB_ICONEXCLAMATION: return IDI_EXCLAMATION;
    case MB_ICONASTERISK: return IDI_ASTERISK;
    default: return nullptr;
    }
}

// Text size in pixels: the renderer's measure when there is one, else the
// average width of MS Sans Serif 8 pt.
SIZE measure(const std::string& text) {
    SIZE s{};
    if (Painter* p = GetPainter(); p && p->textExtent(nullptr, text.c_str(), &s))
        return s;
    std::istringstream in(text);
    std::string line;
    int lines = 0;
    size_t widest = 0;
    while (std::getline(in, line)) {
        ++lines;
        widest = std::max(widest, line.size());
    }
    return SIZE{static_cast<LONG>(widest * 6), static_cast<LONG>(std::max(1, lines) * 13)};
}

INT_PTR CALLBACK MessageBoxProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = find(dlg);
    if (!w || !w->dialog)
        return FALSE;
    switch (msg) {
    case WM_INITDIALOG: {
        UINT type = static_cast<UINT>(lParam);
        w->dialog->messageBox = true;
        w->dialog->messageBoxStyle = type;
        auto kids = w->children;  // the sends below may run any code
        if (LPCSTR icon = iconFor(type)) {
            for (HWND c : kids)
                if (find(c) && find(c)->id == kIconId)
                    send(c, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, icon)), 0);
        }
        auto buttons = buttonsFor(type);
        size_t def = std::min<size_t>((type & MB_DEFMASK) >> 8, buttons.size() - 1);
        send(dlg, DM_SETDEFID, buttons[def].id, 0);
        for (HWND c : kids)
            if (find(c) && find(c)->id == buttons[def].id)
                setDialogFocus(dlg, c);
        return FALSE;
    }
    case WM_COMMAND: {
        WORD id = LOWORD(wParam);
        auto buttons = buttonsFor(w->dialog->messageBoxStyle);
        bool present = std::any_of(buttons.begin(), buttons.end(), [&](const ButtonSpec& b) { return b.id == id; });
        if (id == IDCANCEL && !present) {
            // Escape closes a box without Cancel only when it has nothing but OK.
            if ((w->dialog->messageBoxStyle & MB_TYPEMASK) == MB_OK)
                endDialog(dlg, IDOK);
            return TRUE;
        }
        if (present)
            endDialog(dlg, id);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI MessageBoxA(HWND hwnd, LPCSTR text, LPCSTR caption, UINT type) {
    NV_TRACE_ENTER("MessageBoxA", hwnd, text, caption, type);
    int result = 0;
    std::string body = text ? text : "";
    std::string title = caption ? caption : "Error";
    if (hwnd && !find(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    } else if (!halted()) {
        // Layout in pixels, then in dialog units of MS Sans Serif 8 pt (6 x 13).
        const int margin = 10, iconSize = 32, bw = 75, bh = 23, gap = 6;
        auto buttons = buttonsFor(type);
        bool icon = iconFor(type) != nullptr;
        SIZE ts = measure(body);
        int textX = margin + (icon ? iconSize + margin : 0);
        int contentH = std::max<int>(ts.cy, icon ? iconSize : 0);
        int rowW = static_cast<int>(buttons.size()) * bw + (static_cast<int>(buttons.size()) - 1) * gap;
        int clientW = std::max<int>(textX + ts.cx + margin, rowW + 2 * margin);
        int buttonsY = margin + contentH + 12;
        int clientH = buttonsY + bh + margin;
        auto dx = [](int px) { return static_cast<short>((px * 4 + 3) / 6); };
        auto dy = [](int px) { return static_cast<short>((px * 8 + 6) / 13); };

        DialogTemplate t;
        t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK | DS_CENTER;
        if (type & MB_SYSTEMMODAL)
            t.exStyle |= WS_EX_TOPMOST;
        t.cx = dx(clientW);
        t.cy = dy(clientH);
        t.caption = title;
        t.hasFont = true;
        t.pointSize = 8;
        t.face = "MS Sans Serif";
        if (icon) {
            DialogItem i;
            i.className = "Static";
            i.style = WS_CHILD | WS_VISIBLE | SS_ICON;
            i.x = dx(margin);
            i.y = dy(margin);
            i.cx = dx(iconSize);
            i.cy = dy(iconSize);
            i.id = kIconId;
            t.items.push_back(i);
        }
        DialogItem textItem;
        textItem.className = "Static";
        textItem.style = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | WS_GROUP;
        textItem.x = dx(textX);
        textItem.y = dy(margin + (contentH - ts.cy) / 2);
        textItem.cx = static_cast<short>(dx(ts.cx) + 2);
        textItem.cy = dy(ts.cy);
        textItem.id = kTextId;
        textItem.title = body;
        t.items.push_back(textItem);
        int x = (clientW - rowW) / 2;
        size_t def = std::min<size_t>((type & MB_DEFMASK) >> 8, buttons.size() - 1);
        for (size_t k = 0; k < buttons.size(); ++k) {
            DialogItem b;
            b.className = "Button";
            b.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (k == 0 ? WS_GROUP : 0) |
                      (k == def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            b.x = dx(x);
            b.y = dy(buttonsY);
            b.cx = dx(bw);
            b.cy = dy(bh);
            b.id = buttons[k].id;
            b.title = buttons[k].text;
            t.items.push_back(b);
            x += bw + gap;
        }

        HWND owner = hwnd ? topLevelOf(hwnd) : nullptr;
        cancelModesFor(owner);
        // A task-modal box without an owner holds every window of the program.
        std::vector<HWND> held;
        if ((type & MB_TASKMODAL) && !owner) {
            for (HWND h : topLevel()) {
                Window* tw = find(h);
                if (tw && !(tw->style & WS_DISABLED) && tw->instance != reinterpret_cast<HINSTANCE>(0x7A000000))
                    held.push_back(h);
            }
            for (HWND h : held)
                enableWindow(h, false);
        }
        nv::trace::internalProcedure(MessageBoxProc);  // the box answers for itself, not the program
        auto dlg = createDialog(t, DialogSource{}, owner, MessageBoxProc, static_cast<LPARAM>(type));
        if (dlg) {
            INT_PTR r = runModal(*dlg, owner, MSGF_MESSAGEBOX, WaitKind::MessageBox);
            result = r < 0 ? 0 : static_cast<int>(r);
        } else {
            SetLastError(dlg.error().code);
        }
        for (HWND h : held)
            if (find(h))
                enableWindow(h, true);
    }
    NV_TRACE_RESULT(result);
    return result;
}
