// The models and files of the OEM INF: the model table of the chosen
// language, the chosen model's driver entry (the values the spooler gets),
// and the copy list of every file of the model, sorted by disk.
//
// Destination names of paired lines ("DEST,SOURCE") travel inside their own
// copy-list entry (see shared/CopyList.h).
#pragma once

#include <windows.h>

#include "script/IniText.h"
#include "shared/CopyList.h"

// The values of the chosen model's install section; the driverEntry block
// (1536 bytes, movable, zero-filled, LocalAlloc) holds one of these.
struct DriverEntry {
    char driverFile[128];
    char defaultDataType[128];
    char helpFile[128];
    char languageMonitor[128];  // "monitor name,monitor DLL"
    char printProcessor[128];   // "processor name,processor DLL"
};
#define DRIVER_ENTRY_BLOCK_SIZE 1536

// Fills state.modelTable with the models of the manufacturer line skip of
// [Manufacturer] (firstLine is its first line). Returns the number of models,
// or 0 after ShowInfError (missing or empty model section, more models than
// the table holds, a name too long for it).
int ListModels(HWND window, IniLine firstLine, int skip);

// Records model modelIndex (name in the private INI and state.driverName),
// builds state.driverEntry and appends every file of the model to the copy
// list. 1 on success; 0 after a message (none in the unattended cases).
int PrepareModel(HWND window, IniLine firstLine, int skip, int modelIndex);

// Appends the files of one file-list section (list index listIndex of the
// model's CopyFiles) to the copy list. 1 or 0.
int AddFileList(HWND window, LPCSTR sectionName, int listIndex);

// Orders the copy list by disk digit 1 to 9, keeping the order within a disk.
void SortCopyListByDisk();

// "Cannot read the information file." with "\n strings = NAME" when a name
// is given, caption "Error", error icon.
void ShowInfError(HWND window, LPCSTR name);

// 1 when the file of that name in the system directory is open elsewhere.
int IsFileInUse(LPCSTR fileName);

// Part n (from 1) of the LanguageMonitor value of [Printer1] of the current
// text, or "" (out has size bytes).
void GetLanguageMonitorPart(LPSTR out, int size, int n);
