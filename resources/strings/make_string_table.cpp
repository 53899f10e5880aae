// Builds the program's string table from the translators' text files.
//
//   make_string_table OUTPUT.cpp REFERENCE.txt FILE.txt=OFFSET...
//
// Each FILE holds lines "ID<blanks>"TEXT"" (UTF-8; "#" starts a comment
// line). Inside the quotes \n is a line break, \t a tab and \\ a backslash;
// every other character stands for itself. The table id is ID + OFFSET.
// Texts are converted to Windows-1252. Every text of a translated file must
// have the placeholders (%s, %d) and line breaks of the REFERENCE text of the
// same ID, when the reference has that ID. Errors name the file and line and
// stop the build.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Text {
    std::string bytes;
    std::string where;  // file:line
};

int errors = 0;

void fail(const std::string& where, const std::string& what) {
    std::fprintf(stderr, "%s: error: %s\n", where.c_str(), what.c_str());
    ++errors;
}

// The Windows-1252 byte of a Unicode code point, or -1.
int toWindows1252(unsigned cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    static const std::map<unsigned, int> high = {
        {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85}, {0x2020, 0x86},
        {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A}, {0x2039, 0x8B}, {0x0152, 0x8C},
        {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95},
        {0x2013, 0x96}, {0x2014, 0x97}, {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B},
        {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F}};
    auto it = high.find(cp);
    return it == high.end() ? -1 : it->second;
}

// Decodes the UTF-8 text between the quotes, with its escapes.
bool convert(const std::string& in, const std::string& where, std::string& out) {
    for (size_t i = 0; i < in.size();) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        if (c == '\\') {
            char e = i + 1 < in.size() ? in[i + 1] : '\0';
            if (e == 'n')
                out += '\n';
            else if (e == 't')
                out += '\t';
            else if (e == '\\')
                out += '\\';
            else {
                fail(where, std::string("unknown escape \\") + e + " in \"" + in + "\"");
                return false;
            }
            i += 2;
            continue;
        }
        unsigned cp;
        int extra;
        if (c < 0x80) {
            cp = c;
            extra = 0;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            fail(where, "not UTF-8 in \"" + in + "\"");
            return false;
        }
        if (i + extra >= in.size() && extra > 0) {
            fail(where, "cut UTF-8 sequence in \"" + in + "\"");
            return false;
        }
        for (int k = 1; k <= extra; ++k) {
            unsigned char d = static_cast<unsigned char>(in[i + k]);
            if ((d & 0xC0) != 0x80) {
                fail(where, "not UTF-8 in \"" + in + "\"");
                return false;
            }
            cp = (cp << 6) | (d & 0x3F);
        }
        int b = toWindows1252(cp);
        if (b < 0 || (b < 0x20 && b != '\t')) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", cp);
            fail(where, std::string("character ") + code + " has no place in Windows-1252 texts: \"" + in + "\"");
            return false;
        }
        out += static_cast<char>(b);
        i += 1 + extra;
    }
    return true;
}

bool readFile(const std::string& path, unsigned offset, std::map<unsigned, Text>& table,
              std::map<unsigned, Text>* own) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: error: cannot read the file\n", path.c_str());
        ++errors;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string where = path + ":" + std::to_string(number);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        size_t idEnd = line.find_first_not_of("0123456789", start);
        if (idEnd == start || idEnd == std::string::npos) {
            fail(where, "expected an id and a quoted text: " + line);
            continue;
        }
        unsigned id = static_cast<unsigned>(std::stoul(line.substr(start, idEnd - start)));
        size_t open = line.find_first_not_of(" \t", idEnd);
        size_t close = line.find_last_not_of(" \t");
        if (open == std::string::npos || line[open] != '"' || close <= open || line[close] != '"') {
            fail(where, "the text must stand in double quotes: " + line);
            continue;
        }
        Text t;
        t.where = where;
        if (!convert(line.substr(open + 1, close - open - 1), where, t.bytes))
            continue;
        if (t.bytes.size() > 255)
            fail(where, "text " + std::to_string(id) + " is longer than 255 bytes");
        unsigned tableId = id + offset;
        if (table.count(tableId)) {
            fail(where, "id " + std::to_string(id) + " is given twice (first at " + table[tableId].where + ")");
            continue;
        }
        table[tableId] = t;
        if (own)
            (*own)[id] = t;
    }
    return true;
}

std::string placeholders(const std::string& s) {
    std::string out;
    for (size_t i = 0; i + 1 < s.size(); ++i) {
        if (s[i] == '%') {
            out += s.substr(i, 2);
            ++i;
        }
    }
    return out;
}

int lineBreaks(const std::string& s) {
    int n = 0;
    for (char c : s)
        n += c == '\n';
    return n;
}

std::string literal(const std::string& bytes) {
    std::string out = "\"";
    char buf[8];
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F || c == '?') {
            // Octal escapes are always three digits, so no following character
            // can extend them ("?" avoids trigraphs).
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_string_table OUTPUT.cpp REFERENCE.txt FILE.txt=OFFSET...\n");
        return 2;
    }
    std::map<unsigned, Text> reference, scratch;
    std::map<unsigned, Text> table;
    readFile(argv[2], 0, scratch, &reference);

    for (int i = 3; i < argc; ++i) {
        std::string arg = argv[i];
        size_t eq = arg.rfind('=');
        if (eq == std::string::npos) {
            std::fprintf(stderr, "make_string_table: expected FILE=OFFSET, got %s\n", arg.c_str());
            return 2;
        }
        std::string path = arg.substr(0, eq);
        unsigned offset = static_cast<unsigned>(std::stoul(arg.substr(eq + 1)));
        std::map<unsigned, Text> own;
        readFile(path, offset, table, &own);
        if (path == argv[2])
            continue;
        for (const auto& [id, t] : own) {
            auto ref = reference.find(id);
            if (ref == reference.end())
                continue;
            if (placeholders(t.bytes) != placeholders(ref->second.bytes))
                fail(t.where, "text " + std::to_string(id) + " has the placeholders \"" + placeholders(t.bytes) +
                                  "\" where the reference has \"" + placeholders(ref->second.bytes) + "\"");
            if (lineBreaks(t.bytes) != lineBreaks(ref->second.bytes))
                fail(t.where, "text " + std::to_string(id) + " has " + std::to_string(lineBreaks(t.bytes)) +
                                  " line breaks where the reference has " +
                                  std::to_string(lineBreaks(ref->second.bytes)));
        }
    }
    if (errors)
        return 1;

    std::ostringstream out;
    out << "// Generated by make_string_table from resources/strings/*.txt. Edit those.\n"
        << "#include \"resources/strings/StringTable.h\"\n\n"
        << "const StringTableEntry kStringTable[] = {\n";
    for (const auto& [id, t] : table)
        out << "    {" << id << ", " << literal(t.bytes) << "},\n";
    out << "};\n\nconst size_t kStringTableSize = " << table.size() << ";\n";

    // Rewrite only when the content changes, so that nothing rebuilds in vain.
    std::string text = out.str();
    {
        std::ifstream old(argv[1], std::ios::binary);
        std::string previous((std::istreambuf_iterator<char>(old)), {});
        if (previous == text)
            return 0;
    }
    std::ofstream file(argv[1], std::ios::binary);
    file << text;
    return file ? 0 : 1;
}
