// Pieces the stage handlers share: the install branch the driver stage ends
// in, and the copy run that three stages use.
#pragma once

#include <windows.h>

// Makes the text at path current in place of the current one. 1, or 0
// after the memory message.
int SwitchText(HWND hwnd, LPCSTR path);
// The same for the OEM INF copy in the Windows directory.
int SwitchToOemCopy(HWND hwnd);

// Whether the current text (the OEM INF) has a non-empty
// [PROGMAN.GROUPS.<languageCode>] section.
int OemInfGroupPresent();

// The install branch of the driver stage; posts the next stage's message.
// groupPresent: the OEM INF has program groups for the run's language.
LRESULT InstallBranch(HWND hwnd, int groupPresent);

// The uninstall branch of the driver stage (the script copy current);
// posts IM_FINISH. groupPresent: the OEM INF has program groups for the
// run's language.
LRESULT UninstallBranch(HWND hwnd, int groupPresent);

// The plug-and-play key (under HKEY_LOCAL_MACHINE) of a model by its name,
// compared without regard to case; one key serves every other model.
LPCSTR PlugAndPlayKeyOf(LPCSTR model);

// Deletes the plug-and-play key of every selected model slot; a key that
// cannot be opened is passed over.
void DeletePlugAndPlayKeys();

// How a copy run ended.
enum class CopyRunEnd { Copied, Failed, Cancelled };

// Whether a copy run sets runResult to 4 over a 5 a virtual device driver
// left behind earlier.
enum class ResultOnStart { Installed, KeepRestart };

// One copy run over copyList: wait cursor and capture, runResult 4, the
// progress window around CopyListFiles. A cancel inside the run (the engine
// posts the finish for it) is taken back out of the queue and reported as
// Cancelled, so that the stage posts the one message that follows it.
CopyRunEnd RunCopy(HWND hwnd, ResultOnStart onStart);
