// What a person does at the desktop window, as the stand-in's own input. Mouse
// buttons and keys become input messages in the machine's queue, routed the
// way Windows routes hardware input: mouse messages to the window holding the
// capture, else to the window under the mouse found by hit testing (hidden
// windows, HTTRANSPARENT controls such as group boxes and static texts, and
// disabled controls are looked through; a disabled top-level window takes no
// click); keys to the focus window. The program's own loops then apply the
// message-filter hook, the dialog manager's keyboard rules and mnemonics, as
// for the answer files' actions. No host library is used here, so the
// translation is tested without a display.
//
// With record mode on (nv::user::input::RecordTo), what was done in the
// waiting dialog is written as answer-file actions by control: a click on a
// button as `click ID`, a click on a list row as `select`/`toggle`, keys as
// `press KEY`, and what was typed into an edit field as one `type ID "TEXT"`
// holding the field's final text, written before the next action.
#pragma once

#include <windows.h>

namespace nv::user::input {
struct Action;
}

namespace nv::window {

enum class MouseButton { Left, Right };
enum class Press { Down, Up };

class InputTranslator {
public:
    // The dialog or message box whose modal loop waits now (nullptr: none).
    // Actions are recorded only when they are done in it.
    void setWaiting(HWND dlg);
    HWND waiting() const { return waiting_; }

    // Positions are in screen pixels of the machine.
    void mouseMove(POINT screen);
    void mouseButton(POINT screen, MouseButton button, Press press);
    // A key by its virtual-key code (letters 'A'..'Z', digits, VK_*).
    void key(int vk, Press press);
    // A character that no key of the layout makes (an accented letter typed on
    // the host), in the machine's code page: WM_CHAR to the focus window.
    void character(unsigned char ansi);

    // Records an action done outside the machine's input (a disk put into a
    // drive) in the waiting dialog, after any pending typing.
    void record(const nv::user::input::Action& action);
    // Writes the pending typing as one `type` action.
    void flushTyping();

    // The window that gets mouse input at a screen point: the capture, else
    // by hit testing. Sets *client to the point in its client coordinates.
    static HWND mouseTarget(POINT screen, POINT* client);

private:
    HWND keyTarget() const;
    bool inWaiting(HWND hwnd) const;
    void recordClick(HWND control, POINT client, bool atDown);
    void recordKey(int vk);

    HWND waiting_ = nullptr;
    HWND pressed_ = nullptr;   // where the left button went down
    HWND typedInto_ = nullptr; // an edit field with typing not yet recorded
    bool shift_ = false, ctrl_ = false, alt_ = false;
    POINT last_{0, 0};
};

}  // namespace nv::window
