// The program's string table, generated at build time from the text files
// in resources/strings/ (one per language, plus the names), sorted by id,
// and its registration as the program's RT_STRING resources.
#pragma once

#include <cstddef>

#include <windows.h>

struct StringTableEntry {
    unsigned id;       // resource id: the text id + 1000 * language index
    const char* text;  // Windows-1252, NUL-terminated, at most 255 bytes
};

extern const StringTableEntry kStringTable[];
extern const size_t kStringTableSize;

namespace nv::resources {

// Registers the table as the string resources of instance, as an
// executable's resource section holds them, so that LoadStringA finds them.
void RegisterProgramStrings(HINSTANCE instance);

}  // namespace nv::resources
