// The copy run: every file of the copy list is brought from its disk into
// its directory, expanded when it is stored compressed, with the work its
// kind asks for (device line and backup of a virtual device driver; the
// registered-font check, replace confirmation and registration of a font;
// registration of a colour profile), and recorded in the private INI
// ("File%02d%02d"). Also the removal loop of the uninstall.
//
// Cancelling: between files the run lets pending input through (AbortProc);
// once the progress window's close box was used the run ends as a cancel:
// the finish message is posted, the files copied so far stay in place and
// recorded, and no file is left half written.
#pragma once

#include <windows.h>

// The notification procedure of the loops: code 2 progress (value 0 redraws
// the status line, 100 advances the bar), 5 begin, 6 end; 1 failure, 4 file
// filter, 7 not found. Returns 1 (code 4: 0 or 1).
typedef WORD(CALLBACK* COPYNOTIFYPROC)(HWND window, int code, int value, LPCSTR text);

// Copies state.copyList. 1 when every entry was handled; 0 when the run
// stopped (a failure: runResult 1, or a message of its own) or was
// cancelled (IM_FINISH posted to owner). notify may be NULL.
int CopyListFiles(HWND owner, COPYNOTIFYPROC notify);

// Deletes every copy-list entry (each a full path) whose first byte is not
// '0', and its "File" record. Always 1; with nothing to delete it touches
// neither the progress window nor the error mode.
int DeleteListFiles(HWND owner, COPYNOTIFYPROC notify);

WORD CALLBACK CopyNotify(HWND window, int code, int value, LPCSTR text);

// Makes every directory of path that does not exist, from the first below
// the drive root. 1, or 0 after the cannot-create message.
int MakeDirectories(HWND owner, LPCSTR path);
