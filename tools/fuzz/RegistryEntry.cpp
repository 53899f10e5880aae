// The REGEDIT4 reader on any text, with its round trip: what is read is
// written, and reading that again gives the same registry.
#include <string>
#include <string_view>

#include "platform/registry/RegistryModel.h"
#include "tools/fuzz/FuzzCheck.h"
#include "tools/fuzz/FuzzEntries.h"

namespace nv::fuzz {

namespace {

constexpr registry::Root kRoots[] = {registry::Root::LocalMachine, registry::Root::CurrentUser, registry::Root::Users,
                                     registry::Root::CurrentConfig, registry::Root::DynData};

// Same names (in their case), values and order, all the way down.
void compare(const registry::Key& a, const registry::Key& b, const std::string& where) {
    std::string here = where + "\\" + a.name();
    if (a.name() != b.name())
        broken("key " + here + " came back as " + b.name());
    if (a.values().size() != b.values().size())
        broken("key " + here + " came back with another number of values");
    for (size_t i = 0; i < a.values().size(); ++i) {
        const auto &x = a.values()[i], &y = b.values()[i];
        if (x.name != y.name || x.type != y.type || x.data != y.data)
            broken("value \"" + x.name + "\" of " + here + " came back changed");
    }
    if (a.children().size() != b.children().size())
        broken("key " + here + " came back with another number of subkeys");
    for (size_t i = 0; i < a.children().size(); ++i)
        compare(*a.children()[i], *b.children()[i], here);
}

}  // namespace

void registryInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    registry::Registry reg;
    // Something to lose: a damaged text must apply nothing.
    if (!reg.importText("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n\"Name\"=\"value\"\r\n", "base.reg"))
        broken("the base text did not import");
    std::string before = reg.exportText();
    auto imported = reg.importText(text, "fuzz.reg");
    if (!imported) {
        if (imported.error().message.rfind("fuzz.reg:", 0) != 0)
            broken("an import error does not name the file: " + imported.error().message);
        if (reg.exportText() != before)
            broken("a damaged text changed the registry");
        return;
    }
    std::string written = reg.exportText();
    registry::Registry again;
    auto reread = again.importText(written, "written.reg");
    if (!reread)
        broken("what was written does not read back: " + reread.error().message);
    for (auto root : kRoots)
        compare(reg.root(root), again.root(root), "");
    if (again.exportText() != written)
        broken("writing the read-back registry gives another text");
}

}  // namespace nv::fuzz
