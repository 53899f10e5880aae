// An SZDD ("SZDD" 88 F0 27 33, method 'A') compressor for building disk sets.
//
// Contract:
//  - compress() returns a complete file: the 14-byte header (magic, 'A', the
//    character the compressed name lacks, the original length) followed by
//    LZSS data that any SZDD expander turns back into `data` exactly.
//  - The window is 4096 bytes, preset to blanks, first write position 0xFF0;
//    matches are 3 to 18 bytes long and may reach into the preset blanks.
//  - Inputs longer than 4 GiB - 1 cannot be described by the header and are
//    refused (std::nullopt).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nv::szdd {

enum class Effort { Fast, Thorough };

std::optional<std::vector<uint8_t>> compress(std::span<const uint8_t> data, char missingChar,
                                             Effort effort = Effort::Thorough);

// NAME.EXT -> NAME.EX_, NAME.EX -> NAME.EX_, NAME -> NAME._ (the names a
// compressed file is stored under on a disk).
std::string compressedName(std::string_view name);

// The character compressedName() drops: the last character of a name whose
// extension has three characters, else 0 (nothing is missing).
char missingCharOf(std::string_view name);

}  // namespace nv::szdd
