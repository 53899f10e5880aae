// Entry points shared by the libFuzzer targets and by the test that replays
// their seed inputs in every build. Each returns normally on any input; a
// broken property (a round trip that differs, a write that changed another
// entry) or a sanitizer report is the finding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nv::fuzz {

// Expands the input as an SZDD file (libmspack through our streams).
void szddExpandInput(const uint8_t* data, size_t size);
// Compresses the input and checks that it expands back to itself.
void szddCompressInput(const uint8_t* data, size_t size);

// Reads the input as an executable: locates and reads its version resource
// and queries the values the installer and the tools ask for.
void versionInput(const uint8_t* data, size_t size);

// Loads the input as a script file and walks it with the section, key, line
// and field queries; compaction in pieces must equal compaction in one go.
void scriptInput(const uint8_t* data, size_t size);

// The first four bytes choose a profile write, the rest is the INI file:
// the profile functions read it, the write is done, and no entry other than
// the written one may change (a refused write changes no byte).
void profileInput(const uint8_t* data, size_t size);

// Imports the input as a REGEDIT4 file; what is read is written and read
// again, which must give the same registry.
void registryInput(const uint8_t* data, size_t size);

// Reads the input as an answer file and runs it against a live dialog: the
// run ends, by the dialog's own end or by a stop that says why.
void answersInput(const uint8_t* data, size_t size);

// Parses the input as a dialog template; one that parses is created, shown,
// painted and destroyed.
void dialogInput(const uint8_t* data, size_t size);

// The first five bytes choose an edit of the program's INI line editor (the
// section, key, item and mode of a [DeleteIni] line, or a new device line),
// the rest is the INI file: the old bytes are kept, and a changed file has a
// recorded backup equal to the old file.
void iniEditInput(const uint8_t* data, size_t size);

}  // namespace nv::fuzz
