// The answer-file language: steps (what is expected to come up) and actions
// (what the person does). Shared by answer files, the console and record
// mode. Internal to platform/user; the syntax is in docs/answer-files.md.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"

namespace nv::user::input {

// A control by id, or by its text (compared with and without '&', ignoring case).
struct ControlRef {
    bool byId = true;
    int id = 0;
    std::string text;
};

// A list row by index or by its text (ignoring case).
struct RowRef {
    bool byIndex = true;
    int index = 0;
    std::string text;
};

// Letter: a letter or digit key (mnemonics); Action::text holds it.
enum class Key { Enter, Escape, F3, Tab, ShiftTab, Space, Up, Down, Left, Right, Home, End, Backspace, Delete, Letter };

struct Action {
    enum class Kind { Click, Press, Type, Select, Toggle, Deselect, Insert, Eject, Wait } kind = Kind::Click;
    ControlRef control;
    Key key = Key::Enter;
    std::string text;    // Type: the text; Insert: the folder
    RowRef row;
    char drive = 'A';    // Insert, Eject
    unsigned ms = 0;     // Wait
};

struct Expectation {
    enum class Kind { Dialog, Message } kind = Kind::Dialog;
    std::string match;
};

struct Step {
    int line = 0;
    Expectation expect;
    struct Entry {
        int line;
        Action action;
        std::string source;  // the line as written, for messages
    };
    std::vector<Entry> actions;
};

// One line: an action (long or short form), a step header, or nothing
// (blank, comment). Errors quote the offending text.
struct ParsedLine {
    std::optional<Action> action;
    std::optional<Expectation> expectation;
};
Result<ParsedLine> parseLine(std::string_view line);

// A whole answer file; `name` is used in error messages ("name:line: ...").
Result<std::vector<Step>> parseAnswers(std::string_view text, std::string_view name);

// The canonical form, as record mode writes it.
std::string format(const Action& a);
std::string format(const Expectation& e);
std::string quote(std::string_view text);
std::string keyName(const Action& a);

}  // namespace nv::user::input
