// The product's Program Manager groups, made and removed over a DDE
// conversation with Program Manager ("PROGMAN" / "PROGMAN") from an invisible
// window of class "InsDDEClass". Groups and items come from the current text
// (the OEM INF): [PROGMAN.GROUPS.<languageCode>] lists the groups, each
// group's section its items, [PROGMAN.GROUPS] how they are arranged.
//
// Every wait for an acknowledgement ends after 2000 ms of machine time
// (timer 30), when Program Manager answers or when its window is gone, so a
// Program Manager that never answers, answers late or closes cannot hold the
// run. Program Manager's window, disabled while the conversation lasts, is
// enabled again at its end.
#pragma once

#include <windows.h>

// Builds the groups and their items. 1 when every group was processed; 0 when
// the client window cannot be made, the language's section is missing, or
// Program Manager does not answer.
int CreateProgramGroups(HWND mainWindow);

// Deletes the groups that have a group file. 1 when the language's section
// exists (whether or not Program Manager answered); 0 when the client window
// cannot be made or the section is missing.
int RemoveProgramGroups(HWND mainWindow);

// Initiates the conversation by broadcast; 1 when Program Manager answered
// (its window is then brought up and disabled), 0 when nothing answered.
int OpenProgmanConversation();

// Posts one command string and waits for its answer (see above). 1 when it
// was sent, 0 when there is no conversation or the command cannot be held.
int SendProgmanCommand(LPCSTR command);

// The full path of a path specifier (first character: '3' or '5' the
// system directory, '6' the installer's own nvins32b.exe there, '7' the name
// as written, any other the Windows directory; the name from the sixth
// character on) into out (128 bytes). Returns 1 when found ('7': always);
// otherwise 0 with out empty, also for a specifier shorter than six
// characters or a path that does not fit.
int ResolveItemPath(LPCSTR specifier, LPSTR out);

// The window procedure of the client window "InsDDEClass".
LRESULT CALLBACK InsDDEWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
