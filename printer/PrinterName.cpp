// Printer naming: is the driver there, is a name taken, the " (Copy n)"
// proposals and the PRINTERNAME dialog.
#include "printer/PrinterName.h"

#include <cstring>

#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "ui/DialogPlumbing.h"

namespace {

constexpr DWORD kDriverBufferSize = 12800;
constexpr DWORD kPrinterBufferSize = 25600;
constexpr DWORD kMostCompared = 100;
constexpr int kFirstCopy = 2;
constexpr int kLastCopy = 99;

// Runs an enumeration into a zero-filled movable block of `size` bytes and
// asks `matches` about the first 100 entries it returned.
template <typename Info, typename Enumerate>
int AnyEntry(DWORD size, Enumerate enumerate, LPCSTR name, LPSTR Info::*field) {
    HLOCAL block = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, size);
    if (!block)
        return 0;
    int found = 0;
    auto* buffer = static_cast<LPBYTE>(LocalLock(block));
    DWORD needed = 0, returned = 0;
    if (buffer && enumerate(buffer, size, &needed, &returned)) {
        const auto* entries = reinterpret_cast<const Info*>(buffer);
        for (DWORD i = 0; i < returned && i < kMostCompared && !found; ++i) {
            LPCSTR entryName = entries[i].*field;
            if (entryName && EqualsNoCase(entryName, name))
                found = 1;
        }
    }
    if (buffer)
        LocalUnlock(block);
    LocalFree(block);
    return found;
}

}  // namespace

int DriverInstalled(LPCSTR name) {
    int found = 0;
    if (name) {
        found = AnyEntry<DRIVER_INFO_1A>(
            kDriverBufferSize,
            [](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
                return EnumPrinterDriversA(nullptr, nullptr, 1, buffer, size, needed, returned);
            },
            name, &DRIVER_INFO_1A::pName);
    }
    state.newPrinterName[0] = '\0';
    return found;
}

int PrinterNameExists(LPCSTR name) {
    if (!name)
        return 0;
    return AnyEntry<PRINTER_INFO_5A>(
        kPrinterBufferSize,
        [](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
            return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 5, buffer, size, needed, returned);
        },
        name, &PRINTER_INFO_5A::pPrinterName);
}

int MakeCopyName(LPSTR name, int size, int n) {
    if (!name || size < PRINTER_NAME_MAX + 1)
        return 0;
    // Guard: " (Copy %d)" of any int fits in 20 bytes; the proposals use 2..99.
    char suffix[24];
    wsprintfA(suffix, " (Copy %d)", n);
    size_t suffixLength = std::strlen(suffix);
    size_t nameLength = strnlen(name, static_cast<size_t>(size) - 1);
    if (nameLength + suffixLength > PRINTER_NAME_MAX)
        nameLength = suffixLength < PRINTER_NAME_MAX ? PRINTER_NAME_MAX - suffixLength : 0;
    name[nameLength] = '\0';
    AppendText(name, static_cast<size_t>(size), suffix);
    return 1;
}

int ChoosePrinterName(HWND window, LPCSTR baseName) {
    for (int n = kFirstCopy; n <= kLastCopy; ++n) {
        CopyText(state.newPrinterName, baseName ? baseName : "");
        MakeCopyName(state.newPrinterName, n);
        if (!PrinterNameExists(state.newPrinterName))
            break;
    }
    for (;;) {
        INT_PTR result = RunDialog(window, PrinterNameDlgProc, "PRINTERNAME");
        if (result != IDCANCEL)
            return static_cast<int>(result);
        if (AskCancel(window) == IDYES)
            return 0;
    }
}

INT_PTR CALLBACK PrinterNameDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    char text[MESSAGE_TEXT_MAX + 1];
    switch (message) {
    case WM_INITDIALOG:
        PlaceDialog(dialog);
        SetDlgItemTextA(dialog, IDC_PRINTER_DRIVER, state.driverName);
        SetDlgItemTextA(dialog, IDC_PRINTER_TEXT, GetMessageText(MSG_DRIVER_ALREADY_INSTALLED, text));
        SetDlgItemTextA(dialog, IDC_PRINTER_LABEL, GetMessageText(LBL_PRINTER_NAME, text));
        SetDlgItemTextA(dialog, IDC_PRINTER_NAME, state.newPrinterName);
        SetDlgItemTextA(dialog, IDOK, GetMessageText(BTN_OK, text));
        SetDlgItemTextA(dialog, IDCANCEL, GetMessageText(BTN_CANCEL, text));
        SetWindowTextA(dialog, GetMessageText(CAPTION_INSTALL_PRINTER, text));
        SendDlgItemMessageA(dialog, IDC_PRINTER_NAME, EM_LIMITTEXT, PRINTER_NAME_MAX, 0);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            GetDlgItemTextA(dialog, IDC_PRINTER_NAME, text, sizeof text);
            if (PrinterNameExists(text)) {
                MessageBoxA(dialog, "Another printer already has this name.Use a different name", "Warning",
                            MB_OK | MB_ICONHAND);
                return TRUE;
            }
            CopyText(state.newPrinterName, text);
            InvalidateRect(dialog, nullptr, TRUE);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            InvalidateRect(dialog, nullptr, TRUE);
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
