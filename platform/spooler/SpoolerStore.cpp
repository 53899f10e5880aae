#include "platform/spooler/SpoolerStore.h"

#include <algorithm>
#include <cstring>

#include <windows.h>

#include "platform/kernel/profile_document.h"
#include "platform/kernel/profile_file.h"
#include "platform/registry/RegistryStore.h"

namespace nv::spooler {
namespace {

using registry::Key;
using registry::KeyPath;
using registry::Registry;
using registry::RegistryStore;

const std::vector<std::string> kPrintRoot = {"System", "CurrentControlSet", "control", "Print"};

KeyPath printPath(std::initializer_list<std::string_view> below) {
    KeyPath p;
    p.parts = kPrintRoot;
    for (auto part : below)
        p.parts.emplace_back(part);
    return p;
}
KeyPath printersPath() { return printPath({"Printers"}); }
KeyPath driversPath() { return printPath({"Environments", kEnvironment, "Drivers"}); }
KeyPath processorsPath() { return printPath({"Environments", kEnvironment, "Print Processors"}); }
KeyPath monitorsPath() { return printPath({"Monitors"}); }

KeyPath child(KeyPath p, std::string_view name) {
    p.parts.emplace_back(name);
    return p;
}

Result<Registry*> theRegistry() {
    auto* store = RegistryStore::current();
    if (!store)
        return Error::win32(RPC_S_SERVER_UNAVAILABLE, "no machine attached");
    return store->registry();
}

Result<void> saveRegistry() { return RegistryStore::current()->save(); }

std::string text(const Key& key, std::string_view name) {
    const auto* v = key.value(name);
    if (!v || (v->type != REG_SZ && v->type != REG_EXPAND_SZ))
        return {};
    std::string s(v->data.begin(), v->data.end());
    s.resize(std::strlen(s.c_str()));
    return s;
}

DWORD number(const Key& key, std::string_view name, DWORD fallback) {
    const auto* v = key.value(name);
    if (!v || v->type != REG_DWORD || v->data.size() != 4)
        return fallback;
    DWORD d;
    std::memcpy(&d, v->data.data(), 4);
    return d;
}

std::vector<std::string> multi(const Key& key, std::string_view name) {
    std::vector<std::string> out;
    const auto* v = key.value(name);
    if (!v)
        return out;
    std::string cur;
    for (uint8_t b : v->data) {
        if (b == 0) {
            if (cur.empty())
                break;
            out.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(static_cast<char>(b));
        }
    }
    if (!cur.empty())
        out.push_back(cur);
    return out;
}

void setText(Key& key, std::string_view name, std::string_view s) {
    std::vector<uint8_t> d(s.begin(), s.end());
    d.push_back(0);
    key.setValue(name, REG_SZ, std::move(d));
}
void setNumber(Key& key, std::string_view name, DWORD n) {
    std::vector<uint8_t> d(4);
    std::memcpy(d.data(), &n, 4);
    key.setValue(name, REG_DWORD, std::move(d));
}
void setMulti(Key& key, std::string_view name, const std::vector<std::string>& items) {
    std::vector<uint8_t> d;
    for (const auto& s : items) {
        d.insert(d.end(), s.begin(), s.end());
        d.push_back(0);
    }
    d.push_back(0);
    key.setValue(name, REG_MULTI_SZ, std::move(d));
}

Printer readPrinter(const Key& k) {
    Printer p;
    p.name = text(k, "Name");
    if (p.name.empty())
        p.name = k.name();
    p.port = text(k, "Port");
    p.driver = text(k, "Printer Driver");
    p.processor = text(k, "Print Processor");
    p.datatype = text(k, "Datatype");
    p.shareName = text(k, "Share Name");
    p.comment = text(k, "Description");
    p.location = text(k, "Location");
    p.sepFile = text(k, "Separator File");
    p.parameters = text(k, "Parameters");
    p.attributes = number(k, "Attributes", 0) & ~static_cast<DWORD>(PRINTER_ATTRIBUTE_DEFAULT);
    p.priority = number(k, "Priority", 1);
    p.defaultPriority = number(k, "Default Priority", 1);
    p.startTime = number(k, "StartTime", 0);
    p.untilTime = number(k, "UntilTime", 0);
    p.status = number(k, "Status", 0);
    p.dnsTimeout = number(k, "dnsTimeout", 15000);
    p.txTimeout = number(k, "txTimeout", 45000);
    return p;
}

void writePrinter(Key& k, const Printer& p) {
    setText(k, "Name", p.name);
    setText(k, "Port", p.port);
    setText(k, "Printer Driver", p.driver);
    setText(k, "Print Processor", p.processor);
    setText(k, "Datatype", p.datatype);
    setText(k, "Share Name", p.shareName);
    setText(k, "Description", p.comment);
    setText(k, "Location", p.location);
    setText(k, "Separator File", p.sepFile);
    setText(k, "Parameters", p.parameters);
    setNumber(k, "Attributes", p.attributes & ~static_cast<DWORD>(PRINTER_ATTRIBUTE_DEFAULT));
    setNumber(k, "Priority", p.priority);
    setNumber(k, "Default Priority", p.defaultPriority);
    setNumber(k, "StartTime", p.startTime);
    setNumber(k, "UntilTime", p.untilTime);
    setNumber(k, "Status", p.status);
    setNumber(k, "dnsTimeout", p.dnsTimeout);
    setNumber(k, "txTimeout", p.txTimeout);
}

Driver readDriver(const Key& k) {
    Driver d;
    d.name = k.name();
    d.version = number(k, "Version", 0x400);
    d.driverFile = text(k, "Driver");
    d.dataFile = text(k, "Data File");
    d.configFile = text(k, "Configuration File");
    d.helpFile = text(k, "Help File");
    d.dependentFiles = multi(k, "Dependent Files");
    d.monitor = text(k, "Monitor");
    d.defaultDataType = text(k, "Datatype");
    return d;
}

void writeDriver(Key& k, const Driver& d) {
    setNumber(k, "Version", d.version);
    setText(k, "Driver", d.driverFile);
    setText(k, "Data File", d.dataFile);
    setText(k, "Configuration File", d.configFile);
    setText(k, "Help File", d.helpFile);
    setMulti(k, "Dependent Files", d.dependentFiles);
    setText(k, "Monitor", d.monitor);
    setText(k, "Datatype", d.defaultDataType);
}

// The subkeys of a key as modules ("Driver" = the DLL).
std::vector<Module> readModules(const Registry& reg, const KeyPath& path) {
    std::vector<Module> out;
    if (const Key* k = reg.find(path))
        for (const auto& c : k->children())
            out.push_back(Module{c->name(), text(*c, "Driver"), false});
    return out;
}

// Prepends a built-in module unless the registry lists it.
void withBuiltIn(std::vector<Module>& list, const char* name) {
    for (auto& m : list)
        if (machine::equalsNoCase(m.name, name)) {
            m.builtIn = true;
            return;
        }
    list.insert(list.begin(), Module{name, kSpoolerDll, true});
}

std::optional<Module> findModule(const std::vector<Module>& list, std::string_view name) {
    for (const auto& m : list)
        if (machine::equalsNoCase(m.name, name))
            return m;
    return std::nullopt;
}

// WIN.INI, read and rewritten through the profile layer (no call trace).
struct WinIni {
    profile::IniFile file;
    profile::Document doc;
};

Result<WinIni> readWinIni() {
    WinIni w;
    w.file = NV_TRY(profile::openIni("WIN.INI"));
    w.doc = *w.file.document;
    return w;
}

Result<void> writeWinIni(const WinIni& w) { return profile::writeIni(w.file, w.doc); }

// The name part of "name,DRIVER,port".
std::string deviceName(std::string_view device) {
    auto comma = device.find(',');
    return std::string(profile::trimBlanks(device.substr(0, comma)));
}

}  // namespace

std::string driverBaseName(std::string_view file) {
    auto slash = file.find_last_of("\\/:");
    if (slash != std::string_view::npos)
        file = file.substr(slash + 1);
    auto dot = file.rfind('.');
    if (dot != std::string_view::npos)
        file = file.substr(0, dot);
    return machine::toUpperAscii(file);
}

bool validPrinterName(std::string_view name) {
    return !name.empty() && name.size() <= 220 && name.find_first_of(",\\\r\n") == std::string_view::npos;
}

bool validModuleName(std::string_view name) {
    return !name.empty() && name.size() <= 220 && name.find_first_of("\\\r\n") == std::string_view::npos;
}

SpoolerStore::SpoolerStore(machine::Machine& machine) : machine_(machine) {}

Result<SpoolerStore*> SpoolerStore::current() {
    machine::Machine* m = machine::current();
    if (!m)
        return Error::win32(RPC_S_SERVER_UNAVAILABLE, "no machine attached");
    return &m->familyState<SpoolerStore>();
}

Result<void> SpoolerStore::start() {
    if (started_)
        return {};
    started_ = true;
    return applyPreloads(machine_.settings().spoolerPreloads);
}

Result<void> SpoolerStore::enterCall() {
    ++calls_;
    const auto& s = machine_.settings();
    if (!s.spoolerRunning)
        return Error::win32(RPC_S_SERVER_UNAVAILABLE, "the spooler is not running");
    if (s.spoolerFailCall > 0 && calls_ == s.spoolerFailCall)
        return Error::win32(s.spoolerFailError, "spooler call " + std::to_string(calls_) + " fails as set");
    return start();
}

std::string SpoolerStore::driverDirectory() const { return machine_.settings().systemDir; }

std::string SpoolerStore::fullPath(std::string_view file) const {
    if (file.find_first_of("\\/:") != std::string_view::npos)
        return std::string(file);
    std::string dir = driverDirectory();
    if (!dir.empty() && dir.back() != '\\')
        dir += '\\';
    return dir + std::string(file);
}

bool SpoolerStore::fileExists(std::string_view file) const {
    if (file.empty())
        return false;
    auto r = machine_.resolve(fullPath(file));
    return r && r->exists && !r->isDirectory;
}

// ---------------------------------------------------------------- printers

Result<std::vector<Printer>> SpoolerStore::printers() {
    Registry* reg = NV_TRY(theRegistry());
    std::vector<Printer> out;
    if (const Key* k = reg->find(printersPath()))
        for (const auto& c : k->children())
            out.push_back(readPrinter(*c));
    return out;
}

Result<std::optional<Printer>> SpoolerStore::printer(std::string_view name) {
    Registry* reg = NV_TRY(theRegistry());
    if (!validPrinterName(name))
        return std::optional<Printer>();
    if (const Key* k = reg->find(child(printersPath(), name)))
        return std::optional<Printer>(readPrinter(*k));
    return std::optional<Printer>();
}

Result<std::string> SpoolerStore::defaultPrinter() {
    WinIni w = NV_TRY(readWinIni());
    auto device = w.doc.value("windows", "device");
    if (!device)
        return std::string();
    std::string name = deviceName(*device);
    // A device line naming no printer of the spooler is no default.
    auto p = NV_TRY(printer(name));
    return p ? p->name : std::string();
}

Result<void> SpoolerStore::addPrinter(const Printer& p, bool makeDefault) {
    Registry* reg = NV_TRY(theRegistry());
    auto drv = NV_TRY(driver(p.driver));
    std::string base = drv ? driverBaseName(drv->driverFile) : driverBaseName(p.driver);
    WinIni w = NV_TRY(readWinIni());
    writePrinter(reg->create(child(printersPath(), p.name)), p);
    NV_TRY(saveRegistry());
    w.doc.setValue("Devices", p.name, base + "," + p.port);
    w.doc.setValue("PrinterPorts", p.name,
                   base + "," + p.port + "," + std::to_string(p.dnsTimeout / 1000) + "," +
                       std::to_string(p.txTimeout / 1000));
    if (makeDefault)
        w.doc.setValue("windows", "device", p.name + "," + base + "," + p.port);
    return writeWinIni(w);
}

Result<void> SpoolerStore::removePrinter(std::string_view name) {
    Registry* reg = NV_TRY(theRegistry());
    auto existing = NV_TRY(printer(name));
    if (!existing)
        return Error::win32(ERROR_INVALID_PRINTER_NAME, "no printer " + std::string(name));
    WinIni w = NV_TRY(readWinIni());
    reg->remove(child(printersPath(), existing->name));
    NV_TRY(saveRegistry());
    w.doc.deleteKey("Devices", existing->name);
    w.doc.deleteKey("PrinterPorts", existing->name);
    auto device = w.doc.value("windows", "device");
    if (device && machine::equalsNoCase(deviceName(*device), existing->name))
        w.doc.setValue("windows", "device", "");
    return writeWinIni(w);
}

// ---------------------------------------------------------------- drivers

Result<std::vector<Driver>> SpoolerStore::drivers() {
    Registry* reg = NV_TRY(theRegistry());
    std::vector<Driver> out;
    if (const Key* k = reg->find(driversPath()))
        for (const auto& c : k->children())
            out.push_back(readDriver(*c));
    return out;
}

Result<std::optional<Driver>> SpoolerStore::driver(std::string_view name) {
    Registry* reg = NV_TRY(theRegistry());
    if (!validModuleName(name))
        return std::optional<Driver>();
    if (const Key* k = reg->find(child(driversPath(), name)))
        return std::optional<Driver>(readDriver(*k));
    return std::optional<Driver>();
}

Result<void> SpoolerStore::putDriver(const Driver& d) {
    Registry* reg = NV_TRY(theRegistry());
    Key& k = reg->create(child(driversPath(), d.name));
    writeDriver(k, d);
    return saveRegistry();
}

Result<void> SpoolerStore::removeDriver(std::string_view name) {
    Registry* reg = NV_TRY(theRegistry());
    if (!validModuleName(name) || !reg->remove(child(driversPath(), name)))
        return Error::win32(ERROR_UNKNOWN_PRINTER_DRIVER, "no driver " + std::string(name));
    return saveRegistry();
}

// ---------------------------------------------------------------- monitors and processors

Result<std::vector<Module>> SpoolerStore::monitors() {
    Registry* reg = NV_TRY(theRegistry());
    auto list = readModules(*reg, monitorsPath());
    withBuiltIn(list, kBuiltInMonitor);
    return list;
}

Result<std::optional<Module>> SpoolerStore::monitor(std::string_view name) {
    auto list = NV_TRY(monitors());
    return findModule(list, name);
}

Result<void> SpoolerStore::addMonitor(const Module& m) {
    Registry* reg = NV_TRY(theRegistry());
    setText(reg->create(child(monitorsPath(), m.name)), "Driver", m.dll);
    return saveRegistry();
}

Result<void> SpoolerStore::removeMonitor(std::string_view name) {
    Registry* reg = NV_TRY(theRegistry());
    if (!validModuleName(name) || !reg->remove(child(monitorsPath(), name)))
        return Error::win32(ERROR_UNKNOWN_PRINT_MONITOR, "no monitor " + std::string(name));
    return saveRegistry();
}

Result<std::vector<Module>> SpoolerStore::processors() {
    Registry* reg = NV_TRY(theRegistry());
    auto list = readModules(*reg, processorsPath());
    withBuiltIn(list, kBuiltInProcessor);
    return list;
}

Result<std::optional<Module>> SpoolerStore::processor(std::string_view name) {
    auto list = NV_TRY(processors());
    return findModule(list, name);
}

Result<void> SpoolerStore::addProcessor(const Module& m) {
    Registry* reg = NV_TRY(theRegistry());
    setText(reg->create(child(processorsPath(), m.name)), "Driver", m.dll);
    return saveRegistry();
}

Result<void> SpoolerStore::removeProcessor(std::string_view name) {
    Registry* reg = NV_TRY(theRegistry());
    if (!validModuleName(name) || !reg->remove(child(processorsPath(), name)))
        return Error::win32(ERROR_UNKNOWN_PRINTPROCESSOR, "no print processor " + std::string(name));
    return saveRegistry();
}

Result<std::vector<std::string>> SpoolerStore::ports() {
    WinIni w = NV_TRY(readWinIni());
    if (!w.doc.hasSection("ports"))
        return std::vector<std::string>{"LPT1:", "LPT2:", "LPT3:"};
    return w.doc.keyNames("ports");
}

// ---------------------------------------------------------------- handles

HANDLE SpoolerStore::openHandle(std::string printerName, DWORD access) {
    uintptr_t h = nextHandle_;
    nextHandle_ += 4;
    handles_[h] = Handle{std::move(printerName), access, false};
    return reinterpret_cast<HANDLE>(h);
}

Result<std::string> SpoolerStore::handlePrinter(HANDLE h) const {
    auto it = handles_.find(reinterpret_cast<uintptr_t>(h));
    if (it == handles_.end() || it->second.deleted)
        return Error::win32(ERROR_INVALID_HANDLE, "not an open printer");
    return it->second.printer;
}

bool SpoolerStore::closeHandle(HANDLE h) { return handles_.erase(reinterpret_cast<uintptr_t>(h)) > 0; }

void SpoolerStore::forgetPrinterHandles(std::string_view name) {
    for (auto& [h, handle] : handles_)
        if (machine::equalsNoCase(handle.printer, name))
            handle.deleted = true;
}

// ---------------------------------------------------------------- preloads

namespace {

// The preloads the spooler has added once, as "PRINTER,DRIVER" lines in a
// value of its own key: a printer or driver deleted later stays deleted
// through the next start instead of coming back, and a preload added to the
// setting later is still added.
constexpr const char* kPreloadedValue = "Preloaded";

std::string preloadId(const Preload& pre) { return pre.printer + "," + pre.driver; }

}  // namespace

Result<void> SpoolerStore::applyPreloads(const std::vector<Preload>& preloads) {
    Registry* reg = NV_TRY(theRegistry());
    std::vector<std::string> done;
    if (const Key* root = reg->find(printPath({})))
        done = multi(*root, kPreloadedValue);
    const size_t before = done.size();
    for (const auto& pre : preloads) {
        if (!validModuleName(pre.driver))
            return Error::win32(ERROR_INVALID_PARAMETER, "preloaded driver without a valid name");
        if (std::find(done.begin(), done.end(), preloadId(pre)) != done.end())
            continue;
        done.push_back(preloadId(pre));
        auto existing = NV_TRY(driver(pre.driver));
        if (!existing) {
            Driver d;
            d.name = pre.driver;
            d.driverFile = pre.driverFile.empty() ? driverBaseName(pre.driver).substr(0, 8) + ".DRV" : pre.driverFile;
            d.dataFile = d.configFile = d.driverFile;
            d.defaultDataType = "RAW";
            if (!fileExists(d.driverFile)) {
                auto r = NV_TRY(machine_.resolve(fullPath(d.driverFile)));
                std::string stub = "Stand-in printer driver " + d.name + "\r\n";
                NV_TRY(machine_.chargeWrite(r.drive, stub.size()));
                NV_TRY(machine_.store().replaceFile(r.host, stub, r.winPath));
            }
            NV_TRY(putDriver(d));
        }
        if (pre.printer.empty() || !validPrinterName(pre.printer))
            continue;
        if (NV_TRY(printer(pre.printer)))
            continue;
        Printer p;
        p.name = pre.printer;
        p.driver = pre.driver;
        p.port = pre.port;
        p.processor = kBuiltInProcessor;
        p.datatype = "RAW";
        std::string current = NV_TRY(defaultPrinter());
        NV_TRY(addPrinter(p, pre.isDefault || current.empty()));
    }
    if (done.size() == before)
        return {};
    setMulti(reg->create(printPath({})), kPreloadedValue, done);
    return saveRegistry();
}

}  // namespace nv::spooler
