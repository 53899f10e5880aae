// Entry points shared by the libFuzzer targets and by the test that replays
// their seed inputs in every build. Each returns normally on any input; a
// broken property (an expansion that differs from what was compressed) or a
// sanitizer report is the finding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nv::fuzz {

// Expands the input as an SZDD file (libmspack through our streams), then
// compresses the input and checks that it expands back to itself.
void szddInput(const uint8_t* data, size_t size);

// Reads the input as an executable: locates and reads its version resource
// and queries the values the installer and the tools ask for.
void versionInput(const uint8_t* data, size_t size);

}  // namespace nv::fuzz
