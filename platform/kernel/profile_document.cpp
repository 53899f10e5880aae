#include "platform/kernel/profile_document.h"

#include <algorithm>

#include "platform/core/Machine.h"

namespace nv::profile {

using machine::equalsNoCase;

constexpr size_t npos = std::string::npos;

bool isBlank(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 0x09 && u <= 0x0D) || u == 0x20 || u == 0x1A;
}

std::string_view trimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

Document Document::parse(std::string_view bytes) {
    Document doc;
    size_t end = bytes.size();
    while (end > 0 && bytes[end - 1] == '\0')
        --end;
    doc.nulTail_ = std::string(bytes.substr(end));
    bytes = bytes.substr(0, end);
    size_t i = 0;
    while (i < bytes.size()) {
        size_t j = i;
        while (j < bytes.size() && bytes[j] != '\r' && bytes[j] != '\n')
            ++j;
        Line line;
        line.text = std::string(bytes.substr(i, j - i));
        if (j < bytes.size()) {
            size_t len = (bytes[j] == '\r' && j + 1 < bytes.size() && bytes[j + 1] == '\n') ? 2 : 1;
            line.ending = std::string(bytes.substr(j, len));
            j += len;
        }
        doc.lines_.push_back(std::move(line));
        i = j;
    }
    return doc;
}

std::string Document::text() const {
    std::string out;
    for (const auto& l : lines_) {
        out += l.text;
        out += l.ending;
    }
    out += nulTail_;
    return out;
}

std::vector<Document::Problem> Document::problems() const {
    std::vector<Problem> out;
    for (size_t i = 0; i < lines_.size(); ++i) {
        std::string_view t = trimBlanks(lines_[i].text);
        const char* why = nullptr;
        bool control = false;
        for (char c : t) {
            unsigned char u = static_cast<unsigned char>(c);
            control = control || (u < 0x20 && c != '\t') || u == 0x7F;
        }
        if (control)
            why = "control bytes in a line";
        else if (!t.empty() && t[0] == '[' && t.find(']') == std::string_view::npos)
            why = "section header without ']'";
        else if (!t.empty() && t[0] == '=')
            why = "entry without a name";
        if (!why)
            continue;
        std::string shown;
        for (char c : t.substr(0, 80)) {
            unsigned char u = static_cast<unsigned char>(c);
            if (u < 0x20 || u == 0x7F) {
                static const char hex[] = "0123456789ABCDEF";
                shown += "\\x";
                shown += hex[u >> 4];
                shown += hex[u & 15];
            } else {
                shown += c;
            }
        }
        out.push_back(Problem{static_cast<int>(i + 1), why, shown});
    }
    return out;
}

Document::Parsed Document::parseLine(std::string_view text) {
    Parsed p;
    std::string_view t = trimBlanks(text);
    if (t.empty())
        return p;
    if (t[0] == '[') {
        p.kind = Parsed::Kind::Header;
        size_t close = t.rfind(']');
        std::string_view name = close == std::string_view::npos || close == 0 ? t.substr(1) : t.substr(1, close - 1);
        p.name = trimBlanks(name);
        return p;
    }
    p.kind = Parsed::Kind::Entry;
    size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
        p.name = t;
    } else {
        p.name = trimBlanks(t.substr(0, eq));
        p.value = trimBlanks(t.substr(eq + 1));
        p.hasValue = true;
    }
    p.comment = !p.name.empty() && p.name[0] == ';';
    return p;
}

const std::vector<size_t>& Document::headers() const {
    if (!indexed_) {
        headers_.clear();
        for (size_t i = 0; i < lines_.size(); ++i) {
            if (parseLine(lines_[i].text).kind == Parsed::Kind::Header)
                headers_.push_back(i);
        }
        indexed_ = true;
    }
    return headers_;
}

size_t Document::findHeader(std::string_view section, size_t from) const {
    section = trimBlanks(section);
    const auto& hs = headers();
    for (auto it = std::lower_bound(hs.begin(), hs.end(), from); it != hs.end(); ++it) {
        if (equalsNoCase(parseLine(lines_[*it].text).name, section))
            return *it;
    }
    return npos;
}

size_t Document::sectionEnd(size_t header) const {
    const auto& hs = headers();
    auto next = std::upper_bound(hs.begin(), hs.end(), header);
    return next == hs.end() ? lines_.size() : *next;
}

size_t Document::findEntry(size_t header, std::string_view key) const {
    key = trimBlanks(key);
    size_t end = sectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        Parsed p = parseLine(lines_[i].text);
        if (p.kind == Parsed::Kind::Entry && equalsNoCase(p.name, key))
            return i;
    }
    return npos;
}

std::vector<std::string> Document::sectionNames() const {
    std::vector<std::string> names;
    for (size_t h : headers()) {
        Parsed p = parseLine(lines_[h].text);
        if (p.name.empty())
            continue;
        bool seen = false;
        for (const auto& n : names)
            seen = seen || equalsNoCase(n, p.name);
        if (!seen)
            names.emplace_back(p.name);
    }
    return names;
}

bool Document::hasSection(std::string_view section) const { return findHeader(section) != npos; }

std::vector<std::string> Document::keyNames(std::string_view section) const {
    std::vector<std::string> names;
    size_t h = findHeader(section);
    if (h == npos)
        return names;
    size_t end = sectionEnd(h);
    for (size_t i = h + 1; i < end; ++i) {
        Parsed p = parseLine(lines_[i].text);
        if (p.kind == Parsed::Kind::Entry && p.hasValue && !p.comment && !p.name.empty())
            names.emplace_back(p.name);
    }
    return names;
}

std::vector<std::string> Document::entries(std::string_view section) const {
    std::vector<std::string> out;
    size_t h = findHeader(section);
    if (h == npos)
        return out;
    size_t end = sectionEnd(h);
    for (size_t i = h + 1; i < end; ++i) {
        Parsed p = parseLine(lines_[i].text);
        if (p.kind != Parsed::Kind::Entry || p.comment)
            continue;
        std::string e(p.name);
        if (p.hasValue) {
            e += '=';
            e += p.value;
        }
        out.push_back(std::move(e));
    }
    return out;
}

std::optional<std::string> Document::value(std::string_view section, std::string_view key) const {
    size_t h = findHeader(section);
    if (h == npos)
        return std::nullopt;
    size_t e = findEntry(h, key);
    if (e == npos)
        return std::nullopt;
    return std::string(parseLine(lines_[e].text).value);
}

std::string Document::newline() const {
    for (const auto& l : lines_) {
        if (!l.ending.empty())
            return l.ending;
    }
    return "\r\n";
}

void Document::insertLine(size_t at, std::string text) {
    std::string nl = newline();
    // The line before may be the file's last, without a terminator.
    if (at > 0 && lines_[at - 1].ending.empty())
        lines_[at - 1].ending = nl;
    edited();
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), nl});
}

namespace {
// Built by appending: GCC 12's -Werror=restrict misfires on chains of
// std::string operator+ at -O3.
std::string joined(std::string_view a, std::string_view b, std::string_view c) {
    std::string s;
    s.reserve(a.size() + b.size() + c.size());
    s.append(a);
    s.append(b);
    s.append(c);
    return s;
}
}  // namespace

bool Document::setValue(std::string_view section, std::string_view key, std::string_view value) {
    section = trimBlanks(section);
    key = trimBlanks(key);
    size_t h = findHeader(section);
    if (h == npos) {
        insertLine(lines_.size(), joined("[", section, "]"));
        insertLine(lines_.size(), joined(key, "=", value));
        return true;
    }
    size_t e = findEntry(h, key);
    if (e != npos) {
        // Keep the name as the file spells it.
        std::string text = joined(parseLine(lines_[e].text).name, "=", value);
        if (text == lines_[e].text)
            return false;
        edited();
        lines_[e].text = std::move(text);
        return true;
    }
    size_t last = h;
    size_t end = sectionEnd(h);
    for (size_t i = h + 1; i < end; ++i) {
        if (parseLine(lines_[i].text).kind != Parsed::Kind::Blank)
            last = i;
    }
    insertLine(last + 1, joined(key, "=", value));
    return true;
}

bool Document::deleteKey(std::string_view section, std::string_view key) {
    size_t h = findHeader(section);
    if (h == npos)
        return false;
    bool changed = false;
    for (size_t e = findEntry(h, key); e != npos; e = findEntry(h, key)) {
        edited();
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(e));
        changed = true;
    }
    return changed;
}

bool Document::deleteSection(std::string_view section) {
    bool changed = false;
    for (size_t h = findHeader(section); h != npos; h = findHeader(section, h)) {
        size_t end = sectionEnd(h);
        edited();
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(h), lines_.begin() + static_cast<std::ptrdiff_t>(end));
        changed = true;
    }
    return changed;
}

}  // namespace nv::profile
