// Variants of a product for tests (samples/product/variants.txt): each one a
// list of edits applied in order to a fresh copy of the built disks.
//
// Contract:
//  - parseVariants() reads lines "variant operation arguments"; blank lines
//    and "#" lines are skipped. Errors name the file and line and quote the
//    offending text.
//  - The script edits work on the raw text of a script file and keep
//    everything they do not change byte for byte, line ends included. A
//    header is a line whose first non-blank character is "["; a section's
//    lines are the non-blank, non-comment lines up to the next header.
//    Comment and blank lines that stand directly before the next header
//    belong to that header and stay.
//  - buildVariant() writes outDir afresh (it removes it first). An edit that
//    finds nothing to change (no such file, section or folder) is an error,
//    so the table cannot silently go stale when the product changes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <winerror.h>

#include "platform/core/Result.h"

namespace nv::sample {

enum class EditKind { KeepLines, SetSection, DropSection, Delete, Damage, Flatten, Nest };

struct VariantEdit {
    std::string variant;
    EditKind kind = EditKind::Delete;
    std::string target;              // file name, or folder for Flatten and Nest
    std::string section;             // KeepLines, SetSection, DropSection
    int count = 0;                   // KeepLines
    std::vector<std::string> lines;  // SetSection
    int line = 0;                    // line in the table, for diagnostics
};

struct VariantTable {
    std::vector<std::string> names;  // in order of first appearance
    std::vector<VariantEdit> edits;
};

Result<VariantTable> parseVariants(std::string_view text, std::string_view fileName);

// Edits of one script text.
Result<std::string> keepSectionLines(std::string_view script, std::string_view section, int count);
Result<std::string> setSectionLines(std::string_view script, std::string_view section,
                                    const std::vector<std::string>& lines);
Result<std::string> dropSection(std::string_view script, std::string_view section);

// An SZDD file cut to its header and half of its compressed data, so that
// the header promises more than the data gives.
Result<std::vector<uint8_t>> damageCompressed(const std::vector<uint8_t>& file);

// Copies the disk folders DISK1.. of disksDir to outDir and applies the edits
// of variant.
Result<void> buildVariant(const VariantTable& table, std::string_view variant, const std::filesystem::path& disksDir,
                          const std::filesystem::path& outDir);

}  // namespace nv::sample
