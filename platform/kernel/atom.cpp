// Atoms: the global table (GlobalAddAtomA, GlobalFindAtomA, GlobalDeleteAtom,
// GlobalGetAtomNameA) and the program's local one (AddAtomA, FindAtomA,
// DeleteAtom, GetAtomNameA). As on Windows the two are separate: DeleteAtom
// never removes a global atom.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "platform/core/Trace.h"
#include "platform/kernel/AtomTable.h"
#include "platform/kernel/Edge.h"

using namespace nv;
using namespace nv::kernel;

namespace {

GlobalAtoms& globals() { return machine::currentOrDie().familyState<GlobalAtoms>(); }
AtomTable& locals() { return machine::currentOrDie().familyState<LocalAtoms>().table; }

ATOM addIn(AtomTable& table, LPCSTR name) {
    auto r = table.add(name);
    return failed(r) ? 0 : *r;
}

ATOM findIn(const AtomTable& table, LPCSTR name) {
    auto r = table.find(name);
    return failed(r) ? 0 : *r;
}

// Global atoms live on in the machine's settings file, one name a line, so a
// string name must read back as itself: no control characters, no blanks at
// either end, and no start that the file would take for a section or a
// comment. Integer atoms (MAKEINTATOM, "#123") are not stored as names.
bool storableGlobalName(LPCSTR name) {
    if (reinterpret_cast<uintptr_t>(name) < 0x10000 || name[0] == '#')
        return true;
    size_t n = std::strlen(name);
    if (n == 0)
        return true;  // the table gives its own error
    for (size_t i = 0; i < n; ++i)
        if (static_cast<unsigned char>(name[i]) < 0x20 || name[i] == 0x7F)
            return false;
    return name[0] != '[' && name[0] != ';' && name[0] != ' ' && name[n - 1] != ' ';
}

// 0 on success, the atom itself on failure.
ATOM deleteIn(AtomTable& table, ATOM atom) { return failed(table.remove(atom)) ? atom : 0; }

UINT nameIn(const AtomTable& table, ATOM atom, LPSTR buffer, int size) {
    if (!buffer || size <= 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    auto r = table.name(atom);
    if (failed(r)) {
        buffer[0] = '\0';
        return 0;
    }
    copyBounded(*r, buffer, static_cast<size_t>(size));
    return static_cast<UINT>(std::strlen(buffer));
}

}  // namespace

ATOM WINAPI GlobalAddAtomA(LPCSTR lpString) {
    NV_TRACE_ENTER("GlobalAddAtomA", lpString);
    ATOM result = 0;
    if (lpString && !storableGlobalName(lpString))
        SetLastError(ERROR_INVALID_NAME);
    else
        result = addIn(globals().table, lpString);
    if (result)
        globals().syncSettings();
    NV_TRACE_RESULT(result);
    return result;
}

ATOM WINAPI GlobalFindAtomA(LPCSTR lpString) {
    NV_TRACE_ENTER("GlobalFindAtomA", lpString);
    ATOM result = findIn(globals().table, lpString);
    NV_TRACE_RESULT(result);
    return result;
}

ATOM WINAPI GlobalDeleteAtom(ATOM nAtom) {
    NV_TRACE_ENTER("GlobalDeleteAtom", nAtom);
    ATOM result = deleteIn(globals().table, nAtom);
    if (!result)
        globals().syncSettings();
    NV_TRACE_RESULT(result);
    return result;
}

UINT WINAPI GlobalGetAtomNameA(ATOM nAtom, LPSTR lpBuffer, int nSize) {
    NV_TRACE_ENTER("GlobalGetAtomNameA", nAtom, nSize);
    UINT result = nameIn(globals().table, nAtom, lpBuffer, nSize);
    NV_TRACE_RESULT(result);
    return result;
}

ATOM WINAPI AddAtomA(LPCSTR lpString) {
    NV_TRACE_ENTER("AddAtomA", lpString);
    ATOM result = addIn(locals(), lpString);
    NV_TRACE_RESULT(result);
    return result;
}

ATOM WINAPI FindAtomA(LPCSTR lpString) {
    NV_TRACE_ENTER("FindAtomA", lpString);
    ATOM result = findIn(locals(), lpString);
    NV_TRACE_RESULT(result);
    return result;
}

ATOM WINAPI DeleteAtom(ATOM nAtom) {
    NV_TRACE_ENTER("DeleteAtom", nAtom);
    ATOM result = deleteIn(locals(), nAtom);
    NV_TRACE_RESULT(result);
    return result;
}

UINT WINAPI GetAtomNameA(ATOM nAtom, LPSTR lpBuffer, int nSize) {
    NV_TRACE_ENTER("GetAtomNameA", nAtom, nSize);
    UINT result = nameIn(locals(), nAtom, lpBuffer, nSize);
    NV_TRACE_RESULT(result);
    return result;
}
