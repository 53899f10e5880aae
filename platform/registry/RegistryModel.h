// The registry as a tree of keys holding typed values, and its text form, the
// REGEDIT4 file.
//
// Contract:
//  - Key and value names compare without regard to case (ASCII) and keep the
//    case they were created with. Subkeys and values keep their order of
//    creation, which is the order of enumeration and of the file.
//  - A value is a type (REG_SZ, REG_DWORD, ...) and its bytes exactly as set;
//    strings carry their terminating NUL.
//  - HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes, as on Windows 95;
//    the other roots are trees of their own.
//  - importText() applies a REGEDIT4 text: keys are created, "[-KEY]" deletes
//    a key, "name"=- a value. A damaged text is an Error whose message names
//    the file and line and quotes the line; nothing is applied then.
//  - exportText() writes keys depth first, each with its values, CR LF lines;
//    importing it into an empty registry gives the same tree.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <windef.h>

#include "platform/core/Result.h"

namespace nv::registry {

struct Value {
    std::string name;  // "" is the key's default value
    DWORD type = 0;
    std::vector<uint8_t> data;
};

class Key {
public:
    explicit Key(std::string name) : name_(std::move(name)) {}

    const std::string& name() const { return name_; }
    const std::vector<std::unique_ptr<Key>>& children() const { return children_; }
    const std::vector<Value>& values() const { return values_; }

    Key* child(std::string_view name) const;
    // The child of that name, made when missing.
    Key& addChild(std::string_view name, bool* created = nullptr);
    // Removes a child with everything below it.
    bool removeChild(std::string_view name);

    const Value* value(std::string_view name) const;
    void setValue(std::string_view name, DWORD type, std::vector<uint8_t> data);
    bool removeValue(std::string_view name);

private:
    std::string name_;
    std::vector<std::unique_ptr<Key>> children_;
    std::vector<Value> values_;
};

enum class Root { LocalMachine, CurrentUser, Users, CurrentConfig, DynData };

// A key named by its root and the names below it.
struct KeyPath {
    Root root = Root::LocalMachine;
    std::vector<std::string> parts;

    std::string text() const;  // "HKEY_LOCAL_MACHINE\\Software\\..."
};

// Parses "HKEY_LOCAL_MACHINE\\A\\B" (short forms HKLM, HKCU, HKCR, HKU, HKCC
// are accepted when `allowShort`). Empty components are skipped.
std::optional<KeyPath> parseKeyPath(std::string_view text, bool allowShort = false);
// Splits "A\\B" below a root; HKEY_CLASSES_ROOT paths get their prefix.
std::vector<std::string> splitPath(std::string_view text);
const char* rootName(Root root);

class Registry {
public:
    Registry();

    Key& root(Root root) { return *roots_[static_cast<size_t>(root)]; }
    const Key& root(Root root) const { return *roots_[static_cast<size_t>(root)]; }

    Key* find(const KeyPath& path) const;
    Key& create(const KeyPath& path, bool* created = nullptr);
    // Removes the key and everything below it; a root cannot be removed.
    bool remove(const KeyPath& path);

    Result<void> importText(std::string_view text, std::string_view fileName);
    std::string exportText() const;
    std::string exportText(const KeyPath& path) const;  // one key and what lies below

private:
    std::vector<std::unique_ptr<Key>> roots_;
};

// A value's data as REGEDIT4 writes it: "text", dword:0000002a, hex:01,02 or
// hex(7):..., without line wrapping when `wrap` is false.
std::string formatData(const Value& value, bool wrap = true, size_t column = 0);
// A value name as REGEDIT4 writes it: @ or "name" with \\ and \" escaped.
std::string formatName(std::string_view name);

}  // namespace nv::registry
