// The Windows 95 look: frames and captions of windows and dialogs, and the
// standard controls, painted through the window manager's Painter hook with
// the same GDI calls a program would use. Control state is read through
// window messages only.
#pragma once

#include "platform/user/Painter.h"

namespace nv::gdi {

class Win95Painter final : public nv::user::Painter {
public:
    void paintNonClient(HWND hwnd) override;
    void paintControl(HWND hwnd, nv::user::ControlKind kind) override;
    void screenChanged() override;
    HFONT createDialogFont(const char* face, int pointSize) override;
    void releaseFont(HFONT font) override;
    bool baseUnits(HFONT font, SIZE* out) override;
    bool textExtent(HFONT font, const char* text, SIZE* out) override;
};

// Registers the one Win95Painter with the window manager (idempotent).
void InstallPainter();

// The edit caret's blink phase. The caret is painted in every picture unless
// a live window's host turns it off for the dark half of a blink.
void SetCaretShown(bool shown);
bool CaretShown();

}  // namespace nv::gdi
