#include "platform/spooler/SpoolerEdge.h"

#include <algorithm>

#include "platform/core/Machine.h"

namespace nv::spooler {

Result<SpoolerStore*> enter() {
    SpoolerStore* store = NV_TRY(SpoolerStore::current());
    NV_TRY(store->enterCall());
    return store;
}

Result<SpoolerStore*> enterAdd(LPCSTR server, DWORD level, std::initializer_list<DWORD> levels, const void* info) {
    SpoolerStore* store = NV_TRY(enter());
    NV_TRY(checkServer(server));
    if (std::find(levels.begin(), levels.end(), level) == levels.end())
        return Error::win32(ERROR_INVALID_LEVEL, "level " + std::to_string(level) + " not taken");
    if (!info)
        return Error::win32(ERROR_INVALID_PARAMETER, "no structure");
    return store;
}

Result<SpoolerStore*> enterQuery(const void* needed, const void* returned) {
    SpoolerStore* store = NV_TRY(enter());
    if (!needed || !returned)
        return Error::win32(RPC_X_NULL_REF_POINTER, "no size or count pointer");
    return store;
}

Result<void> checkServer(LPCSTR name) {
    if (name && *name)
        return Error::win32(ERROR_INVALID_NAME, std::string("no print server ") + name);
    return {};
}

Result<void> checkEnvironment(LPCSTR environment) {
    if (environment && *environment && !machine::equalsNoCase(environment, kEnvironment))
        return Error::win32(ERROR_INVALID_ENVIRONMENT, std::string("no environment ") + environment);
    return {};
}

BOOL finish(DWORD error) {
    if (error == ERROR_SUCCESS)
        return TRUE;
    SetLastError(error);
    return FALSE;
}

bool validPrinterLevel(DWORD level) { return level == 1 || level == 2 || level == 4 || level == 5; }
bool validDriverLevel(DWORD level) { return level >= 1 && level <= 3; }

DWORD packPrinters(const std::vector<PrinterView>& printers, DWORD level, LPBYTE buffer, DWORD size,
                   LPDWORD needed) {
    switch (level) {
    case 1:
        return packInto<PRINTER_INFO_1A>(buffer, size, needed, printers.size(),
                                         [&](Packer& p, PRINTER_INFO_1A& out, size_t i) {
                                             const Printer& pr = printers[i].printer;
                                             out.Flags = PRINTER_ENUM_ICON8;
                                             out.pDescription = p.str(pr.name + "," + pr.driver + "," + pr.location);
                                             out.pName = p.str(pr.name);
                                             out.pComment = p.str(pr.comment);
                                         });
    case 2:
        return packInto<PRINTER_INFO_2A>(buffer, size, needed, printers.size(),
                                         [&](Packer& p, PRINTER_INFO_2A& out, size_t i) {
                                             const Printer& pr = printers[i].printer;
                                             out.pServerName = nullptr;  // local
                                             out.pPrinterName = p.str(pr.name);
                                             out.pShareName = p.str(pr.shareName);
                                             out.pPortName = p.str(pr.port);
                                             out.pDriverName = p.str(pr.driver);
                                             out.pComment = p.str(pr.comment);
                                             out.pLocation = p.str(pr.location);
                                             out.pDevMode = nullptr;
                                             out.pSepFile = p.str(pr.sepFile);
                                             out.pPrintProcessor = p.str(pr.processor);
                                             out.pDatatype = p.str(pr.datatype);
                                             out.pParameters = p.str(pr.parameters);
                                             out.pSecurityDescriptor = nullptr;
                                             out.Attributes = printers[i].attributes();
                                             out.Priority = pr.priority;
                                             out.DefaultPriority = pr.defaultPriority;
                                             out.StartTime = pr.startTime;
                                             out.UntilTime = pr.untilTime;
                                             out.Status = pr.status;
                                             out.cJobs = 0;
                                             out.AveragePPM = 0;
                                         });
    case 4:
        return packInto<PRINTER_INFO_4A>(buffer, size, needed, printers.size(),
                                         [&](Packer& p, PRINTER_INFO_4A& out, size_t i) {
                                             out.pPrinterName = p.str(printers[i].printer.name);
                                             out.pServerName = nullptr;
                                             out.Attributes = printers[i].attributes();
                                         });
    case 5:
        return packInto<PRINTER_INFO_5A>(buffer, size, needed, printers.size(),
                                         [&](Packer& p, PRINTER_INFO_5A& out, size_t i) {
                                             const Printer& pr = printers[i].printer;
                                             out.pPrinterName = p.str(pr.name);
                                             out.pPortName = p.str(pr.port);
                                             out.Attributes = printers[i].attributes();
                                             out.DeviceNotSelectedTimeout = pr.dnsTimeout;
                                             out.TransmissionRetryTimeout = pr.txTimeout;
                                         });
    default:
        return ERROR_INVALID_LEVEL;
    }
}

DWORD packDrivers(SpoolerStore& store, const std::vector<Driver>& drivers, DWORD level, LPBYTE buffer,
                  DWORD size, LPDWORD needed) {
    auto path = [&](const std::string& f) { return f.empty() ? std::string() : store.fullPath(f); };
    // The fields DRIVER_INFO_2 and DRIVER_INFO_3 share, in the same places.
    auto common = [&](Packer& p, auto& out, const Driver& d) {
        out.cVersion = d.version;
        out.pName = p.str(d.name);
        out.pEnvironment = p.str(kEnvironment);
        out.pDriverPath = p.str(path(d.driverFile));
        out.pDataFile = p.str(path(d.dataFile));
        out.pConfigFile = p.str(path(d.configFile));
    };
    switch (level) {
    case 1:
        return packInto<DRIVER_INFO_1A>(buffer, size, needed, drivers.size(),
                                        [&](Packer& p, DRIVER_INFO_1A& out, size_t i) {
                                            out.pName = p.str(drivers[i].name);
                                        });
    case 2:
        return packInto<DRIVER_INFO_2A>(buffer, size, needed, drivers.size(),
                                        [&](Packer& p, DRIVER_INFO_2A& out, size_t i) { common(p, out, drivers[i]); });
    case 3:
        return packInto<DRIVER_INFO_3A>(buffer, size, needed, drivers.size(),
                                        [&](Packer& p, DRIVER_INFO_3A& out, size_t i) {
                                            const Driver& d = drivers[i];
                                            common(p, out, d);
                                            out.pHelpFile = p.str(path(d.helpFile));
                                            out.pDependentFiles =
                                                d.dependentFiles.empty() ? nullptr : p.multi(d.dependentFiles);
                                            out.pMonitorName = d.monitor.empty() ? nullptr : p.str(d.monitor);
                                            out.pDefaultDataType = p.str(d.defaultDataType);
                                        });
    default:
        return ERROR_INVALID_LEVEL;
    }
}

}  // namespace nv::spooler
