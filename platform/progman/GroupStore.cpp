#include "platform/progman/GroupStore.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

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
    NV_TRY(machine::currentOrDie().chargeWrite(r.drive, bytes.size()));
    fs::path tmp = r.host;
    tmp += ".nvtmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush())
            return Error::win32(ERROR_WRITE_FAULT, r.winPath + ": cannot write");
    }
    std::error_code ec;
    fs::rename(tmp, r.host, ec);
    if (ec)
        return Error::win32(ERROR_WRITE_FAULT, r.winPath + ": " + ec.message());
    return {};
}

Result<void> removePath(const std::string& winPath, bool all) {
    auto r = NV_TRY(resolve(winPath));
    if (!r.exists)
        return {};
    std::error_code ec;
    if (all)
        fs::remove_all(r.host, ec);
    else
        fs::remove(r.host, ec);
    if (ec)
        return Error::win32(ERROR_ACCESS_DENIED, r.winPath + ": " + ec.message());
    return {};
}

Result<void> makeFolder(const std::string& winPath) {
    auto r = NV_TRY(resolve(winPath));
    if (r.exists && !r.isDirectory)
        return Error::win32(ERROR_ALREADY_EXISTS, r.winPath + ": a file stands where the group's folder belongs");
    if (r.exists)
        return {};
    if (machine::currentOrDie().drive(r.drive) && machine::currentOrDie().drive(r.drive)->readOnly)
        return Error::win32(ERROR_WRITE_PROTECT, r.winPath + ": drive is read-only");
    std::error_code ec;
    fs::create_directories(r.host, ec);
    if (ec)
        return Error::win32(ERROR_ACCESS_DENIED, r.winPath + ": " + ec.message());
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
    std::error_code ec;
    std::vector<fs::path> folders;
    for (const auto& e : fs::directory_iterator(root.host, ec))
        if (e.is_directory(ec) && !e.is_symlink(ec))
            folders.push_back(e.path());
    std::sort(folders.begin(), folders.end(),
              [](const fs::path& a, const fs::path& b) { return lessNoCase(a.filename().string(), b.filename().string()); });
    for (const auto& folder : folders) {
        Group g;
        g.name = folder.filename().string();
        std::vector<fs::path> links;
        for (const auto& e : fs::directory_iterator(folder, ec))
            if (e.is_regular_file(ec) && !e.is_symlink(ec) && endsWithLnk(e.path().filename().string()))
                links.push_back(e.path());
        std::sort(links.begin(), links.end(),
                  [](const fs::path& a, const fs::path& b) { return lessNoCase(a.filename().string(), b.filename().string()); });
        for (const auto& l : links) {
            std::ifstream in(l, std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
            std::string file = l.filename().string();
            std::string winPath = root.winPath + "\\" + g.name + "\\" + file;
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
