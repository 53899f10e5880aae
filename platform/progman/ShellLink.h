// Shell links (.lnk files) in the published Shell Link Binary File Format
// ([MS-SHLLINK]), as the Windows 95 shell writes them for Start Menu items:
// a 76-byte header, a LinkInfo with the target's volume and local path, and
// the ANSI string data (description, relative path, working directory,
// arguments, icon location).
//
// Contract:
//  - encode() never fails; strings longer than 65535 bytes are cut (their
//    count is 16 bits). Times are left zero, so the same item gives the same
//    bytes.
//  - decode() reads what encode() writes and links of the same format from
//    elsewhere (with an ID list, Unicode strings, extra data blocks); damaged
//    data is an Error naming what is wrong, never a read past the end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"

namespace nv::progman {

struct ShellLink {
    std::string target;        // full Windows path, "C:\WINDOWS\NOTEPAD.EXE"
    std::string arguments;
    std::string workingDir;
    std::string iconPath;      // empty: the target's own icon
    int32_t iconIndex = 0;
    std::string description;   // the item's title when it differs from the file name
    uint32_t showCommand = 1;  // SW_SHOWNORMAL, or SW_SHOWMINNOACTIVE (7)
    uint16_t hotKey = 0;
    uint32_t fileSize = 0;     // of the target, when known
    uint32_t driveType = 3;    // DRIVE_FIXED
    uint32_t volumeSerial = 0;
    std::string volumeLabel;
};

std::vector<uint8_t> encodeShellLink(const ShellLink& link);
Result<ShellLink> decodeShellLink(const std::vector<uint8_t>& bytes);

}  // namespace nv::progman
