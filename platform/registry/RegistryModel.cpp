#include "platform/registry/RegistryModel.h"

#include <cstdio>
#include <sstream>

#include <winerror.h>
#include <winreg.h>

#include "platform/core/Machine.h"

namespace nv::registry {

using machine::equalsNoCase;

// ---------------------------------------------------------------- keys

Key* Key::child(std::string_view name) const {
    for (const auto& c : children_) {
        if (equalsNoCase(c->name(), name))
            return c.get();
    }
    return nullptr;
}

Key& Key::addChild(std::string_view name, bool* created) {
    if (Key* k = child(name)) {
        if (created)
            *created = false;
        return *k;
    }
    children_.push_back(std::make_unique<Key>(std::string(name)));
    if (created)
        *created = true;
    return *children_.back();
}

bool Key::removeChild(std::string_view name) {
    for (auto it = children_.begin(); it != children_.end(); ++it) {
        if (equalsNoCase((*it)->name(), name)) {
            children_.erase(it);
            return true;
        }
    }
    return false;
}

const Value* Key::value(std::string_view name) const {
    for (const auto& v : values_) {
        if (equalsNoCase(v.name, name))
            return &v;
    }
    return nullptr;
}

void Key::setValue(std::string_view name, DWORD type, std::vector<uint8_t> data) {
    for (auto& v : values_) {
        if (equalsNoCase(v.name, name)) {
            v.type = type;
            v.data = std::move(data);
            return;
        }
    }
    values_.push_back(Value{std::string(name), type, std::move(data)});
}

bool Key::removeValue(std::string_view name) {
    for (auto it = values_.begin(); it != values_.end(); ++it) {
        if (equalsNoCase(it->name, name)) {
            values_.erase(it);
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------- paths

namespace {

struct RootName {
    const char* name;
    const char* shortName;
    Root root;
    bool classes;  // HKEY_CLASSES_ROOT: below LocalMachine\SOFTWARE\Classes
};

const RootName kRoots[] = {
    {"HKEY_LOCAL_MACHINE", "HKLM", Root::LocalMachine, false},
    {"HKEY_CURRENT_USER", "HKCU", Root::CurrentUser, false},
    {"HKEY_USERS", "HKU", Root::Users, false},
    {"HKEY_CURRENT_CONFIG", "HKCC", Root::CurrentConfig, false},
    {"HKEY_DYN_DATA", "HKDD", Root::DynData, false},
    {"HKEY_CLASSES_ROOT", "HKCR", Root::LocalMachine, true},
};

}  // namespace

const char* rootName(Root root) {
    for (const auto& r : kRoots) {
        if (r.root == root && !r.classes)
            return r.name;
    }
    return "HKEY_LOCAL_MACHINE";
}

std::vector<std::string> splitPath(std::string_view text) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= text.size()) {
        size_t j = text.find('\\', i);
        std::string_view part = text.substr(i, j == std::string_view::npos ? std::string_view::npos : j - i);
        if (!part.empty())
            parts.emplace_back(part);
        if (j == std::string_view::npos)
            break;
        i = j + 1;
    }
    return parts;
}

std::optional<KeyPath> parseKeyPath(std::string_view text, bool allowShort) {
    size_t slash = text.find('\\');
    std::string_view head = text.substr(0, slash);
    for (const auto& r : kRoots) {
        if (!equalsNoCase(head, r.name) && !(allowShort && equalsNoCase(head, r.shortName)))
            continue;
        KeyPath path;
        path.root = r.root;
        if (r.classes)
            path.parts = {"SOFTWARE", "Classes"};
        if (slash != std::string_view::npos) {
            for (auto& p : splitPath(text.substr(slash + 1)))
                path.parts.push_back(std::move(p));
        }
        return path;
    }
    return std::nullopt;
}

std::string KeyPath::text() const {
    std::string out = rootName(root);
    for (const auto& p : parts) {
        out += '\\';
        out += p;
    }
    return out;
}

// ---------------------------------------------------------------- registry

Registry::Registry() {
    for (Root r : {Root::LocalMachine, Root::CurrentUser, Root::Users, Root::CurrentConfig, Root::DynData})
        roots_.push_back(std::make_unique<Key>(rootName(r)));
}

Key* Registry::find(const KeyPath& path) const {
    Key* k = roots_[static_cast<size_t>(path.root)].get();
    for (const auto& p : path.parts) {
        k = k->child(p);
        if (!k)
            return nullptr;
    }
    return k;
}

Key& Registry::create(const KeyPath& path, bool* created) {
    Key* k = &root(path.root);
    bool any = false;
    for (const auto& p : path.parts) {
        bool made = false;
        k = &k->addChild(p, &made);
        any = any || made;
    }
    if (created)
        *created = any;
    return *k;
}

bool Registry::remove(const KeyPath& path) {
    if (path.parts.empty())
        return false;
    KeyPath parent = path;
    parent.parts.pop_back();
    Key* p = find(parent);
    return p && p->removeChild(path.parts.back());
}

// ---------------------------------------------------------------- REGEDIT4 text

namespace {

Error textError(std::string_view file, int line, std::string_view text, std::string_view why) {
    std::ostringstream os;
    os << file << ":" << line << ": " << why << ": '" << text << "'";
    return Error::win32(ERROR_BADDB, os.str());
}

std::string_view trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(c | 0x20);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads a quoted string at s[i] == '"'; i ends after the closing quote.
bool readQuoted(std::string_view s, size_t& i, std::string& out) {
    ++i;
    while (i < s.size()) {
        char c = s[i++];
        if (c == '"')
            return true;
        if (c == '\\') {
            if (i >= s.size())
                return false;
            out += s[i++];  // \\ and \" (any other escaped byte stands for itself)
            continue;
        }
        out += c;
    }
    return false;
}

bool readHexBytes(std::string_view s, std::vector<uint8_t>& out) {
    s = trim(s);
    if (s.empty())
        return true;
    size_t i = 0;
    while (i <= s.size()) {
        size_t j = s.find(',', i);
        std::string_view tok = trim(s.substr(i, j == std::string_view::npos ? std::string_view::npos : j - i));
        if (tok.empty() && j == std::string_view::npos)
            break;  // a trailing comma
        if (tok.empty() || tok.size() > 2)
            return false;
        int v = 0;
        for (char c : tok) {
            int d = hexDigit(c);
            if (d < 0)
                return false;
            v = v * 16 + d;
        }
        out.push_back(static_cast<uint8_t>(v));
        if (j == std::string_view::npos)
            break;
        i = j + 1;
    }
    return true;
}

// Parses the data after '=': fills type and bytes, or sets `remove`.
bool readData(std::string_view s, DWORD& type, std::vector<uint8_t>& data, bool& remove) {
    s = trim(s);
    remove = false;
    if (s == "-") {
        remove = true;
        return true;
    }
    if (!s.empty() && s[0] == '"') {
        size_t i = 0;
        std::string text;
        if (!readQuoted(s, i, text) || !trim(s.substr(i)).empty())
            return false;
        type = REG_SZ;
        data.assign(text.begin(), text.end());
        data.push_back(0);
        return true;
    }
    auto startsNoCase = [&](std::string_view p) { return s.size() >= p.size() && equalsNoCase(s.substr(0, p.size()), p); };
    if (startsNoCase("dword:")) {
        std::string_view digits = s.substr(6);
        if (digits.empty() || digits.size() > 8)
            return false;
        uint32_t v = 0;
        for (char c : digits) {
            int d = hexDigit(c);
            if (d < 0)
                return false;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        type = REG_DWORD;
        data = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                static_cast<uint8_t>(v >> 24)};
        return true;
    }
    if (startsNoCase("hex:")) {
        type = REG_BINARY;
        return readHexBytes(s.substr(4), data);
    }
    if (startsNoCase("hex(")) {
        size_t close = s.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12)
            return false;
        uint32_t t = 0;
        for (char c : s.substr(4, close - 4)) {
            int d = hexDigit(c);
            if (d < 0)
                return false;
            t = t * 16 + static_cast<uint32_t>(d);
        }
        type = t;
        return readHexBytes(s.substr(close + 2), data);
    }
    return false;
}

}  // namespace

namespace {

struct Operation {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue } kind;
    KeyPath path;
    Value value;
};

// Physical lines joined where a line ends in a backslash (hex data goes on
// over several lines); each logical line keeps the number of its first line.
struct LogicalLine {
    int number;
    std::string text;
};

std::vector<LogicalLine> logicalLines(std::string_view text) {
    std::vector<LogicalLine> out;
    int number = 0;
    bool continuing = false;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = text.find('\n', i);
        std::string_view raw = text.substr(i, j == std::string_view::npos ? std::string_view::npos : j - i);
        i = j == std::string_view::npos ? text.size() : j + 1;
        ++number;
        std::string_view line = trim(raw);
        if (continuing) {
            out.back().text += line;
        } else {
            out.push_back(LogicalLine{number, std::string(line)});
        }
        std::string& cur = out.back().text;
        continuing = !cur.empty() && cur.back() == '\\' && cur[0] != ';';
        if (continuing)
            cur.pop_back();
    }
    return out;
}

Result<std::vector<Operation>> parseText(std::string_view text, std::string_view file) {
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<Operation> ops;
    bool sawHeader = false;
    std::optional<KeyPath> current;
    for (const auto& [number, line] : logicalLines(text)) {
        if (line.empty())
            continue;
        if (!sawHeader) {
            if (line != "REGEDIT4")
                return textError(file, number, line, "not a REGEDIT4 file (the first line must be REGEDIT4)");
            sawHeader = true;
            continue;
        }
        if (line[0] == ';')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']')
                return textError(file, number, line, "key line without ']'");
            bool remove = line.size() > 1 && line[1] == '-';
            std::string_view name = std::string_view(line).substr(remove ? 2 : 1, line.size() - (remove ? 3 : 2));
            auto path = parseKeyPath(name);
            if (!path)
                return textError(file, number, line, "unknown root key");
            if (remove) {
                if (path->parts.empty())
                    return textError(file, number, line, "a root key cannot be deleted");
                ops.push_back(Operation{Operation::Kind::DeleteKey, *path, {}});
                current.reset();
            } else {
                ops.push_back(Operation{Operation::Kind::CreateKey, *path, {}});
                current = *path;
            }
            continue;
        }
        if (line[0] != '"' && line[0] != '@')
            return textError(file, number, line, "expected [KEY], \"name\"=data or @=data");
        if (!current)
            return textError(file, number, line, "value outside a key");
        Value v;
        size_t i = 1;
        if (line[0] == '"') {
            i = 0;
            if (!readQuoted(line, i, v.name))
                return textError(file, number, line, "value name without closing quote");
        }
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size() || line[i] != '=')
            return textError(file, number, line, "expected '=' after the value name");
        bool remove = false;
        if (!readData(std::string_view(line).substr(i + 1), v.type, v.data, remove))
            return textError(file, number, line, "cannot read the value data");
        ops.push_back(Operation{remove ? Operation::Kind::DeleteValue : Operation::Kind::SetValue, *current, std::move(v)});
    }
    if (!sawHeader)
        return textError(file, 1, "", "not a REGEDIT4 file (empty)");
    return ops;
}

}  // namespace

Result<void> Registry::importText(std::string_view text, std::string_view fileName) {
    // Everything is checked before anything is applied.
    auto ops = NV_TRY(parseText(text, fileName));
    for (auto& op : ops) {
        switch (op.kind) {
        case Operation::Kind::CreateKey:
            create(op.path);
            break;
        case Operation::Kind::DeleteKey:
            remove(op.path);
            break;
        case Operation::Kind::SetValue:
            create(op.path).setValue(op.value.name, op.value.type, std::move(op.value.data));
            break;
        case Operation::Kind::DeleteValue:
            if (Key* k = find(op.path))
                k->removeValue(op.value.name);
            break;
        }
    }
    return {};
}

namespace {

std::string quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string formatName(std::string_view name) { return name.empty() ? std::string("@") : quote(name); }

namespace {

// A string goes in quotes only when it reads back the same: one final NUL,
// no other NUL and no line breaks.
bool quotable(const Value& v) {
    if (v.type != REG_SZ || v.data.empty() || v.data.back() != 0)
        return false;
    for (size_t i = 0; i + 1 < v.data.size(); ++i) {
        if (v.data[i] == 0 || v.data[i] == '\r' || v.data[i] == '\n')
            return false;
    }
    return true;
}

}  // namespace

std::string formatData(const Value& v, bool wrap, size_t column) {
    if (quotable(v))
        return quote(std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1));
    char buf[32];
    if (v.type == REG_DWORD && v.data.size() == 4) {
        uint32_t d = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (static_cast<uint32_t>(v.data[3]) << 24);
        std::snprintf(buf, sizeof buf, "dword:%08x", d);
        return buf;
    }
    std::string out;
    if (v.type == REG_BINARY) {
        out = "hex:";
    } else {
        std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
        out = buf;
    }
    size_t col = column + out.size();
    for (size_t i = 0; i < v.data.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", v.data[i]);
        out += buf;
        col += 2;
        if (i + 1 < v.data.size()) {
            out += ',';
            ++col;
            if (wrap && col > 76) {
                out += "\\\r\n  ";
                col = 2;
            }
        }
    }
    return out;
}

namespace {

void exportKey(std::string& out, const Key& key, const std::string& path, bool header) {
    if (header || !key.values().empty()) {
        out += "[" + path + "]\r\n";
        for (const auto& v : key.values()) {
            std::string name = formatName(v.name);
            out += name + "=" + formatData(v, true, name.size() + 1) + "\r\n";
        }
        out += "\r\n";
    }
    for (const auto& c : key.children())
        exportKey(out, *c, path + "\\" + c->name(), true);
}

}  // namespace

std::string Registry::exportText() const {
    std::string out = "REGEDIT4\r\n\r\n";
    for (const auto& r : roots_)
        exportKey(out, *r, r->name(), false);
    return out;
}

std::string Registry::exportText(const KeyPath& path) const {
    std::string out = "REGEDIT4\r\n\r\n";
    if (const Key* k = find(path))
        exportKey(out, *k, path.text(), !path.parts.empty());
    return out;
}

}  // namespace nv::registry
