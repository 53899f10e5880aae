// Printer drivers: AddPrinterDriverA, DeletePrinterDriverA,
// EnumPrinterDriversA, GetPrinterDriverA and GetPrinterDriverDirectoryA.
//
// Rules chosen where the documentation leaves room:
//  - The driver directory is the system directory, as on Windows 95. The
//    driver, data and configuration files (and the help file when one is
//    named) must be there already: AddPrinterDriverA copies nothing, and a
//    missing one is ERROR_FILE_NOT_FOUND. Dependent files are listed, not
//    checked: some of them (colour profiles) live below the system directory.
//  - Adding a driver that exists replaces it (an upgrade), as Windows does.
//  - Files are stored by name when they lie in the driver directory and come
//    back as full paths; dependent files come back as stored, relative to the
//    driver directory, so "Color\X.ICM" names SYSTEM\Color\X.ICM.
//  - A driver with no dependent files or no monitor gives NULL for them.
#include <windows.h>

#include "platform/core/Trace.h"
#include "platform/spooler/SpoolerEdge.h"

namespace nv::spooler {
namespace {

// The name to store for a file: its name part when it lies in the driver
// directory, else the path as given.
std::string storedName(const SpoolerStore& store, std::string path) {
    auto slash = path.find_last_of('\\');
    if (slash == std::string::npos)
        return path;
    if (machine::equalsNoCase(path.substr(0, slash), store.driverDirectory()))
        return path.substr(slash + 1);
    return path;
}

Result<std::string> requiredFile(const SpoolerStore& store, LPCSTR file, const char* what) {
    if (!file || !*file)
        return Error::win32(ERROR_INVALID_PARAMETER, std::string("no ") + what);
    if (!store.fileExists(file))
        return Error::win32(ERROR_FILE_NOT_FOUND, std::string(what) + " not found: " + file);
    return storedName(store, file);
}

Result<void> addDriver(LPSTR server, DWORD level, LPBYTE info) {
    SpoolerStore* store = NV_TRY(enterAdd(server, level, {2, 3}, info));
    // DRIVER_INFO_2 is the start of DRIVER_INFO_3.
    const auto& in2 = *reinterpret_cast<const DRIVER_INFO_2A*>(info);
    Driver d;
    d.name = textOf(in2.pName);
    if (!validModuleName(d.name))
        return Error::win32(ERROR_INVALID_PARAMETER, "bad driver name");
    NV_TRY(checkEnvironment(in2.pEnvironment));
    d.version = in2.cVersion;
    d.driverFile = NV_TRY(requiredFile(*store, in2.pDriverPath, "driver file"));
    d.dataFile = NV_TRY(requiredFile(*store, in2.pDataFile, "data file"));
    d.configFile = NV_TRY(requiredFile(*store, in2.pConfigFile, "configuration file"));
    if (level == 3) {
        const auto& in3 = *reinterpret_cast<const DRIVER_INFO_3A*>(info);
        if (in3.pHelpFile && *in3.pHelpFile)
            d.helpFile = NV_TRY(requiredFile(*store, in3.pHelpFile, "help file"));
        if (in3.pDependentFiles)
            for (const char* s = in3.pDependentFiles; *s; s += std::strlen(s) + 1)
                d.dependentFiles.emplace_back(s);
        d.monitor = textOf(in3.pMonitorName);
        d.defaultDataType = textOf(in3.pDefaultDataType);
    }
    // Keep the spelling of an existing driver's name: its key is replaced.
    if (auto old = NV_TRY(store->driver(d.name)))
        d.name = old->name;
    return store->putDriver(d);
}

Result<void> deleteDriver(LPSTR server, LPSTR environment, LPSTR name) {
    SpoolerStore* store = NV_TRY(enter());
    NV_TRY(checkServer(server));
    NV_TRY(checkEnvironment(environment));
    if (!name || !*name)
        return Error::win32(ERROR_INVALID_PARAMETER, "no driver name");
    auto d = NV_TRY(store->driver(name));
    if (!d)
        return Error::win32(ERROR_UNKNOWN_PRINTER_DRIVER, std::string("no driver ") + name);
    for (const auto& p : NV_TRY(store->printers()))
        if (machine::equalsNoCase(p.driver, d->name))
            return Error::win32(ERROR_PRINTER_DRIVER_IN_USE, "driver used by " + p.name);
    return store->removeDriver(d->name);
}

DWORD enumDrivers(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                  LPDWORD returned) {
    auto store = enterQuery(needed, returned);
    if (!store)
        return store.error().code;
    *returned = 0;
    if (auto r = checkServer(server); !r)
        return r.error().code;
    if (auto r = checkEnvironment(environment); !r)
        return r.error().code;
    if (!validDriverLevel(level))
        return ERROR_INVALID_LEVEL;
    auto drivers = (*store)->drivers();
    if (!drivers)
        return drivers.error().code;
    DWORD r = packDrivers(**store, *drivers, level, buffer, size, needed);
    if (r == ERROR_SUCCESS)
        *returned = static_cast<DWORD>(drivers->size());
    return r;
}

DWORD getDriver(HANDLE h, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
    auto store = enterQuery(needed);
    if (!store)
        return store.error().code;
    auto name = (*store)->handlePrinter(h);
    if (!name)
        return name.error().code;
    if (auto r = checkEnvironment(environment); !r)
        return r.error().code;
    if (!validDriverLevel(level))
        return ERROR_INVALID_LEVEL;
    auto p = (*store)->printer(*name);
    if (!p)
        return p.error().code;
    if (!*p)
        return ERROR_INVALID_HANDLE;
    auto d = (*store)->driver((*p)->driver);
    if (!d)
        return d.error().code;
    if (!*d)
        return ERROR_UNKNOWN_PRINTER_DRIVER;
    return packDrivers(**store, {**d}, level, buffer, size, needed);
}

DWORD driverDirectory(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
    auto store = enterQuery(needed);
    if (!store)
        return store.error().code;
    if (auto r = checkServer(server); !r)
        return r.error().code;
    if (auto r = checkEnvironment(environment); !r)
        return r.error().code;
    if (level != 1)
        return ERROR_INVALID_LEVEL;
    std::string dir = (*store)->driverDirectory();
    *needed = static_cast<DWORD>(dir.size() + 1);
    if (!buffer || size < dir.size() + 1)
        return ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(buffer, dir.c_str(), dir.size() + 1);
    return ERROR_SUCCESS;
}

}  // namespace
}  // namespace nv::spooler

using namespace nv::spooler;

BOOL WINAPI AddPrinterDriverA(LPSTR pName, DWORD Level, LPBYTE pDriverInfo) {
    NV_TRACE_ENTER("AddPrinterDriverA", pName, Level, pDriverInfo && (Level == 2 || Level == 3) ? reinterpret_cast<DRIVER_INFO_2A*>(pDriverInfo)->pName
                                                             : nullptr);
    BOOL ok = finish(codeOf(addDriver(pName, Level, pDriverInfo)));
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI DeletePrinterDriverA(LPSTR pName, LPSTR pEnvironment, LPSTR pDriverName) {
    NV_TRACE_ENTER("DeletePrinterDriverA", pName, pEnvironment, pDriverName);
    BOOL ok = finish(codeOf(deleteDriver(pName, pEnvironment, pDriverName)));
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI EnumPrinterDriversA(LPSTR pName, LPSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo, DWORD cbBuf,
                                LPDWORD pcbNeeded, LPDWORD pcReturned) {
    NV_TRACE_ENTER("EnumPrinterDriversA", pName, pEnvironment, Level, cbBuf);
    BOOL ok = finish(enumDrivers(pName, pEnvironment, Level, pDriverInfo, cbBuf, pcbNeeded, pcReturned));
    NV_TRACE_RESULT(ok, pcbNeeded ? *pcbNeeded : 0, pcReturned ? *pcReturned : 0);
    return ok;
}

BOOL WINAPI GetPrinterDriverA(HANDLE hPrinter, LPSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo, DWORD cbBuf,
                              LPDWORD pcbNeeded) {
    NV_TRACE_ENTER("GetPrinterDriverA", hPrinter, pEnvironment, Level, cbBuf);
    BOOL ok = finish(getDriver(hPrinter, pEnvironment, Level, pDriverInfo, cbBuf, pcbNeeded));
    NV_TRACE_RESULT(ok, pcbNeeded ? *pcbNeeded : 0);
    return ok;
}

BOOL WINAPI GetPrinterDriverDirectoryA(LPSTR pName, LPSTR pEnvironment, DWORD Level, LPBYTE pDriverDirectory,
                                       DWORD cbBuf, LPDWORD pcbNeeded) {
    NV_TRACE_ENTER("GetPrinterDriverDirectoryA", pName, pEnvironment, Level, cbBuf);
    BOOL ok = finish(driverDirectory(pName, pEnvironment, Level, pDriverDirectory, cbBuf, pcbNeeded));
    NV_TRACE_RESULT(ok, pcbNeeded ? *pcbNeeded : 0);
    return ok;
}
