// Name helpers shared by the machine's parts.
#include <cctype>

#include "platform/core/Settings.h"

namespace nv::machine {

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string toUpperAscii(std::string_view s) {
    std::string out(s);
    for (auto& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool isDriveFolder(std::string_view text) {
    if (text.empty() || text[0] == '/' || text.find("..") != std::string_view::npos)
        return false;
    if (text.find_first_of("\r\n") != std::string_view::npos)
        return false;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('/', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view part = text.substr(start, end - start);
        if (part.empty() || part == ".")
            return false;
        start = end + 1;
    }
    return true;
}

}  // namespace nv::machine
