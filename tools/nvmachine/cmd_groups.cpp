// nvmachine groups: Program Manager's groups on the machine.
//
//   nvmachine groups DIR
//
// Each group (a folder under the Windows directory's Start Menu\Programs)
// with its items (shell links): title, target, arguments, icon and working
// directory. Links that cannot be read are listed with the reason.
// Exit status: 0 done, 1 a damaged link was found, 2 usage errors.
#include <cstdio>
#include <string>

#include "platform/progman/GroupStore.h"
#include "tools/nvmachine/Command.h"
#include "tools/nvmachine/ToolMachine.h"

namespace {

using nv::tool::Args;

const char kUsage[] = "  groups DIR                          list Program Manager's groups and their items";

int run(const Args& a) {
    if (a.size() != 1) {
        std::fprintf(stderr, "usage:\n%s\n", kUsage);
        return 2;
    }
    if (!nv::tool::attachMachine("groups", a[0]))
        return 2;
    auto groups = nv::progman::loadGroups();
    if (!groups) {
        nv::tool::complain("groups", groups.error().message);
        return 2;
    }
    std::printf("Groups (%s):\n", nv::progman::programsFolder().c_str());
    if (groups->groups.empty())
        std::printf("  (none)\n");
    for (const auto& g : groups->groups) {
        std::printf("  %s\n", g.name.c_str());
        if (g.items.empty())
            std::printf("    (no items)\n");
        for (const auto& i : g.items) {
            const auto& l = i.link;
            std::printf("    %s\n", i.title.c_str());
            std::printf("      target     %s\n", l.target.c_str());
            if (!l.arguments.empty())
                std::printf("      arguments  %s\n", l.arguments.c_str());
            if (l.iconPath.empty())
                std::printf("      icon       (the target's own), %d\n", static_cast<int>(l.iconIndex));
            else
                std::printf("      icon       %s, %d\n", l.iconPath.c_str(), static_cast<int>(l.iconIndex));
            if (!l.workingDir.empty())
                std::printf("      directory  %s\n", l.workingDir.c_str());
            if (l.showCommand == 7)
                std::printf("      runs       minimized\n");
        }
    }
    for (const auto& d : groups->damaged)
        std::printf("Damaged link: %s\n", d.c_str());
    return groups->damaged.empty() ? 0 : 1;
}

NV_COMMAND("groups", kUsage, run);

}  // namespace
