// State that an API family keeps for the attached machine, for families whose
// state is a plain value: perMachine<T>() is the attached machine's T, made
// on first use and dropped with the machine, so a new machine starts clean and
// two machines never share it. With no machine attached, calls share one
// detached T (nothing of a machine can reach it).
#pragma once

#include "platform/core/Machine.h"

namespace nv::machine {

template <typename T>
struct PerMachineSlot : Machine::FamilyState {
    explicit PerMachineSlot(Machine&) {}
    T value;
};

template <typename T>
T& perMachine() {
    if (Machine* m = current())
        return m->familyState<PerMachineSlot<T>>().value;
    static T detached;
    return detached;
}

}  // namespace nv::machine
