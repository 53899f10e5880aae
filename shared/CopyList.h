// The copy list: the one work list of the installer. The driver stage fills
// it from the OEM INF, the demonstration-file and font stages from the
// script; the version check and the copy engine work through it, the spooler
// step reads the driver's dependent files from it, and the removal reuses its
// storage for the paths to delete.
//
// Layout (state.copyList, COPY_LIST_ENTRIES entries of COPY_LIST_ENTRY_SIZE
// bytes; the list ends at the first entry whose byte 0 is 0, or after the
// last entry):
//
//   byte 0       kind: a digit '0' to '7'; the high bit (0x80) set means
//                "compare versions before replacing"
//   byte 1       source disk, a digit '1' to '9'
//   byte 2       ':'
//   byte 3..143  the source file name, NUL-terminated (at most 140
//                characters); a file copied under another name keeps that
//                destination name right after the source name's NUL, so that
//                sorting the list, declining a replacement or a paired line of
//                another kind can never give an entry another entry's name
//
// The entry after a font entry (kind 0) holds the font's face name at byte 3.
// In an uninstall the same storage holds full paths instead, byte 0 doubling
// as the keep flag ('0': the file stays); these functions are not for that
// use.
//
// Every function here works on one entry (COPY_LIST_ENTRY_SIZE bytes) and
// never reads or writes outside it; the index forms work on state.copyList.
#pragma once

#include <windows.h>

#define COPY_LIST_ENTRIES 160
#define COPY_LIST_ENTRY_SIZE 144
// Bytes 3..143: the name, its NUL and, for a renamed file, the destination
// name and its NUL.
#define COPY_ENTRY_NAME_ROOM (COPY_LIST_ENTRY_SIZE - 3)

// What the copy engine does with an entry.
enum class CopyKind : BYTE {
    Skip = 0,           // not copied; also the face-name entry after a font
    File = 1,           // ordinary file, to the system directory
    DeviceDriver = 2,   // virtual device driver with its SYSTEM.INI line
    QuietFile = 3,      // copied without extra work: a virtual device driver
                        // whose line is not wanted, or the demonstration file
    LanguageFile = 4,   // looked up first in the language's subdirectory
    Font = 5,           // TrueType-compatible font, to the font directory
    Renamed = 6,        // copied under its destination name
    ColourProfile = 7,  // colour profile, to the colour-profile directory
};
// Kinds 8 and above are not defined; EntryKind gives them as they are and the
// copy engine skips them.
#define COPY_KIND_COUNT 8

// Whether the installed file's version is compared before it is replaced.
enum class CompareVersions { No, Yes };

// True when entry holds anything (byte 0 is not 0): the list goes on.
bool EntryInUse(const char* entry);
// The kind: byte 0 minus '0', high bit cleared.
CopyKind EntryKind(const char* entry);
// Whether the version-check bit is set.
CompareVersions EntryComparesVersions(const char* entry);
// The disk digit character ('1' to '9' in a well-formed entry).
char EntryDisk(const char* entry);
// The source name (byte 3 on).
LPCSTR EntryName(const char* entry);
// The name the file is copied to: the destination of a renamed file, else
// the source name.
LPCSTR EntryDestination(const char* entry);

// Writes a whole entry: kind, check bit, disk digit, ':', name and (when not
// NULL) the destination name, zero-filling the rest. Returns 1; 0 when the
// names do not fit in COPY_ENTRY_NAME_ROOM bytes, leaving entry unchanged.
int WriteCopyEntry(char* entry, CopyKind kind, CompareVersions compare, char disk, LPCSTR name,
                   LPCSTR destination = nullptr);
// Sets the kind. The check bit is cleared with it: a changed kind is a
// decision already taken, nothing is left to compare.
void SetEntryKind(char* entry, CopyKind kind);
// Clears the version-check bit, keeping the kind.
void ClearVersionCheck(char* entry);
// Ends the list at entry (byte 0 becomes 0).
void EndCopyList(char* entry);

// The entries of state.copyList before its end.
int CopyListLength();
// The names of state.copyList entry index.
LPCSTR CopyListSource(int index);
LPCSTR CopyListDestination(int index);
