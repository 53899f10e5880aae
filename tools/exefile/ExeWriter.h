// Writes small, well-formed executables that carry a version resource, to
// stand for drivers (NE), virtual device drivers (LE) and DLLs (PE) in the
// sample product and in tests. The files hold no code; their headers,
// tables and resources are laid out as the loaders and resource readers of
// Windows expect.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nv::exefile {

struct VersionInfo {
    std::array<uint16_t, 4> fileVersion{1, 0, 0, 0};
    std::optional<std::array<uint16_t, 4>> productVersion;  // unset: the file version
    uint32_t fileType = 3;     // VFT_DRV
    uint32_t fileSubtype = 0;
    uint16_t language = 0x0409;
    uint16_t codePage = 1252;
    // Texts of StringFileInfo, in order ("CompanyName", "ProductName", ...).
    // FileVersion and ProductVersion texts are added from the numbers when
    // not given here.
    std::vector<std::pair<std::string, std::string>> strings;
};

enum class Layout { Win16, Win32 };

// The version resource alone, as a resource compiler lays it out.
std::vector<uint8_t> versionBlock(const VersionInfo& info, Layout layout);

enum class PeKind { Dll, Exe };

// A PE32 image with a .rsrc section holding the version resource (type 16,
// id 1, language info.language). No resource directory when info is null.
std::vector<uint8_t> writePe(const VersionInfo* info, PeKind kind = PeKind::Dll);

// A 16-bit Windows library (NE) with the version resource in its resource
// table; moduleName goes into the resident name table.
std::vector<uint8_t> writeNe(const VersionInfo* info, std::string_view moduleName);

// A virtual device driver (LE) whose header points at the version resource
// (e32_winresoff / e32_winreslen); deviceName goes into the resident name table.
std::vector<uint8_t> writeLe(const VersionInfo* info, std::string_view deviceName, uint16_t deviceId = 0);

// A virtual device driver of the platform itself, as Windows 95 installs
// them in its system directory (lpt.vxd), with the platform's version texts.
std::vector<uint8_t> writeSystemVxd(const std::array<uint16_t, 4>& version, std::string_view deviceName,
                                    std::string_view description);

// "A.B.C.D" (each 0..65535) into four numbers.
std::optional<std::array<uint16_t, 4>> parseVersion(std::string_view text);

}  // namespace nv::exefile
