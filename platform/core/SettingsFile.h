// Writing machine.ini back as the user wrote it: only the lines of settings
// that changed are rewritten, new keys join the end of their section, and
// comments, blank lines, unknown spellings of keys and the order of lines
// stay byte for byte.
#pragma once

#include <string>
#include <string_view>

#include "platform/core/Settings.h"

namespace nv::machine {

// `original` is the file as read, `before` what it parsed to; the result
// holds `now`. With an empty original the whole file is formatted afresh.
std::string updateSettingsText(std::string_view original, const Settings& before, const Settings& now);

}  // namespace nv::machine
