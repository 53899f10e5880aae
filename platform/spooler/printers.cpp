// Printers: AddPrinterA, DeletePrinter, OpenPrinterA, ClosePrinter,
// GetPrinterA and EnumPrintersA.
//
// Rules chosen where the documentation leaves room (Windows 95 has no printer
// security):
//  - OpenPrinterA grants whatever access is asked for; DeletePrinter works on
//    any open handle. The handle of a deleted printer only closes.
//  - A printer added with PRINTER_ATTRIBUTE_DEFAULT, or while there is no
//    default printer, becomes the default printer (WIN.INI [windows] device=).
//    Deleting the default printer empties device=.
//  - AddPrinterA takes level 2 only, as on Windows 95; its print processor
//    defaults to WinPrint and its data type to the driver's.
//  - EnumPrintersA: PRINTER_ENUM_LOCAL (or PRINTER_ENUM_NAME without a name)
//    lists every printer, PRINTER_ENUM_DEFAULT the default printer; network
//    flags add nothing. Levels 1, 2, 4 and 5; a NULL count pointer is
//    RPC_X_NULL_REF_POINTER, as Wine's conformance tests record for Windows.
#include <windows.h>

#include "platform/core/Trace.h"
#include "platform/spooler/SpoolerEdge.h"

namespace nv::spooler {
namespace {

Result<std::vector<PrinterView>> views(SpoolerStore& store) {
    auto list = NV_TRY(store.printers());
    std::string def = NV_TRY(store.defaultPrinter());
    std::vector<PrinterView> out;
    for (auto& p : list) {
        bool isDefault = !def.empty() && machine::equalsNoCase(p.name, def);
        out.push_back(PrinterView{std::move(p), isDefault});
    }
    return out;
}

Result<HANDLE> addPrinter(LPSTR server, DWORD level, LPBYTE info) {
    SpoolerStore* store = NV_TRY(enterAdd(server, level, {2}, info));
    const auto& in = *reinterpret_cast<const PRINTER_INFO_2A*>(info);
    Printer p;
    p.name = textOf(in.pPrinterName);
    if (!validPrinterName(p.name))
        return Error::win32(ERROR_INVALID_PRINTER_NAME, "bad printer name");
    if (NV_TRY(store->printer(p.name)))
        return Error::win32(ERROR_PRINTER_ALREADY_EXISTS, "printer exists: " + p.name);
    auto driver = NV_TRY(store->driver(textOf(in.pDriverName)));
    if (!driver)
        return Error::win32(ERROR_UNKNOWN_PRINTER_DRIVER, "no driver " + textOf(in.pDriverName));
    p.driver = driver->name;
    p.port = textOf(in.pPortName);
    bool knownPort = false;
    for (const auto& port : NV_TRY(store->ports()))
        if (machine::equalsNoCase(port, p.port)) {
            p.port = port;
            knownPort = true;
        }
    if (!knownPort)
        return Error::win32(ERROR_UNKNOWN_PORT, "no port " + p.port);
    std::string processor = in.pPrintProcessor && *in.pPrintProcessor ? in.pPrintProcessor : kBuiltInProcessor;
    auto proc = NV_TRY(store->processor(processor));
    if (!proc)
        return Error::win32(ERROR_UNKNOWN_PRINTPROCESSOR, "no print processor " + processor);
    p.processor = proc->name;
    p.datatype = in.pDatatype && *in.pDatatype ? in.pDatatype : driver->defaultDataType;
    p.shareName = textOf(in.pShareName);
    p.comment = textOf(in.pComment);
    p.location = textOf(in.pLocation);
    p.sepFile = textOf(in.pSepFile);
    p.parameters = textOf(in.pParameters);
    p.attributes = in.Attributes & ~static_cast<DWORD>(PRINTER_ATTRIBUTE_DEFAULT);
    p.priority = in.Priority;
    p.defaultPriority = in.DefaultPriority;
    p.startTime = in.StartTime;
    p.untilTime = in.UntilTime;
    std::string def = NV_TRY(store->defaultPrinter());
    NV_TRY(store->addPrinter(p, (in.Attributes & PRINTER_ATTRIBUTE_DEFAULT) || def.empty()));
    return store->openHandle(p.name, PRINTER_ALL_ACCESS);
}

Result<void> deletePrinter(HANDLE h) {
    SpoolerStore* store = NV_TRY(enter());
    std::string name = NV_TRY(store->handlePrinter(h));
    NV_TRY(store->removePrinter(name));
    store->forgetPrinterHandles(name);
    return {};
}

Result<void> openPrinter(LPSTR name, LPHANDLE result, LPPRINTER_DEFAULTSA defaults) {
    if (result)
        *result = nullptr;
    SpoolerStore* store = NV_TRY(enter());
    if (!result)
        return Error::win32(ERROR_INVALID_PARAMETER, "no handle pointer");
    if (!name || !*name)
        return Error::win32(ERROR_INVALID_PRINTER_NAME, "no printer name");
    auto p = NV_TRY(store->printer(name));
    if (!p)
        return Error::win32(ERROR_INVALID_PRINTER_NAME, std::string("no printer ") + name);
    DWORD access = defaults && defaults->DesiredAccess ? defaults->DesiredAccess : PRINTER_ACCESS_USE;
    *result = store->openHandle(p->name, access);
    return {};
}

Result<void> closePrinter(HANDLE h) {
    SpoolerStore* store = NV_TRY(enter());
    if (!store->closeHandle(h))
        return Error::win32(ERROR_INVALID_HANDLE, "not an open printer");
    return {};
}

DWORD getPrinter(HANDLE h, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
    auto store = enterQuery(needed);
    if (!store)
        return store.error().code;
    auto name = (*store)->handlePrinter(h);
    if (!name)
        return name.error().code;
    if (!validPrinterLevel(level))
        return ERROR_INVALID_LEVEL;
    auto all = views(**store);
    if (!all)
        return all.error().code;
    for (auto& v : *all)
        if (machine::equalsNoCase(v.printer.name, *name))
            return packPrinters({v}, level, buffer, size, needed);
    return ERROR_INVALID_HANDLE;  // deleted behind the handle's back
}

DWORD enumPrinters(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                   LPDWORD returned) {
    auto store = enterQuery(needed, returned);
    if (!store)
        return store.error().code;
    *returned = 0;
    if (!validPrinterLevel(level))
        return ERROR_INVALID_LEVEL;
    bool named = flags & PRINTER_ENUM_NAME;
    if (named && name && *name)
        return ERROR_INVALID_NAME;  // no print providers or servers beyond this machine
    auto all = views(**store);
    if (!all)
        return all.error().code;
    std::vector<PrinterView> chosen;
    if ((flags & PRINTER_ENUM_LOCAL) || named) {
        chosen = std::move(*all);
    } else if (flags & PRINTER_ENUM_DEFAULT) {
        for (auto& v : *all)
            if (v.isDefault)
                chosen.push_back(v);
    }
    DWORD r = packPrinters(chosen, level, buffer, size, needed);
    if (r == ERROR_SUCCESS)
        *returned = static_cast<DWORD>(chosen.size());
    return r;
}

}  // namespace
}  // namespace nv::spooler

using namespace nv::spooler;

HANDLE WINAPI AddPrinterA(LPSTR pName, DWORD Level, LPBYTE pPrinter) {
    NV_TRACE_ENTER("AddPrinterA", pName, Level, pPrinter && Level == 2 ? reinterpret_cast<PRINTER_INFO_2A*>(pPrinter)->pPrinterName : nullptr);
    auto r = addPrinter(pName, Level, pPrinter);
    HANDLE h = r ? *r : nullptr;
    if (!r)
        SetLastError(r.error().code);
    NV_TRACE_RESULT(h);
    return h;
}

BOOL WINAPI DeletePrinter(HANDLE hPrinter) {
    NV_TRACE_ENTER("DeletePrinter", hPrinter);
    BOOL ok = finish(codeOf(deletePrinter(hPrinter)));
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI OpenPrinterA(LPSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSA pDefault) {
    NV_TRACE_ENTER("OpenPrinterA", pPrinterName, pDefault ? pDefault->DesiredAccess : 0);
    BOOL ok = finish(codeOf(openPrinter(pPrinterName, phPrinter, pDefault)));
    NV_TRACE_RESULT(ok, phPrinter ? *phPrinter : nullptr);
    return ok;
}

BOOL WINAPI ClosePrinter(HANDLE hPrinter) {
    NV_TRACE_ENTER("ClosePrinter", hPrinter);
    BOOL ok = finish(codeOf(closePrinter(hPrinter)));
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI GetPrinterA(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded) {
    NV_TRACE_ENTER("GetPrinterA", hPrinter, Level, cbBuf);
    BOOL ok = finish(getPrinter(hPrinter, Level, pPrinter, cbBuf, pcbNeeded));
    NV_TRACE_RESULT(ok, pcbNeeded ? *pcbNeeded : 0);
    return ok;
}

BOOL WINAPI EnumPrintersA(DWORD Flags, LPSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf, LPDWORD pcbNeeded,
                          LPDWORD pcReturned) {
    NV_TRACE_ENTER("EnumPrintersA", Flags, Name, Level, cbBuf);
    BOOL ok = finish(enumPrinters(Flags, Name, Level, pPrinterEnum, cbBuf, pcbNeeded, pcReturned));
    NV_TRACE_RESULT(ok, pcbNeeded ? *pcbNeeded : 0, pcReturned ? *pcReturned : 0);
    return ok;
}
