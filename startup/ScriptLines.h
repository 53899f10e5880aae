// Small reads of the script that start-up and the stages repeat.
#pragma once

#include "script/IniText.h"

// Copies the first line of `section` of `text` (NULL: the current text) into
// `out`. Returns 1, or 0 with an empty output when the section is missing
// or empty.
int FirstLineOf(IniText text, LPCSTR section, LPSTR out, int size);

template <int N>
inline int FirstLineOf(IniText text, LPCSTR section, char (&out)[N]) {
    return FirstLineOf(text, section, out, N);
}
