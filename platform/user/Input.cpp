// The input sources and the driver that turns their actions into input
// messages when a dialog or message box waits.
#include "platform/user/Input.h"

#include "platform/core/HostText.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>
#include <unistd.h>

#include "platform/core/Machine.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialog.h"
#include "platform/user/InputScript.h"
#include "platform/user/InputView.h"
#include "platform/user/WindowManager.h"

namespace nv::user::input {
namespace {

// Texts of the machine (Windows-1252) as the host shows them (UTF-8).
std::string host(const std::string& ansi) { return nv::text::ansiToUtf8(ansi); }

// What a source answers at a wait: an action, or a stop.
struct Next {
    std::optional<Action> action;
    std::string where;  // "file:line" of the action, for messages
    Status stop = Status::Running;
    std::string message;
};

class Source {
public:
    virtual ~Source() = default;
    virtual Next next(const WaitView& v) = 0;
    // An action could not be done. True: ask again (a person can retry).
    virtual bool rejected(const WaitView& v, const std::string& where, const std::string& why, Next* stop) = 0;
    virtual std::string unused() const { return {}; }
};

bool equalsNoCase(std::string_view a, std::string_view b) { return machine::equalsNoCase(a, b); }

bool containsNoCase(const std::string& hay, const std::string& needle) {
    return machine::toUpperAscii(hay).find(machine::toUpperAscii(needle)) != std::string::npos;
}

bool matches(const Expectation& e, const WaitView& v) {
    if (e.kind == Expectation::Kind::Message) {
        if (v.kind != WaitKind::MessageBox)
            return false;
        return equalsNoCase(e.match, v.caption) || (!e.match.empty() && containsNoCase(v.message, e.match));
    }
    if (v.kind != WaitKind::Dialog)
        return false;
    return equalsNoCase(e.match, v.templateName) || equalsNoCase(e.match, v.caption);
}

std::string expectationText(const Expectation& e) { return format(e); }

// ---- answer files ----

class AnswerSource : public Source {
public:
    AnswerSource(std::vector<Step> steps, std::string name) : steps_(std::move(steps)), name_(std::move(name)) {}

    Next next(const WaitView& v) override {
        Next n;
        if (current_ && next_ < current_->actions.size()) {
            const auto& entry = current_->actions[next_];
            if (bound_ == v.hwnd) {
                ++next_;
                n.action = entry.action;
                n.where = at(entry.line);
                return n;
            }
            n.stop = Status::Mismatch;
            n.message = at(entry.line) + ": \"" + entry.source + "\" was still to be done in " +
                        expectationText(current_->expect) + ", but " + describe(v) + "came up instead";
            return n;
        }
        if (index_ >= steps_.size()) {
            n.stop = Status::InputEnded;
            n.message = name_ + ": the answers ran out while " + describe(v) + "waits";
            return n;
        }
        const Step& s = steps_[index_++];
        if (!matches(s.expect, v)) {
            n.stop = Status::Mismatch;
            n.message = at(s.line) + ": expected " + expectationText(s.expect) + ", but " + describe(v) + "came up";
            return n;
        }
        current_ = &s;
        bound_ = v.hwnd;
        next_ = 1;
        n.action = s.actions[0].action;
        n.where = at(s.actions[0].line);
        return n;
    }

    bool rejected(const WaitView& v, const std::string& where, const std::string& why, Next* stop) override {
        stop->stop = Status::Mismatch;
        stop->message = where + ": " + why + " in " + describe(v);
        return false;
    }

    std::string unused() const override {
        std::string out;
        if (current_ && next_ < current_->actions.size())
            out += at(current_->actions[next_].line) + ": \"" + current_->actions[next_].source + "\" was not done\n";
        for (size_t i = index_; i < steps_.size(); ++i)
            out += at(steps_[i].line) + ": " + expectationText(steps_[i].expect) + " never came up\n";
        return out;
    }

private:
    std::string at(int line) const { return name_ + ":" + std::to_string(line); }

    std::vector<Step> steps_;
    std::string name_;
    size_t index_ = 0;
    const Step* current_ = nullptr;
    HWND bound_ = nullptr;
    size_t next_ = 0;
};

// ---- the console ----

const char* kHelp =
    "actions: click CONTROL | press KEY | type CONTROL \"TEXT\" | select LIST ROW | toggle LIST ROW |\n"
    "         deselect LIST ROW | insert A: FOLDER | eject A: | wait MS\n"
    "short:   N (click control N) | \"TEXT\" (click by text) | enter | esc | f3 | tab | space |\n"
    "         a letter (presses it: the mnemonic of a button, y for &Yes) |\n"
    "         c N | t N \"TEXT\" | s N ROW | x N ROW | w MS\n"
    "other:   show (print the dialog again) | help\n"
    "KEY: Enter Escape F3 Tab Shift+Tab Space Up Down Left Right Home End Backspace Delete, or a letter\n";

class ConsoleSource : public Source {
public:
    ConsoleSource(FILE* in, FILE* out) : in_(in), out_(out), echo_(!isatty(fileno(in))) {}

    Next next(const WaitView& v) override {
        Next n;
        std::fprintf(out_, "\n%s", host(describe(v)).c_str());
        for (;;) {
            std::fprintf(out_, "> ");
            std::fflush(out_);
            std::string line;
            if (!readLine(&line)) {
                std::fprintf(out_, "\n");
                std::fflush(out_);
                n.stop = Status::InputEnded;
                n.message = "the console input ended while " + describe(v) + "waits";
                return n;
            }
            ++lineNo_;
            if (echo_)
                std::fprintf(out_, "%s\n", line.c_str());
            line = nv::text::utf8ToAnsi(line);  // the console speaks UTF-8
            std::string t = line;
            while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back())))
                t.pop_back();
            size_t s = 0;
            while (s < t.size() && std::isspace(static_cast<unsigned char>(t[s])))
                ++s;
            t = t.substr(s);
            if (t.empty())
                continue;
            if (t == "help" || t == "?") {
                std::fputs(kHelp, out_);
                continue;
            }
            if (t == "show") {
                std::fprintf(out_, "%s", host(describe(v)).c_str());
                continue;
            }
            auto parsed = parseLine(t);
            if (!parsed) {
                std::fprintf(out_, "! %s (help lists the actions)\n", host(parsed.error().message).c_str());
                continue;
            }
            if (parsed->expectation) {
                // Lines of an answer file may be pasted: a header is checked, not obeyed.
                if (!matches(*parsed->expectation, v))
                    std::fprintf(out_, "! this is not %s\n", host(format(*parsed->expectation)).c_str());
                continue;
            }
            if (!parsed->action)
                continue;  // a comment
            n.action = parsed->action;
            n.where = "console:" + std::to_string(lineNo_);
            return n;
        }
    }

    bool rejected(const WaitView&, const std::string&, const std::string& why, Next*) override {
        std::fprintf(out_, "! %s\n", host(why).c_str());
        return true;
    }

private:
    bool readLine(std::string* line) {
        line->clear();
        int c;
        bool any = false;
        while ((c = std::fgetc(in_)) != EOF) {
            any = true;
            if (c == '\n')
                return true;
            line->push_back(static_cast<char>(c));
        }
        return any;
    }

    FILE* in_;
    FILE* out_;
    bool echo_;
    int lineNo_ = 0;
};

// ---- the driver ----

struct Driver {
    std::unique_ptr<Source> source;
    std::unique_ptr<std::ostream> record;
    std::string recordPath;
    HWND recordedFor = nullptr;
    Status status = Status::Running;
    std::string message;
    StopHandler onStop;
    uint32_t reaction = 1000;
    std::optional<uint64_t> anchor;  // when the current wait began
    uint64_t waitUntil = 0;
    bool installed = false;
    HWND notified = nullptr;  // live: the wait the observers were told of
};

Driver& driver() {
    static Driver d;
    return d;
}

void stopRun(Status s, const std::string& msg) {
    Driver& d = driver();
    if (d.status != Status::Running)
        return;
    d.status = s;
    d.message = msg;
    if (d.record)
        d.record->flush();
    if (d.onStop) {
        StopHandler h = d.onStop;
        h(s, msg);
    } else {
        std::fprintf(stderr, "%s\n", host(msg).c_str());
        NotifyRunEnded();
        std::exit(exitStatus(s));
    }
    halt();
}

std::string controlName(const ControlView& c) {
    return "[" + std::to_string(c.id) + "] " + c.kind + " " + quote(c.text);
}

std::string stripAmp(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&' && i + 1 < s.size() && s[i + 1] != '&')
            continue;
        out += s[i];
    }
    return out;
}

Result<const ControlView*> resolve(const WaitView& v, const ControlRef& ref) {
    const ControlView* found = nullptr;
    int hits = 0;
    for (const auto& c : v.controls) {
        bool hit = ref.byId ? c.id == ref.id
                            : (equalsNoCase(c.text, ref.text) || equalsNoCase(stripAmp(c.text), stripAmp(ref.text)));
        if (hit && (!found || (c.visible && !found->visible))) {
            found = &c;
            ++hits;
        }
    }
    std::string what = ref.byId ? "control " + std::to_string(ref.id) : "control " + quote(ref.text);
    if (!found)
        return Error::win32(ERROR_INVALID_PARAMETER, "there is no " + what);
    if (!ref.byId && hits > 1)
        return Error::win32(ERROR_INVALID_PARAMETER, what + " is ambiguous; use its id");
    if (!found->visible)
        return Error::win32(ERROR_INVALID_PARAMETER, controlName(*found) + " is hidden");
    if (!found->enabled)
        return Error::win32(ERROR_INVALID_PARAMETER, controlName(*found) + " is disabled");
    return found;
}

// Whether `outer` contains `h` (IsChild without a trace line).
bool holds(HWND outer, HWND h) {
    for (Window* w = find(h); w && w->parent; w = find(w->parent))
        if (w->parent == outer)
            return true;
    return false;
}

// The person clicks at the middle of a control (or of a point inside it).
void clickAt(HWND hwnd, POINT p) {
    Window* w = find(hwnd);
    if (!w)
        return;
    POINT o = clientOrigin(*w);
    cursor().pos = POINT{o.x + p.x, o.y + p.y};  // the person's hand, not a call of the program
    postInput(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    postInput(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
}

POINT middle(HWND hwnd) {
    RECT r{};
    Window* w = find(hwnd);
    if (w)
        r = clientScreenRect(*w);
    return POINT{(r.right - r.left) / 2, (r.bottom - r.top) / 2};
}

void key(HWND target, int vk) {
    postInput(target, WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
    postInput(target, WM_KEYUP, static_cast<WPARAM>(vk), static_cast<LPARAM>(0xC0000001u));
}

int vkOf(Key k) {
    switch (k) {
    case Key::Enter: return VK_RETURN;
    case Key::Escape: return VK_ESCAPE;
    case Key::F3: return VK_F3;
    case Key::Tab:
    case Key::ShiftTab: return VK_TAB;
    case Key::Space: return VK_SPACE;
    case Key::Up: return VK_UP;
    case Key::Down: return VK_DOWN;
    case Key::Left: return VK_LEFT;
    case Key::Right: return VK_RIGHT;
    case Key::Home: return VK_HOME;
    case Key::End: return VK_END;
    case Key::Backspace: return VK_BACK;
    case Key::Delete: return VK_DELETE;
    case Key::Letter: return 0;
    }
    return 0;
}

Result<int> resolveRow(const ControlView& list, const RowRef& r) {
    if (r.byIndex) {
        if (r.index < 0 || r.index >= static_cast<int>(list.rows.size()))
            return Error::win32(ERROR_INVALID_PARAMETER, controlName(list) + " has no row " + std::to_string(r.index));
        return r.index;
    }
    for (size_t i = 0; i < list.rows.size(); ++i)
        if (equalsNoCase(list.rows[i], r.text))
            return static_cast<int>(i);
    return Error::win32(ERROR_INVALID_PARAMETER, controlName(list) + " has no row " + quote(r.text));
}

// Does the action; true when it produced input for the program.
Result<bool> apply(const WaitView& v, const Action& a) {
    switch (a.kind) {
    case Action::Kind::Click: {
        const ControlView* c = NV_TRY(resolve(v, a.control));
        if (c->kind == "static" || c->kind == "icon" || c->kind == "group")
            return Error::win32(ERROR_INVALID_PARAMETER, controlName(*c) + " does not take clicks");
        clickAt(c->hwnd, middle(c->hwnd));
        return true;
    }
    case Action::Kind::Press: {
        HWND f = focus();
        HWND target = f && (f == v.hwnd || holds(v.hwnd, f)) ? f : v.hwnd;
        int vk = a.key == Key::Letter ? static_cast<unsigned char>(a.text[0]) : vkOf(a.key);
        if (a.key == Key::ShiftTab) {
            postInput(target, WM_KEYDOWN, VK_SHIFT, 1);
            key(target, vk);
            postInput(target, WM_KEYUP, VK_SHIFT, static_cast<LPARAM>(0xC0000001u));
        } else {
            key(target, vk);
        }
        return true;
    }
    case Action::Kind::Type: {
        const ControlView* c = NV_TRY(resolve(v, a.control));
        if (c->kind != "edit")
            return Error::win32(ERROR_INVALID_PARAMETER, controlName(*c) + " is not an edit field");
        // Click into the field, select what it holds, type over it.
        clickAt(c->hwnd, middle(c->hwnd));
        postInput(c->hwnd, WM_KEYDOWN, VK_HOME, 1);
        postInput(c->hwnd, WM_KEYDOWN, VK_SHIFT, 1);
        postInput(c->hwnd, WM_KEYDOWN, VK_END, 1);
        postInput(c->hwnd, WM_KEYUP, VK_END, static_cast<LPARAM>(0xC0000001u));
        postInput(c->hwnd, WM_KEYUP, VK_SHIFT, static_cast<LPARAM>(0xC0000001u));
        if (a.text.empty())
            key(c->hwnd, VK_DELETE);
        for (char ch : a.text)
            postInput(c->hwnd, WM_CHAR, static_cast<unsigned char>(ch), 1);
        return true;
    }
    case Action::Kind::Select:
    case Action::Kind::Toggle:
    case Action::Kind::Deselect: {
        const ControlView* c = NV_TRY(resolve(v, a.control));
        if (c->kind != "list")
            return Error::win32(ERROR_INVALID_PARAMETER, controlName(*c) + " is not a list");
        int row = NV_TRY(resolveRow(*c, a.row));
        bool selected = c->selected[static_cast<size_t>(row)];
        bool click = a.kind == Action::Kind::Toggle || (a.kind == Action::Kind::Select && !selected) ||
                     (a.kind == Action::Kind::Deselect && selected);
        if (a.kind == Action::Kind::Deselect && !c->multiple)
            return Error::win32(ERROR_INVALID_PARAMETER, controlName(*c) + " keeps one row selected; select another");
        if (a.kind == Action::Kind::Select && !c->multiple)
            click = true;  // a click on the selected row is what a person does too
        if (!click)
            return false;
        // Scroll the row into view the way the scroll bar would, then click it.
        int h = listRowHeight(c->hwnd);
        Window* w = find(c->hwnd);
        int rows = std::max(1, w ? static_cast<int>(clientScreenRect(*w).bottom - clientScreenRect(*w).top) / h : 1);
        int top = static_cast<int>(send(c->hwnd, LB_GETTOPINDEX, 0, 0));
        if (row < top || row >= top + rows) {
            top = std::max(0, row - rows + 1);
            send(c->hwnd, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
        }
        clickAt(c->hwnd, POINT{middle(c->hwnd).x, (row - top) * h + h / 2});
        return true;
    }
    case Action::Kind::Insert:
        NV_TRY(InsertDisk(a.drive, a.text));
        return false;
    case Action::Kind::Eject:
        NV_TRY(EjectDisk(a.drive));
        return false;
    case Action::Kind::Wait:
        return false;
    }
    return false;
}

void writeRecord(const WaitView& v, const Action& a) {
    Driver& d = driver();
    if (!d.record)
        return;
    if (d.recordedFor != v.hwnd) {
        *d.record << host(header(v)) << "\n";
        d.recordedFor = v.hwnd;
    }
    std::string line = "  " + format(a);
    // A note of what the id or row stands for, for people reading the file.
    if (a.kind == Action::Kind::Click || a.kind == Action::Kind::Select ||
        a.kind == Action::Kind::Toggle || a.kind == Action::Kind::Deselect) {
        for (const auto& c : v.controls) {
            if (!(a.control.byId ? c.id == a.control.id : false))
                continue;
            std::string note = c.kind == "list" ? "" : c.text;
            if (c.kind == "list" && a.row.byIndex && a.row.index >= 0 &&
                a.row.index < static_cast<int>(c.rows.size()))
                note = c.rows[static_cast<size_t>(a.row.index)];
            if (!note.empty() && note.find('\n') == std::string::npos)
                line += "  # " + note;
            break;
        }
    }
    *d.record << host(line) << "\n";
    d.record->flush();
}

bool onWait(HWND dlg, WaitKind kind) {
    Driver& d = driver();
    if (d.status != Status::Running)
        return false;
    if (LiveHost* live = liveHost(); live && !d.source) {
        // The person at the window acts when they like; the observers hear of
        // each new wait, and again once input has changed what it shows.
        if (d.notified != dlg) {
            NotifyWaiting(dlg, kind);
            d.notified = dlg;
        }
        live->wait(nextTimerDue(), dlg, kind);
        if (pendingInput())
            d.notified = nullptr;
        return true;
    }
    if (!d.source) {
        stall(title(view(dlg, kind)) + " waits for input, but there is no input source");
        return false;
    }
    if (!d.anchor)
        d.anchor = now();
    uint64_t horizon = std::max(*d.anchor + d.reaction, d.waitUntil);
    if (auto due = nextTimerDue(); due && *due <= horizon) {
        advanceClock(*due);
        return true;
    }
    if (d.waitUntil > now()) {
        advanceClock(d.waitUntil);
        return true;
    }
    NotifyWaiting(dlg, kind);
    for (;;) {
        if (!find(dlg))
            return true;
        WaitView v = view(dlg, kind);
        Next n = d.source->next(v);
        if (!n.action) {
            stopRun(n.stop, n.message);
            return false;
        }
        auto done = apply(v, *n.action);
        if (!done) {
            Next stop;
            if (d.source->rejected(v, n.where, done.error().message, &stop))
                continue;
            stopRun(stop.stop, stop.message);
            return false;
        }
        writeRecord(v, *n.action);
        if (n.action->kind == Action::Kind::Wait) {
            d.waitUntil = now() + n.action->ms;
            d.anchor = now();
            return true;
        }
        if (*done) {
            advanceClock(horizon);
            d.anchor.reset();
            d.waitUntil = 0;
            return true;
        }
    }
}

void install() {
    Driver& d = driver();
    d.status = Status::Running;
    d.message.clear();
    d.anchor.reset();
    d.waitUntil = 0;
    d.recordedFor = nullptr;
    d.notified = nullptr;
    if (!d.installed) {
        setWaitHandler(onWait);
        setDefaultStallHandler([](const std::string& why) { stopRun(Status::Stalled, why); });
        d.installed = true;
    }
}

}  // namespace

int exitStatus(Status s) {
    switch (s) {
    case Status::InputEnded: return kExitInputEnded;
    case Status::Mismatch: return kExitMismatch;
    case Status::Stalled: return kExitStalled;
    case Status::Closed: return kExitClosed;
    default: return 0;
    }
}

Result<void> UseAnswerText(const std::string& text, const std::string& name) {
    auto steps = NV_TRY(parseAnswers(text, name));
    install();
    driver().source = std::make_unique<AnswerSource>(std::move(steps), name);
    return {};
}

Result<void> UseAnswerFile(const std::string& path) {
    auto text = host::readFile(path);
    if (!text)
        return Error::win32(text.error().code, "cannot read the answer file: " + text.error().message);
    return UseAnswerText(nv::text::utf8ToAnsi(*text), path);  // answer files are UTF-8
}

void UseConsole(FILE* in, FILE* out) {
    install();
    driver().source = std::make_unique<ConsoleSource>(in, out);
}

void UseNone() {
    install();
    driver().source.reset();
    driver().record.reset();
}

Result<void> RecordTo(const std::string& path, const std::string& origin) {
    auto f = host::createOutputStream(path);
    if (!f)
        return Error::win32(ERROR_ACCESS_DENIED, path + ": cannot write the recording");
    *f << "# answers recorded from " << origin << "\n";
    driver().record = std::move(f);
    driver().recordPath = path;
    driver().recordedFor = nullptr;
    return {};
}

void RecordAction(HWND waiting, const Action& action) {
    Window* w = find(waiting);
    if (!w || !driver().record)
        return;
    bool box = w->dialog && w->dialog->messageBox;
    writeRecord(view(waiting, box ? WaitKind::MessageBox : WaitKind::Dialog), action);
}

bool Recording() { return driver().record != nullptr; }

Result<void> InsertDisk(char drive, const std::string& folder) {
    auto* m = machine::current();
    machine::Drive* d = m ? m->drive(drive) : nullptr;
    if (!d)
        return Error::win32(ERROR_INVALID_DRIVE, std::string("the machine has no drive ") + drive + ":");
    if (d->kind != machine::DriveKind::Removable)
        return Error::win32(ERROR_INVALID_DRIVE, std::string("drive ") + drive + ": takes no disks");
    // Only what the settings file can hold again, so the machine still
    // loads after the run.
    if (!machine::isDriveFolder(folder) || m->store().status(m->dir() / folder).kind != machine::NodeKind::Directory)
        return Error::win32(ERROR_PATH_NOT_FOUND, "no disk folder " + quote(folder) + " in the machine directory");
    d->folder = folder;
    d->hasDisk = true;
    return {};
}

Result<void> EjectDisk(char drive) {
    auto* m = machine::current();
    machine::Drive* d = m ? m->drive(drive) : nullptr;
    if (!d || d->kind != machine::DriveKind::Removable)
        return Error::win32(ERROR_INVALID_DRIVE, std::string("drive ") + drive + ": takes no disks");
    d->hasDisk = false;
    return {};
}

void Stop(Status s, const std::string& why) { stopRun(s, why); }

void SetReactionTime(uint32_t ms) { driver().reaction = ms; }
Status status() { return driver().status; }
const std::string& stopMessage() { return driver().message; }
std::string unusedAnswers() { return driver().source ? driver().source->unused() : std::string(); }
void SetStopHandler(StopHandler handler) { driver().onStop = std::move(handler); }

}  // namespace nv::user::input
