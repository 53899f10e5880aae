// The one writer of dialog templates in the in-memory layout that
// DialogBoxIndirectParamA and the resource loader read: DLGTEMPLATE, with
// DS_SETFONT its point size and face, then DWORD-aligned DLGITEMTEMPLATE
// records with predefined class ordinals, strings in UTF-16. The run-time
// dialogs write into their own memory blocks with it, the resource section
// its templates, and tests theirs.
#pragma once

#include <windows.h>

// Predefined window class ordinals of an item.
enum class ControlClass : WORD { Button = 0x0080, Edit = 0x0081, Static = 0x0082, ListBox = 0x0083 };

// Converts text from the ANSI code page into target (room: WCHARs available,
// the terminating 0 included) and returns the position right after the 0;
// NULL, with nothing written, when it does not fit.
LPWSTR ConvertToWide(LPWSTR target, int room, LPCSTR text);

// Widens byte by byte, without the machine's code page: what a resource
// compiler does with texts kept to the range Windows-1252 shares with
// UTF-16 (below 0x80 and 0xA0..0xFF). ConvertToWide's contract.
LPWSTR WidenBytes(LPWSTR target, int room, LPCSTR text);

// How a writer turns its ANSI texts into UTF-16 (ConvertToWide, unless the
// caller knows better), with ConvertToWide's contract.
using WideConverter = LPWSTR (*)(LPWSTR target, int room, LPCSTR text);

// Writes into the caller's zero-filled block and never past its end: a write
// that does not fit marks the whole template as failed.
class DialogTemplateWriter {
public:
    DialogTemplateWriter(BYTE* block, int size, WideConverter convert = ConvertToWide);

    // The header: style (the font block follows when it has DS_SETFONT),
    // the number of items, position and size, no menu, the dialog class,
    // caption, and with DS_SETFONT point size and face.
    void header(DWORD style, WORD items, short x, short y, short cx, short cy, LPCSTR caption, WORD pointSize,
                LPCSTR face);
    // One item of a predefined class; style is written as given.
    void item(DWORD style, short x, short y, short cx, short cy, WORD id, ControlClass cls, LPCSTR title = "");

    void word(WORD w);
    void dword(DWORD d);
    void text(LPCSTR ansi);
    // Moves to the next 4-byte boundary; the block is zero-filled, so the gap
    // is the 0 word the layout asks for.
    void alignDword();

    // The bytes used, or 0 when anything did not fit.
    int result() const { return failed_ ? 0 : pos_; }

private:
    bool room(int n);

    BYTE* block_;
    int size_;
    WideConverter convert_;
    int pos_ = 0;
    bool failed_ = false;
};
