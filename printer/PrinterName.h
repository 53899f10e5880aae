// The name of the printer the installer creates: the driver's name, or a
// free name of the form "<driver> (Copy n)" that the user confirms or changes
// in the PRINTERNAME dialog when the driver (or a printer of that name) is
// there already. The name is held in state.newPrinterName; empty means "the
// driver's name".
#pragma once

#include <windows.h>

// Largest printer name this program gives: the PRINTERNAME edit control and
// the " (Copy n)" proposals stay within it.
#define PRINTER_NAME_MAX 31

// 1 when the spooler has a driver of that name for the current environment
// (the first 100 drivers it lists are looked at; a failed enumeration is no
// match). Always empties state.newPrinterName.
int DriverInstalled(LPCSTR name);

// 1 when a local printer of that name exists (the first 100 printers are
// looked at, without regard to case; a failed enumeration is no match).
int PrinterNameExists(LPCSTR name);

// Appends " (Copy n)" to the name in `name` (a buffer of `size` bytes, at
// least PRINTER_NAME_MAX + 1), first shortening the name so that the result
// has at most PRINTER_NAME_MAX characters. Returns 0 and leaves the buffer
// alone when it is smaller than that.
int MakeCopyName(LPSTR name, int size, int n);
template <int N>
inline int MakeCopyName(char (&name)[N], int n) {
    return MakeCopyName(name, N, n);
}

// Proposes the first free name "<baseName> (Copy n)", n from 2 to 99 (99
// stays when all are taken), and runs PRINTERNAME owned by window until a
// free name is accepted (returns the dialog's result, 1) or Cancel is
// confirmed in AskCancel (returns 0). state.newPrinterName holds the name.
int ChoosePrinterName(HWND window, LPCSTR baseName);

// The PRINTERNAME dialog: shows state.driverName and state.newPrinterName;
// OK with a name an existing printer has warns and keeps the dialog open.
INT_PTR CALLBACK PrinterNameDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
