#include "platform/kernel/AtomTable.h"

#include <cstring>

namespace nv::kernel {

namespace {

constexpr ATOM kFirstStringAtom = MAXINTATOM;
constexpr size_t kMaxName = 255;

// An integer atom given as MAKEINTATOM(n) or as the text "#n".
Result<std::optional<ATOM>> integerAtom(LPCSTR name) {
    if (IS_INTRESOURCE(name)) {
        const auto value = static_cast<ATOM>(reinterpret_cast<uintptr_t>(name));
        if (value == 0 || value >= kFirstStringAtom)
            return Error::win32(ERROR_INVALID_PARAMETER, "integer atoms run from 1 to 0xBFFF");
        return std::optional<ATOM>(value);
    }
    if (name[0] != '#' || name[1] == '\0')
        return std::optional<ATOM>();
    unsigned long value = 0;
    for (const char* p = name + 1; *p; ++p) {
        if (*p < '0' || *p > '9')
            return std::optional<ATOM>();  // "#abc" is an ordinary string
        value = value * 10 + static_cast<unsigned long>(*p - '0');
        if (value > 0xFFFF)
            return Error::win32(ERROR_INVALID_PARAMETER, std::string("integer atom out of range: ") + name);
    }
    if (value == 0 || value >= kFirstStringAtom)
        return Error::win32(ERROR_INVALID_PARAMETER, std::string("integer atom out of range: ") + name);
    return std::optional<ATOM>(static_cast<ATOM>(value));
}

Result<void> checkName(LPCSTR name) {
    const size_t n = std::strlen(name);
    if (n == 0)
        return Error::win32(ERROR_INVALID_NAME, "empty atom name");
    if (n > kMaxName)
        return Error::win32(ERROR_INVALID_PARAMETER, "atom names hold at most 255 characters");
    return {};
}

}  // namespace

Result<ATOM> AtomTable::add(LPCSTR name) {
    if (!name)
        return Error::win32(ERROR_INVALID_PARAMETER, "no atom name");
    auto integer = NV_TRY(integerAtom(name));
    if (integer)
        return *integer;
    NV_TRY(checkName(name));
    for (auto& [atom, entry] : atoms_) {
        if (machine::equalsNoCase(entry.name, name)) {
            ++entry.refs;
            return atom;
        }
    }
    // The lowest free value, as a fresh table hands them out in order.
    ATOM value = kFirstStringAtom;
    for (const auto& [atom, entry] : atoms_) {
        if (atom != value)
            break;
        if (value == 0xFFFF)
            return Error::win32(ERROR_NOT_ENOUGH_MEMORY, "atom table full");
        ++value;
    }
    atoms_[value] = Entry{name, 1};
    return value;
}

Result<ATOM> AtomTable::find(LPCSTR name) const {
    if (!name)
        return Error::win32(ERROR_INVALID_PARAMETER, "no atom name");
    auto integer = NV_TRY(integerAtom(name));
    if (integer)
        return *integer;
    NV_TRY(checkName(name));
    for (const auto& [atom, entry] : atoms_) {
        if (machine::equalsNoCase(entry.name, name))
            return atom;
    }
    return Error::win32(ERROR_FILE_NOT_FOUND, std::string("no atom ") + name);
}

Result<void> AtomTable::remove(ATOM atom) {
    if (atom < kFirstStringAtom)
        return {};
    auto it = atoms_.find(atom);
    if (it == atoms_.end())
        return Error::win32(ERROR_INVALID_HANDLE, "no such atom");
    if (--it->second.refs == 0)
        atoms_.erase(it);
    return {};
}

Result<std::string> AtomTable::name(ATOM atom) const {
    if (atom == 0)
        return Error::win32(ERROR_INVALID_PARAMETER, "atom 0");
    if (atom < kFirstStringAtom)
        return std::string("#").append(std::to_string(atom));
    auto it = atoms_.find(atom);
    if (it == atoms_.end())
        return Error::win32(ERROR_INVALID_HANDLE, "no such atom");
    return it->second.name;
}

std::vector<std::string> AtomTable::names() const {
    std::vector<std::string> out;
    for (const auto& [atom, entry] : atoms_)
        out.push_back(entry.name);
    return out;
}

GlobalAtoms::GlobalAtoms(machine::Machine& machine) : machine_(machine) {
    for (const auto& name : machine.settings().atoms)
        (void)table.add(name.c_str());  // a bad name in the settings is skipped
}

void GlobalAtoms::syncSettings() { machine_.settings().atoms = table.names(); }

}  // namespace nv::kernel
