// The command language of Program Manager's DDE execute strings:
//
//   [CreateGroup(Accessories)][AddItem("C:\X.EXE" /a,X,,0)]
//
// One or more commands, each in brackets, blanks allowed between them; a
// command is a name (any letter case) and optionally arguments in
// parentheses, separated by commas. An argument in double quotes runs to the
// next double quote (no escapes) and may hold commas, brackets and
// parentheses; an unquoted one runs to the next comma or ')' and loses the
// blanks around it. An argument may be left empty ("a,,b").
//
// Contract: parse() checks the whole string, the names and the argument
// counts before anything runs; any fault is an Error whose message quotes the
// offending text, and then no command of the string is run.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"

namespace nv::progman {

enum class Verb { CreateGroup, ShowGroup, DeleteGroup, AddItem, ReplaceItem, DeleteItem, ExitProgman, Reload };

struct Command {
    Verb verb;
    std::vector<std::string> args;  // as given, quotes removed; absent and empty are both ""
    std::string text;               // the command as written, for messages
};

Result<std::vector<Command>> parseCommands(std::string_view text);

const char* verbName(Verb verb);

}  // namespace nv::progman
