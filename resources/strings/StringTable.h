// The program's string table, generated at build time from the text files
// in resources/strings/ (one per language, plus the names), sorted by id.
// The loader registers it as the program's RT_STRING resources.
#pragma once

#include <cstddef>

struct StringTableEntry {
    unsigned id;       // resource id: the text id + 1000 * language index
    const char* text;  // Windows-1252, NUL-terminated, at most 255 bytes
};

extern const StringTableEntry kStringTable[];
extern const size_t kStringTableSize;

// The text of a resource id (id already shifted by language), or NULL when
// the table has no such id.
const char* FindStringResource(unsigned resourceId);
