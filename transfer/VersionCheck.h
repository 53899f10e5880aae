// Before a driver file or virtual device driver is replaced, the installer
// asks when the installed file was written later than the source (by file
// time; version numbers are only shown). Also the font replace confirmation,
// the replacement of the platform's parallel-port driver of one known
// version, and the INF copies kept for a later uninstall.
#pragma once

#include <windows.h>

#include "shared/ResourceIds.h"

// Checks copyList entry index. 1: copy the file; 0: keep the installed one.
// Entries without the check bit give 1 at once. The bit is cleared once the
// check ran; it stays when the source is not on the current disk.
int CheckEntryVersion(HWND owner, int index);

// The check before the driver copy run, over the whole copy list: keeping a
// virtual device driver drops that entry alone; keeping any other file drops
// every entry that is not a virtual device driver, so the driver stays as
// installed as a whole while its virtual device drivers are still updated.
void CheckCopyListVersions(HWND owner);

// 1 when the installed file of entryUnderCheck was written later than its
// source. When either time cannot be read the answer is 0 (do not ask).
int InstalledIsNewer();

// "" (no version resource), "     Memory cannot get." or "     Ver. " plus
// the formatted version; in the shared state.versionTextBuffer.
LPCSTR VersionText(LPCSTR path);

// The version number as the dialog shows it: "%d.%d%d" of the file version's
// MS high, MS low and LS high words, or with versionTypeFlag "%d.%d" of the
// LS words. Writes into out (size bytes).
void FormatFileVersion(const VS_FIXEDFILEINFO* info, LPSTR out, int size);

INT_PTR CALLBACK VerCheck(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ConfirmDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Saves lpt.vxd of version 4.0.0.950 as lpt.vxz and replaces it by the
// product's lpt.bz. Silent; a failed step keeps the earlier steps' files.
void ReplacePortDriver();

// Copies the script copy and the OEM INF copy into the system directory as
// NAME.IN1 and NAME.IN2 (after the private INI's name) and records them as
// inf1 and inf2. Silent.
void KeepSetupFiles();
