#include <cstring>

#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "ui/ChoiceDialogs.h"

namespace {

// Shared by the three dialogs that use it; only one of them is open at a time.
HFONT dialogFont = nullptr;

BOOL CALLBACK setFont(HWND child, LPARAM font) {
    SendMessageA(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    return TRUE;
}

}  // namespace

void ApplyDialogFont(HWND dialog) {
    // Guard: a dialog that ended without its buttons left its font behind;
    // making a new one over it would lose it.
    ReleaseDialogFont();
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    LOGFONTA lf;
    std::memset(&lf, 0, sizeof lf);
    lf.lfHeight = -MulDiv(8, dpi, 72);
    lf.lfWeight = 400;  // normal
    char face[MESSAGE_TEXT_MAX + 1];
    CopyText(lf.lfFaceName, sizeof lf.lfFaceName, GetMessageText(TXT_DIALOG_FONT, face));
    dialogFont = CreateFontIndirectA(&lf);
    if (dialogFont)
        EnumChildWindows(dialog, setFont, reinterpret_cast<LPARAM>(dialogFont));
}

void ReleaseDialogFont() {
    if (dialogFont)
        DeleteObject(dialogFont);
    dialogFont = nullptr;
}

HFONT DialogFont() { return dialogFont; }

void EndFontDialog(HWND dialog, INT_PTR result) {
    InvalidateRect(dialog, nullptr, TRUE);
    ReleaseDialogFont();
    EndDialog(dialog, result);
}
