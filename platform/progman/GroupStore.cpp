#include "platform/progman/GroupStore.h"

#include <algorithm>
#include <filesystem>

#include <winerror.h>

#include "platform/core/Machine.h"

namespace fs = std::filesystem;

namespace nv::progman {
namespace {

bool endsWithLnk(std::string_view name) {
    return name.size() > 4 && machine::equalsNoCase(name.substr(name.size() - 4), ".lnk");
}

bool sameLink(const ShellLink& a, const ShellLink& b) { return encodeShellLink(a) == encodeShellLink(b); }

Result<machine::ResolvedPath> resolve(const std::string& winPath) {
    return machine::currentOrDie().resolve(winPath);
}

std::string groupPath(std::string_view group) { return programsFolder() + "\\" + fileNameFor(group); }
std::string linkPath(std::string_view group, std::string_view title) {
    return groupPath(group) + "\\" + fileNameFor(title) + ".lnk";
}

Result<void> writeLink(std::string_view group, const Item& item) {
    auto r = NV_TRY(resolve(linkPath(group, item.title)));
    if (r.isDirectory)
        return Error::win32(ERROR_ACCESS_DENIED, r.winPath + ": a folder stands where the link belongs");
    auto bytes = encodeShellLink(item.link);
    auto& m = machine::currentOrDie();
    NV_TRY(m.chargeWrite(r.drive, bytes.size()));
    return m.store().replaceFile(r.host, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                 r.winPath);
}

// Removes a folder and what it holds; a link inside is removed, not followed.
Result<void> removeTree(const machine::DriveStore& store, const fs::path& host, const std::string& winPath) {
    for (const auto& name : NV_TRY(store.list(host, winPath))) {
        fs::path child = host / name;
        std::string shown = winPath + "\\" + name;
        if (store.status(child).kind == machine::NodeKind::Directory)
            NV_TRY(removeTree(store, child, shown));
        else
            NV_TRY(store.remove(child, shown));
    }
    return store.removeDirectory(host, winPath);
}

Result<void> removePath(const std::string& winPath, bool all) {
    auto r = NV_TRY(resolve(winPath));
    if (!r.exists)
        return {};
    const auto& store = machine::currentOrDie().store();
    if (all && r.isDirectory)
        return removeTree(store, r.host, r.winPath);
    return store.remove(r.host, r.winPath);
}

Result<void> makeFolder(const std::string& winPath) {
    auto r = NV_TRY(resolve(winPath));
    if (r.exists && !r.isDirectory)
        return Error::win32(ERROR_ALREADY_EXISTS, r.winPath + ": a file stands where the group's folder belongs");
    if (r.exists)
        return {};
    if (machine::currentOrDie().drive(r.drive) && machine::currentOrDie().drive(r.drive)->readOnly)
        return Error::win32(ERROR_WRITE_PROTECT, r.winPath + ": drive is read-only");
    // The Start Menu and Programs folders may be missing on a bare machine.
    const auto& store = machine::currentOrDie().store();
    std::vector<fs::path> missing;
    for (fs::path p = r.host; store.status(p).kind == machine::NodeKind::Missing && p.has_relative_path();
         p = p.parent_path())
        missing.push_back(p);
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        NV_TRY(store.makeDirectory(*it, r.winPath));
    return {};
}

bool lessNoCase(const std::string& a, const std::string& b) {
    return machine::toUpperAscii(a) < machine::toUpperAscii(b);
}

}  // namespace

Item* Group::item(std::string_view title) {
    for (auto& i : items)
        if (machine::equalsNoCase(i.title, title) || machine::equalsNoCase(fileNameFor(i.title), fileNameFor(title)))
            return &i;
    return nullptr;
}

Group* Groups::group(std::string_view name) {
    for (auto& g : groups)
        if (machine::equalsNoCase(g.name, name) || machine::equalsNoCase(fileNameFor(g.name), fileNameFor(name)))
            return &g;
    return nullptr;
}

std::string programsFolder() {
    std::string dir = machine::currentOrDie().settings().windowsDir;
    if (!dir.empty() && dir.back() == '\\')
        dir.pop_back();
    return dir + "\\Start Menu\\Programs";
}

std::string fileNameFor(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    return out;
}

Result<Groups> loadGroups() {
    Groups out;
    auto root = NV_TRY(resolve(programsFolder()));
    if (!root.exists || !root.isDirectory)
        return out;
    const auto& store = machine::currentOrDie().store();
    std::vector<fs::path> folders;
    for (const auto& name : NV_TRY(store.list(root.host, root.winPath)))
        if (store.status(root.host / name).kind == machine::NodeKind::Directory)
            folders.push_back(root.host / name);
    std::sort(folders.begin(), folders.end(),
              [](const fs::path& a, const fs::path& b) { return lessNoCase(a.filename().string(), b.filename().string()); });
    for (const auto& folder : folders) {
        Group g;
        g.name = folder.filename().string();
        std::vector<fs::path> links;
        for (const auto& name : NV_TRY(store.list(folder, root.winPath + "\\" + g.name)))
            if (store.status(folder / name).kind == machine::NodeKind::File && endsWithLnk(name))
                links.push_back(folder / name);
        std::sort(links.begin(), links.end(),
                  [](const fs::path& a, const fs::path& b) { return lessNoCase(a.filename().string(), b.filename().string()); });
        for (const auto& l : links) {
            std::string file = l.filename().string();
            std::string winPath = root.winPath + "\\" + g.name + "\\" + file;
            auto text = store.readFile(l, winPath);
            if (!text) {
                out.damaged.push_back(winPath + ": " + text.error().message);
                continue;
            }
            std::vector<uint8_t> bytes(text->begin(), text->end());
            auto link = decodeShellLink(bytes);
            if (!link) {
                out.damaged.push_back(winPath + ": " + link.error().message);
                continue;
            }
            std::string stem = file.substr(0, file.size() - 4);
            // The description holds the title when the file name could not.
            std::string title = !link->description.empty() && fileNameFor(link->description) == stem ? link->description : stem;
            g.items.push_back(Item{title, std::move(*link)});
        }
        out.groups.push_back(std::move(g));
    }
    return out;
}

Result<void> commitGroups(const Groups& before, const Groups& afterConst) {
    Groups old = before;
    Groups after = afterConst;
    for (auto& g : old.groups)
        if (!after.group(g.name))
            NV_TRY(removePath(groupPath(g.name), true));
    for (auto& g : after.groups) {
        Group* was = old.group(g.name);
        NV_TRY(makeFolder(groupPath(g.name)));
        if (was)
            for (auto& i : was->items)
                if (!g.item(i.title))
                    NV_TRY(removePath(linkPath(g.name, i.title), false));
        for (auto& i : g.items) {
            Item* prev = was ? was->item(i.title) : nullptr;
            if (!prev || !sameLink(prev->link, i.link))
                NV_TRY(writeLink(g.name, i));
        }
    }
    return {};
}

}  // namespace nv::progman
