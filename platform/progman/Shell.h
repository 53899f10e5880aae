// Runs Program Manager's DDE commands against the groups on the machine.
//
// Contract:
//  - execute() parses the whole string, applies every command to a copy of
//    the groups read from the machine, and writes the result only when all
//    succeeded: a string with one bad or failing command changes nothing.
//  - Commands (the Windows 95 shell's Program Manager interface):
//      CreateGroup(name[,file[,common]])  makes the group (the Windows 3.1
//                                         group file is not used) and makes it
//                                         the active group; an existing group
//                                         is only activated
//      ShowGroup(name,cmd[,common])       cmd 1 to 8; 1, 2, 3 and 5 activate
//      DeleteGroup(name[,common])         the folder with its links
//      AddItem(cmdline[,name[,icon[,index[,x,y[,dir[,hotkey[,minimize]]]]]]])
//                                         a link in the active group; the
//                                         title defaults to the program's
//                                         name, the working directory to the
//                                         program's folder; an item of that
//                                         title is replaced
//      ReplaceItem(name), DeleteItem(name) an item of the active group
//      ExitProgman([save]), Reload([name]) acknowledged; the Windows 95 shell
//                                         stays and reads its groups from disk
//    A missing group or item, or no active group, fails the command.
#pragma once

#include <string>
#include <string_view>

#include "platform/core/Result.h"
#include "platform/progman/CommandParser.h"
#include "platform/progman/GroupStore.h"

namespace nv::progman {

class Shell {
public:
    Result<void> execute(std::string_view commands);
    const std::string& activeGroup() const { return active_; }

private:
    Result<void> apply(const Command& c, Groups& groups, std::string& active);

    std::string active_;
};

// A command line split into program and arguments: a quoted program runs to
// its closing quote; otherwise the whole line when it names an existing file,
// else the text up to the first blank.
struct CommandLine {
    std::string program;
    std::string arguments;
};
CommandLine splitCommandLine(std::string_view line);

}  // namespace nv::progman
