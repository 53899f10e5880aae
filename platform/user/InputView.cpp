#include "platform/user/InputView.h"

#include "platform/user/Controls.h"
#include "platform/user/InputScript.h"
#include "platform/user/WindowManager.h"

namespace nv::user::input {
namespace {

std::string kindOf(HWND c, DWORD style) {
    auto k = controlKind(c);
    if (!k)
        return className(c);
    switch (*k) {
    case ControlKind::Button:
        switch (style & BS_TYPEMASK) {
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return "radio";
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE: return "check";
        case BS_GROUPBOX: return "group";
        default: return "button";
        }
    case ControlKind::Edit: return "edit";
    case ControlKind::Static: return (style & SS_TYPEMASK) == SS_ICON ? "icon" : "static";
    case ControlKind::ListBox: return "list";
    case ControlKind::ScrollBar: return "scrollbar";
    case ControlKind::ComboBox: return "combo";
    }
    return "control";
}

}  // namespace

WaitView view(HWND hwnd, WaitKind kind) {
    WaitView v;
    v.hwnd = hwnd;
    v.kind = kind;
    Window* w = find(hwnd);
    if (!w)
        return v;
    v.caption = text(hwnd);
    if (w->dialog)
        v.templateName = w->dialog->templateName;
    UINT defId = 0;
    LRESULT def = send(hwnd, DM_GETDEFID, 0, 0);
    if (HIWORD(def) == DC_HASDEFID)
        defId = LOWORD(def);
    HWND f = focus();
    auto kids = descendants(hwnd);
    for (HWND c : kids) {
        Window* cw = find(c);
        if (!cw)
            continue;
        ControlView cv;
        cv.hwnd = c;
        cv.id = static_cast<int>(static_cast<WORD>(cw->id));
        cv.kind = kindOf(c, cw->style);
        cv.text = text(c);
        cv.visible = (cw->style & WS_VISIBLE) != 0;
        cv.enabled = !(cw->style & WS_DISABLED);
        cv.focused = c == f;
        if (cv.kind == "button") {
            // Enter presses the focused push button, else the default one.
            bool focusOnButton = false;
            for (HWND k : kids)
                if (k == f && find(k) && kindOf(k, find(k)->style) == "button")
                    focusOnButton = true;
            cv.isDefault = focusOnButton ? cv.focused : static_cast<UINT>(cv.id) == defId;
        }
        if (cv.kind == "radio" || cv.kind == "check")
            cv.check = static_cast<int>(send(c, BM_GETCHECK, 0, 0));
        if (cv.kind == "list") {
            cv.multiple = (cw->style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
            LRESULT n = send(c, LB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < n; ++i) {
                LRESULT len = send(c, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
                std::string row(static_cast<size_t>(std::max<LRESULT>(len, 0)) + 1, '\0');
                send(c, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(row.data()));
                row.resize(static_cast<size_t>(std::max<LRESULT>(len, 0)));
                cv.rows.push_back(row);
                cv.selected.push_back(send(c, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0);
            }
        }
        if (w->dialog && w->dialog->messageBox && cv.kind == "static" && cv.id == 0xFFFF)
            v.message = cv.text;
        v.controls.push_back(std::move(cv));
    }
    return v;
}

std::string title(const WaitView& v) {
    if (v.kind == WaitKind::MessageBox)
        return "message box " + quote(v.caption) + ": " + quote(v.message);
    std::string t = "dialog";
    if (!v.templateName.empty())
        t += " " + v.templateName;
    return t + " " + quote(v.caption);
}

std::string describe(const WaitView& v) {
    std::string out = title(v) + "\n";
    for (const auto& c : v.controls) {
        if (!c.visible || c.kind == "icon")
            continue;
        if (v.kind == WaitKind::MessageBox && c.id == 0xFFFF)
            continue;  // the text is in the title line
        out += "  [" + std::to_string(c.id) + "] " + c.kind;
        if (c.kind == "list")
            out += c.multiple ? " (multiple)" : "";
        else
            out += " " + quote(c.text);
        std::string notes;
        auto note = [&](const char* n) { notes += notes.empty() ? n : std::string(", ") + n; };
        if (c.check == 1)
            note("on");
        if (c.check == 2)
            note("indeterminate");
        if (c.isDefault)
            note("default");
        if (c.focused)
            note("focus");
        if (!c.enabled)
            note("disabled");
        if (!notes.empty())
            out += " (" + notes + ")";
        out += "\n";
        for (size_t i = 0; i < c.rows.size(); ++i)
            out += "      " + std::string(c.selected[i] ? "* " : "  ") + std::to_string(i) + " " + quote(c.rows[i]) + "\n";
    }
    return out;
}

std::string header(const WaitView& v) {
    Expectation e;
    if (v.kind == WaitKind::MessageBox) {
        e.kind = Expectation::Kind::Message;
        std::string first = v.message.substr(0, v.message.find('\n'));
        e.match = first.empty() ? v.caption : first;
    } else {
        e.kind = Expectation::Kind::Dialog;
        e.match = v.templateName.empty() ? v.caption : v.templateName;
    }
    return format(e);
}

}  // namespace nv::user::input
