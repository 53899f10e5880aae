// nvmachine printers: what the machine's print spooler holds.
//
//   nvmachine printers DIR
//
// Printers (name, driver, port, print processor, data type, attributes, and
// which is the default), drivers with their files, monitors and print
// processors, as the spooler sees them in the registry and WIN.INI.
// Exit status: 0 done, 2 usage errors or a damaged registry or settings file.
#include <cstdio>
#include <string>

#include <windows.h>

#include "platform/core/Machine.h"
#include "platform/spooler/SpoolerStore.h"
#include "tools/nvmachine/Command.h"
#include "tools/nvmachine/ToolMachine.h"

namespace {

using nv::tool::Args;

const char kUsage[] = "  printers DIR                        list the spooler's printers, drivers, monitors and processors";

std::string attributeNames(DWORD a) {
    static const std::pair<DWORD, const char*> names[] = {
        {PRINTER_ATTRIBUTE_QUEUED, "queued"},       {PRINTER_ATTRIBUTE_DIRECT, "direct"},
        {PRINTER_ATTRIBUTE_DEFAULT, "default"},     {PRINTER_ATTRIBUTE_SHARED, "shared"},
        {PRINTER_ATTRIBUTE_NETWORK, "network"},     {PRINTER_ATTRIBUTE_HIDDEN, "hidden"},
        {PRINTER_ATTRIBUTE_LOCAL, "local"},         {PRINTER_ATTRIBUTE_ENABLE_DEVQ, "devq"},
        {PRINTER_ATTRIBUTE_KEEPPRINTEDJOBS, "keep"}, {PRINTER_ATTRIBUTE_DO_COMPLETE_FIRST, "complete first"},
        {PRINTER_ATTRIBUTE_WORK_OFFLINE, "offline"}, {PRINTER_ATTRIBUTE_ENABLE_BIDI, "bidirectional"}};
    std::string out;
    for (const auto& [bit, name] : names)
        if (a & bit)
            out += (out.empty() ? "" : ", ") + std::string(name);
    return out;
}

template <typename T>
bool check(const nv::Result<T>& r) {
    if (r)
        return true;
    nv::tool::complain("printers", r.error().message);
    return false;
}

int run(const Args& a) {
    if (a.size() != 1) {
        std::fprintf(stderr, "usage:\n%s\n", kUsage);
        return 2;
    }
    if (!nv::tool::attachMachine("printers", a[0]))
        return 2;
    auto store = nv::spooler::SpoolerStore::current();
    if (!check(store))
        return 2;
    auto& s = **store;
    auto started = s.start();
    auto printers = s.printers();
    auto def = s.defaultPrinter();
    auto drivers = s.drivers();
    auto monitors = s.monitors();
    auto processors = s.processors();
    if (!check(started) || !check(printers) || !check(def) || !check(drivers) || !check(monitors) ||
        !check(processors))
        return 2;

    std::printf("Printers:\n");
    if (printers->empty())
        std::printf("  (none)\n");
    for (const auto& p : *printers) {
        bool isDefault = nv::machine::equalsNoCase(p.name, *def);
        DWORD attributes = p.attributes | (isDefault ? PRINTER_ATTRIBUTE_DEFAULT : 0);
        std::printf("  %s%s\n", p.name.c_str(), isDefault ? "  (default printer)" : "");
        std::printf("    driver      %s\n", p.driver.c_str());
        std::printf("    port        %s\n", p.port.c_str());
        std::printf("    processor   %s\n", p.processor.c_str());
        std::printf("    data type   %s\n", p.datatype.c_str());
        std::printf("    attributes  0x%08lX (%s)\n", static_cast<unsigned long>(attributes),
                    attributeNames(attributes).c_str());
    }
    std::printf("Drivers (%s):\n", nv::spooler::kEnvironment);
    if (drivers->empty())
        std::printf("  (none)\n");
    for (const auto& d : *drivers) {
        std::printf("  %s\n", d.name.c_str());
        std::printf("    version     0x%lX\n", static_cast<unsigned long>(d.version));
        std::printf("    driver      %s\n", s.fullPath(d.driverFile).c_str());
        std::printf("    data        %s\n", s.fullPath(d.dataFile).c_str());
        std::printf("    config      %s\n", s.fullPath(d.configFile).c_str());
        if (!d.helpFile.empty())
            std::printf("    help        %s\n", s.fullPath(d.helpFile).c_str());
        for (const auto& f : d.dependentFiles)
            std::printf("    dependent   %s\n", f.c_str());
        if (!d.monitor.empty())
            std::printf("    monitor     %s\n", d.monitor.c_str());
        std::printf("    data type   %s\n", d.defaultDataType.c_str());
    }
    std::printf("Monitors:\n");
    for (const auto& m : *monitors)
        std::printf("  %-30s %s%s\n", m.name.c_str(), m.dll.c_str(), m.builtIn ? "  (built in)" : "");
    std::printf("Print processors:\n");
    for (const auto& m : *processors)
        std::printf("  %-30s %s%s\n", m.name.c_str(), m.dll.c_str(), m.builtIn ? "  (built in)" : "");
    return 0;
}

NV_COMMAND("printers", kUsage, run);

}  // namespace
