#include "platform/registry/RegistryStore.h"

#include <cstdio>
#include <set>

#include <winerror.h>
#include <winreg.h>

namespace fs = std::filesystem;

namespace nv::registry {

namespace {

std::string_view trimmed(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    return line;
}

// The upper-case key path of a "[KEY]" line, or "" for any other line.
std::string headerKey(std::string_view line) {
    line = trimmed(line);
    if (line.size() < 3 || line.front() != '[' || line.back() != ']' || line[1] == '-')
        return {};
    return machine::toUpperAscii(line.substr(1, line.size() - 2));
}

template <typename Fn>
void forEachLine(std::string_view text, Fn fn) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        std::string_view line = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        fn(line);
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
    }
}

}  // namespace

RegistryStore::RegistryStore(machine::Machine& machine) : machine_(machine) { load(); }

RegistryStore* RegistryStore::current() {
    machine::Machine* m = machine::current();
    return m ? &m->familyState<RegistryStore>() : nullptr;
}

fs::path RegistryStore::file() const { return machine_.dir() / machine_.settings().registryFile; }

void RegistryStore::load() {
    registry_ = Registry();
    loadError_.reset();
    comments_ = Comments();
    savedExport_.clear();
    const machine::DriveStore& store = machine_.store();
    auto path = store.machineFile(machine_.dir(), machine_.settings().registryFile);
    if (!path) {
        loadError_ = Error::win32(ERROR_BADDB, path.error().message);
    } else if (store.status(*path).kind != machine::NodeKind::Missing) {
        auto text = store.readFile(*path);
        if (!text) {
            loadError_ = Error::win32(ERROR_BADDB, "cannot read the registry file: " + text.error().message);
        } else if (auto r = registry_.importText(*text, path->string()); !r) {
            loadError_ = r.take_error();
        } else {
            std::string key;
            std::vector<std::string> pending;
            forEachLine(*text, [&](std::string_view line) {
                std::string_view t = trimmed(line);
                if (!t.empty() && t.front() == ';') {
                    pending.emplace_back(line);
                    return;
                }
                std::string header = headerKey(line);
                if (!header.empty()) {
                    auto& into = key.empty() ? comments_.top : comments_.before[header];
                    into.insert(into.end(), pending.begin(), pending.end());
                    key = header;
                } else if (!pending.empty()) {
                    auto& into = key.empty() ? comments_.top : comments_.inside[key];
                    into.insert(into.end(), pending.begin(), pending.end());
                }
                pending.clear();
            });
            comments_.trailing = std::move(pending);
        }
    }
    if (!loadError_)
        savedExport_ = registry_.exportText();
    if (loadError_) {
        registry_ = Registry();
        std::fprintf(stderr, "registry: %s\n", loadError_->message.c_str());
    }
}

Result<Registry*> RegistryStore::registry() {
    if (loadError_)
        return *loadError_;
    return &registry_;
}

Result<KeyPath> RegistryStore::pathOf(HKEY handle) const {
    auto value = reinterpret_cast<uintptr_t>(handle);
    KeyPath path;
    switch (static_cast<uint32_t>(value)) {
    case 0x80000000u:
        path.parts = {"SOFTWARE", "Classes"};
        return path;
    case 0x80000001u: path.root = Root::CurrentUser; return path;
    case 0x80000002u: path.root = Root::LocalMachine; return path;
    case 0x80000003u: path.root = Root::Users; return path;
    case 0x80000005u: path.root = Root::CurrentConfig; return path;
    case 0x80000006u: path.root = Root::DynData; return path;
    default: break;
    }
    auto it = handles_.find(value);
    if (it == handles_.end())
        return Error::win32(ERROR_INVALID_HANDLE, "not an open registry key");
    if (deleted_.count(value) || !registry_.find(it->second))
        return Error::win32(ERROR_KEY_DELETED, it->second.text() + ": the key was deleted");
    return it->second;
}

HKEY RegistryStore::openHandle(KeyPath path) {
    uintptr_t value = nextHandle_;
    nextHandle_ += 4;
    handles_[value] = std::move(path);
    return reinterpret_cast<HKEY>(value);
}

bool RegistryStore::closeHandle(HKEY handle) {
    deleted_.erase(reinterpret_cast<uintptr_t>(handle));
    return handles_.erase(reinterpret_cast<uintptr_t>(handle)) > 0;
}

void RegistryStore::keyRemoved(const KeyPath& removed) {
    for (const auto& [value, path] : handles_) {
        if (path.root != removed.root || path.parts.size() < removed.parts.size())
            continue;
        bool below = true;
        for (size_t i = 0; i < removed.parts.size() && below; ++i)
            below = machine::equalsNoCase(path.parts[i], removed.parts[i]);
        if (below)
            deleted_.insert(value);
    }
}

std::string RegistryStore::withComments(const std::string& exported) const {
    std::string out;
    std::set<std::string> placed;
    auto put = [&out](const std::vector<std::string>& lines) {
        for (const auto& l : lines)
            out += l + "\r\n";
    };
    bool first = true;
    forEachLine(exported, [&](std::string_view line) {
        std::string header = headerKey(line);
        if (auto it = comments_.before.find(header); !header.empty() && it != comments_.before.end())
            put(it->second);
        out += line;
        out += "\r\n";
        if (first)
            put(comments_.top);  // under the REGEDIT4 line
        first = false;
        if (auto it = comments_.inside.find(header); !header.empty() && it != comments_.inside.end())
            put(it->second);
        if (!header.empty())
            placed.insert(header);
    });
    // Comments of keys that are gone stay in the file, at its end.
    for (const auto* group : {&comments_.before, &comments_.inside}) {
        for (const auto& [key, lines] : *group) {
            if (!placed.count(key))
                put(lines);
        }
    }
    put(comments_.trailing);
    return out;
}

Result<void> RegistryStore::save() {
    if (loadError_)
        return *loadError_;
    std::string exported = registry_.exportText();
    if (exported == savedExport_)
        return {};  // nothing changed: the file stays as the user left it
    const machine::DriveStore& store = machine_.store();
    auto path = store.machineFile(machine_.dir(), machine_.settings().registryFile);
    Result<void> written = path ? store.replaceFile(*path, withComments(exported)) : Result<void>(path.error());
    if (written) {
        savedExport_ = std::move(exported);
        return {};
    }
    std::string why = written.error().message;
    load();  // back to what the file holds
    return Error::win32(ERROR_CANTWRITE, why + ": cannot write the registry file");
}

}  // namespace nv::registry
