// nvmachine script: shows a script file (INSTALL.INF, an OEM INF) as the
// installer's own reader sees it. FILE is a host path; the file goes through
// the same compaction as on the machine, so blanks outside quotes, comments
// and blank lines are gone here as they are for the program.
//
//   nvmachine script FILE
//     Lists the compact form. First a summary line
//       ; FILE: N bytes, compact form M bytes
//     then every stored line in order: header lines as stored (text after
//     "]" included) followed by a tab and a status comment, other lines
//     indented by two blanks:
//       [Install]extra<TAB>; Install: 3 lines
//         Name=NorvalkQS-8000series
//       [Empty]<TAB>; Empty: empty, not found
//       [Install]<TAB>; Install: repeated, not found (the first one wins)
//       [Broken<TAB>; no "]": not found
//     Lines before the first header follow a line "; before the first section".
//
//   nvmachine script FILE SECTION KEY
//     Prints the value GetKeyValue gives, alone, byte for byte, with a line
//     feed. A missing (or empty) section or a missing key is reported on
//     stderr with exit status 1.
//
//   nvmachine script FILE SECTION --fields
//     For each line of the section, "line I: TEXT", then for n = 0, 1, 2, ...
//     one line "  n: R VALUE" with GetField's result R (1 or 0) and the field
//     in double quotes, up to and including the first missing field (R 0,
//     shown as ""). Field 0 with R 0 (a line without a key) shows
//     "(output untouched)" instead of a value.
//
// In listed lines and fields, bytes below 0x20, 0x7F and bytes from 0x80 up
// are shown as \xNN; a printed value (SECTION KEY) is left as it is.
// Exit status: 0 done, 1 section or key missing or an empty file, 2 usage
// errors and unreadable or too large files.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "script/IniCompact.h"
#include "script/IniText.h"
#include "tools/nvmachine/Command.h"
#include "platform/core/DriveStore.h"

namespace {

using nv::tool::Args;

std::string shown(const char* text) {
    std::string out;
    char hex[8];
    for (const char* p = text; *p; ++p) {
        auto c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c >= 0x7F) {
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool isHeader(IniLine line) { return line[0] == '['; }

// Loads FILE into its compact form; prints the reason and returns false when
// it cannot. status receives the exit status to use then.
bool loadCompact(const std::string& path, std::vector<char>& block, size_t& fileSize, int& status) {
    auto read = nv::host::readFile(path);
    if (!read) {
        std::fprintf(stderr, "nvmachine script: %s\n", read.error().message.c_str());
        status = 2;
        return false;
    }
    const std::string& bytes = *read;
    fileSize = bytes.size();
    if (bytes.empty()) {
        std::fprintf(stderr, "%s: the file is empty (the installer refuses it: \"Cannot read the information file.\")\n",
                     path.c_str());
        status = 1;
        return false;
    }
    if (bytes.size() > static_cast<size_t>(INITEXT_MAX_FILE)) {
        std::fprintf(stderr, "%s: %zu bytes; the installer loads files of at most %ld bytes\n", path.c_str(),
                     bytes.size(), static_cast<long>(INITEXT_MAX_FILE));
        status = 2;
        return false;
    }
    size_t capacity = IniCompactor::bound(bytes.size());
    block.assign(capacity + 2, '\0');
    size_t n = CompactIniText(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), block.data(), capacity);
    if (n == 0) {
        std::fprintf(stderr, "%s: the compact form does not fit (internal error)\n", path.c_str());
        status = 2;
        return false;
    }
    block.resize(n + 2);
    return true;
}

int listAll(const std::string& path, const std::vector<char>& block, size_t fileSize) {
    // The size counts the text up to its end mark.
    std::printf("; %s: %zu bytes, compact form %zu bytes\n", path.c_str(), fileSize, block.size() - 2);
    const char* base = block.data();
    bool first = true;
    for (IniLine line = NextStoredLine(base, nullptr); line; line = NextStoredLine(base, line)) {
        if (!isHeader(line)) {
            if (first)
                std::printf("; before the first section\n");
            std::printf("  %s\n", shown(line).c_str());
            first = false;
            continue;
        }
        first = false;
        const char* close = std::strchr(line + 1, ']');
        if (!close) {
            std::printf("%s\t; no \"]\": not found\n", shown(line).c_str());
            continue;
        }
        std::string name(line + 1, close);
        IniLine after = NextStoredLine(base, line);
        IniLine found = FindSectionInBlock(base, name.c_str(), name.size());
        bool empty = !after || isHeader(after);
        std::string status;
        if (name.empty())
            status = "empty name: not found";
        else if (found && found == after)
            status = std::to_string(CountLines(found)) + (CountLines(found) == 1 ? " line" : " lines");
        else if (empty)
            status = "empty, not found";
        else
            status = "repeated, not found (the first one wins)";
        std::printf("%s\t; %s: %s\n", shown(line).c_str(), shown(name.c_str()).c_str(), status.c_str());
    }
    return 0;
}

IniLine findOrReport(const std::string& path, const std::vector<char>& block, const std::string& section) {
    IniLine first = FindSectionInBlock(block.data(), section.c_str(), section.size());
    if (!first)
        std::fprintf(stderr, "%s: section [%s] not found (missing, empty, or after an empty one of that name)\n",
                     path.c_str(), section.c_str());
    return first;
}

int printValue(const std::string& path, const std::vector<char>& block, const std::string& section,
               const std::string& key) {
    IniLine first = findOrReport(path, block, section);
    if (!first)
        return 1;
    std::vector<char> value(block.size() + 1);
    if (!GetKeyValue(first, key.c_str(), value.data(), static_cast<int>(value.size()))) {
        std::fprintf(stderr, "%s: key %s not found in section [%s]\n", path.c_str(), key.c_str(), section.c_str());
        return 1;
    }
    std::fwrite(value.data(), 1, std::strlen(value.data()), stdout);
    std::fputc('\n', stdout);
    return 0;
}

int printFields(const std::string& path, const std::vector<char>& block, const std::string& section) {
    IniLine first = findOrReport(path, block, section);
    if (!first)
        return 1;
    std::vector<char> field(block.size() + 1);
    int size = static_cast<int>(field.size());
    int index = 1;
    for (IniLine line = first; line; line = NextLine(line), ++index) {
        std::printf("line %d: %s\n", index, shown(line).c_str());
        for (int n = 0;; ++n) {
            field[0] = '\0';
            int result = GetField(line, n, field.data(), size);
            if (n == 0 && !result) {
                std::printf("  0: 0 (output untouched)\n");
                continue;
            }
            std::printf("  %d: %d \"%s\"\n", n, result, shown(field.data()).c_str());
            if (!result)
                break;
        }
    }
    return 0;
}

int runScript(const Args& args) {
    bool fields = args.size() == 3 && args[2] == "--fields";
    if (args.empty() || args.size() == 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: nvmachine script FILE [SECTION KEY | SECTION --fields]\n");
        return 2;
    }
    std::vector<char> block;
    size_t fileSize = 0;
    int status = 0;
    if (!loadCompact(args[0], block, fileSize, status))
        return status;
    if (args.size() == 1)
        return listAll(args[0], block, fileSize);
    if (fields)
        return printFields(args[0], block, args[1]);
    return printValue(args[0], block, args[1], args[2]);
}

}  // namespace

NV_COMMAND("script",
           "  script FILE                   list the sections and lines of a script file as the installer reads them\n"
           "  script FILE SECTION KEY       print the value of KEY in [SECTION] (exit 1 when missing)\n"
           "  script FILE SECTION --fields  print the fields 0, 1, 2, ... of each line of [SECTION]",
           runScript);
