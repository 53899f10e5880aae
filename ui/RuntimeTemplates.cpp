#include "ui/RuntimeTemplates.h"

#include <cstring>

#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "ui/ChoiceDialogs.h"

namespace {

constexpr DWORD kDialogStyle = WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK;
constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE;
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kStaticClass = 0x0082;
constexpr UINT kReturnText = 214;  // "Return to current &Windows"
constexpr int kSideBySideWidth = 230;

// Writes into the caller's block and never past its end: a write that does
// not fit marks the whole template as failed.
class BlockWriter {
public:
    BlockWriter(BYTE* block, int size) : block_(block), size_(size) {}

    void word(WORD w) {
        if (!room(2))
            return;
        block_[pos_++] = static_cast<BYTE>(w & 0xFF);
        block_[pos_++] = static_cast<BYTE>(w >> 8);
    }
    void dword(DWORD d) {
        word(static_cast<WORD>(d & 0xFFFF));
        word(static_cast<WORD>(d >> 16));
    }
    void wide(LPCSTR text) {
        if (failed_)
            return;
        // The block is zero-filled and 4-byte aligned from its start, so a
        // WCHAR position is always 2-byte aligned.
        LPWSTR at = reinterpret_cast<LPWSTR>(block_ + pos_);
        LPWSTR end = ConvertToWide(at, (size_ - pos_) / 2, text);
        if (!end) {
            failed_ = true;
            return;
        }
        pos_ += static_cast<int>(reinterpret_cast<BYTE*>(end) - reinterpret_cast<BYTE*>(at));
    }
    // The block is zero-filled: the gap is the 0 word the layout asks for.
    void alignDword() {
        int next = (pos_ + 3) & ~3;
        if (next > size_) {
            failed_ = true;
            return;
        }
        pos_ = next;
    }
    void item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls) {
        alignDword();
        dword(style);
        dword(0);
        word(static_cast<WORD>(x));
        word(static_cast<WORD>(y));
        word(static_cast<WORD>(cx));
        word(static_cast<WORD>(cy));
        word(id);
        word(0xFFFF);
        word(cls);
        word(0);  // empty title
        word(0);  // no creation data
    }
    int result() const { return failed_ ? 0 : pos_; }

private:
    bool room(int n) {
        if (failed_ || pos_ + n > size_) {
            failed_ = true;
            return false;
        }
        return true;
    }
    BYTE* block_;
    int size_;
    int pos_ = 0;
    bool failed_ = false;
};

void header(BlockWriter& w, DWORD style, WORD items, short cx, short cy) {
    w.dword(style);
    w.dword(0);
    w.word(items);
    w.word(0);
    w.word(0);
    w.word(static_cast<WORD>(cx));
    w.word(static_cast<WORD>(cy));
    w.word(0);  // no menu
    w.word(0);  // the dialog class
    w.word(0);  // empty caption
    w.word(8);
    char face[MESSAGE_TEXT_MAX + 1];
    w.wide(GetMessageText(TXT_SYSTEM, face));
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

LPWSTR ConvertToWide(LPWSTR target, int room, LPCSTR text) {
    int needed = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, nullptr, 0);
    if (needed <= 0 || needed > room)
        return nullptr;
    int written = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, target, room);
    return written > 0 ? target + written : nullptr;
}

int WriteLanguageTemplate(BYTE* block, int size, int n, DWORD buttonStyle) {
    if (n < 0 || n > LANGUAGE_ROWS_MAX)
        return 0;
    short s = static_cast<short>(n > 4 ? 10 : 20 - 2 * n);
    short rowsHeight = static_cast<short>(n * (s + 10));
    BlockWriter w(block, size);
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
    BlockWriter w(block, size);
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
