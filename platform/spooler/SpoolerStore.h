// The print spooler of one machine: its printers, drivers, monitors and print
// processors, kept where Windows 95 keeps them, and the open printer handles.
//
// Contract:
//  - State is read from the machine on every call, never cached, so a change
//    made with the registry editor or to WIN.INI is seen at once:
//      HKLM\System\CurrentControlSet\control\Print\Printers\<printer>
//      HKLM\...\Print\Environments\Windows 4.0\Drivers\<driver>
//      HKLM\...\Print\Environments\Windows 4.0\Print Processors\<processor>
//      HKLM\...\Print\Monitors\<monitor>
//    WIN.INI: [windows] device= names the default printer ("name,DRIVER,port"),
//    [Devices] and [PrinterPorts] list every printer, [ports] the ports.
//  - The print processor "WinPrint" and the monitor "Local Port" are part of
//    the spooler itself and exist whether or not the registry lists them.
//  - Every change writes the registry file (and WIN.INI) before it returns.
//  - Faults, from the machine's settings (spooler=0, spoolerFail=N,E): a
//    spooler that is not running fails every call with
//    RPC_S_SERVER_UNAVAILABLE; exactly the Nth call fails with error E.
//  - Preloads (spoolerPreload=...): printers and drivers the spooler adds on
//    its first start when the registry lacks them, once per machine: the
//    value Preloaded of the Print key lists those added, so that one deleted
//    later does not come back.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <windef.h>

#include "platform/core/Machine.h"
#include "platform/core/Result.h"

namespace nv::spooler {

// The one environment of a Windows 95 spooler.
inline constexpr const char* kEnvironment = "Windows 4.0";
inline constexpr const char* kBuiltInProcessor = "WinPrint";
inline constexpr const char* kBuiltInMonitor = "Local Port";
inline constexpr const char* kSpoolerDll = "SPOOLSS.DLL";

struct Printer {
    std::string name;
    std::string port;
    std::string driver;
    std::string processor;
    std::string datatype;
    std::string shareName;
    std::string comment;
    std::string location;
    std::string sepFile;
    std::string parameters;
    DWORD attributes = 0;  // as stored: never the default bit, which follows WIN.INI
    DWORD priority = 1;
    DWORD defaultPriority = 1;
    DWORD startTime = 0;
    DWORD untilTime = 0;
    DWORD status = 0;
    DWORD dnsTimeout = 15000;  // ms; WIN.INI [PrinterPorts] holds them in seconds
    DWORD txTimeout = 45000;
};

struct Driver {
    std::string name;
    DWORD version = 0x400;
    std::string driverFile;  // file names in the driver directory
    std::string dataFile;
    std::string configFile;
    std::string helpFile;
    std::vector<std::string> dependentFiles;
    std::string monitor;
    std::string defaultDataType;
};

// A monitor or a print processor: a name and its DLL.
struct Module {
    std::string name;
    std::string dll;
    bool builtIn = false;
};

// A printer and driver that the machine starts with.
using Preload = machine::SpoolerPreload;

class SpoolerStore : public machine::Machine::FamilyState {
public:
    explicit SpoolerStore(machine::Machine& machine);

    // The store of the current machine; RPC_S_SERVER_UNAVAILABLE when none.
    static Result<SpoolerStore*> current();

    // Starts the spooler once: the machine's preloaded printers and drivers
    // that the registry does not have yet are added. Every call starts it.
    Result<void> start();
    // Starts the spooler, counts one Win32 call and applies the fault settings.
    Result<void> enterCall();

    // The driver directory, which on Windows 95 is the system directory.
    std::string driverDirectory() const;
    // The full path of a driver, monitor or processor file: a bare name lies
    // in the driver directory; a full path is kept.
    std::string fullPath(std::string_view file) const;
    bool fileExists(std::string_view file) const;

    Result<std::vector<Printer>> printers();
    Result<std::optional<Printer>> printer(std::string_view name);
    // Name of the default printer from WIN.INI, empty when none.
    Result<std::string> defaultPrinter();
    Result<void> addPrinter(const Printer& printer, bool makeDefault);
    Result<void> removePrinter(std::string_view name);

    Result<std::vector<Driver>> drivers();
    Result<std::optional<Driver>> driver(std::string_view name);
    Result<void> putDriver(const Driver& driver);
    Result<void> removeDriver(std::string_view name);

    Result<std::vector<Module>> monitors();
    Result<std::optional<Module>> monitor(std::string_view name);
    Result<void> addMonitor(const Module& monitor);
    Result<void> removeMonitor(std::string_view name);

    Result<std::vector<Module>> processors();
    Result<std::optional<Module>> processor(std::string_view name);
    Result<void> addProcessor(const Module& processor);
    Result<void> removeProcessor(std::string_view name);

    // Port names of the local port monitor (WIN.INI [ports]).
    Result<std::vector<std::string>> ports();

    // Open printer handles. A handle names its printer; one whose printer was
    // deleted answers ERROR_INVALID_HANDLE except to ClosePrinter.
    HANDLE openHandle(std::string printerName, DWORD access);
    Result<std::string> handlePrinter(HANDLE h) const;
    bool closeHandle(HANDLE h);
    void forgetPrinterHandles(std::string_view name);

    // Adds the preloaded printers and drivers the registry does not have yet.
    Result<void> applyPreloads(const std::vector<Preload>& preloads);

private:
    machine::Machine& machine_;
    bool started_ = false;
    int calls_ = 0;
    struct Handle {
        std::string printer;
        DWORD access = 0;
        bool deleted = false;
    };
    std::map<uintptr_t, Handle> handles_;
    uintptr_t nextHandle_ = 0x5000;
};

// The WIN.INI form of a driver: its driver file name without extension.
std::string driverBaseName(std::string_view driverFile);

// Names: a printer name is 1 to 220 characters without ',' or '\' (WIN.INI
// and the registry could not hold them); a driver, monitor or processor name
// is 1 to 220 characters without '\'.
bool validPrinterName(std::string_view name);
bool validModuleName(std::string_view name);

}  // namespace nv::spooler
