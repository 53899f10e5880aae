#include "platform/registry/RegistryStore.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

#include <winerror.h>
#include <winreg.h>

namespace fs = std::filesystem;

namespace nv::registry {

RegistryStore::RegistryStore(machine::Machine& machine) : machine_(machine) { load(); }

RegistryStore* RegistryStore::current() {
    machine::Machine* m = machine::current();
    return m ? &m->familyState<RegistryStore>() : nullptr;
}

fs::path RegistryStore::file() const { return machine_.dir() / machine_.settings().registryFile; }

void RegistryStore::load() {
    registry_ = Registry();
    loadError_.reset();
    fs::path path = file();
    std::error_code ec;
    if (!fs::exists(path, ec))
        return;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    if (!in) {
        loadError_ = Error::win32(ERROR_BADDB, path.string() + ": cannot read the registry file");
    } else {
        auto r = registry_.importText(ss.str(), path.string());
        if (!r)
            loadError_ = r.take_error();
    }
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

Result<void> RegistryStore::save() {
    if (loadError_)
        return *loadError_;
    fs::path path = file();
    fs::path tmp = path;
    tmp += ".tmp";
    std::string text = registry_.exportText();
    bool ok = false;
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (out) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            out.flush();
            ok = static_cast<bool>(out);
        }
    }
    std::error_code ec;
    if (ok) {
        fs::rename(tmp, path, ec);
        ok = !ec;
    }
    if (ok)
        return {};
    fs::remove(tmp, ec);
    load();  // back to what the file holds
    return Error::win32(ERROR_CANTWRITE, path.string() + ": cannot write the registry file");
}

}  // namespace nv::registry
