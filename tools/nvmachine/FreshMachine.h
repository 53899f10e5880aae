// Making a fresh simulated Windows 95 machine: the settings file, one folder
// per drive, a Windows 95 installation on C: and the registry, from the
// template kept in samples/machine.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Machine.h"
#include "platform/core/Result.h"

namespace nv::tool {

// A: removable and empty, C: fixed (Windows), D: a second fixed drive.
machine::Settings freshSettings();

// Options as `nvmachine new` takes them; errors quote the offending text.
Result<void> applyScreen(machine::Settings& settings, std::string_view value);     // "WxH"
Result<void> applyVersion(machine::Settings& settings, std::string_view value);    // "X.Y"
// "LETTER:KIND[:ro][:capacity]": adds the drive or replaces one of that letter.
Result<void> applyDrive(machine::Settings& settings, std::string_view spec);

// Writes the machine into `dir`, which must be missing or empty. Returns
// warnings for the people running it (a host font that was not found).
Result<std::vector<std::string>> createFreshMachine(const std::filesystem::path& dir,
                                                    const machine::Settings& settings);

}  // namespace nv::tool
