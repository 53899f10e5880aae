// Handing the chosen model to the print spooler: its print processor and
// language monitor when the OEM INF names them, the driver with its
// dependent files, and a local default printer on "LPT1:", in that order.
#pragma once

#include <windows.h>

// Adds the model of state.driverEntry (made by PrepareModel) to the spooler
// under state.driverName; the printer is named state.newPrinterName, or the
// driver's name when that is empty. A printer name the spooler refuses as
// taken (1802) goes through ChoosePrinterName and one more try. Failures of
// the spooler calls show nothing. Returns 1 when the step ended normally
// (also after a failed call), 0 when the driverEntry block cannot be used or
// the user confirmed Cancel in the printer-name dialog. The driverEntry block
// is released in every case.
int AddToSpooler(HWND window);

// Part n (from 1) of a "name,DLL" value: the text between the (n-1)-th and
// the n-th comma, its surrounding double quotes removed; "" past the last
// part. out has size bytes; a longer part is cut. Returns out.
LPSTR ValuePart(LPCSTR value, int n, LPSTR out, int size);
template <int N>
inline LPSTR ValuePart(LPCSTR value, int n, char (&out)[N]) {
    return ValuePart(value, n, out, N);
}

// The driver's dependent files as a multi-string in a movable block (one name
// per copy-list entry: "Color\NAME" for colour profiles, the destination name
// for renamed files, else the file name), or NULL when the copy list is empty
// or no memory is left. The block holds 128 bytes per entry, more when the
// names need it.
HGLOBAL BuildDependentFiles();
