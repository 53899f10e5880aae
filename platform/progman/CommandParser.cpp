#include "platform/progman/CommandParser.h"

#include <algorithm>
#include <cctype>

#include <winerror.h>

#include "platform/core/Machine.h"

namespace nv::progman {
namespace {

struct VerbInfo {
    Verb verb;
    const char* name;
    size_t minArgs;
    size_t maxArgs;
};

// Argument counts of the Windows 95 shell's Program Manager interface.
constexpr VerbInfo kVerbs[] = {
    {Verb::CreateGroup, "CreateGroup", 1, 3},  // name[,group file[,common group flag]]
    {Verb::ShowGroup, "ShowGroup", 2, 3},      // name,show command[,common group flag]
    {Verb::DeleteGroup, "DeleteGroup", 1, 2},  // name[,common group flag]
    {Verb::AddItem, "AddItem", 1, 9},  // command line[,name[,icon[,index[,x,y[,dir[,hot key[,minimize]]]]]]]
    {Verb::ReplaceItem, "ReplaceItem", 1, 1},
    {Verb::DeleteItem, "DeleteItem", 1, 1},
    {Verb::ExitProgman, "ExitProgman", 0, 1},
    {Verb::Reload, "Reload", 0, 1},
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

Error fault(std::string_view text, size_t at, const std::string& why) {
    std::string near(text.substr(at, 40));
    return Error::win32(ERROR_INVALID_PARAMETER, why + " at column " + std::to_string(at + 1) + ": '" + near + "'");
}

std::string trimmed(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

}  // namespace

const char* verbName(Verb verb) {
    for (const auto& v : kVerbs)
        if (v.verb == verb)
            return v.name;
    return "?";
}

Result<std::vector<Command>> parseCommands(std::string_view text) {
    std::vector<Command> out;
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && isBlank(text[i]))
            ++i;
    };
    skipBlanks();
    if (i == text.size())
        return fault(text, 0, "no command");
    while (i < text.size()) {
        if (text[i] != '[')
            return fault(text, i, "a command starts with '['");
        size_t start = i++;
        skipBlanks();
        size_t nameStart = i;
        while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i]))))
            ++i;
        std::string name(text.substr(nameStart, i - nameStart));
        const VerbInfo* info = nullptr;
        for (const auto& v : kVerbs)
            if (machine::equalsNoCase(v.name, name))
                info = &v;
        if (!info)
            return fault(text, nameStart, name.empty() ? "no command name" : "unknown command '" + name + "'");
        Command cmd{info->verb, {}, {}};
        skipBlanks();
        if (i < text.size() && text[i] == '(') {
            ++i;
            for (;;) {
                skipBlanks();
                std::string arg;
                if (i < text.size() && text[i] == '"') {
                    size_t open = i;
                    size_t close = text.find('"', i + 1);
                    if (close == std::string_view::npos)
                        return fault(text, i, "quoted argument without its closing quote");
                    arg = std::string(text.substr(i + 1, close - i - 1));
                    i = close + 1;
                    skipBlanks();
                    // A quoted program followed by its arguments ("C:\A B\X.EXE" /a):
                    // the argument keeps its quotes and runs on to the next ',' or ')'.
                    if (i < text.size() && text[i] != ',' && text[i] != ')') {
                        while (i < text.size() && text[i] != ',' && text[i] != ')' && text[i] != '[' &&
                               text[i] != ']') {
                            if (text[i] == '"') {
                                size_t next = text.find('"', i + 1);
                                if (next == std::string_view::npos)
                                    return fault(text, i, "quoted text without its closing quote");
                                i = next;
                            }
                            ++i;
                        }
                        arg = trimmed(text.substr(open, i - open));
                    }
                } else {
                    size_t argStart = i;
                    while (i < text.size() && text[i] != ',' && text[i] != ')' && text[i] != '[' && text[i] != ']' &&
                           text[i] != '"')
                        ++i;
                    arg = trimmed(text.substr(argStart, i - argStart));
                }
                cmd.args.push_back(std::move(arg));
                if (i < text.size() && text[i] == ',') {
                    ++i;
                    continue;
                }
                if (i < text.size() && text[i] == ')') {
                    ++i;
                    break;
                }
                return fault(text, std::min(i, text.size()), "expected ',' or ')'");
            }
            // "[ExitProgman()]" has no argument, not one empty one.
            if (cmd.args.size() == 1 && cmd.args[0].empty() && info->minArgs == 0)
                cmd.args.clear();
        }
        skipBlanks();
        if (i >= text.size() || text[i] != ']')
            return fault(text, std::min(i, text.size()), "a command ends with ']'");
        ++i;
        cmd.text = std::string(text.substr(start, i - start));
        if (cmd.args.size() < info->minArgs || cmd.args.size() > info->maxArgs)
            return fault(text, start, std::string(info->name) + " takes " + std::to_string(info->minArgs) + " to " +
                                          std::to_string(info->maxArgs) + " arguments");
        if (info->minArgs > 0 && cmd.args[0].empty())
            return fault(text, start, std::string(info->name) + " needs its first argument");
        out.push_back(std::move(cmd));
        skipBlanks();
    }
    return out;
}

}  // namespace nv::progman
