// Reading and recognising the lines of an INI file as the line editor sees
// them: raw bytes, each line up to and including its LF, blanks being
// spaces and tabs.
#pragma once

#include <windows.h>

#include <cstddef>

#define INI_LINE_SIZE 256

// Reads one line (up to and including LF) into buffer of INI_LINE_SIZE
// bytes; a longer line comes in pieces of 255. Returns the bytes stored, 0
// at the end of the file.
int ReadLine(LPSTR buffer, HFILE file);

// 1 when the first n characters of a and b agree without regard to case
// (ending early at the end of either), else 0.
int PrefixEqual(LPCSTR a, LPCSTR b, int n);

// A space or a tab.
bool IsBlank(char c);

// True when the alen bytes at a equal the string b, ignoring case.
bool EqualNoCase(const char* a, size_t alen, const char* b);

// True when line (len bytes) is a header naming section: first non-blank
// '[', then optional blanks, then the name up to ']', CR, LF or a blank.
bool IsHeaderOf(const char* line, size_t len, const char* section);

// True when the line's first non-blank character is '[' (a new section).
bool StartsSection(const char* line, size_t len);
