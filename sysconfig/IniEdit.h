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
//
// The pieces: IniLines.h (reading and recognising lines), IniRewrite.h (the
// rewrite from the backup and its end), RemoveQuestions.h (what the user is
// asked or told), and here the edits themselves.
#pragma once

#include <windows.h>

// The mode digit of state.iniEditMode: what an edit does on a match. Other
// digits than these comment the line out without a word.
enum IniEditMode : char {
    INI_MODE_OFF = '0',        // no edits (the block's edit lines are skipped)
    INI_MODE_ACCEPTED = '3',   // comment out: the user agreed, or our own line
    INI_MODE_ASK = '5',        // ask first; No leaves the file and turns the mode off
    INI_MODE_WARN = '6',       // warn once, then comment out with the mode off
};

// Edit-line file specifier "<dir><kind>:<file>" and value specifier "<how>:<file name>".
enum IniSpecDigit : char {
    SPEC_WINDOWS_DIR = '2',    // file specifier dir: the Windows directory (else the system directory)
    SPEC_WIN_INI_KIND = '1',   // file specifier kind: a WIN.INI-type file (else SYSTEM.INI-type)
    SPEC_WHOLE_LINE = '1',     // value specifier: comment out the whole line (else remove just the item)
};

// What EditIniFile and EditIniFileByLines report.
enum IniEditResult : int {
    INI_EDIT_NOT_READ = 0,  // the backup could not be read: the file is untouched
    INI_EDIT_DONE = 1,      // the file was processed, edited or not, and its backup settled
    INI_EDIT_WRITE_FAILED = 2,  // the rewrite fell short, or its backup could not be recorded:
                                // the file has its old content back (or, when that failed
                                // too, its backup is recorded)
};

// Adds device=name as the first line of [386Enh] of SYSTEM.INI. Returns 1.
int AddDeviceLine(LPCSTR name);

// Streams backup into path, inserting key=value as the first line of
// section. Returns 0 when the backup cannot be opened (path untouched).
int AddIniLine(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR backup, LPCSTR path);

// Comments out the conflicting entries that [DeleteIni] of the current
// script lists, asking or warning as its mode lines say. 0 when the script
// has no [DeleteIni].
int RunIniEdits(HWND owner);

// One edit line: fileSpec is "<dir><kind>:<file>" (IniSpecDigit); <file> may
// lie in a subdirectory. valueSpec is "<how>:<file name>". Returns 1 when the
// file was processed (edited or not); 0 when it is left as it was because it
// is missing, its name leaves the directory (a drive, a leading separator,
// ".."), no backup could be made or the backup could not be read back;
// INI_EDIT_WRITE_FAILED when the rewrite fell short.
int EditIniEntry(HWND owner, LPCSTR fileSpec, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment);

// Rewrites path from backup with the first match of key in section edited,
// then settles the backup (FinishRewrite, KeepFirst): an edited file sets its
// change bit and records the backup; an unchanged one gets its content back
// and loses the backup (IniEditResult). The file's kind is the one
// EditIniEntry names, else WIN.INI-type for a file named WIN.INI.
// EditIniFile reads the backup whole (INI_EDIT_NOT_READ when it cannot be
// opened, is empty or does not fit in memory); EditIniFileByLines reads it
// line by line (INI_EDIT_NOT_READ only when it cannot be opened).
int EditIniFile(HWND owner, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment, LPCSTR backup,
                LPCSTR path);
int EditIniFileByLines(HWND owner, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment, LPCSTR backup,
                       LPCSTR path);
