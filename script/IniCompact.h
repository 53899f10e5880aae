// The transformation of a script file into the compact form that the script
// reader queries (the form is described in script/IniText.h), and the walks
// over a compact block that do not need a loaded text. Pure functions over
// bytes: the loader feeds it blocks read from the machine, the script
// inspector a host file.
#pragma once

#include <cstddef>

#include <windows.h>

#include "script/IniText.h"

// The end mark of a compact text.
#define INITEXT_END_MARK 0x1A

// Turns a file into the compact form, fed in pieces of any size.
//
// Per byte, outside a comment: blanks and tabs are kept only inside double
// quotes; a double quote is kept and flips the quote state; ";" starts a
// comment that runs to the next LF, CR, NUL or 0x1A (also inside quotes); LF
// or CR ends the line: following blanks, tabs, LFs and CRs are skipped, then
// a NUL ends the line (not when a comment line follows, whose own line end
// counts instead), and a second NUL stands before a "[" that starts the next
// line. A CR followed by LF thus counts once; a lone CR ends a line like LF.
// Every other byte is copied. No line end is written before the first line.
// Bytes 0x1A that end the file are dropped (the DOS end-of-file mark), and
// finish() ends the text with NUL, NUL, 0x1A, completing a last line that
// has no line feed.
class IniCompactor {
public:
    // out must hold at least bound(total input length) bytes.
    IniCompactor(char* out, size_t capacity);

    // Largest output for an input of length bytes (end mark included).
    static size_t bound(size_t length);

    // Adds the next piece of the file. False when the output is full.
    bool feed(const BYTE* data, size_t length);
    // Writes the end of the text. False when the output is full.
    bool finish();

    // Bytes written so far.
    size_t size() const { return written_; }

private:
    enum class Mode { Text, Comment, LineStart };

    bool put(char c);
    bool handle(BYTE c);

    char* out_;
    size_t capacity_;
    size_t written_ = 0;
    Mode mode_ = Mode::Text;
    bool inQuotes_ = false;
    size_t pendingEofMarks_ = 0;
    bool overflow_ = false;
};

// The whole transformation over one buffer. Returns the bytes written to out,
// or 0 when capacity is smaller than IniCompactor::bound(length).
size_t CompactIniText(const BYTE* data, size_t length, char* out, size_t capacity);

// The first line of section name (its first length characters) in a compact
// block; NULL when the section is missing or empty.
IniLine FindSectionInBlock(LPCSTR block, LPCSTR name, size_t length);

// Walks every stored line of a compact block, headers included, skipping the
// empty lines: the first with line NULL, then the one after line. NULL at
// the end mark.
IniLine NextStoredLine(LPCSTR block, IniLine line);
