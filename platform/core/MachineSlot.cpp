// The machine the Win32 functions of the stand-in work on.
#include <cassert>

#include "platform/core/Machine.h"

namespace nv::machine {

namespace {

Machine*& currentSlot() {
    static Machine* slot = nullptr;
    return slot;
}

std::unique_ptr<Machine>& ownedSlot() {
    static std::unique_ptr<Machine> owned;
    return owned;
}

}  // namespace

Machine* current() { return currentSlot(); }

Machine& currentOrDie() {
    assert(currentSlot() && "no machine attached");
    return *currentSlot();
}

void attach(std::unique_ptr<Machine> machine) {
    if (ownedSlot())
        ownedSlot()->shutDownFamilies();
    // Guard: a family state's destructor must not find the dying machine current.
    currentSlot() = nullptr;
    ownedSlot() = std::move(machine);
    currentSlot() = ownedSlot().get();
}

std::unique_ptr<Machine> release() {
    currentSlot() = nullptr;
    return std::move(ownedSlot());
}

void detach() {
    if (ownedSlot())
        ownedSlot()->shutDownFamilies();
    currentSlot() = nullptr;
    ownedSlot().reset();
}

}  // namespace nv::machine
