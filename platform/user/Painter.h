// Where drawing plugs into the window manager. The window manager keeps the
// state (tree, rectangles, texts, update regions, control state); a renderer
// registered here turns it into pixels. Without one, windows are only
// validated, so everything runs headless.
//
// Contract:
//  - paintNonClient is called from DefWindowProcA's WM_NCPAINT (frames,
//    captions of top-level windows and dialogs).
//  - paintControl is called from a standard control's WM_PAINT; the control
//    has already been laid out. The renderer reads its state through the
//    ordinary messages (WM_GETTEXT, BM_GETCHECK, BM_GETSTATE, LB_GETCOUNT,
//    LB_GETTEXT, LB_GETSEL, LB_GETCURSEL, LB_GETTOPINDEX, EM_GETSEL,
//    DM_GETDEFID on the parent), IsWindowEnabled, GetFocus and the style
//    bits. It must validate what it paints (BeginPaint/EndPaint do); the
//    window manager validates afterwards anyway.
//  - screenChanged tells that windows were created, moved, shown, hidden or
//    destroyed, so a screen image may be out of date.
//  - Observers hear when a dialog or message box starts waiting for input
//    (screenshots, the console input source) and when the run ends.
#pragma once

#include <windows.h>

namespace nv::user {

enum class ControlKind {
    Button,    // "BUTTON": push, default push, radio, check box, group box
    Edit,      // "EDIT"
    Static,    // "STATIC"
    ListBox,   // "LISTBOX"
    ScrollBar, // "SCROLLBAR"
    ComboBox,  // "COMBOBOX"
};

class Painter {
public:
    virtual ~Painter() = default;
    virtual void paintNonClient(HWND hwnd) = 0;
    virtual void paintControl(HWND hwnd, ControlKind kind) = 0;
    virtual void screenChanged() = 0;

    // Optional services; the defaults keep the window manager headless and
    // use the classic metrics (MS Sans Serif 8 pt: 6 x 13 base units).
    // A dialog font for a template's DS_SETFONT face and point size; the
    // window manager gives it back with releaseFont when the dialog goes.
    virtual HFONT createDialogFont(const char* face, int pointSize) { return nullptr; }
    virtual void releaseFont(HFONT font) {}
    // Dialog base units of a font: average character width, character height.
    virtual bool baseUnits(HFONT font, SIZE* out) { return false; }
    // Size of a (possibly multi-line) text in a font, for message-box layout.
    virtual bool textExtent(HFONT font, const char* text, SIZE* out) { return false; }
};

// Registers the renderer (nullptr: none). Not owned.
void SetPainter(Painter* painter);
Painter* GetPainter();

enum class WaitKind { Dialog, MessageBox };

// Something that wants to know when the program waits for the person at the
// keyboard. `hwnd` is the dialog or message-box window, fully shown and
// painted (UpdateWindow done) when waiting() is called.
class WaitObserver {
public:
    virtual ~WaitObserver() = default;
    virtual void waiting(HWND hwnd, WaitKind kind) = 0;
    virtual void runEnded() {}
};

// Observers are called in the order they were added. Not owned.
void AddWaitObserver(WaitObserver* observer);
void RemoveWaitObserver(WaitObserver* observer);

// Called by the modal loops (waiting) and by the launcher (run ended).
void NotifyWaiting(HWND hwnd, WaitKind kind);
void NotifyRunEnded();

}  // namespace nv::user
