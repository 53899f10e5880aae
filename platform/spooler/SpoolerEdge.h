// What the spooler's Win32 functions share: the store of the current machine
// with the call counted, the checks of server and environment names, the
// last-error convention, and the packing of printer and driver structures.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include <windows.h>

#include "platform/core/Result.h"
#include "platform/spooler/Packer.h"
#include "platform/spooler/SpoolerStore.h"

namespace nv::spooler {

// The store, with this call counted against the fault settings.
Result<SpoolerStore*> enter();

// The start of every Add call: the store, the local server, a level the
// call takes (ERROR_INVALID_LEVEL) and a structure (ERROR_INVALID_PARAMETER).
Result<SpoolerStore*> enterAdd(LPCSTR server, DWORD level, std::initializer_list<DWORD> levels, const void* info);
// The start of every query that reports a size: the store, and the size
// and count pointers that must be there (RPC_X_NULL_REF_POINTER); a query
// without a count passes only `needed`.
inline constexpr int kNoCount = 0;
Result<SpoolerStore*> enterQuery(const void* needed, const void* returned = &kNoCount);

// Only the local machine is served: a NULL or empty server name. Other names
// are ERROR_INVALID_NAME (there is no network).
Result<void> checkServer(LPCSTR name);
// NULL or empty is the spooler's own environment; "Windows 4.0" in any letter
// case is it too; anything else is ERROR_INVALID_ENVIRONMENT.
Result<void> checkEnvironment(LPCSTR environment);

// Sets the last error and gives FALSE for an error, TRUE for ERROR_SUCCESS.
BOOL finish(DWORD error);
inline DWORD codeOf(const Result<void>& r) { return r ? ERROR_SUCCESS : r.error().code; }

inline std::string textOf(LPCSTR s) { return s ? std::string(s) : std::string(); }

// A printer with what a caller sees beyond the stored record.
struct PrinterView {
    Printer printer;
    bool isDefault = false;
    DWORD attributes() const { return printer.attributes | (isDefault ? PRINTER_ATTRIBUTE_DEFAULT : 0); }
};

bool validPrinterLevel(DWORD level);
bool validDriverLevel(DWORD level);
// Packs printers at a level (1, 2, 4 or 5); returns the error code.
DWORD packPrinters(const std::vector<PrinterView>& printers, DWORD level, LPBYTE buffer, DWORD size,
                   LPDWORD needed);
// Packs drivers at a level (1, 2 or 3); paths come out in full but the
// dependent files as stored (names relative to the driver directory).
DWORD packDrivers(SpoolerStore& store, const std::vector<Driver>& drivers, DWORD level, LPBYTE buffer,
                  DWORD size, LPDWORD needed);

}  // namespace nv::spooler
