// machine.ini split into classified lines: what the settings parser reads and
// what the settings writer edits in place, so both see the same structure.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nv::machine {

enum class SettingsLineKind { Blank, Comment, Header, Entry };

struct SettingsLine {
    std::string_view text;     // the line as written, without its line ending
    std::string_view ending;   // "\n", "\r\n" or "" (last line)
    SettingsLineKind kind = SettingsLineKind::Blank;
    int number = 0;            // 1-based
    std::string section;       // lower-case name of the section the line is in (a header: its own)
    std::string trimmed;       // the text without surrounding blanks
    std::string key;           // Entry: lower-case text before '=' (the whole line without '=')
    std::string value;         // Entry: text after '=', trimmed
    bool hasEquals = false;
};

std::vector<SettingsLine> splitSettingsLines(std::string_view text);

// Whether a lower-case section name is one of the list sections
// ([open files], [atoms], [windows]); the drive letter of "drive x" (0: none).
bool isListSection(std::string_view lowerName);
char driveOfSection(std::string_view lowerName);

std::string trimBlanks(std::string_view s);
std::string lowerAscii(std::string_view s);

}  // namespace nv::machine
