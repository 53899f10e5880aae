// Bounded copies into the fixed-size text fields of the installer state.
// Every copy stops at the field's size and always leaves a NUL; the result
// tells whether the whole text fitted, so callers can refuse a cut value.
#pragma once

#include <cstddef>

// Copies `source` into `dest` of `size` bytes. 1 when it fitted whole.
int CopyText(char* dest, size_t size, const char* source);
// Appends `source` to the text in `dest`. 1 when it fitted whole.
int AppendText(char* dest, size_t size, const char* source);
// `dest` = dir, a backslash and name (the "%s\%s" join). 1 when it fitted.
int JoinPath(char* dest, size_t size, const char* dir, const char* name);
// ASCII a-z to A-Z in place; other bytes stay.
void UpperAscii(char* text);
// True when a and b are equal, ASCII letters compared without regard to case.
bool EqualsNoCase(const char* a, const char* b);
// Removes every trailing backslash.
void TrimBackslashes(char* text);
// The part after the last backslash (the whole text when there is none).
const char* AfterLastBackslash(const char* path);

template <size_t N>
int CopyText(char (&dest)[N], const char* source) { return CopyText(dest, N, source); }
template <size_t N>
int AppendText(char (&dest)[N], const char* source) { return AppendText(dest, N, source); }
template <size_t N>
int JoinPath(char (&dest)[N], const char* dir, const char* name) { return JoinPath(dest, N, dir, name); }
