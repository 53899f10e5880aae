// Printers, drivers and a language monitor put into the machine's spooler as
// an earlier install would have left them, and the printers listed again,
// for the tests of the removal.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace nv::testing {

inline char* spoolerText(const char* s) { return const_cast<char*>(s); }

// A driver of the product's kind: its file as driver, data and
// configuration file, the help file QS8000.HLP, the given dependent files and
// the language monitor (by default "Norvalk Language Monitor"; NULL for none).
// The files must exist in the system directory.
inline BOOL addProductDriver(const char* name, const char* file, const std::vector<std::string>& dependents,
                             const char* monitor = "Norvalk Language Monitor") {
    std::string deps;
    for (const auto& d : dependents)
        deps += d + '\0';
    deps += '\0';
    DRIVER_INFO_3A d{};
    d.cVersion = 0x400;
    d.pName = spoolerText(name);
    d.pEnvironment = spoolerText("Windows 4.0");
    d.pDriverPath = d.pDataFile = d.pConfigFile = spoolerText(file);
    d.pHelpFile = spoolerText("QS8000.HLP");
    d.pDependentFiles = deps.data();
    d.pMonitorName = spoolerText(monitor);
    d.pDefaultDataType = spoolerText("RAW");
    return AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&d));
}

// A local printer on LPT1: with the spooler's own print processor.
inline BOOL addLocalPrinter(const char* name, const char* driver) {
    PRINTER_INFO_2A p{};
    p.pPrinterName = spoolerText(name);
    p.pPortName = spoolerText("LPT1:");
    p.pDriverName = spoolerText(driver);
    p.pPrintProcessor = spoolerText("WinPrint");
    p.pDatatype = spoolerText("RAW");
    p.Priority = p.DefaultPriority = 1;
    HANDLE h = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&p));
    if (!h)
        return FALSE;
    ClosePrinter(h);
    return TRUE;
}

// The monitor "Norvalk Language Monitor" with NVLMON.DLL (which must exist).
inline BOOL addProductMonitor() {
    MONITOR_INFO_2A m{spoolerText("Norvalk Language Monitor"), spoolerText("Windows 4.0"), spoolerText("NVLMON.DLL")};
    return AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&m));
}

// The names of the local printers, or none when they cannot be listed.
inline std::vector<std::string> localPrinterNames() {
    DWORD needed = 0, returned = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buf(needed + 1);
    std::vector<std::string> out;
    if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buf.data(), needed, &needed, &returned))
        return out;
    auto* p = reinterpret_cast<PRINTER_INFO_2A*>(buf.data());
    for (DWORD i = 0; i < returned; ++i)
        out.emplace_back(p[i].pPrinterName);
    return out;
}

}  // namespace nv::testing
