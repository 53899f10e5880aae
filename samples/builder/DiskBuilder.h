// Builds the disk folders of a product from its manifest: DISK1, DISK2, ...
// below an output folder, each file made or copied from the product tree and
// stored plain or SZDD compressed as the manifest says.
//
// Contract:
//  - makeFileBytes() gives the expanded content of one file (what the
//    installer finds after expansion); storedBytes() what stands on the disk.
//  - buildDisks() first removes the DISKn folders it is about to write, so a
//    file dropped from the manifest does not linger; nothing else in the
//    output folder is touched. Errors name the manifest line and the file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include <winerror.h>

#include "platform/core/Result.h"
#include "samples/builder/ProductManifest.h"

namespace nv::sample {

// CompanyName and ProductName of every made executable.
inline constexpr const char* kCompanyName = "Norvalk";
inline constexpr const char* kProductName = "Norvalk QS-8000 series";

Result<std::vector<uint8_t>> makeFileBytes(const DiskFile& file, const std::filesystem::path& productDir);
Result<std::vector<uint8_t>> storedBytes(const DiskFile& file, const std::vector<uint8_t>& content);

Result<void> buildDisks(const Manifest& manifest, const std::filesystem::path& productDir,
                        const std::filesystem::path& outDir);

// Reads a whole host file.
Result<std::vector<uint8_t>> readHostFile(const std::filesystem::path& path);
Result<void> writeHostFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

}  // namespace nv::sample
