// The machine the benchmarks run on: one large fixed drive C: in DIR,
// attached as the current machine.
#pragma once

#include <filesystem>

#include "platform/core/Machine.h"

namespace nv::bench {

inline void attachBenchMachine(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir / "drives" / "C");
    machine::Settings settings;
    machine::Drive c;
    c.letter = 'C';
    c.folder = "drives/C";
    c.capacity = 64ull << 30;
    settings.drives['C'] = c;
    machine::attach(machine::Machine::fromSettings(dir, settings));
}

}  // namespace nv::bench
