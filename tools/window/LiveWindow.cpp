#include "tools/window/LiveWindow.h"

#include <SDL.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/core/HostText.h"
#include "platform/core/Machine.h"
#include "platform/core/Trace.h"
#include "platform/gdi/Screenshot.h"
#include "platform/gdi/Win95Painter.h"
#include "platform/gdi/WindowSurface.h"
#include "platform/user/Controls.h"
#include "platform/user/Input.h"
#include "platform/user/InputScript.h"
#include "platform/user/InputView.h"
#include "platform/user/WindowManager.h"
#include "tools/window/HostKeys.h"
#include "tools/window/InputTranslator.h"

namespace nv::window {
namespace {

namespace input = nv::user::input;
using HostClock = std::chrono::steady_clock;

constexpr int kBlinkMs = 530;    // Windows' caret blink time
constexpr int kPollEveryMs = 10; // how often a polling program looks at the host
constexpr int kFrameMs = 33;     // at most this often a polling program's screen is shown

// Lines read from standard input by a thread of their own, handed to the
// window's loop through an SDL event. Shared with the thread, which may
// outlive the window (it waits in a read until the process ends).
struct StdinLines {
    std::mutex lock;
    std::deque<std::string> lines;
    Uint32 event = 0;
    bool closed = false;
};

void readStdin(std::shared_ptr<StdinLines> shared) {
    char buf[4096];
    while (std::fgets(buf, sizeof buf, stdin)) {
        std::string line(buf);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        std::lock_guard<std::mutex> g(shared->lock);
        if (shared->closed)
            return;
        shared->lines.push_back(line);
        SDL_Event e{};
        e.type = shared->event;
        SDL_PushEvent(&e);
    }
}

std::string trim(std::string s) {
    size_t a = s.find_first_not_of(" \t");
    size_t b = s.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

class SdlWindow final : public LiveWindow, public nv::user::LiveHost {
public:
    SdlWindow(SDL_Window* w, const WindowOptions& o, int width, int height)
        : window_(w), scale_(o.scale), title_(o.title), width_(width), height_(height) {
        start_ = HostClock::now();
        machineStart_ = nv::user::now();
        if (o.commandsOnStdin) {
            stdin_ = std::make_shared<StdinLines>();
            stdin_->event = SDL_RegisterEvents(1);
            std::thread(readStdin, stdin_).detach();
        }
        arrow_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
        busy_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
        SDL_StartTextInput();
        updateTitle();
        nv::user::setLiveHost(this);
        present();
    }

    ~SdlWindow() override {
        nv::user::setLiveHost(nullptr);
        if (stdin_) {
            std::lock_guard<std::mutex> g(stdin_->lock);
            stdin_->closed = true;
        }
        nv::gdi::SetCaretShown(true);
        SDL_FreeCursor(arrow_);
        SDL_FreeCursor(busy_);
        SDL_DestroyWindow(window_);
        SDL_Quit();
    }

    void present() override { show(false); }

    void wait(std::optional<uint64_t> due, HWND waiting, nv::user::WaitKind) override {
        translator_.setWaiting(waiting);
        show(false);
        for (;;) {
            if (nv::user::halted())
                break;
            syncClock();
            uint64_t t = nv::user::now();
            if (due && *due <= t)
                break;
            long long timeout = 250;
            if (due)
                timeout = std::min<long long>(timeout, static_cast<long long>(*due - t));
            bool blinking = caretField() != nullptr && !holdCaret_;
            if (blinking)
                timeout = std::min<long long>(timeout, std::max<long long>(0, msUntil(nextBlink_)));
            SDL_Event e;
            if (SDL_WaitEventTimeout(&e, static_cast<int>(std::max<long long>(timeout, 1)))) {
                syncClock();
                if (handle(e))
                    break;
                continue;
            }
            if (blinking && msUntil(nextBlink_) <= 0)
                blink(!nv::gdi::CaretShown());
        }
        blink(true);
    }

    void poll() override {
        syncClock();
        auto t = HostClock::now();
        if (t - lastPoll_ >= std::chrono::milliseconds(kPollEveryMs)) {
            lastPoll_ = t;
            SDL_Event e;
            while (SDL_PollEvent(&e))
                if (handle(e))
                    break;
            if (t - lastFrame_ >= std::chrono::milliseconds(kFrameMs))
                show(false);
        }
        // A loop that polls for a timer still due later need not burn the host.
        auto next = nv::user::nextTimerDue();
        if (!nv::user::pendingInput() && (!next || *next > nv::user::now()))
            SDL_Delay(1);
    }

private:
    long long msUntil(HostClock::time_point t) const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(t - HostClock::now()).count();
    }

    void syncClock() {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(HostClock::now() - start_).count();
        nv::user::advanceClock(machineStart_ + static_cast<uint64_t>(ms));
    }

    // The focused edit field whose caret blinks, if any.
    HWND caretField() const {
        HWND f = nv::user::focus();
        nv::user::Window* w = f ? nv::user::find(f) : nullptr;
        if (!w || !nv::user::visible(*w) || nv::user::controlKind(f) != nv::user::ControlKind::Edit)
            return nullptr;
        return f;
    }

    void blink(bool on) {
        nextBlink_ = HostClock::now() + std::chrono::milliseconds(kBlinkMs);
        if (nv::gdi::CaretShown() == on)
            return;
        nv::gdi::SetCaretShown(on);
        if (HWND f = caretField()) {
            nv::trace::Quiet quiet;
            nv::user::invalidate(f, nullptr, false);
            nv::user::paintNow(f);
        }
        show(false);
    }

    // Shows the composed screen when it changed (or always).
    void show(bool force) {
        lastFrame_ = HostClock::now();
        nv::trace::Quiet quiet;
        nv::gdi::Surface s = nv::gdi::composeScreen();
        bool same = shown_ && shown_->width() == s.width() && shown_->height() == s.height();
        for (int y = 0; same && y < s.height(); ++y)
            same = std::equal(s.row(y), s.row(y) + s.width(), shown_->row(y));
        if (!same || force) {
            shown_ = std::move(s);
            blit();
        }
        HCURSOR waitCursor = LoadCursorA(nullptr, IDC_WAIT);
        bool busy = nv::user::cursor().current && nv::user::cursor().current == waitCursor;
        SDL_SetCursor(busy ? busy_ : arrow_);
    }

    void blit() {
        SDL_Surface* target = SDL_GetWindowSurface(window_);
        if (!target || !shown_)
            return;
        SDL_Surface* src = SDL_CreateRGBSurfaceFrom(shown_->row(0), shown_->width(), shown_->height(), 32,
                                                    shown_->width() * 4, 0xFF0000, 0xFF00, 0xFF, 0);
        if (!src)
            return;
        if (scale_ == 1) {
            SDL_BlitSurface(src, nullptr, target, nullptr);
        } else {
            SDL_Rect to{0, 0, shown_->width() * scale_, shown_->height() * scale_};
            SDL_BlitScaled(src, nullptr, target, &to);
        }
        SDL_FreeSurface(src);
        SDL_UpdateWindowSurface(window_);
    }

    POINT machinePoint(int x, int y) const { return POINT{x / scale_, y / scale_}; }

    // True when the event gave the machine input or stopped the run.
    bool handle(const SDL_Event& e) {
        switch (e.type) {
        case SDL_QUIT:
            closeRun("the window was closed");
            return true;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                closeRun("the window was closed");
                return true;
            }
            if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SHOWN)
                show(true);
            return false;
        case SDL_MOUSEMOTION:
            translator_.mouseMove(machinePoint(e.motion.x, e.motion.y));
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (e.button.button != SDL_BUTTON_LEFT && e.button.button != SDL_BUTTON_RIGHT)
                return false;
            holdCaret_ = false;
            translator_.mouseButton(machinePoint(e.button.x, e.button.y),
                                    e.button.button == SDL_BUTTON_LEFT ? MouseButton::Left : MouseButton::Right,
                                    e.type == SDL_MOUSEBUTTONDOWN ? Press::Down : Press::Up);
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            bool down = e.type == SDL_KEYDOWN;
            if (down && (e.key.keysym.mod & KMOD_CTRL) && hostKey(e.key.keysym.sym))
                return false;
            int vk = VirtualKeyFor(e.key.keysym.sym);
            if (!vk)
                return false;
            holdCaret_ = false;
            translator_.key(vk, down ? Press::Down : Press::Up);
            break;
        }
        case SDL_TEXTINPUT: {
            // Keys bring ASCII; what no key of the layout makes comes as text.
            std::string ansi = nv::text::utf8ToAnsi(e.text.text);
            for (unsigned char c : ansi)
                if (c >= 0x80)
                    translator_.character(c);
            break;
        }
        default:
            if (stdin_ && e.type == stdin_->event)
                return commands();
            return false;
        }
        return nv::user::pendingInput();
    }

    // Ctrl+digit and Ctrl+E: the disks. True when the key was the host's.
    bool hostKey(SDL_Keycode k) {
        if (k >= SDLK_1 && k <= SDLK_9) {
            insertNumbered(static_cast<int>(k - SDLK_0));
            return true;
        }
        if (k == SDLK_e) {
            input::Action a;
            a.kind = input::Action::Kind::Eject;
            disk(a);
            return true;
        }
        return false;
    }

    // Disk N: the folder of the disk in A: (or the last one put in) with its
    // trailing number replaced by N, else disks/DISKN of the machine directory.
    void insertNumbered(int n) {
        std::string folder = lastDisk();
        size_t end = folder.size();
        while (end > 0 && std::isdigit(static_cast<unsigned char>(folder[end - 1])))
            --end;
        input::Action a;
        a.kind = input::Action::Kind::Insert;
        a.text = end < folder.size() ? folder.substr(0, end) + std::to_string(n) : "disks/DISK" + std::to_string(n);
        disk(a);
    }

    std::string lastDisk() {
        if (!lastDisk_.empty())
            return lastDisk_;
        auto* m = nv::machine::current();
        nv::machine::Drive* d = m ? m->drive('A') : nullptr;
        return d && d->kind == nv::machine::DriveKind::Removable ? d->folder : std::string();
    }

    void disk(const input::Action& a) {
        auto done = a.kind == input::Action::Kind::Insert ? input::InsertDisk(a.drive, a.text) : input::EjectDisk(a.drive);
        if (!done) {
            say(done.error().message);
            return;
        }
        if (a.kind == input::Action::Kind::Insert)
            lastDisk_ = a.text;
        translator_.record(a);
        say(a.kind == input::Action::Kind::Insert ? std::string("A: holds ") + a.text : std::string("A: is empty"));
        updateTitle();
    }

    void updateTitle() {
        std::string t = title_;
        auto* m = nv::machine::current();
        if (nv::machine::Drive* d = m ? m->drive('A') : nullptr; d && d->kind == nv::machine::DriveKind::Removable)
            t += d->hasDisk ? "  [A: " + d->folder + "]" : std::string("  [A: empty]");
        t += "  (Ctrl+1..9: disk N into A:, Ctrl+E: eject)";
        SDL_SetWindowTitle(window_, t.c_str());
    }

    void say(const std::string& text) {
        std::printf("window: %s\n", nv::text::ansiToUtf8(text).c_str());
        std::fflush(stdout);
    }

    void closeRun(const std::string& why) {
        translator_.flushTyping();
        input::Stop(input::Status::Closed, why + "; the run ends and the machine is saved as it is");
    }

    bool commands() {
        std::deque<std::string> lines;
        {
            std::lock_guard<std::mutex> g(stdin_->lock);
            lines.swap(stdin_->lines);
        }
        bool gave = false;
        for (std::string& raw : lines) {
            std::string line = trim(nv::text::utf8ToAnsi(raw));
            if (line.empty() || line[0] == '#')
                continue;
            std::string verb = line.substr(0, line.find(' '));
            std::string rest = trim(line.substr(verb.size()));
            if (verb == "close") {
                closeRun("the window was closed by the close command");
                return true;
            }
            if (verb == "screenshot" && !rest.empty()) {
                blink(true);
                holdCaret_ = true;
                show(true);
                auto saved = nv::gdi::SavePng(*shown_, nv::text::ansiToUtf8(rest));
                say(saved ? "screenshot " + rest : saved.error().message);
                continue;
            }
            if (verb == "waiting") {
                HWND dlg = translator_.waiting();
                nv::user::Window* w = dlg ? nv::user::find(dlg) : nullptr;
                if (!w) {
                    say("waiting none");
                    continue;
                }
                char handle[32];
                std::snprintf(handle, sizeof handle, "%p", static_cast<void*>(dlg));
                bool box = w->dialog && w->dialog->messageBox;
                nv::trace::Quiet quiet;
                say(std::string("waiting ") + handle + " " +
                    input::header(input::view(dlg, box ? nv::user::WaitKind::MessageBox : nv::user::WaitKind::Dialog)));
                continue;
            }
            if (verb == "where" && !rest.empty()) {
                where(rest);
                continue;
            }
            auto parsed = input::parseLine(line);
            if (parsed && parsed->action &&
                (parsed->action->kind == input::Action::Kind::Insert || parsed->action->kind == input::Action::Kind::Eject)) {
                disk(*parsed->action);
                continue;
            }
            say("unknown command \"" + line + "\" (insert A: FOLDER, eject A:, waiting, where CONTROL, screenshot FILE, close)");
        }
        return gave || nv::user::pendingInput();
    }

    // The screen rectangle of a control of the waiting dialog.
    void where(const std::string& ref) {
        nv::trace::Quiet quiet;
        HWND dlg = translator_.waiting();
        if (!dlg || !nv::user::find(dlg)) {
            say("where: no dialog waits");
            return;
        }
        auto parsed = input::parseLine("click " + ref);
        if (!parsed || !parsed->action) {
            say("where: bad control " + ref);
            return;
        }
        const input::ControlRef& c = parsed->action->control;
        std::string stripped;
        for (HWND h : nv::user::descendants(dlg)) {
            nv::user::Window* w = nv::user::find(h);
            if (!w || !nv::user::visible(*w))
                continue;
            std::string text = nv::user::text(h);
            bool hit = c.byId ? static_cast<int>(static_cast<WORD>(w->id)) == c.id
                              : nv::machine::equalsNoCase(text, c.text);
            if (!hit)
                continue;
            // The client area (what takes clicks); for a list, its row height and first row shown.
            RECT r = nv::user::clientScreenRect(*w);
            int rowHeight = 0, topRow = 0;
            if (nv::user::controlKind(h) == nv::user::ControlKind::ListBox) {
                rowHeight = nv::user::listRowHeight(h);
                topRow = static_cast<int>(nv::user::send(h, LB_GETTOPINDEX, 0, 0));
            }
            char buf[96];
            std::snprintf(buf, sizeof buf, "%ld %ld %ld %ld %d %d ", static_cast<long>(r.left),
                          static_cast<long>(r.top), static_cast<long>(r.right - r.left),
                          static_cast<long>(r.bottom - r.top), rowHeight, topRow);
            say("where " + ref + " " + buf + input::quote(text));
            return;
        }
        say("where: no control " + ref + " in " + input::title(input::view(dlg, nv::user::WaitKind::Dialog)));
    }

    SDL_Window* window_;
    int scale_;
    std::string title_;
    int width_, height_;
    HostClock::time_point start_;
    uint64_t machineStart_ = 0;
    HostClock::time_point lastPoll_{}, lastFrame_{};
    HostClock::time_point nextBlink_ = HostClock::now();
    bool holdCaret_ = false;
    std::optional<nv::gdi::Surface> shown_;
    InputTranslator translator_;
    std::shared_ptr<StdinLines> stdin_;
    SDL_Cursor* arrow_ = nullptr;
    SDL_Cursor* busy_ = nullptr;
    std::string lastDisk_;
};

}  // namespace

std::string MissingDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* wl = std::getenv("WAYLAND_DISPLAY");
    if ((x && *x) || (wl && *wl))
        return {};
    return "--window needs a display, but neither DISPLAY nor WAYLAND_DISPLAY is set "
           "(run headless with --answers or --console, or under xvfb-run)";
}

Result<std::unique_ptr<LiveWindow>> LiveWindow::open(const WindowOptions& o) {
    if (std::string why = MissingDisplay(); !why.empty())
        return Error::win32(ERROR_NOT_READY, why);
    if (o.scale != 1 && o.scale != 2)
        return Error::win32(ERROR_INVALID_PARAMETER, "the window's scale is 1 or 2");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return Error::win32(ERROR_NOT_READY, std::string("cannot open a window on the display: ") + SDL_GetError());
    nv::user::ensureMachine();
    int w = 800, h = 600;
    if (auto* m = nv::machine::current()) {
        w = m->settings().screenWidth;
        h = m->settings().screenHeight;
    }
    SDL_Window* win = SDL_CreateWindow(o.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w * o.scale,
                                       h * o.scale, 0);
    if (!win) {
        std::string why = SDL_GetError();
        SDL_Quit();
        return Error::win32(ERROR_NOT_READY, "cannot open a window on the display: " + why);
    }
    nv::gdi::InstallPainter();
    return std::unique_ptr<LiveWindow>(new SdlWindow(win, o, w, h));
}

}  // namespace nv::window
