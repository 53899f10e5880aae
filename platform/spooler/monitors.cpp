// Port monitors and print processors: AddMonitorA, DeleteMonitorA,
// EnumMonitorsA, AddPrintProcessorA and DeletePrintProcessorA.
//
// Rules chosen where the documentation leaves room:
//  - The DLL of a monitor or print processor must lie in the system directory
//    (ERROR_FILE_NOT_FOUND otherwise); an empty DLL name is
//    ERROR_INVALID_PARAMETER.
//  - A monitor is in use (ERROR_PRINT_MONITOR_IN_USE) while a driver names it
//    as its language monitor; "Local Port" is always in use (its ports).
//  - The built-in WinPrint cannot be deleted, nor a print processor a printer
//    uses: both ERROR_ACCESS_DENIED (no documented code fits better).
#include <windows.h>

#include "platform/core/Trace.h"
#include "platform/spooler/SpoolerEdge.h"

namespace nv::spooler {
namespace {

Result<std::string> moduleDll(const SpoolerStore& store, LPCSTR dll) {
    if (!dll || !*dll)
        return Error::win32(ERROR_INVALID_PARAMETER, "no DLL name");
    if (!store.fileExists(dll))
        return Error::win32(ERROR_FILE_NOT_FOUND, std::string("DLL not found: ") + dll);
    return std::string(dll);
}

Result<void> addMonitor(LPSTR server, DWORD level, LPBYTE info) {
    SpoolerStore* store = NV_TRY(enterAdd(server, level, {2}, info));
    const auto& in = *reinterpret_cast<const MONITOR_INFO_2A*>(info);
    NV_TRY(checkEnvironment(in.pEnvironment));
    std::string name = textOf(in.pName);
    if (!validModuleName(name))
        return Error::win32(ERROR_INVALID_PARAMETER, "bad monitor name");
    if (NV_TRY(store->monitor(name)))
        return Error::win32(ERROR_PRINT_MONITOR_ALREADY_INSTALLED, "monitor exists: " + name);
    std::string dll = NV_TRY(moduleDll(*store, in.pDLLName));
    return store->addMonitor(Module{name, dll, false});
}

Result<void> deleteMonitor(LPSTR server, LPSTR environment, LPSTR name) {
    SpoolerStore* store = NV_TRY(enter());
    NV_TRY(checkServer(server));
    NV_TRY(checkEnvironment(environment));
    if (!name || !*name)
        return Error::win32(ERROR_INVALID_PARAMETER, "no monitor name");
    auto m = NV_TRY(store->monitor(name));
    if (!m)
        return Error::win32(ERROR_UNKNOWN_PRINT_MONITOR, std::string("no monitor ") + name);
    if (m->builtIn)
        return Error::win32(ERROR_PRINT_MONITOR_IN_USE, "the local port monitor serves the ports");
    for (const auto& d : NV_TRY(store->drivers()))
        if (machine::equalsNoCase(d.monitor, m->name))
            return Error::win32(ERROR_PRINT_MONITOR_IN_USE, "monitor used by driver " + d.name);
    return store->removeMonitor(m->name);
}

DWORD enumMonitors(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
    auto store = enterQuery(needed, returned);
    if (!store)
        return store.error().code;
    *returned = 0;
    if (auto r = checkServer(server); !r)
        return r.error().code;
    auto list = (*store)->monitors();
    if (!list)
        return list.error().code;
    const auto& m = *list;
    DWORD r;
    if (level == 1) {
        r = packInto<MONITOR_INFO_1A>(buffer, size, needed, m.size(),
                                      [&](Packer& p, MONITOR_INFO_1A& out, size_t i) { out.pName = p.str(m[i].name); });
    } else if (level == 2) {
        r = packInto<MONITOR_INFO_2A>(buffer, size, needed, m.size(), [&](Packer& p, MONITOR_INFO_2A& out, size_t i) {
            out.pName = p.str(m[i].name);
            out.pEnvironment = p.str(kEnvironment);
            out.pDLLName = p.str(m[i].dll);
        });
    } else {
        return ERROR_INVALID_LEVEL;
    }
    if (r == ERROR_SUCCESS)
        *returned = static_cast<DWORD>(m.size());
    return r;
}

Result<void> addProcessor(LPSTR server, LPSTR environment, LPSTR path, LPSTR name) {
    SpoolerStore* store = NV_TRY(enter());
    NV_TRY(checkServer(server));
    NV_TRY(checkEnvironment(environment));
    std::string n = textOf(name);
    if (!validModuleName(n))
        return Error::win32(ERROR_INVALID_PARAMETER, "bad print processor name");
    if (NV_TRY(store->processor(n)))
        return Error::win32(ERROR_PRINT_PROCESSOR_ALREADY_INSTALLED, "print processor exists: " + n);
    std::string dll = NV_TRY(moduleDll(*store, path));
    return store->addProcessor(Module{n, dll, false});
}

Result<void> deleteProcessor(LPSTR server, LPSTR environment, LPSTR name) {
    SpoolerStore* store = NV_TRY(enter());
    NV_TRY(checkServer(server));
    NV_TRY(checkEnvironment(environment));
    if (!name || !*name)
        return Error::win32(ERROR_INVALID_PARAMETER, "no print processor name");
    auto m = NV_TRY(store->processor(name));
    if (!m)
        return Error::win32(ERROR_UNKNOWN_PRINTPROCESSOR, std::string("no print processor ") + name);
    if (m->builtIn)
        return Error::win32(ERROR_ACCESS_DENIED, "WinPrint is part of the spooler");
    for (const auto& p : NV_TRY(store->printers()))
        if (machine::equalsNoCase(p.processor, m->name))
            return Error::win32(ERROR_ACCESS_DENIED, "print processor used by " + p.name);
    return store->removeProcessor(m->name);
}

}  // namespace
}  // namespace nv::spooler

using namespace nv::spooler;

BOOL WINAPI AddMonitorA(LPSTR pName, DWORD Level, LPBYTE pMonitors) {
    NV_TRACE_ENTER("AddMonitorA", pName, Level, pMonitors && Level == 2 ? reinterpret_cast<MONITOR_INFO_2A*>(pMonitors)->pName : nullptr);
    BOOL ok = finish(codeOf(addMonitor(pName, Level, pMonitors)));
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI DeleteMonitorA(LPSTR pName, LPSTR pEnvironment, LPSTR pMonitorName) {
    NV_TRACE_ENTER("DeleteMonitorA", pName, pEnvironment, pMonitorName);
    BOOL ok = finish(codeOf(deleteMonitor(pName, pEnvironment, pMonitorName)));
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI EnumMonitorsA(LPSTR pName, DWORD Level, LPBYTE pMonitors, DWORD cbBuf, LPDWORD pcbNeeded,
                          LPDWORD pcReturned) {
    NV_TRACE_ENTER("EnumMonitorsA", pName, Level, cbBuf);
    BOOL ok = finish(enumMonitors(pName, Level, pMonitors, cbBuf, pcbNeeded, pcReturned));
    NV_TRACE_RESULT(ok, pcbNeeded ? *pcbNeeded : 0, pcReturned ? *pcReturned : 0);
    return ok;
}

BOOL WINAPI AddPrintProcessorA(LPSTR pName, LPSTR pEnvironment, LPSTR pPathName, LPSTR pPrintProcessorName) {
    NV_TRACE_ENTER("AddPrintProcessorA", pName, pEnvironment, pPathName, pPrintProcessorName);
    BOOL ok = finish(codeOf(addProcessor(pName, pEnvironment, pPathName, pPrintProcessorName)));
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI DeletePrintProcessorA(LPSTR pName, LPSTR pEnvironment, LPSTR pPrintProcessorName) {
    NV_TRACE_ENTER("DeletePrintProcessorA", pName, pEnvironment, pPrintProcessorName);
    BOOL ok = finish(codeOf(deleteProcessor(pName, pEnvironment, pPrintProcessorName)));
    NV_TRACE_RESULT(ok);
    return ok;
}
