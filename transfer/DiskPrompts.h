// The disk checks of a copy run: each disk of the set is recognised by a tag
// file named in the script's [DISKn] section; copies of the disks in
// numbered directories (DISK1, DISK2, ...) are followed without a question;
// otherwise the user is asked to insert the disk, drive A: is tried, and then
// the source path is asked for until the tag is found or the user cancels.
// Also where each source file is taken from, plain or compressed.
#pragma once

#include <windows.h>

// Makes disk d (1 to 9) reachable: state.sourceDir and driverSourceDir point
// at it on 1. 0 when the script has no [DISKd] section or the user cancelled
// the source-path dialog.
int EnsureDisk(HWND owner, int d);

// The source of copy-list entry (kind byte, disk digit, ':', name): the
// language folder first for kind 4, then the prompted directory (or the
// driver directory), each under the plain name and then under the name with
// its last character replaced by '_'. 1 with the full path in out (size
// bytes), 0 when none exists.
int FindSourceFile(const char* entry, LPSTR out, int size);

// "Insert the <label> into your disk drive." for disk d, in the chosen
// language, owned by owner. The message box's result, or 0 (nothing shown)
// when the script has no [DISKd] section.
int ShowInsertDisk(HWND owner, int d);

template <int N>
inline int FindSourceFile(const char* entry, char (&out)[N]) {
    return FindSourceFile(entry, out, N);
}
