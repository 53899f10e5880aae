// The installer's own line editor for SYSTEM.INI, WIN.INI and other INI
// files: it inserts a second "device" line into [386Enh], comments lines out
// instead of deleting them, and removes single items from list values, which
// the profile functions cannot do.
//
// Every edit first makes a numbered backup (NAME.B00, ...) and rewrites the
// file from it in one pass; an edit that changes nothing copies the backup
// back and deletes it. A write that fails half-way restores the file from
// its backup; if even that fails, the backup is kept and recorded in the
// private INI so that the finish can name it.
#pragma once

#include <windows.h>

#define INI_LINE_SIZE 256

// Adds device=name as the first line of [386Enh] of SYSTEM.INI. Returns 1.
int AddDeviceLine(LPCSTR name);

// Streams backup into path, inserting key=value as the first line of
// section. Returns 0 when the backup cannot be opened (path untouched).
int AddIniLine(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR backup, LPCSTR path);

// Comments out the conflicting entries that [DeleteIni] of the current
// script lists, asking or warning as its mode lines say. 0 when the script
// has no [DeleteIni].
int RunIniEdits(HWND owner);

// One edit line: fileSpec is "<dir><bit>:<file>" (dir '2' the Windows directory,
// else the system directory; bit '0' SYSTEM.INI-type, '1' WIN.INI-type);
// valueSpec is "<mode>:<file name>" ('1' comments out the whole line, other
// characters remove only the matching item of a list). 0 when the file is
// missing, its name is unsafe, or no backup could be made.
int EditIniEntry(HWND owner, LPCSTR fileSpec, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment);

// Rewrites path from backup with the first match of key in section edited.
// EditIniFile reads the backup whole (0 when it cannot be opened, is empty or
// does not fit in memory); EditIniFileByLines reads it line by line (0 only
// when it cannot be opened).
int EditIniFile(HWND owner, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment, LPCSTR backup,
                LPCSTR path);
int EditIniFileByLines(HWND owner, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment, LPCSTR backup,
                       LPCSTR path);

// Reads one line (up to and including LF) into buffer of INI_LINE_SIZE
// bytes; a longer line comes in pieces of 255. Returns the bytes stored, 0
// at the end of the file.
int ReadLine(LPSTR buffer, HFILE file);

// 1 when the first n characters of a and b agree without regard to case
// (ending early at the end of either), else 0.
int PrefixEqual(LPCSTR a, LPCSTR b, int n);

// The display name of a mode text with " or " translated for the chosen
// language ("Acme Laser or Acme Jet" reads "Acme Laser oder Acme Jet" in
// German). Writes into out (size bytes).
void TranslateDisplayName(LPCSTR modeText, LPSTR out, int size);
