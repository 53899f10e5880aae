// nvmachine reg: the machine's registry as REGEDIT4 text.
//
//   nvmachine reg export DIR [KEY]   the registry, or KEY and what lies below
//                                    it, on standard output (CR LF lines)
//   nvmachine reg import DIR FILE    applies a REGEDIT4 file (a host path):
//                                    keys and values are added or replaced,
//                                    [-KEY] and "name"=- delete
//
// KEY is a full key name; HKLM, HKCU, HKCR, HKU and HKCC may stand for the
// roots. A damaged file is refused as a whole, with its file and line.
// Exit status: 0 done, 1 KEY missing, 2 usage errors and damaged files.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/registry/RegistryStore.h"
#include "tools/nvmachine/Command.h"
#include "tools/nvmachine/ToolMachine.h"
#include "platform/core/DriveStore.h"

namespace {

using nv::tool::Args;

const char kUsage[] =
    "  reg export DIR [KEY]                print the registry (or one key) as a REGEDIT4 file\n"
    "  reg import DIR FILE                 apply a REGEDIT4 file to the registry";

int exportKey(nv::registry::Registry& reg, const Args& a) {
    if (a.size() == 2) {
        std::fputs(reg.exportText().c_str(), stdout);
        return 0;
    }
    auto path = nv::registry::parseKeyPath(a[2], true);
    if (!path) {
        nv::tool::complain("reg", "not a key name (it starts with a root such as HKEY_LOCAL_MACHINE): " + a[2]);
        return 2;
    }
    if (!reg.find(*path)) {
        nv::tool::complain("reg", "no such key: " + path->text());
        return 1;
    }
    std::fputs(reg.exportText(*path).c_str(), stdout);
    return 0;
}

int importFile(nv::registry::RegistryStore& store, nv::registry::Registry& reg, const std::string& file) {
    auto text = nv::host::readFile(file);
    if (!text) {
        nv::tool::complain("reg", text.error().message);
        return 2;
    }
    auto r = reg.importText(*text, file);
    if (!r) {
        nv::tool::complain("reg", r.error().message);
        return 2;
    }
    auto saved = store.save();
    if (!saved) {
        nv::tool::complain("reg", saved.error().message);
        return 2;
    }
    return 0;
}

int run(const Args& a) {
    bool ok = a.size() >= 2 && ((a[0] == "export" && a.size() <= 3) || (a[0] == "import" && a.size() == 3));
    if (!ok) {
        std::fprintf(stderr, "usage:\n%s\n", kUsage);
        return 2;
    }
    if (!nv::tool::attachMachine("reg", a[1]))
        return 2;
    auto* store = nv::registry::RegistryStore::current();
    auto reg = store->registry();
    if (!reg) {
        nv::tool::complain("reg", reg.error().message);
        return 2;
    }
    return a[0] == "export" ? exportKey(**reg, a) : importFile(*store, **reg, a[2]);
}

NV_COMMAND("reg", kUsage, run);

}  // namespace
