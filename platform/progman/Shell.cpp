#include "platform/progman/Shell.h"

#include <charconv>

#include <winerror.h>

#include "platform/core/Machine.h"

namespace nv::progman {
namespace {

Error failed(const Command& c, const std::string& why) {
    return Error::win32(ERROR_INVALID_PARAMETER, c.text + ": " + why);
}

bool parseNumber(const std::string& s, long& out) {
    if (s.empty()) {
        out = 0;
        return true;
    }
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

std::string arg(const Command& c, size_t i) { return i < c.args.size() ? c.args[i] : std::string(); }

std::string trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return std::string(s);
}

bool fileExists(const std::string& path) {
    auto r = machine::currentOrDie().resolve(path);
    return r && r->exists && !r->isDirectory;
}

bool hasFolder(std::string_view path) { return path.find_first_of(":\\/") != std::string_view::npos; }

// Program Manager is its own program: a bare program name is looked for where
// the shell looks (its current folder, the Windows folder, then the system
// folder), never in the folder of the program that sent the command.
std::string shellPath(const std::string& name) {
    const auto& m = machine::currentOrDie();
    if (hasFolder(name)) {
        auto full = m.fullPath(name);
        return full ? *full : name;
    }
    for (const std::string& dir : {m.settings().windowsDir, m.settings().systemDir}) {
        std::string candidate = dir + "\\" + name;
        if (fileExists(candidate))
            return candidate;
    }
    return m.settings().windowsDir + "\\" + name;
}

Result<Item> makeItem(const Command& c) {
    CommandLine line = splitCommandLine(c.args[0]);
    if (line.program.empty())
        return failed(c, "no program");
    long index = 0, hotKey = 0, minimize = 0;
    if (!parseNumber(arg(c, 3), index))
        return failed(c, "the icon index is not a number");
    if (!parseNumber(arg(c, 7), hotKey) || hotKey < 0 || hotKey > 0xFFFF)
        return failed(c, "the hot key is not a number from 0 to 65535");
    if (!parseNumber(arg(c, 8), minimize))
        return failed(c, "the minimize flag is not a number");
    Item item;
    auto slash = line.program.find_last_of("\\/:");
    std::string fileName = slash == std::string::npos ? line.program : line.program.substr(slash + 1);
    item.title = arg(c, 1);
    if (item.title.empty()) {
        auto dot = fileName.rfind('.');
        item.title = dot == std::string::npos ? fileName : fileName.substr(0, dot);
    }
    if (item.title.empty())
        return failed(c, "no title");
    auto& m = machine::currentOrDie();
    ShellLink& l = item.link;
    l.target = shellPath(line.program);
    l.arguments = line.arguments;
    l.iconPath = arg(c, 2);
    l.iconIndex = static_cast<int32_t>(index);
    l.hotKey = static_cast<uint16_t>(hotKey);
    l.showCommand = minimize ? 7 : 1;  // SW_SHOWMINNOACTIVE : SW_SHOWNORMAL
    l.workingDir = arg(c, 6);
    if (l.workingDir.empty()) {
        auto cut = l.target.find_last_of('\\');
        l.workingDir = cut == std::string::npos ? std::string() : l.target.substr(0, cut == 2 ? 3 : cut);
    }
    if (fileNameFor(item.title) != item.title)
        l.description = item.title;
    if (auto r = m.resolve(l.target); r && r->exists && !r->isDirectory) {
        auto info = m.store().status(r->host);
        l.fileSize = static_cast<uint32_t>(info.size);
        if (const auto* d = m.drive(r->drive)) {
            l.volumeLabel = d->label;
            l.driveType = d->kind == machine::DriveKind::Removable ? 2 : d->kind == machine::DriveKind::Network ? 4 : 3;
        }
    }
    return item;
}

}  // namespace

CommandLine splitCommandLine(std::string_view text) {
    std::string line = trim(text);
    CommandLine out;
    if (!line.empty() && line[0] == '"') {
        auto close = line.find('"', 1);
        out.program = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        out.arguments = close == std::string::npos ? std::string() : trim(line.substr(close + 1));
        return out;
    }
    if (fileExists(hasFolder(line) ? line : shellPath(line))) {
        out.program = line;
        return out;
    }
    auto blank = line.find(' ');
    out.program = line.substr(0, blank);
    out.arguments = blank == std::string::npos ? std::string() : trim(line.substr(blank + 1));
    return out;
}

Result<void> Shell::apply(const Command& c, Groups& groups, std::string& active) {
    auto activeGroup = [&]() -> Result<Group*> {
        Group* g = active.empty() ? nullptr : groups.group(active);
        if (!g)
            return failed(c, "no active group");
        return g;
    };
    switch (c.verb) {
    case Verb::CreateGroup: {
        Group* g = groups.group(c.args[0]);
        if (!g) {
            groups.groups.push_back(Group{c.args[0], {}});
            g = &groups.groups.back();
        }
        active = g->name;
        return {};
    }
    case Verb::ShowGroup: {
        Group* g = groups.group(c.args[0]);
        long show = 0;
        if (!parseNumber(c.args[1], show) || show < 1 || show > 8)
            return failed(c, "the show command is 1 to 8");
        if (!g)
            return failed(c, "no such group");
        if (show == 1 || show == 2 || show == 3 || show == 5)
            active = g->name;
        return {};
    }
    case Verb::DeleteGroup: {
        Group* g = groups.group(c.args[0]);
        if (!g)
            return failed(c, "no such group");
        if (machine::equalsNoCase(g->name, active))
            active.clear();
        groups.groups.erase(groups.groups.begin() + (g - groups.groups.data()));
        return {};
    }
    case Verb::AddItem: {
        Group* g = NV_TRY(activeGroup());
        Item item = NV_TRY(makeItem(c));
        if (Item* same = g->item(item.title))
            *same = std::move(item);
        else
            g->items.push_back(std::move(item));
        return {};
    }
    case Verb::ReplaceItem:
    case Verb::DeleteItem: {
        Group* g = NV_TRY(activeGroup());
        Item* i = g->item(c.args[0]);
        if (!i)
            return failed(c, "no such item in " + g->name);
        g->items.erase(g->items.begin() + (i - g->items.data()));
        return {};
    }
    case Verb::Reload:
        if (!c.args.empty() && !c.args[0].empty() && !groups.group(c.args[0]))
            return failed(c, "no such group");
        return {};
    case Verb::ExitProgman:
        return {};
    }
    return failed(c, "unknown command");
}

Result<void> Shell::execute(std::string_view text) {
    auto commands = NV_TRY(parseCommands(text));
    Groups before = NV_TRY(loadGroups());
    Groups after = before;
    std::string active = active_;
    for (const auto& c : commands)
        NV_TRY(apply(c, after, active));
    NV_TRY(commitGroups(before, after));
    active_ = active;
    return {};
}

}  // namespace nv::progman
