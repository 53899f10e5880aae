// The profile functions on any file content, and the rule that a write
// changes no entry but its own.
#include <cctype>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

#include "platform/kernel/profile_document.h"
#include "tools/fuzz/FuzzCheck.h"
#include "tools/fuzz/FuzzEntries.h"

namespace nv::fuzz {

namespace {

constexpr const char* kFile = "C:\\FUZZ.INI";
constexpr const char* kMissing = "\x01missing";

std::vector<std::string> splitList(const std::vector<char>& buffer, DWORD length) {
    std::vector<std::string> out;
    for (size_t at = 0; at < length;) {
        std::string s(buffer.data() + at);
        at += s.size() + 1;
        out.push_back(std::move(s));
    }
    return out;
}

bool sameName(std::string_view a, std::string_view b) {
    a = profile::trimBlanks(a);
    b = profile::trimBlanks(b);
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(BYTE(a[i])) != std::tolower(BYTE(b[i])))
            return false;
    return true;
}

// What the profile functions show of the file: every section's entries as
// GetPrivateProfileSectionA gives them, and the value of every key of the
// sections named like `section` (the others are covered by their entries).
struct View {
    std::vector<std::string> sections;
    std::map<std::string, std::string> sectionText;  // by the section name as listed
    std::map<std::pair<std::string, std::string>, std::string> values;
};

View read(size_t fileSize, const std::string& section) {
    View v;
    std::vector<char> buffer(2 * fileSize + 1024);
    DWORD size = DWORD(buffer.size());
    v.sections = splitList(buffer, GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), size, kFile));
    for (const auto& s : v.sections) {
        DWORD n = GetPrivateProfileSectionA(s.c_str(), buffer.data(), size, kFile);
        v.sectionText[s] = std::string(buffer.data(), n);
        if (!sameName(s, section))
            continue;
        for (const auto& k : splitList(buffer, GetPrivateProfileStringA(s.c_str(), nullptr, "", buffer.data(), size, kFile))) {
            GetPrivateProfileStringA(s.c_str(), k.c_str(), kMissing, buffer.data(), size, kFile);
            v.values[{s, k}] = buffer.data();
        }
    }
    return v;
}

// A name the write uses: one of the file's (by index) or a new one.
std::string pick(const std::vector<std::string>& names, uint8_t choice, const char* fresh) {
    if (choice < names.size())
        return names[choice];
    return fresh;
}

}  // namespace

void profileInput(const uint8_t* data, size_t size) {
    if (size < 4 || size > (1 << 16))
        return;
    auto& machine = fuzzMachine();
    std::string before(reinterpret_cast<const char*>(data) + 4, size - 4);
    machine.put('C', "FUZZ.INI", before);

    // The write: set a key, delete a key or delete a section.
    enum { Set, DeleteKey, DeleteSection } op = data[0] % 3 == 0 ? DeleteKey : data[0] % 7 == 1 ? DeleteSection : Set;
    std::vector<char> names(before.size() + 1024);
    std::string section = pick(splitList(names, GetPrivateProfileStringA(nullptr, nullptr, "", names.data(),
                                                                         DWORD(names.size()), kFile)),
                               data[1], data[1] & 1 ? "Fuzz" : "fuzz section");
    View old = read(before.size(), section);
    std::vector<std::string> keys;
    for (const auto& [sk, v] : old.values)
        if (sk.first == section)
            keys.push_back(sk.second);
    std::string key = pick(keys, data[2], "NewKey");
    static const char* const kValues[] = {"1", "a value", "a=b,c", "\"quoted\"", ""};
    std::string value = data[3] % 6 == 5 ? std::string(300, 'x') : kValues[data[3] % 6];

    BOOL ok = WritePrivateProfileStringA(section.c_str(), op == DeleteSection ? nullptr : key.c_str(),
                                         op == Set ? value.c_str() : nullptr, kFile);
    std::string after = machine.get('C', "FUZZ.INI");
    if (!ok) {
        if (after != before)
            broken("a refused write changed the file");
        return;
    }
    View now = read(after.size(), section);

    auto touched = [&](const std::string& s, const std::string* k) {
        return sameName(s, section) && (op == DeleteSection || !k || sameName(*k, key));
    };
    for (const auto& [s, text] : old.sectionText) {
        if (sameName(s, section))
            continue;
        auto it = now.sectionText.find(s);
        if (it == now.sectionText.end() || it->second != text)
            broken("the write changed section [" + s + "]");
    }
    for (const auto& [sk, v] : old.values) {
        if (touched(sk.first, &sk.second))
            continue;
        auto it = now.values.find(sk);
        if (it == now.values.end() || it->second != v)
            broken("the write changed [" + sk.first + "] " + sk.second);
    }
    char got[512];
    switch (op) {
    case Set:
        GetPrivateProfileStringA(section.c_str(), key.c_str(), kMissing, got, sizeof got, kFile);
        if (value != "\"quoted\"" && std::string(got) != value)
            broken("[" + section + "] " + key + " reads \"" + got + "\" after writing \"" + value + "\"");
        break;
    case DeleteKey:
        GetPrivateProfileStringA(section.c_str(), key.c_str(), kMissing, got, sizeof got, kFile);
        if (std::string(got) != kMissing)
            broken("[" + section + "] " + key + " is still there after its deletion");
        break;
    case DeleteSection:
        // A NUL inside a section header splits its name in the NUL-separated name list, so a
        // listed "name" may be only the front of a longer one: the list cannot tell them apart.
        if (before.find('\0') != std::string::npos)
            break;
        for (const auto& s : now.sections)
            if (sameName(s, section))
                broken("[" + section + "] is still there after its deletion");
        break;
    }
}

}  // namespace nv::fuzz
