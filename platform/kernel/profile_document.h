// An INI file held as its lines, so that an edit changes only the lines it
// must and every other byte (comments, blank lines, odd spacing, line ends)
// stays as it was.
//
// Contract:
//  - parse() never fails: any bytes give a document, and text() of an
//    unedited document gives the same bytes back.
//  - Lines split at CR LF, LF or CR. Bytes 09-0D, 20 and 1A are trimmed from
//    both ends of a line. A line starting with '[' is a section header whose
//    name runs to the last ']' (or to the end) and is trimmed. Other lines are
//    entries: the name is the text before the first '=' (trailing blanks
//    removed), the value the text after it (leading blanks removed); a line
//    without '=' is a name without a value. Names starting with ';' are
//    comments. Lines before the first header belong to no section.
//  - Names match without regard to case. When a name occurs more than once,
//    lookups see the first section of that name and the first entry in it;
//    deletions remove every occurrence, so that afterwards a lookup finds
//    nothing.
//  - New lines end as the file's first terminated line does (CR LF in a file
//    without one).
//  - Lookups go through an index of the section headers, made on first use
//    and again after an edit, so a lookup in a large file costs the number of
//    sections plus the lines of one section, not the whole file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nv::profile {

// The bytes counted as blanks at the ends of lines and names.
bool isBlank(char c);
std::string_view trimBlanks(std::string_view s);

class Document {
public:
    static Document parse(std::string_view bytes);
    std::string text() const;

    // Every section name once, in file order (the first spelling).
    std::vector<std::string> sectionNames() const;
    bool hasSection(std::string_view section) const;
    // Names of the entries with a value ('=') that are not comments.
    std::vector<std::string> keyNames(std::string_view section) const;
    // Entries of a section that are not comments, as "name=value" or "name".
    std::vector<std::string> entries(std::string_view section) const;
    // The value as written (leading blanks removed); nullopt when missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Sets the value of the first entry `key` of the first section `section`,
    // adding the entry after the section's last line or the section at the
    // end of the file. Returns whether the text changed.
    bool setValue(std::string_view section, std::string_view key, std::string_view value);
    // Removes every entry `key` from the first section `section`.
    bool deleteKey(std::string_view section, std::string_view key);
    // Removes every section `section` with all its lines.
    bool deleteSection(std::string_view section);

    // Lines that the rules above read, but that are most likely damage: a
    // header without ']', NUL and other control bytes, an entry without a
    // name. Windows reads them anyway, and so do the profile functions; tools
    // report them so a person can mend the file.
    struct Problem {
        int line;            // 1-based
        std::string why;
        std::string text;    // the line, cut to 80 bytes
    };
    std::vector<Problem> problems() const;

private:
    struct Line {
        std::string text;    // without its terminator
        std::string ending;  // "\r\n", "\n", "\r" or "" (last line without one)
    };
    struct Parsed {
        enum class Kind { Blank, Header, Entry } kind = Kind::Blank;
        std::string_view name;   // section name or entry name
        std::string_view value;  // entry value
        bool hasValue = false;   // entry has '='
        bool comment = false;    // entry name starts with ';'
    };
    static Parsed parseLine(std::string_view text);

    // Index of the header line of the first section `section`, or npos.
    size_t findHeader(std::string_view section, size_t from = 0) const;
    // One past the last line of the section whose header is at `header`.
    size_t sectionEnd(size_t header) const;
    size_t findEntry(size_t header, std::string_view key) const;
    std::string newline() const;
    void insertLine(size_t at, std::string text);

    // Line numbers of the section headers, in order; valid while indexed_.
    const std::vector<size_t>& headers() const;
    void edited() { indexed_ = false; }

    std::vector<Line> lines_;
    // NUL bytes that end the file: the text ends before them, as Windows
    // reads it, but a rewrite keeps them.
    std::string nulTail_;
    mutable std::vector<size_t> headers_;
    mutable bool indexed_ = false;
};

}  // namespace nv::profile
