#include "ui/RuntimeTemplates.h"

#include <cstring>

#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/DialogTemplateWriter.h"
#include "shared/InstallState.h"
#include "ui/ChoiceDialogs.h"

namespace {

constexpr DWORD kDialogStyle = WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK;
constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE;
constexpr ControlClass kButtonClass = ControlClass::Button;
constexpr ControlClass kStaticClass = ControlClass::Static;
constexpr UINT kReturnText = 214;  // "Return to current &Windows"
constexpr int kSideBySideWidth = 230;

void header(DialogTemplateWriter& w, DWORD style, WORD items, short cx, short cy) {
    char face[MESSAGE_TEXT_MAX + 1];
    w.header(style, items, 0, 0, cx, cy, "", 8, GetMessageText(TXT_SYSTEM, face));
}

// Allocates the zero-filled block; no memory gives the memory note.
HGLOBAL allocateBlock(HWND owner, int size) {
    HGLOBAL block = GlobalAlloc(GHND, size);
    if (!block)
        ShowSystemNote(owner, MSG_NOT_ENOUGH_MEMORY);
    return block;
}

// Runs the written template and frees the block. A template that could not
// be written counts as a dialog that could not be created.
INT_PTR runBlock(HWND owner, HGLOBAL block, BYTE* bytes, int written, DLGPROC procedure) {
    INT_PTR result = -1;
    if (written > 0)
        result = DialogBoxIndirectParamA(state.instance, reinterpret_cast<LPCDLGTEMPLATEA>(bytes), owner, procedure, 0);
    if (result == -1)
        MessageBoxA(owner, "cannot create dialogbox", "error", MB_OK);
    GlobalUnlock(block);
    GlobalFree(block);
    return result;
}

}  // namespace

int WriteLanguageTemplate(BYTE* block, int size, int n, DWORD buttonStyle) {
    if (n < 0 || n > LANGUAGE_ROWS_MAX)
        return 0;
    short s = static_cast<short>(n > 4 ? 10 : 20 - 2 * n);
    short rowsHeight = static_cast<short>(n * (s + 10));
    DialogTemplateWriter w(block, size);
    header(w, kDialogStyle, static_cast<WORD>(2 * n + 2), 174, static_cast<short>(rowsHeight + 45));
    w.item(kChildStyle | WS_TABSTOP | BS_DEFPUSHBUTTON, 30, static_cast<short>(rowsHeight + 25), 50, 14, IDOK, kButtonClass);
    w.item(kChildStyle | WS_TABSTOP | BS_PUSHBUTTON, 90, static_cast<short>(rowsHeight + 25), 50, 14, IDCANCEL, kButtonClass);
    for (int k = 0; k < n; ++k)
        w.item(kChildStyle | SS_LEFT, 17, static_cast<short>(7 + 10 * k), 144, 8, static_cast<WORD>(IDC_QUESTION_FIRST + k),
               kStaticClass);
    short y = static_cast<short>(7 + 10 * (n - 1) + 15);
    for (int k = 0; k < n; ++k, y = static_cast<short>(y + s))
        w.item(kChildStyle | WS_TABSTOP | buttonStyle, 50, y, 50, 10, static_cast<WORD>(IDC_LANGUAGE_FIRST + k), kButtonClass);
    return w.result();
}

int RestartDialogWidth(int returnTextLength) {
    return returnTextLength <= 26 ? kSideBySideWidth : MulDiv(returnTextLength, 45, 10) + 20;
}

int WriteRestartTemplate(BYTE* block, int size, int returnTextLength) {
    short width = static_cast<short>(RestartDialogWidth(returnTextLength));
    bool sideBySide = width == kSideBySideWidth;
    short buttonWidth = static_cast<short>(sideBySide ? 100 : width - 20);
    DialogTemplateWriter w(block, size);
    header(w, kDialogStyle | WS_SYSMENU, 3, width, 100);
    w.item(kChildStyle | WS_TABSTOP | BS_DEFPUSHBUTTON, 10, 60, buttonWidth, 14, IDC_RESTART, kButtonClass);
    w.item(kChildStyle | WS_TABSTOP | BS_PUSHBUTTON, static_cast<short>(sideBySide ? 120 : 10),
           static_cast<short>(sideBySide ? 60 : 80), buttonWidth, 14, IDC_RETURN, kButtonClass);
    w.item(kChildStyle | SS_LEFT, 25, 20, static_cast<short>(width - 40), 26, IDC_RESTART_TEXT, kStaticClass);
    return w.result();
}

INT_PTR BuildLanguageDialog(HWND owner, HGLOBAL names, UINT, UINT, DWORD buttonStyle) {
    HGLOBAL block = allocateBlock(owner, LANGUAGE_TEMPLATE_BYTES);
    if (!block)
        return -1;
    BYTE* bytes = static_cast<BYTE*>(GlobalLock(block));
    // Guard: names are counted only inside their block, so a list without
    // its closing empty name cannot be read past the block's end.
    int n = 0;
    if (const char* p = names ? static_cast<const char*>(GlobalLock(names)) : nullptr) {
        const char* end = p + GlobalSize(names);
        while (p < end && *p) {
            const char* nul = static_cast<const char*>(std::memchr(p, 0, end - p));
            if (!nul)
                break;
            ++n;
            p = nul + 1;
        }
        GlobalUnlock(names);
    }
    int written = bytes ? WriteLanguageTemplate(bytes, LANGUAGE_TEMPLATE_BYTES, n, buttonStyle) : 0;
    return runBlock(owner, block, bytes, written, SelLangProc);
}

INT_PTR BuildRestartDialog(HWND owner, DLGPROC procedure, LPCSTR templateName) {
    HGLOBAL block = allocateBlock(owner, RESTART_TEMPLATE_BYTES);
    if (!block)
        return -1;
    BYTE* bytes = static_cast<BYTE*>(GlobalLock(block));
    char returnText[MESSAGE_TEXT_MAX + 1];
    GetMessageText(kReturnText, returnText);
    int written = 0;
    if (bytes && templateName && EqualsNoCase(templateName, "WIN_RESTART"))
        written = WriteRestartTemplate(bytes, RESTART_TEMPLATE_BYTES, static_cast<int>(std::strlen(returnText)));
    return runBlock(owner, block, bytes, written, procedure);
}

void ShowSystemNote(HWND owner, UINT textId) {
    char text[MESSAGE_TEXT_MAX + 1];
    char caption[MESSAGE_TEXT_MAX + 1];
    GetMessageText(textId, text);
    GetMessageText(CAPTION_WARNING, caption);
    MessageBoxA(owner, text, caption, MB_SYSTEMMODAL | MB_ICONINFORMATION);
}
