#include "samples/builder/Variants.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/core/Machine.h"
#include "samples/builder/DiskBuilder.h"
#include "samples/builder/ProductManifest.h"

namespace nv::sample {

namespace fs = std::filesystem;

namespace {

Error tableError(std::string_view file, int line, const std::string& what) {
    return Error::win32(ERROR_INVALID_DATA, std::string(file) + ":" + std::to_string(line) + ": " + what);
}

Error editError(const VariantEdit& edit, const std::string& what) {
    return Error::win32(ERROR_INVALID_DATA,
                        "variants.txt:" + std::to_string(edit.line) + ": " + edit.variant + ": " + what);
}

std::string_view trim(std::string_view s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string_view::npos)
        return {};
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

std::string_view nextWord(std::string_view& rest) {
    rest = trim(rest);
    size_t end = rest.find_first_of(" \t");
    std::string_view word = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
    return word;
}

// A script split into its lines, each with its own line end.
struct ScriptLines {
    std::vector<std::string_view> lines;
    std::string eol = "\r\n";

    explicit ScriptLines(std::string_view text) {
        if (text.find("\r\n") == std::string_view::npos && text.find('\n') != std::string_view::npos)
            eol = "\n";
        while (!text.empty()) {
            size_t nl = text.find('\n');
            size_t len = nl == std::string_view::npos ? text.size() : nl + 1;
            lines.push_back(text.substr(0, len));
            text.remove_prefix(len);
        }
    }

    static std::string_view content(std::string_view line) { return trim(line.substr(0, line.find('\n'))); }
    static bool isHeader(std::string_view line) { return !content(line).empty() && content(line).front() == '['; }
    static bool isEntry(std::string_view line) {
        auto c = content(line);
        return !c.empty() && c.front() != '[' && c.front() != ';';
    }
    static bool names(std::string_view line, std::string_view section) {
        auto c = content(line);
        if (c.empty() || c.front() != '[')
            return false;
        size_t close = c.find(']');
        if (close == std::string_view::npos)
            return false;
        return machine::equalsNoCase(trim(c.substr(1, close - 1)), section);
    }

    // Index of the section's header, or lines.size().
    size_t header(std::string_view section) const {
        for (size_t i = 0; i < lines.size(); ++i)
            if (names(lines[i], section))
                return i;
        return lines.size();
    }
    // First line after the section's body: the next header, moved back over
    // the comment and blank lines that stand right before it.
    size_t bodyEnd(size_t headerIndex) const {
        size_t next = headerIndex + 1;
        while (next < lines.size() && !isHeader(lines[next]))
            ++next;
        if (next == lines.size())
            return next;
        while (next > headerIndex + 1 && !isEntry(lines[next - 1]))
            --next;
        return next;
    }

    std::string join(size_t from, size_t to) const {
        std::string out;
        for (size_t i = from; i < to; ++i)
            out += lines[i];
        return out;
    }
};

Error noSection(std::string_view section) {
    return Error::win32(ERROR_FILE_NOT_FOUND, "no section [" + std::string(section) + "]");
}

// Every file of the variant stored under name, on any disk and in any folder.
std::vector<fs::path> filesNamed(const fs::path& dir, std::string_view name) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_regular_file() && machine::equalsNoCase(it->path().filename().string(), name))
            out.push_back(it->path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<fs::path> diskFolders(const fs::path& dir) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (auto& entry : fs::directory_iterator(dir, ec)) {
        std::string name = entry.path().filename().string();
        if (entry.is_directory() && name.size() == 5 && name.compare(0, 4, "DISK") == 0 && name[4] >= '1' &&
            name[4] <= '9')
            out.push_back(entry.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

Result<void> editScripts(const VariantEdit& edit, const fs::path& dir) {
    auto files = filesNamed(dir, edit.target);
    if (files.empty())
        return editError(edit, "no file '" + edit.target + "' on the disks");
    for (const auto& path : files) {
        auto bytes = NV_TRY(readHostFile(path));
        std::string text(bytes.begin(), bytes.end());
        Result<std::string> edited = Error{};
        switch (edit.kind) {
        case EditKind::KeepLines: edited = keepSectionLines(text, edit.section, edit.count); break;
        case EditKind::SetSection: edited = setSectionLines(text, edit.section, edit.lines); break;
        default: edited = dropSection(text, edit.section); break;
        }
        if (!edited)
            return editError(edit, path.filename().string() + ": " + edited.error().message);
        NV_TRY(writeHostFile(path, std::vector<uint8_t>(edited->begin(), edited->end())));
    }
    return {};
}

Result<void> applyEdit(const VariantEdit& edit, const fs::path& dir) {
    std::error_code ec;
    switch (edit.kind) {
    case EditKind::KeepLines:
    case EditKind::SetSection:
    case EditKind::DropSection:
        return editScripts(edit, dir);
    case EditKind::Delete: {
        auto files = filesNamed(dir, edit.target);
        if (files.empty())
            return editError(edit, "no file '" + edit.target + "' on the disks");
        for (const auto& path : files)
            fs::remove(path, ec);
        return {};
    }
    case EditKind::Damage: {
        auto files = filesNamed(dir, edit.target);
        if (files.empty())
            return editError(edit, "no file '" + edit.target + "' on the disks");
        for (const auto& path : files) {
            auto bytes = NV_TRY(readHostFile(path));
            auto damaged = damageCompressed(bytes);
            if (!damaged)
                return editError(edit, path.filename().string() + ": " + damaged.error().message);
            NV_TRY(writeHostFile(path, *damaged));
        }
        return {};
    }
    case EditKind::Flatten: {
        bool found = false;
        for (const auto& disk : diskFolders(dir)) {
            fs::path folder;
            for (auto& entry : fs::directory_iterator(disk, ec))
                if (entry.is_directory() && machine::equalsNoCase(entry.path().filename().string(), edit.target))
                    folder = entry.path();
            if (folder.empty())
                continue;
            found = true;
            for (auto& entry : fs::directory_iterator(folder, ec)) {
                fs::path to = disk / entry.path().filename();
                for (const auto& existing : filesNamed(disk, entry.path().filename().string()))
                    if (existing.parent_path() == disk)
                        fs::remove(existing, ec);
                fs::rename(entry.path(), to, ec);
                if (ec)
                    return editError(edit, to.string() + ": " + ec.message());
            }
            fs::remove_all(folder, ec);
        }
        if (!found)
            return editError(edit, "no disk has a folder '" + edit.target + "'");
        return {};
    }
    case EditKind::Nest:
        return {};  // done after every other edit, in buildVariant
    }
    return {};
}

}  // namespace

Result<VariantTable> parseVariants(std::string_view text, std::string_view fileName) {
    VariantTable table;
    int lineNo = 0;
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
        ++lineNo;
        std::string_view rest = trim(line);
        if (rest.empty() || rest.front() == '#')
            continue;
        VariantEdit edit;
        edit.line = lineNo;
        edit.variant = std::string(nextWord(rest));
        for (char c : edit.variant)
            if (!std::islower(static_cast<unsigned char>(c)) && !std::isdigit(static_cast<unsigned char>(c)) && c != '-')
                return tableError(fileName, lineNo, "variant name '" + edit.variant + "' is not made of a-z, 0-9 and '-'");
        std::string op(nextWord(rest));
        auto needWord = [&](std::string& into, const char* what) -> Result<void> {
            into = std::string(nextWord(rest));
            if (into.empty())
                return tableError(fileName, lineNo, op + ": missing " + what);
            return {};
        };
        if (op == "keep-lines" || op == "set-section" || op == "drop-section") {
            edit.kind = op == "keep-lines" ? EditKind::KeepLines
                      : op == "set-section" ? EditKind::SetSection
                                            : EditKind::DropSection;
            NV_TRY(needWord(edit.target, "file name"));
            NV_TRY(needWord(edit.section, "section name"));
            if (edit.kind == EditKind::KeepLines) {
                std::string n;
                NV_TRY(needWord(n, "line count"));
                if (n.size() > 3 || n.find_first_not_of("0123456789") != std::string::npos)
                    return tableError(fileName, lineNo, "line count '" + n + "' is not a number");
                edit.count = std::stoi(n);
            } else if (edit.kind == EditKind::SetSection) {
                std::string_view body = trim(rest);
                rest = {};
                while (true) {
                    size_t bar = body.find('|');
                    edit.lines.emplace_back(trim(body.substr(0, bar)));
                    if (bar == std::string_view::npos)
                        break;
                    body.remove_prefix(bar + 1);
                }
            }
        } else if (op == "delete" || op == "damage") {
            edit.kind = op == "delete" ? EditKind::Delete : EditKind::Damage;
            NV_TRY(needWord(edit.target, "file name"));
        } else if (op == "flatten" || op == "nest") {
            edit.kind = op == "flatten" ? EditKind::Flatten : EditKind::Nest;
            NV_TRY(needWord(edit.target, "folder name"));
        } else {
            return tableError(fileName, lineNo, "unknown operation '" + op + "'");
        }
        if (!isPlainFileName(edit.target))
            return tableError(fileName, lineNo, "'" + edit.target + "' is not a plain file or folder name");
        if (!trim(rest).empty())
            return tableError(fileName, lineNo, "unexpected '" + std::string(trim(rest)) + "' after the arguments");
        if (std::find(table.names.begin(), table.names.end(), edit.variant) == table.names.end())
            table.names.push_back(edit.variant);
        table.edits.push_back(std::move(edit));
    }
    return table;
}

Result<std::string> keepSectionLines(std::string_view script, std::string_view section, int count) {
    ScriptLines s(script);
    size_t h = s.header(section);
    if (h == s.lines.size())
        return noSection(section);
    size_t end = s.bodyEnd(h);
    std::string out = s.join(0, h + 1);
    int kept = 0;
    for (size_t i = h + 1; i < end; ++i) {
        if (ScriptLines::isEntry(s.lines[i]) && kept++ >= count)
            continue;
        out += s.lines[i];
    }
    if (kept <= count)
        return Error::win32(ERROR_INVALID_DATA, "section [" + std::string(section) + "] has " + std::to_string(kept) +
                                                    " lines, nothing to cut at " + std::to_string(count));
    return out + s.join(end, s.lines.size());
}

Result<std::string> setSectionLines(std::string_view script, std::string_view section,
                                    const std::vector<std::string>& lines) {
    ScriptLines s(script);
    std::string body;
    for (const auto& l : lines)
        body += l + s.eol;
    size_t h = s.header(section);
    if (h == s.lines.size()) {
        std::string out(script);
        if (!out.empty() && out.back() != '\n')
            out += s.eol;
        return out + s.eol + "[" + std::string(section) + "]" + s.eol + body;
    }
    // The blank and comment lines before the next header stay with it.
    return s.join(0, h + 1) + body + s.join(s.bodyEnd(h), s.lines.size());
}

Result<std::string> dropSection(std::string_view script, std::string_view section) {
    ScriptLines s(script);
    size_t h = s.header(section);
    if (h == s.lines.size())
        return noSection(section);
    return s.join(0, h) + s.join(s.bodyEnd(h), s.lines.size());
}

Result<std::vector<uint8_t>> damageCompressed(const std::vector<uint8_t>& file) {
    static const uint8_t magic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
    if (file.size() < 14 || std::memcmp(file.data(), magic, sizeof magic) != 0)
        return Error::win32(ERROR_INVALID_DATA, "not an LZ compressed file");
    if (file.size() < 16)
        return Error::win32(ERROR_INVALID_DATA, "too little LZ data to cut");
    size_t keep = 14 + (file.size() - 14) / 2;
    return std::vector<uint8_t>(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(keep));
}

Result<void> buildVariant(const VariantTable& table, std::string_view variant, const fs::path& disksDir,
                          const fs::path& outDir) {
    std::error_code ec;
    fs::remove_all(outDir, ec);
    fs::create_directories(outDir, ec);
    if (ec)
        return Error::win32(ERROR_ACCESS_DENIED, outDir.string() + ": " + ec.message());
    auto disks = diskFolders(disksDir);
    if (disks.empty())
        return Error::win32(ERROR_PATH_NOT_FOUND, disksDir.string() + ": no disk folders to start from");
    for (const auto& disk : disks) {
        fs::copy(disk, outDir / disk.filename(), fs::copy_options::recursive, ec);
        if (ec)
            return Error::win32(ERROR_WRITE_FAULT, (outDir / disk.filename()).string() + ": " + ec.message());
    }
    bool any = false;
    const VariantEdit* nest = nullptr;
    for (const auto& edit : table.edits) {
        if (edit.variant != variant)
            continue;
        any = true;
        if (edit.kind == EditKind::Nest)
            nest = &edit;
        NV_TRY(applyEdit(edit, outDir));
    }
    if (!any)
        return Error::win32(ERROR_FILE_NOT_FOUND, "no variant named '" + std::string(variant) + "'");
    if (nest) {
        fs::path into = outDir / nest->target;
        fs::create_directories(into, ec);
        for (const auto& disk : diskFolders(outDir)) {
            fs::rename(disk, into / disk.filename(), ec);
            if (ec)
                return editError(*nest, (into / disk.filename()).string() + ": " + ec.message());
        }
    }
    return {};
}

}  // namespace nv::sample
