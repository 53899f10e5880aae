// The program's string table, generated at build time from the text files
// in resources/strings/ (one per language, plus the names), sorted by id.
#pragma once

#include <cstddef>

struct StringTableEntry {
    unsigned id;       // resource id: the text id + 1000 * language index
    const char* text;  // Windows-1252, NUL-terminated, at most 255 bytes
};

extern const StringTableEntry kStringTable[];
extern const size_t kStringTableSize;
