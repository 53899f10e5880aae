// The registry of one machine: loaded from the machine's REGEDIT4 file on
// first use, written back after every change, and the open key handles.
//
// Contract:
//  - A missing file is an empty registry. A damaged file makes every call fail
//    with ERROR_BADDB (the message, naming file and line, goes to stderr once
//    and stays in loadError()); the file is then never written, so nothing in
//    it is lost.
//  - save() writes a temporary file beside the registry file and renames it
//    over, so a crash leaves the old or the new file whole. When it fails, the
//    registry is read back from the file, so memory and file agree. A save
//    that changes nothing leaves the file untouched.
//  - The user's comment lines survive a save: those above the first key stay
//    at the top, those above or inside a key's block stay with that key, and
//    those of a key that is gone move to the end of the file.
//  - The file is reached through the machine's drive store: a link or a
//    special file in its place (or on the way to it) is refused.
//  - Handles name a key by its path: a handle whose key was deleted answers
//    ERROR_KEY_DELETED. The predefined HKEY_* values need no opening.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <windef.h>

#include "platform/core/Machine.h"
#include "platform/core/Result.h"
#include "platform/registry/RegistryModel.h"

namespace nv::registry {

class RegistryStore : public machine::Machine::FamilyState {
public:
    explicit RegistryStore(machine::Machine& machine);

    // The store of the current machine (nullptr when none is attached).
    static RegistryStore* current();

    // ERROR_BADDB when the file is damaged.
    Result<Registry*> registry();
    const std::optional<Error>& loadError() const { return loadError_; }

    // The key a handle names (ERROR_INVALID_HANDLE, ERROR_KEY_DELETED).
    Result<KeyPath> pathOf(HKEY handle) const;
    HKEY openHandle(KeyPath path);
    bool closeHandle(HKEY handle);
    // After `removed` was deleted: its handles and those of keys below it
    // stay deleted, even when a key of the same name is made again.
    void keyRemoved(const KeyPath& removed);

    Result<void> save();
    std::filesystem::path file() const;

private:
    void load();
    // The exported text with the comments of the file as read put back.
    std::string withComments(const std::string& exported) const;

    struct Comments {
        std::vector<std::string> top;
        std::map<std::string, std::vector<std::string>> before;  // by upper-case key path
        std::map<std::string, std::vector<std::string>> inside;
        std::vector<std::string> trailing;
    };
    Comments comments_;
    std::string savedExport_;  // exportText() of what the file holds

    machine::Machine& machine_;
    Registry registry_;
    std::optional<Error> loadError_;
    std::map<uintptr_t, KeyPath> handles_;
    std::set<uintptr_t> deleted_;
    uintptr_t nextHandle_ = 0x1000;
};

}  // namespace nv::registry
