#include "platform/core/SettingsFile.h"

#include <optional>
#include <vector>

#include "platform/core/SettingsLines.h"

namespace nv::machine {

namespace {

struct EditLine {
    std::string text;
    std::string ending;
    SettingsLineKind kind;
    std::string section;
    std::string key;
};

// "[drive C]" and "[drive c:]" are one section.
bool sameSection(std::string_view a, std::string_view b) {
    return a == b || (driveOfSection(a) && driveOfSection(a) == driveOfSection(b));
}

class SettingsEditor {
public:
    explicit SettingsEditor(std::string_view original) {
        for (const auto& l : splitSettingsLines(original)) {
            if (ending_.empty() && !l.ending.empty())
                ending_ = std::string(l.ending);
            lines_.push_back({std::string(l.text), std::string(l.ending), l.kind, l.section, l.key});
        }
        if (ending_.empty())
            ending_ = "\n";
    }

    // [begin, end) of a section's lines after its header; nullopt if absent.
    std::optional<std::pair<size_t, size_t>> section(std::string_view name) const {
        for (size_t i = 0; i < lines_.size(); ++i) {
            if (lines_[i].kind != SettingsLineKind::Header || !sameSection(lines_[i].section, name))
                continue;
            size_t end = i + 1;
            while (end < lines_.size() && lines_[end].kind != SettingsLineKind::Header)
                ++end;
            return std::pair{i + 1, end};
        }
        return std::nullopt;
    }

    // Sets `key` of a section to `value` (nullopt: removes it). `header` makes a missing section.
    void set(std::string_view sectionName, std::string_view header, std::string_view key,
             const std::optional<std::string>& value) {
        auto range = section(sectionName);
        std::string lkey = lowerAscii(key);
        std::optional<size_t> at;
        if (range) {
            for (size_t i = range->first; i < range->second; ++i) {
                if (lines_[i].kind == SettingsLineKind::Entry && lines_[i].key == lkey)
                    at = i;  // the last one is the one in force
            }
        }
        if (!value) {
            if (at)
                lines_.erase(lines_.begin() + static_cast<long>(*at));
            return;
        }
        if (at) {
            // Keep the key as the user spelt it, and the blanks around '='.
            std::string& text = lines_[*at].text;
            size_t eq = text.find('=');
            size_t valueStart = eq + 1;
            while (valueStart < text.size() && (text[valueStart] == ' ' || text[valueStart] == '\t'))
                ++valueStart;
            text = text.substr(0, valueStart) + *value;
            return;
        }
        insertIntoSection(sectionName, header, std::string(key) + "=" + *value, lkey);
    }

    // Replaces the entries of a list section by `items`, keeping its comments.
    void setList(std::string_view sectionName, std::string_view header, const std::vector<std::string>& items) {
        terminateLast();
        auto range = section(sectionName);
        size_t insertAt;
        if (range) {
            std::optional<size_t> first;
            for (size_t i = range->second; i-- > range->first;) {
                if (lines_[i].kind == SettingsLineKind::Entry) {
                    lines_.erase(lines_.begin() + static_cast<long>(i));
                    first = i;  // everything erased lay at or after it
                }
            }
            insertAt = first ? *first : afterLastContent(*section(sectionName));
        } else {
            appendHeader(header);
            insertAt = lines_.size();
        }
        for (const auto& item : items) {
            lines_.insert(lines_.begin() + static_cast<long>(insertAt), {item, ending_, SettingsLineKind::Entry,
                                                                          std::string(sectionName), {}});
            ++insertAt;
        }
    }

    void removeSection(std::string_view name) {
        auto range = section(name);
        if (range)
            lines_.erase(lines_.begin() + static_cast<long>(range->first - 1), lines_.begin() + static_cast<long>(range->second));
    }

    void appendHeader(std::string_view header) {
        terminateLast();
        if (!lines_.empty() && lines_.back().kind != SettingsLineKind::Blank)
            lines_.push_back({"", ending_, SettingsLineKind::Blank, {}, {}});
        lines_.push_back({std::string(header), ending_, SettingsLineKind::Header, lowerAscii(header.substr(1, header.size() - 2)), {}});
    }

    std::string text() const {
        std::string out;
        for (const auto& l : lines_)
            out += l.text + l.ending;
        return out;
    }

private:
    // Just after the last non-blank line of a section, so a new key does not
    // land after the blank line that separates it from the next section.
    size_t afterLastContent(std::pair<size_t, size_t> range) const {
        size_t at = range.second;
        while (at > range.first && lines_[at - 1].kind == SettingsLineKind::Blank)
            --at;
        return at;
    }

    void insertIntoSection(std::string_view sectionName, std::string_view header, std::string text, std::string key) {
        auto range = section(sectionName);
        if (!range) {
            appendHeader(header);
            range = section(sectionName);
        }
        size_t at = afterLastContent(*range);
        if (at == lines_.size())
            terminateLast();
        lines_.insert(lines_.begin() + static_cast<long>(at),
                      {std::move(text), ending_, SettingsLineKind::Entry, std::string(sectionName), std::move(key)});
    }

    void terminateLast() {
        if (!lines_.empty() && lines_.back().ending.empty())
            lines_.back().ending = ending_;
    }

    std::vector<EditLine> lines_;
    std::string ending_;
};

std::string driveSection(char letter) { return std::string("drive ") + static_cast<char>(letter - 'A' + 'a'); }
std::string driveHeader(char letter) { return std::string("[drive ") + letter + "]"; }

void updateRows(SettingsEditor& ed, SettingSection which, const std::string& section, const std::string& header,
                const Settings& before, const Drive* oldDrive, const Settings& now, const Drive* newDrive) {
    for (const auto& row : settingRows()) {
        if (row.section != which)
            continue;
        auto oldValue = oldDrive || which == SettingSection::Machine ? row.write(before, oldDrive) : std::nullopt;
        auto newValue = row.write(now, newDrive);
        if (oldValue != newValue)
            ed.set(section, header, row.key, newValue);
    }
}

}  // namespace

std::string updateSettingsText(std::string_view original, const Settings& before, const Settings& now) {
    if (original.empty())
        return formatSettings(now);
    SettingsEditor ed(original);
    updateRows(ed, SettingSection::Machine, "machine", "[machine]", before, nullptr, now, nullptr);
    for (const auto& [letter, d] : before.drives) {
        if (!now.drives.count(letter))
            ed.removeSection(driveSection(letter));
    }
    for (const auto& [letter, d] : now.drives) {
        auto old = before.drives.find(letter);
        if (old == before.drives.end())
            ed.appendHeader(driveHeader(letter));
        updateRows(ed, SettingSection::Drive, driveSection(letter), driveHeader(letter), before,
                   old == before.drives.end() ? nullptr : &old->second, now, &d);
    }
    if (before.openFiles != now.openFiles)
        ed.setList("open files", "[open files]", now.openFiles);
    if (before.atoms != now.atoms)
        ed.setList("atoms", "[atoms]", now.atoms);
    auto windowLines = [](const Settings& s) {
        std::vector<std::string> out;
        for (const auto& w : s.windows)
            out.push_back(w.className + "=" + w.title);
        return out;
    };
    if (windowLines(before) != windowLines(now))
        ed.setList("windows", "[windows]", windowLines(now));
    return ed.text();
}

}  // namespace nv::machine
