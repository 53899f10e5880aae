#include "platform/core/SettingsLines.h"

#include <cctype>

namespace nv::machine {

std::string trimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<SettingsLine> splitSettingsLines(std::string_view text) {
    std::vector<SettingsLine> lines;
    std::string section;
    size_t pos = 0;
    int number = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        SettingsLine line;
        line.number = ++number;
        if (nl == std::string_view::npos) {
            line.text = text.substr(pos);
            pos = text.size();
        } else {
            line.text = text.substr(pos, nl - pos);
            line.ending = text.substr(nl, 1);
            if (!line.text.empty() && line.text.back() == '\r') {
                line.text.remove_suffix(1);
                line.ending = text.substr(nl - 1, 2);
            }
            pos = nl + 1;
        }
        line.trimmed = trimBlanks(line.text);
        if (line.trimmed.empty()) {
            line.kind = SettingsLineKind::Blank;
        } else if (line.trimmed[0] == ';' || line.trimmed[0] == '#') {
            line.kind = SettingsLineKind::Comment;
        } else if (line.trimmed[0] == '[') {
            line.kind = SettingsLineKind::Header;
            auto close = line.trimmed.find(']');
            section = close == std::string::npos ? std::string()
                                                 : lowerAscii(trimBlanks(std::string_view(line.trimmed).substr(1, close - 1)));
        } else {
            line.kind = SettingsLineKind::Entry;
            auto eq = line.trimmed.find('=');
            line.hasEquals = eq != std::string::npos;
            line.key = lowerAscii(trimBlanks(std::string_view(line.trimmed).substr(0, eq)));
            if (line.hasEquals)
                line.value = trimBlanks(std::string_view(line.trimmed).substr(eq + 1));
        }
        line.section = section;
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace nv::machine
