// An atom table: strings, compared without regard to case, mapped to 16-bit
// values with reference counts, as Windows keeps them.
//
// Contract:
//  - String atoms take values from 0xC000 to 0xFFFF; adding a string that is
//    there already counts one more reference and returns the same atom.
//  - Integer atoms (MAKEINTATOM(1..0xBFFF), or the text "#1234") are their own
//    value and are never stored; deleting one always succeeds.
//  - A name is 1 to 255 characters.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

#include "platform/core/Machine.h"
#include "platform/core/Result.h"

namespace nv::kernel {

class AtomTable {
public:
    // `name` may be an integer atom made with MAKEINTATOM.
    Result<ATOM> add(LPCSTR name);
    Result<ATOM> find(LPCSTR name) const;
    // Drops one reference; the atom goes with the last one.
    Result<void> remove(ATOM atom);
    Result<std::string> name(ATOM atom) const;
    // The stored names, in atom order.
    std::vector<std::string> names() const;

private:
    struct Entry {
        std::string name;
        int refs = 0;
    };
    std::map<ATOM, Entry> atoms_;
};

// The system-wide table of a machine, filled from its settings at first use
// and kept in step with them, so that a saved machine keeps its atoms.
class GlobalAtoms : public machine::Machine::FamilyState {
public:
    explicit GlobalAtoms(machine::Machine& machine);
    AtomTable table;
    void syncSettings();

private:
    machine::Machine& machine_;
};

// The program's own table (AddAtomA and kin).
class LocalAtoms : public machine::Machine::FamilyState {
public:
    explicit LocalAtoms(machine::Machine&) {}
    AtomTable table;
};

}  // namespace nv::kernel
