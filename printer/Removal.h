// Removing installed models: which models of the OEM INF have printers, the
// files of their drivers, the printers and drivers themselves and the
// language monitor, through the spooler.
//
// The current text is the OEM INF copy while these run (the monitor's name
// and DLL come from its [Printer1] LanguageMonitor). The delete list is the
// copy list's storage holding full paths (shared/CopyList.h); an entry whose
// first byte is '0' is kept.
#pragma once

#include <windows.h>

// What PrepareRemoval decided.
enum RemovalResult : int {
    REMOVAL_REFUSED = 0,  // nothing removed (runResult 2)
    REMOVAL_FULL = 1,     // no printer of the product's models remains (runResult 3)
    REMOVAL_PARTIAL = 2,  // printers of unselected models remain; no file was deleted (runResult 3)
};

// What CollectDriverFiles found.
enum CollectResult : int {
    COLLECT_NO_MEMORY = 0,
    COLLECT_LISTED = 1,      // the driver's dependent files were appended
    COLLECT_NO_PRINTER = 2,  // no printer uses the model's driver, or its driver cannot be read
};

// The model slots in use (up to the first empty name, at most 5).
int ModelSlotCount();
// Whether the slot's selected flag is '1'.
bool ModelSelected(int slot);

// Selects the models (of the first count slots) whose name is the driver of
// a local printer; none found selects the first model. Returns the number
// selected (at least 1).
int MarkInstalledModels(int count);

// Appends systemDir\NAME for each dependent file of the driver of the first
// printer that uses model modelIndex to the delete list, after the entries
// already there, and ends the list. Names already listed, names that leave
// the system directory and paths that do not fit an entry are passed over.
int CollectDriverFiles(int modelIndex);

// Collects the files of every selected model, checks that none is in use,
// unregisters dependent colour profiles and deletes the files under the
// progress window. Sets runResult. A removal that leaves printers of an
// unselected model deletes no file (REMOVAL_PARTIAL).
int PrepareRemoval(HWND window);

// Deletes every local printer whose driver is model modelIndex, then the
// driver. 1 when they are gone (a driver the spooler does not know counts as
// gone); 0 when the printers cannot be listed, or a printer or the driver
// stays.
int DeleteModelPrinters(int modelIndex);

// Deletes the language monitor of [Printer1] and, when the spooler let it go
// (or never knew it), its DLL in the system directory. 1, or 0 when the
// spooler keeps the monitor (a driver still names it, or it fails).
int RemoveLanguageMonitor();
