// The program's own reader of script files (INSTALL.INF, the OEM INF): a file
// is loaded whole into a compact form in one memory block and queried by
// section, key, line and field.
//
// The compact form (see script/IniCompact.h for the transformation):
//   - lines, each ended by a NUL; no CR, LF, blank or tab outside double
//     quotes; double quotes stay; comments (";" to the line end) and blank
//     lines are gone;
//   - every header line ("[" first) has one empty line before it, except at
//     the very start, so a section's last line is followed by an empty line;
//   - the text ends with an empty line and the end mark 0x1A.
//
// Representation:
//   - A text (IniText) is the memory block. NULL is "none"; every query that
//     is given NULL works on the current text, state.currentText.
//     INITEXT_EMPTY is what loading a file of length 0 gives: it holds no
//     section, never becomes current, and FreeIniText ignores it.
//   - A line (IniLine) points at the line's first character inside the block;
//     it is a NUL-terminated string that can be read directly. NULL is
//     "none". Lines stay valid until their text is released.
//   - Texts are not limited to 64 KiB: lines are pointers, not 16-bit
//     positions. Files larger than INITEXT_MAX_FILE bytes are refused (none).
//
// Output buffers: every function that writes a value takes the caller's
// buffer and its size in bytes (NUL included). Values longer than size - 1
// characters are cut; the output is always NUL-terminated when size >= 1.
// The template overloads take the size from a char array.
//
// Every function returns 1/0 (or a line / none) and shows no messages; the
// callers decide what a missing section, key or field means.
#pragma once

#include <windows.h>

#include "shared/ScriptText.h"

// Largest file LoadIniText accepts, in bytes.
#define INITEXT_MAX_FILE (16L * 1024 * 1024)

// Loads the file at path (a Windows path, at most 143 characters) and returns
// its text; NULL when opening, seeking, reading or allocating fails or the
// path or file is too long; INITEXT_EMPTY for a file of length 0. When there
// is no current text, the loaded text becomes state.currentText.
IniText LoadIniText(LPCSTR path);

// Releases text, or the current text when text is NULL. The current text
// becomes NULL when it was the one released. INITEXT_EMPTY is ignored.
void FreeIniText(IniText text);

// The first line of section name (matched without regard to case; anything
// after "]" on the header line is ignored), or NULL when the section is
// missing or empty. Only the first section of that name is looked at.
IniLine FindSection(IniText text, LPCSTR name);

// The line after line within its section, or NULL at the section's end.
IniLine NextLine(IniLine line);

// Number of lines from line to the end of its section (0 for NULL).
int CountLines(IniLine line);

// Looks for key from the section's first line on (the first line whose
// name, up to "=", is key without regard to case). Returns 1 and the value,
// or 0 and an empty output. A value holding "=" or "," outside quotes is
// returned unchanged; any other loses its surrounding blanks and quotes.
// With out NULL or size < 1 nothing is written; the result still tells
// whether the key is there.
int GetKeyValue(IniLine firstLine, LPCSTR key, LPSTR out, int size);

// GetKeyValue on section name of text (NULL: the current text); 0 and an
// empty output when the section is missing.
int GetSectionValue(IniText text, LPCSTR section, LPCSTR key, LPSTR out, int size);

// GetSectionValue on the current text with dottedName split at its last "."
// ("PRINTERDRIVER.PATH": section PRINTERDRIVER, key PATH); 0 and an empty
// output when the name holds no ".".
int GetDottedValue(LPCSTR dottedName, LPSTR out, int size);

// Field n of line: 0 is the key (before "="), 1 and up the comma-separated
// values (on a line without "=", field 1 is the first comma item). Returns 1
// and the field without quotes and surrounding blanks (an empty field
// included); 0 and an empty output when the line ends before field n; 0 with
// the output untouched when line or out is NULL, size < 1, or n is 0 and the
// line has no key.
int GetField(IniLine line, int n, LPSTR out, int size);

// 1 when text holds "=" or "," outside double quotes, else 0.
int HasUnquotedSeparator(LPCSTR text);

// True when a and b agree in their first n characters (1 when n is 0),
// compared with bit 0x20 set (so letters match without regard to case). The
// comparison ends after the first NUL of either string.
BOOL NameMatches(LPCSTR a, LPCSTR b, int n);

// Fixed-size buffer forms.
template <int N>
inline int GetKeyValue(IniLine firstLine, LPCSTR key, char (&out)[N]) {
    return GetKeyValue(firstLine, key, out, N);
}
template <int N>
inline int GetSectionValue(IniText text, LPCSTR section, LPCSTR key, char (&out)[N]) {
    return GetSectionValue(text, section, key, out, N);
}
template <int N>
inline int GetDottedValue(LPCSTR dottedName, char (&out)[N]) {
    return GetDottedValue(dottedName, out, N);
}
template <int N>
inline int GetField(IniLine line, int n, char (&out)[N]) {
    return GetField(line, n, out, N);
}
