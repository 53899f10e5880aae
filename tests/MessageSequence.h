// Message sequences for tests, in the manner of the ReactOS and Wine user32
// tests: procedures record what they receive in the log ("tag:MESSAGE" or
// "tag:MESSAGE(wParam)"), tests compare it with an expected sequence kept as
// named data, and a mismatch prints both. One matcher for the window, dialog
// and input tests of the stand-in and for the program's dialog, stage and DDE
// tests.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace nv::testing {

inline std::string messageName(UINT m) {
    static const std::map<UINT, const char*> names = {
        {WM_CREATE, "WM_CREATE"}, {WM_DESTROY, "WM_DESTROY"}, {WM_MOVE, "WM_MOVE"}, {WM_SIZE, "WM_SIZE"},
        {WM_ACTIVATE, "WM_ACTIVATE"}, {WM_SETFOCUS, "WM_SETFOCUS"}, {WM_KILLFOCUS, "WM_KILLFOCUS"},
        {WM_ENABLE, "WM_ENABLE"}, {WM_SETTEXT, "WM_SETTEXT"}, {WM_GETTEXT, "WM_GETTEXT"}, {WM_PAINT, "WM_PAINT"},
        {WM_CLOSE, "WM_CLOSE"}, {WM_QUIT, "WM_QUIT"}, {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
        {WM_DEVMODECHANGE, "WM_DEVMODECHANGE"}, {WM_FONTCHANGE, "WM_FONTCHANGE"}, {WM_SETFONT, "WM_SETFONT"},
        {WM_NCCREATE, "WM_NCCREATE"}, {WM_NCDESTROY, "WM_NCDESTROY"}, {WM_NCPAINT, "WM_NCPAINT"},
        {WM_NCACTIVATE, "WM_NCACTIVATE"}, {WM_KEYDOWN, "WM_KEYDOWN"}, {WM_KEYUP, "WM_KEYUP"}, {WM_CHAR, "WM_CHAR"},
        {WM_INITDIALOG, "WM_INITDIALOG"}, {WM_COMMAND, "WM_COMMAND"}, {WM_TIMER, "WM_TIMER"},
        {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"}, {WM_GETDLGCODE, "WM_GETDLGCODE"},
        {WM_CTLCOLORDLG, "WM_CTLCOLORDLG"}, {WM_ERASEBKGND, "WM_ERASEBKGND"}, {WM_GETFONT, "WM_GETFONT"},
        {WM_GETTEXTLENGTH, "WM_GETTEXTLENGTH"}, {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"}, {WM_LBUTTONUP, "WM_LBUTTONUP"},
        {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"}, {DM_GETDEFID, "DM_GETDEFID"}, {DM_SETDEFID, "DM_SETDEFID"},
        {WM_CANCELMODE, "WM_CANCELMODE"}, {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
    };
    auto it = names.find(m);
    if (it != names.end())
        return it->second;
    if (m >= WM_USER && m < 0x8000)
        return "WM_USER+" + std::to_string(m - WM_USER);
    std::ostringstream os;
    os << "0x" << std::hex << m;
    return os.str();
}

// The log: "tag:MESSAGE" or "tag:MESSAGE(wParam)" entries.
class MessageLog {
public:
    static MessageLog& current() {
        static MessageLog log;
        return log;
    }
    void clear() { entries_.clear(); }
    void add(const std::string& entry) { entries_.push_back(entry); }
    const std::vector<std::string>& entries() const { return entries_; }
    // Entries whose message is in `keep` (names), for sequences that ignore noise.
    std::vector<std::string> only(const std::vector<std::string>& keep) const {
        std::vector<std::string> out;
        for (auto& e : entries_)
            for (auto& k : keep)
                if (e.find(":" + k) != std::string::npos) {
                    out.push_back(e);
                    break;
                }
        return out;
    }

    // Entries that contain one of the fragments ("(1)", "110:1"), or none of them.
    std::vector<std::string> with(const std::vector<std::string>& fragments) const { return filtered(fragments, true); }
    std::vector<std::string> without(const std::vector<std::string>& fragments) const {
        return filtered(fragments, false);
    }

private:
    std::vector<std::string> filtered(const std::vector<std::string>& fragments, bool keepMatches) const {
        std::vector<std::string> out;
        for (auto& e : entries_) {
            bool matches = false;
            for (auto& f : fragments)
                matches = matches || e.find(f) != std::string::npos;
            if (matches == keepMatches)
                out.push_back(e);
        }
        return out;
    }
    std::vector<std::string> entries_;
};

inline std::string joined(const std::vector<std::string>& v) {
    std::string s;
    for (auto& e : v)
        s += "  " + e + "\n";
    return s;
}

// An expected sequence kept as named data, as Wine's message tests keep
// theirs: the name says which sequence a failure is about.
struct MessageSequence {
    MessageSequence(std::string n, std::vector<std::string> e) : name(std::move(n)), entries(std::move(e)) {}
    std::string name;
    std::vector<std::string> entries;
};

// Fails with both lists printed when they differ.
inline ::testing::AssertionResult sequenceIs(const std::vector<std::string>& got, const MessageSequence& expected) {
    if (got == expected.entries)
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "message sequence differs";
    if (!expected.name.empty())
        failure << " from \"" << expected.name << "\"";
    return failure << "\nexpected:\n" << joined(expected.entries) << "got:\n" << joined(got);
}
inline ::testing::AssertionResult sequenceIs(const std::vector<std::string>& got,
                                             const std::vector<std::string>& expected) {
    return sequenceIs(got, MessageSequence{"", expected});
}

}  // namespace nv::testing
