// nvmachine setting: reads and changes the machine's own settings (machine.ini).
//
//   nvmachine setting DIR                  lists every [machine] key with its value
//   nvmachine setting DIR KEY              prints one value (exit 1 when unset)
//   nvmachine setting DIR KEY VALUE        sets it; an empty VALUE returns it to its default
//
// KEY is a [machine] key (spooler, spoolerFail, progmanFault, ...) or, for a
// drive, LETTER:KEY ("A:disk"). The value is checked as Machine::open checks
// it, and the file keeps its comments and other lines.
// Exit status: 0 done, 1 the key is unset, 2 errors.
#include <cctype>
#include <cstdio>
#include <string>

#include "platform/core/Machine.h"
#include "tools/nvmachine/Command.h"
#include "tools/nvmachine/ToolMachine.h"

namespace {

using nv::machine::SettingSection;
using nv::tool::Args;

const char kUsage[] =
    "  setting DIR [KEY [VALUE]]           list, print or set a key of machine.ini (KEY: a [machine]\n"
    "                                      key, or LETTER:KEY for a drive; VALUE \"\": the default)";

int usage() {
    std::fprintf(stderr, "usage:\n%s\n", kUsage);
    return 2;
}

int run(const Args& a) {
    if (a.empty() || a.size() > 3)
        return usage();
    if (!nv::tool::attachMachine("setting", a[0]))
        return 2;
    auto& m = nv::machine::currentOrDie();
    if (a.size() == 1) {
        for (const auto& row : nv::machine::settingRows()) {
            if (row.section != SettingSection::Machine)
                continue;
            auto value = row.write(m.settings(), nullptr);
            std::printf("%.*s=%s\n", static_cast<int>(row.key.size()), row.key.data(), value ? value->c_str() : "");
        }
        return 0;
    }
    std::string key = a[1];
    nv::machine::Drive* drive = nullptr;
    if (key.size() > 2 && key[1] == ':' && std::isalpha(static_cast<unsigned char>(key[0]))) {
        drive = m.drive(static_cast<char>(std::toupper(static_cast<unsigned char>(key[0]))));
        if (!drive) {
            nv::tool::complain("setting", "no drive " + key.substr(0, 2) + " on this machine");
            return 2;
        }
        key = key.substr(2);
    }
    const auto* row = nv::machine::findSettingRow(drive ? SettingSection::Drive : SettingSection::Machine, key);
    if (!row) {
        nv::tool::complain("setting", "unknown " + std::string(drive ? "drive " : "") + "setting '" + key + "'");
        return 2;
    }
    if (a.size() == 2) {
        auto value = row->write(m.settings(), drive);
        if (!value)
            return 1;
        std::printf("%s\n", value->c_str());
        return 0;
    }
    std::string value = a[2];
    if (value.empty()) {
        const nv::machine::Settings defaults;
        const nv::machine::Drive defaultDrive;
        value = row->write(defaults, drive ? &defaultDrive : nullptr).value_or("");
    }
    auto why = row->parse(m.settings(), drive, value);
    if (!why.empty()) {
        nv::tool::complain("setting", std::string(row->key) + "=" + a[2] + ": " + why);
        return 2;
    }
    auto saved = m.save();
    if (!saved) {
        nv::tool::complain("setting", saved.error().message);
        return 2;
    }
    return 0;
}

NV_COMMAND("setting", kUsage, run);

}  // namespace
