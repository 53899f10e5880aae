// Message texts in the six languages of the user interface, fetched by id.
//
// Ids below 100 are names (files, sections, keys, language codes and names)
// and are the same in every language. Ids of 100 and up are messages and
// dialog texts; the English one has the id itself, the text of language L
// the id + 1000 * L (L = state.languageIndex, 0 English, 1 French, 2 German,
// 3 Dutch, 4 Norwegian, 5 Swedish; any other value counts as 0).
//
// A missing id gives an empty text. Texts are ANSI (Windows-1252).
#pragma once

#include <windows.h>

#include "shared/ResourceIds.h"

// Number of languages of the user interface and the largest text fetched.
#define LANGUAGE_COUNT 6
#define MESSAGE_TEXT_MAX 255

// Fetches text id in the chosen language into state.sharedTextBuffer and
// returns it. The next call without a buffer overwrites it.
LPSTR GetMessageText(UINT id);

// Fetches text id in the chosen language into buffer (size bytes, NUL
// included; at most 255 characters) and returns buffer. With a NULL buffer
// it behaves like GetMessageText(id).
LPSTR GetMessageText(UINT id, LPSTR buffer, int size);

template <int N>
inline LPSTR GetMessageText(UINT id, char (&buffer)[N]) {
    return GetMessageText(id, buffer, N);
}

// Fetches text id in language languageIndex (0..5, not the chosen one), as
// the language dialog does for each language's own line. Returns buffer.
LPSTR GetMessageTextIn(int languageIndex, UINT id, LPSTR buffer, int size);
