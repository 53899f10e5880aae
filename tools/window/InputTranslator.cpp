#include "tools/window/InputTranslator.h"

#include <optional>

#include "platform/core/Trace.h"
#include "platform/user/Controls.h"
#include "platform/user/Input.h"
#include "platform/user/InputScript.h"
#include "platform/user/WindowManager.h"

namespace nv::window {
namespace {

using nv::user::ControlKind;
using nv::user::Window;
namespace input = nv::user::input;

constexpr LPARAM kKeyUpBits = static_cast<LPARAM>(0xC0000001u);  // previous state and transition
constexpr LPARAM kAltBit = 0x20000000;                            // context code: Alt is down

bool contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// The deepest visible, enabled child of `parent` under the point that does not
// let the mouse through.
HWND childUnder(HWND parent, POINT screen) {
    Window* w = nv::user::find(parent);
    if (!w)
        return nullptr;
    auto kids = w->children;  // front first
    for (HWND c : kids) {
        Window* cw = nv::user::find(c);
        if (!cw || !(cw->style & WS_VISIBLE) || !contains(nv::user::screenRect(*cw), screen))
            continue;
        if (cw->style & WS_DISABLED)
            continue;  // a disabled control: its parent gets the mouse
        if (static_cast<LRESULT>(nv::user::send(c, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y))) == HTTRANSPARENT)
            continue;
        HWND deeper = childUnder(c, screen);
        return deeper ? deeper : c;
    }
    return nullptr;
}

std::optional<input::Key> keyFor(int vk, bool shift) {
    using input::Key;
    switch (vk) {
    case VK_RETURN: return Key::Enter;
    case VK_ESCAPE: return Key::Escape;
    case VK_F3: return Key::F3;
    case VK_TAB: return shift ? Key::ShiftTab : Key::Tab;
    case VK_SPACE: return Key::Space;
    case VK_UP: return Key::Up;
    case VK_DOWN: return Key::Down;
    case VK_LEFT: return Key::Left;
    case VK_RIGHT: return Key::Right;
    case VK_HOME: return Key::Home;
    case VK_END: return Key::End;
    case VK_BACK: return Key::Backspace;
    case VK_DELETE: return Key::Delete;
    default: break;
    }
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        return Key::Letter;
    return std::nullopt;
}

bool isEdit(HWND h) { return h && nv::user::controlKind(h) == ControlKind::Edit; }

// Keys that change what an edit field holds or where its caret is: they are
// part of the typing, written as the field's final text.
bool editingKey(int vk, bool ctrl, bool alt) {
    if (ctrl || alt)
        return false;
    switch (vk) {
    case VK_BACK:
    case VK_DELETE:
    case VK_HOME:
    case VK_END:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_SPACE:
    case VK_SHIFT: return true;
    default: break;
    }
    return (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9') || (vk >= VK_OEM_1 && vk <= VK_OEM_3) ||
           (vk >= VK_OEM_4 && vk <= VK_OEM_7);
}

// A control by its id when that names it alone in the dialog, else by its text.
input::ControlRef refFor(HWND dlg, HWND control) {
    input::ControlRef ref;
    Window* cw = nv::user::find(control);
    int id = cw ? static_cast<int>(static_cast<WORD>(cw->id)) : 0;
    int same = 0;
    for (HWND h : nv::user::descendants(dlg))
        if (Window* w = nv::user::find(h); w && static_cast<int>(static_cast<WORD>(w->id)) == id)
            ++same;
    if (same == 1 && id != 0xFFFF) {
        ref.id = id;
        return ref;
    }
    ref.byId = false;
    ref.text = nv::user::text(control);
    return ref;
}

}  // namespace

HWND InputTranslator::mouseTarget(POINT screen, POINT* client) {
    HWND target = nv::user::capture();
    if (!target) {
        for (HWND top : nv::user::topLevel()) {
            Window* w = nv::user::find(top);
            if (!w || !(w->style & WS_VISIBLE) || !contains(nv::user::screenRect(*w), screen))
                continue;
            if (w->style & WS_DISABLED)
                return nullptr;  // the owner of a modal dialog: the click is lost
            HWND child = childUnder(top, screen);
            target = child ? child : top;
            break;
        }
    }
    Window* t = target ? nv::user::find(target) : nullptr;
    if (!t)
        return nullptr;
    POINT o = nv::user::clientOrigin(*t);
    *client = POINT{screen.x - o.x, screen.y - o.y};
    return target;
}

void InputTranslator::setWaiting(HWND dlg) {
    if (dlg == waiting_)
        return;
    flushTyping();
    waiting_ = dlg;
}

bool InputTranslator::inWaiting(HWND hwnd) const {
    return waiting_ && hwnd && nv::user::find(waiting_) && (hwnd == waiting_ || IsChild(waiting_, hwnd));
}

void InputTranslator::mouseMove(POINT screen) {
    last_ = screen;
    nv::user::cursor().pos = screen;
    // Moves matter to the program only while a button is held (a capture);
    // every other move would only fill the queue.
    if (!nv::user::capture())
        return;
    POINT client{};
    if (HWND target = mouseTarget(screen, &client))
        nv::user::postInput(target, WM_MOUSEMOVE, pressed_ ? MK_LBUTTON : 0, MAKELPARAM(client.x, client.y));
}

void InputTranslator::mouseButton(POINT screen, MouseButton button, Press press) {
    nv::trace::Quiet quiet;  // hit testing is the system's doing, not the program's
    last_ = screen;
    nv::user::cursor().pos = screen;
    POINT client{};
    HWND target = mouseTarget(screen, &client);
    if (press == Press::Down && button == MouseButton::Left)
        pressed_ = nullptr;
    if (!target)
        return;
    HWND top = nv::user::topLevelOf(target);
    if (press == Press::Down && top && top != nv::user::activeWindow() && !nv::user::capture())
        nv::user::activate(top);
    UINT msg = 0;
    WPARAM keys = (shift_ ? MK_SHIFT : 0) | (ctrl_ ? MK_CONTROL : 0);
    if (button == MouseButton::Left) {
        msg = press == Press::Down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        if (press == Press::Down)
            keys |= MK_LBUTTON;
    } else {
        msg = press == Press::Down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        if (press == Press::Down)
            keys |= MK_RBUTTON;
    }
    if (button == MouseButton::Left) {
        if (press == Press::Down) {
            pressed_ = target;
            recordClick(target, client, true);
        } else {
            // A click is a press and a release on the same control, inside it.
            RECT r{};
            if (Window* w = nv::user::find(target))
                r = nv::user::clientScreenRect(*w);
            if (pressed_ == target && contains(r, screen))
                recordClick(target, client, false);
            pressed_ = nullptr;
        }
    }
    nv::user::postInput(target, msg, keys, MAKELPARAM(client.x, client.y));
}

void InputTranslator::recordClick(HWND control, POINT client, bool atDown) {
    if (!input::Recording() || !inWaiting(control) || control == waiting_)
        return;
    auto kind = nv::user::controlKind(control);
    if (!kind)
        return;
    Window* w = nv::user::find(control);
    input::Action a;
    if (*kind == ControlKind::Button && !atDown) {
        if ((w->style & BS_TYPEMASK) == BS_GROUPBOX)
            return;
        a.kind = input::Action::Kind::Click;
    } else if (*kind == ControlKind::ListBox && atDown) {
        int h = nv::user::listRowHeight(control);
        int top = static_cast<int>(nv::user::send(control, LB_GETTOPINDEX, 0, 0));
        int count = static_cast<int>(nv::user::send(control, LB_GETCOUNT, 0, 0));
        int row = h > 0 ? top + client.y / h : -1;
        if (row < 0 || row >= count)
            return;
        bool multiple = (w->style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
        a.kind = multiple ? input::Action::Kind::Toggle : input::Action::Kind::Select;
        a.row.index = row;
    } else {
        return;  // an edit field: what is typed into it is recorded
    }
    if (typedInto_ != control)
        flushTyping();
    a.control = refFor(waiting_, control);
    input::RecordAction(waiting_, a);
}

HWND InputTranslator::keyTarget() const {
    HWND f = nv::user::focus();
    return f ? f : nv::user::activeWindow();
}

void InputTranslator::key(int vk, Press press) {
    nv::trace::Quiet quiet;
    bool down = press == Press::Down;
    if (vk == VK_SHIFT)
        shift_ = down;
    else if (vk == VK_CONTROL)
        ctrl_ = down;
    HWND target = keyTarget();
    bool sys = alt_ || vk == VK_MENU;
    if (vk == VK_MENU)
        alt_ = down;
    if (!target)
        return;
    if (down)
        recordKey(vk);
    UINT msg = sys ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    LPARAM bits = (down ? 1 : kKeyUpBits) | (sys && vk != VK_MENU ? kAltBit : 0);
    nv::user::postInput(target, msg, static_cast<WPARAM>(vk), bits);
}

void InputTranslator::recordKey(int vk) {
    if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU)
        return;
    HWND f = nv::user::focus();
    if (!input::Recording() || !inWaiting(f ? f : nv::user::activeWindow()))
        return;
    if (isEdit(f) && editingKey(vk, ctrl_, alt_)) {
        if (typedInto_ != f)
            flushTyping();
        typedInto_ = f;
        return;
    }
    flushTyping();
    // Alt with a letter in an edit field has no answer-file form: a plain
    // letter there would be typed on replay.
    if ((alt_ && isEdit(f)) || ctrl_)
        return;
    auto k = keyFor(vk, shift_);
    if (!k)
        return;
    input::Action a;
    a.kind = input::Action::Kind::Press;
    a.key = *k;
    if (*k == input::Key::Letter)
        a.text = std::string(1, static_cast<char>(vk));
    input::RecordAction(waiting_, a);
}

void InputTranslator::character(unsigned char ansi) {
    nv::trace::Quiet quiet;
    HWND target = keyTarget();
    if (!target)
        return;
    HWND f = nv::user::focus();
    if (input::Recording() && isEdit(f) && inWaiting(f)) {
        if (typedInto_ != f)
            flushTyping();
        typedInto_ = f;
    }
    nv::user::postInput(target, WM_CHAR, ansi, 1);
}

void InputTranslator::flushTyping() {
    HWND edit = typedInto_;
    typedInto_ = nullptr;
    if (!edit || !nv::user::find(edit) || !inWaiting(edit))
        return;
    nv::trace::Quiet quiet;
    input::Action a;
    a.kind = input::Action::Kind::Type;
    a.control = refFor(waiting_, edit);
    a.text = nv::user::text(edit);
    input::RecordAction(waiting_, a);
}

void InputTranslator::record(const input::Action& action) {
    flushTyping();
    if (waiting_ && nv::user::find(waiting_))
        input::RecordAction(waiting_, action);
}

}  // namespace nv::window
