// Program Manager's groups as the Windows 95 shell keeps them: one folder per
// group under the Start Menu's Programs folder of the Windows directory, one
// shell link (.lnk) per item.
//
// Contract:
//  - load() reads every group folder and every .lnk file in it; a link that
//    cannot be read is reported with its path in `damaged` and left alone.
//  - commit(before, after) writes only the differences: new group folders,
//    new or changed links, removed links and removed group folders (with
//    everything in them, as the shell deletes a group). Other files in a
//    group folder are never touched otherwise.
//  - Names become file names with \ / : * ? " < > | replaced by '_'; the
//    title itself is kept as the link's description when it differs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"
#include "platform/progman/ShellLink.h"

namespace nv::progman {

struct Item {
    std::string title;
    ShellLink link;
};

struct Group {
    std::string name;
    std::vector<Item> items;

    Item* item(std::string_view title);
};

struct Groups {
    std::vector<Group> groups;
    std::vector<std::string> damaged;  // links that could not be read: "PATH: why"

    Group* group(std::string_view name);
};

// "C:\WINDOWS\Start Menu\Programs" of the current machine.
std::string programsFolder();
// A group or item name as a file name.
std::string fileNameFor(std::string_view name);

Result<Groups> loadGroups();
Result<void> commitGroups(const Groups& before, const Groups& after);

}  // namespace nv::progman
