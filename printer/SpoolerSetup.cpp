// The spooler step of an install: processor, monitor, driver, printer.
#include "printer/SpoolerSetup.h"

#include <cstring>

#include "printer/OemInf.h"
#include "printer/PrinterName.h"
#include "shared/BoundedText.h"
#include "shared/CopyList.h"
#include "shared/InstallState.h"

namespace {

char kEnvironment[] = "Windows 4.0";
char kPort[] = "LPT1:";
char kWinPrint[] = "WinPrint";
char kRaw[] = "RAW";
constexpr size_t kBytesPerDependentFile = 128;
constexpr char kColourFolder[] = "Color\\";

// The name an entry gives the driver's dependent files.
void DependentName(const char* entry, char* out, size_t size) {
    if (static_cast<BYTE>(entry[0]) == '7') {
        CopyText(out, size, kColourFolder);
        AppendText(out, size, EntryName(entry));
    } else if (EntryKind(entry) == CopyKind::Renamed) {
        // Each renamed file is listed under its own destination name.
        CopyText(out, size, EntryDestination(entry));
    } else {
        CopyText(out, size, EntryName(entry));
    }
}

// AddPrinterA under the wait cursor.
HANDLE AddPrinterWaiting(PRINTER_INFO_2A* printer) {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    ShowCursor(TRUE);
    HANDLE h = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(printer));
    ShowCursor(FALSE);
    SetCursor(previous);
    return h;
}

}  // namespace

LPSTR ValuePart(LPCSTR value, int n, LPSTR out, int size) {
    if (!out || size < 1)
        return out;
    out[0] = '\0';
    if (!value || n < 1)
        return out;
    const char* part = value;
    for (int i = 1; i < n; ++i) {
        part = std::strchr(part, ',');
        if (!part)
            return out;
        ++part;
    }
    const char* end = std::strchr(part, ',');
    size_t length = end ? static_cast<size_t>(end - part) : std::strlen(part);
    if (length >= 2 && part[0] == '"' && part[length - 1] == '"') {
        ++part;
        length -= 2;
    }
    if (length > static_cast<size_t>(size) - 1)
        length = static_cast<size_t>(size) - 1;
    std::memcpy(out, part, length);
    out[length] = '\0';
    return out;
}

HGLOBAL BuildDependentFiles() {
    int count = CopyListLength();
    if (count <= 0)
        return nullptr;
    // Guard: a name of up to 140 characters, or "Color\" and one, does not
    // fit in 128 bytes; the block grows to what the names need.
    char name[COPY_LIST_ENTRY_SIZE + sizeof kColourFolder];
    size_t needed = 1;
    for (int i = 0; i < count; ++i) {
        DependentName(state.copyList[i], name, sizeof name);
        needed += std::strlen(name) + 1;
    }
    size_t size = static_cast<size_t>(count) * kBytesPerDependentFile;
    if (size < needed)
        size = needed;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!block)
        return nullptr;
    auto* out = static_cast<char*>(GlobalLock(block));
    if (!out) {
        GlobalFree(block);
        return nullptr;
    }
    for (int i = 0; i < count; ++i) {
        DependentName(state.copyList[i], name, sizeof name);
        size_t length = std::strlen(name) + 1;
        std::memcpy(out, name, length);
        out += length;
    }
    GlobalUnlock(block);
    return block;
}

int AddToSpooler(HWND window) {
    HLOCAL entryBlock = state.driverEntry;
    auto* entry = entryBlock ? static_cast<DriverEntry*>(LocalLock(entryBlock)) : nullptr;
    if (!entry)
        return 0;
    int result = 1;

    DRIVER_INFO_3A driver{};
    driver.cVersion = 0x400;
    driver.pName = state.driverName;
    driver.pEnvironment = kEnvironment;
    driver.pDriverPath = driver.pDataFile = driver.pConfigFile = entry->driverFile;
    driver.pHelpFile = entry->helpFile;

    HGLOBAL dependentBlock = BuildDependentFiles();
    if (dependentBlock)
        driver.pDependentFiles = static_cast<LPSTR>(GlobalLock(dependentBlock));

    driver.pDefaultDataType = entry->defaultDataType[0] ? entry->defaultDataType : kRaw;
    char monitorName[sizeof entry->languageMonitor];
    char monitorDll[sizeof entry->languageMonitor];
    ValuePart(entry->languageMonitor, 1, monitorName);
    ValuePart(entry->languageMonitor, 2, monitorDll);
    if (entry->languageMonitor[0])
        driver.pMonitorName = monitorName;

    char processorName[sizeof entry->printProcessor];
    char processorDll[256];
    CopyText(processorName, kWinPrint);
    if (entry->printProcessor[0]) {
        ValuePart(entry->printProcessor, 1, processorName);
        if (!EqualsNoCase(processorName, kWinPrint)) {
            ValuePart(entry->printProcessor, 2, processorDll);
            AddPrintProcessorA(nullptr, kEnvironment, processorDll, processorName);
        }
    }

    PRINTER_INFO_2A printer{};
    printer.pPrinterName = state.newPrinterName[0] ? state.newPrinterName : state.driverName;
    printer.pPortName = kPort;
    printer.pDriverName = state.driverName;
    printer.pPrintProcessor = processorName;
    printer.pDatatype = driver.pDefaultDataType;
    printer.Attributes = PRINTER_ATTRIBUTE_DEFAULT | PRINTER_ATTRIBUTE_ENABLE_BIDI;
    printer.Priority = printer.DefaultPriority = 1;

    if (driver.pMonitorName) {
        MONITOR_INFO_2A monitor{monitorName, kEnvironment, monitorDll};
        AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor));
    }

    if (AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver))) {
        HANDLE h = AddPrinterWaiting(&printer);
        if (h) {
            ClosePrinter(h);
        } else if (GetLastError() == ERROR_PRINTER_ALREADY_EXISTS) {
            if (!ChoosePrinterName(window, state.driverName)) {
                result = 0;
            } else {
                printer.pPrinterName = state.newPrinterName;
                h = AddPrinterWaiting(&printer);
                if (h)
                    ClosePrinter(h);
            }
        }
    }

    if (dependentBlock) {
        GlobalUnlock(dependentBlock);
        GlobalFree(dependentBlock);
    }
    LocalUnlock(entryBlock);
    LocalFree(entryBlock);
    state.driverEntry = nullptr;
    return result;
}
