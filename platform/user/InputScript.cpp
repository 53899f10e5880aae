#include "platform/user/InputScript.h"

#include <windows.h>

#include <cctype>
#include <cstdlib>

#include "platform/core/Machine.h"

namespace nv::user::input {
namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

Result<std::vector<Token>> tokenize(std::string_view line) {
    std::vector<Token> out;
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#' || (c == ';' && out.empty()))
            break;  // comment
        Token t;
        if (c == '"') {
            t.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) {
                    // Only \" and \\ are escapes: Windows paths keep their backslashes.
                    t.text += line[i++];
                } else {
                    t.text += d;
                }
            }
            if (!closed)
                return Error::win32(ERROR_INVALID_DATA, "unterminated quoted text in \"" + std::string(line) + "\"");
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                t.text += line[i++];
        }
        out.push_back(std::move(t));
    }
    return out;
}

bool isNumber(const Token& t) {
    if (t.quoted || t.text.empty())
        return false;
    for (char c : t.text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return t.text.size() < 10;
}

std::string lower(std::string s) {
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::optional<Key> keyFrom(const std::string& word) {
    std::string w = lower(word);
    if (w == "enter" || w == "return")
        return Key::Enter;
    if (w == "escape" || w == "esc")
        return Key::Escape;
    if (w == "f3")
        return Key::F3;
    if (w == "tab")
        return Key::Tab;
    if (w == "shift+tab" || w == "backtab")
        return Key::ShiftTab;
    if (w == "space")
        return Key::Space;
    if (w == "up")
        return Key::Up;
    if (w == "down")
        return Key::Down;
    if (w == "left")
        return Key::Left;
    if (w == "right")
        return Key::Right;
    if (w == "home")
        return Key::Home;
    if (w == "end")
        return Key::End;
    if (w == "backspace")
        return Key::Backspace;
    if (w == "delete" || w == "del")
        return Key::Delete;
    return std::nullopt;
}

ControlRef controlFrom(const Token& t) {
    ControlRef r;
    if (isNumber(t)) {
        r.id = std::atoi(t.text.c_str());
    } else {
        r.byId = false;
        r.text = t.text;
    }
    return r;
}

RowRef rowFrom(const Token& t) {
    RowRef r;
    if (isNumber(t)) {
        r.index = std::atoi(t.text.c_str());
    } else {
        r.byIndex = false;
        r.text = t.text;
    }
    return r;
}

Error bad(std::string_view line, const std::string& why) {
    return Error::win32(ERROR_INVALID_DATA, why + " in \"" + std::string(line) + "\"");
}

}  // namespace

std::string keyName(const Action& a) {
    switch (a.key) {
    case Key::Letter: return a.text;
    case Key::Enter: return "Enter";
    case Key::Escape: return "Escape";
    case Key::F3: return "F3";
    case Key::Tab: return "Tab";
    case Key::ShiftTab: return "Shift+Tab";
    case Key::Space: return "Space";
    case Key::Up: return "Up";
    case Key::Down: return "Down";
    case Key::Left: return "Left";
    case Key::Right: return "Right";
    case Key::Home: return "Home";
    case Key::End: return "End";
    case Key::Backspace: return "Backspace";
    case Key::Delete: return "Delete";
    }
    return "?";
}

Result<ParsedLine> parseLine(std::string_view line) {
    // Guard: a NUL cuts a name where the system reads it, so a disk folder
    // "\0x" would be the machine directory itself.
    if (line.find('\0') != std::string_view::npos)
        return Error::win32(ERROR_INVALID_DATA, "a NUL byte in the line (answer files are text)");
    auto tokens = NV_TRY(tokenize(line));
    ParsedLine out;
    if (tokens.empty())
        return out;
    const Token& head = tokens[0];
    std::string verb = head.quoted ? std::string() : lower(head.text);
    size_t n = tokens.size();
    auto need = [&](size_t count, const char* usage) -> Result<void> {
        if (n != count)
            return bad(line, std::string("expected ") + usage);
        return {};
    };

    if (verb == "dialog" || verb == "message") {
        NV_TRY(need(2, verb == "dialog" ? "dialog NAME" : "message \"TEXT\""));
        Expectation e;
        e.kind = verb == "dialog" ? Expectation::Kind::Dialog : Expectation::Kind::Message;
        e.match = tokens[1].text;
        out.expectation = e;
        return out;
    }

    Action a;
    // Short forms: a number or a quoted text clicks; a key name presses it.
    if (n == 1 && (isNumber(head) || head.quoted)) {
        a.kind = Action::Kind::Click;
        a.control = controlFrom(head);
        out.action = a;
        return out;
    }
    if (n == 1 && !head.quoted && head.text.size() == 1 && std::isalpha(static_cast<unsigned char>(head.text[0]))) {
        // A letter alone presses it: the mnemonic of a button ("y" for &Yes).
        a.kind = Action::Kind::Press;
        a.key = Key::Letter;
        a.text = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(head.text[0]))));
        out.action = a;
        return out;
    }
    if (n == 1 && !head.quoted) {
        if (auto k = keyFrom(head.text)) {
            a.kind = Action::Kind::Press;
            a.key = *k;
            out.action = a;
            return out;
        }
    }
    if (verb == "click" || verb == "c") {
        NV_TRY(need(2, "click CONTROL"));
        a.kind = Action::Kind::Click;
        a.control = controlFrom(tokens[1]);
    } else if (verb == "press" || verb == "key" || verb == "k") {
        NV_TRY(need(2, "press KEY"));
        const std::string& name = tokens[1].text;
        a.kind = Action::Kind::Press;
        if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
            a.key = Key::Letter;
            a.text = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))));
        } else if (auto k = keyFrom(name)) {
            a.key = *k;
        } else {
            return bad(line, "unknown key \"" + name + "\"");
        }
    } else if (verb == "type" || verb == "t") {
        NV_TRY(need(3, "type CONTROL \"TEXT\""));
        a.kind = Action::Kind::Type;
        a.control = controlFrom(tokens[1]);
        a.text = tokens[2].text;
    } else if (verb == "select" || verb == "s" || verb == "toggle" || verb == "x" || verb == "deselect") {
        NV_TRY(need(3, "select LIST ROW"));
        a.kind = (verb == "select" || verb == "s") ? Action::Kind::Select
                 : verb == "deselect"              ? Action::Kind::Deselect
                                                   : Action::Kind::Toggle;
        a.control = controlFrom(tokens[1]);
        a.row = rowFrom(tokens[2]);
    } else if (verb == "insert" || verb == "eject") {
        std::string d = tokens.size() > 1 ? tokens[1].text : "";
        if (d.size() != 2 || d[1] != ':' || !std::isalpha(static_cast<unsigned char>(d[0])))
            return bad(line, "expected a drive such as A:");
        a.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(d[0])));
        if (verb == "insert") {
            NV_TRY(need(3, "insert A: FOLDER"));
            a.kind = Action::Kind::Insert;
            a.text = tokens[2].text;
        } else {
            NV_TRY(need(2, "eject A:"));
            a.kind = Action::Kind::Eject;
        }
    } else if (verb == "wait" || verb == "w") {
        NV_TRY(need(2, "wait MILLISECONDS"));
        if (!isNumber(tokens[1]))
            return bad(line, "expected a number of milliseconds");
        a.kind = Action::Kind::Wait;
        a.ms = static_cast<unsigned>(std::strtoul(tokens[1].text.c_str(), nullptr, 10));
    } else {
        return bad(line, "unknown action \"" + head.text + "\"");
    }
    out.action = a;
    return out;
}

Result<std::vector<Step>> parseAnswers(std::string_view text, std::string_view name) {
    std::vector<Step> steps;
    int lineNo = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        ++lineNo;
        pos = end + 1;
        auto parsed = parseLine(line);
        if (!parsed)
            return Error::win32(ERROR_INVALID_DATA,
                                std::string(name) + ":" + std::to_string(lineNo) + ": " + parsed.error().message);
        if (parsed->expectation) {
            if (!steps.empty() && steps.back().actions.empty())
                return Error::win32(ERROR_INVALID_DATA, std::string(name) + ":" + std::to_string(steps.back().line) +
                                                            ": step without an action");
            Step s;
            s.line = lineNo;
            s.expect = *parsed->expectation;
            steps.push_back(std::move(s));
        } else if (parsed->action) {
            if (steps.empty())
                return Error::win32(ERROR_INVALID_DATA,
                                    std::string(name) + ":" + std::to_string(lineNo) +
                                        ": an action before the first step (start with dialog NAME or message \"TEXT\")");
            std::string src(line);
            while (!src.empty() && (src.front() == ' ' || src.front() == '\t'))
                src.erase(src.begin());
            while (!src.empty() && (src.back() == '\r' || src.back() == ' '))
                src.pop_back();
            steps.back().actions.push_back(Step::Entry{lineNo, *parsed->action, src});
        }
        if (end == text.size())
            break;
    }
    if (!steps.empty() && steps.back().actions.empty())
        return Error::win32(ERROR_INVALID_DATA,
                            std::string(name) + ":" + std::to_string(steps.back().line) + ": step without an action");
    return steps;
}

std::string quote(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool escape = c == '"' ||
                      (c == '\\' && (i + 1 == text.size() || text[i + 1] == '"' || text[i + 1] == '\\'));
        if (escape)
            out += '\\';
        if (c == '\n')
            out += "\\n";  // shown, not read back: answers match single lines
        else
            out += c;
    }
    return out + "\"";
}

namespace {
std::string control(const ControlRef& c) { return c.byId ? std::to_string(c.id) : quote(c.text); }
std::string row(const RowRef& r) { return r.byIndex ? std::to_string(r.index) : quote(r.text); }
}  // namespace

std::string format(const Action& a) {
    switch (a.kind) {
    case Action::Kind::Click: return "click " + control(a.control);
    case Action::Kind::Press: return "press " + keyName(a);
    case Action::Kind::Type: return "type " + control(a.control) + " " + quote(a.text);
    case Action::Kind::Select: return "select " + control(a.control) + " " + row(a.row);
    case Action::Kind::Toggle: return "toggle " + control(a.control) + " " + row(a.row);
    case Action::Kind::Deselect: return "deselect " + control(a.control) + " " + row(a.row);
    case Action::Kind::Insert: return std::string("insert ") + a.drive + ": " + quote(a.text);
    case Action::Kind::Eject: return std::string("eject ") + a.drive + ":";
    case Action::Kind::Wait: return "wait " + std::to_string(a.ms);
    }
    return "?";
}

std::string format(const Expectation& e) {
    bool plain = !e.match.empty();
    for (char c : e.match)
        plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-');
    std::string m = plain ? e.match : quote(e.match);
    return (e.kind == Expectation::Kind::Dialog ? "dialog " : "message ") + m;
}

}  // namespace nv::user::input
