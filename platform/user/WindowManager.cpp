// The window manager's life on a machine: its state in the machine, the
// start (standard classes, the open prompt, resident programs), reset, and
// the run's halt and stall handling.
#include "platform/user/WindowState.h"

#include <algorithm>
#include <cstdio>

#include "platform/core/Machine.h"
#include "platform/user/Controls.h"
#include "platform/user/FilePrompt.h"
#include "platform/user/Hook.h"
#include "platform/user/ResidentProgram.h"

namespace nv::user {
using namespace detail;

namespace {

struct MachineWindows : machine::Machine::FamilyState {
    explicit MachineWindows(machine::Machine&) {}
    void shutDown() override { stopResidentPrograms(); }
    State state;
};

bool resetting = false;
StallHandler& defaultStall() {
    static StallHandler h;  // outlives resets: set by whoever drives the run
    return h;
}

void initialise();

void initialise();

}  // namespace

namespace detail {

State& raw() {
    if (machine::Machine* m = machine::current())
        return m->familyState<MachineWindows>().state;
    static State detached;  // calls made with no machine attached
    return detached;
}

State& S() {
    State& s = raw();
    if (!resetting && !s.initialised)
        initialise();
    return s;
}

HWND newHandle() {
    State& s = raw();
    HWND h = reinterpret_cast<HWND>(s.nextHandle);
    s.nextHandle += 4;
    return h;
}

int screenWidth() {
    auto* m = machine::current();
    return m ? m->settings().screenWidth : 800;
}
int screenHeight() {
    auto* m = machine::current();
    return m ? m->settings().screenHeight : 600;
}

}  // namespace detail

namespace {

void initialise() {
    State& s = raw();
    resetting = true;
    s.windows.clear();
    s.top.clear();
    s.classes.clear();
    s.posted.clear();
    s.input.clear();
    s.timers.clear();
    s.quit = false;
    s.quitCode = 0;
    s.clock = 0;
    s.focus = s.active = s.capture = nullptr;
    s.cursor = CursorState{};
    std::fill(std::begin(s.keys), std::end(s.keys), false);
    s.idle.clear();
    s.halted = false;
    s.stall = nullptr;
    s.nextAtom = 0xC000;
    s.residents.clear();
    s.initialised = true;
    // The desktop: the parent of every top-level window.
    auto d = std::make_unique<Window>();
    d->handle = newHandle();
    d->style = WS_VISIBLE;
    d->rect = RECT{0, 0, screenWidth(), screenHeight()};
    s.desktop = d->handle;
    s.windows[d->handle] = std::move(d);
    clearHooks();
    registerStandardClasses();
    installFilePrompt();
    resetting = false;
    startResidentPrograms();
}

}  // namespace

// ---- the run ----

bool halted() { return S().halted; }
void halt() { S().halted = true; }
void setStallHandler(StallHandler h) { S().stall = std::move(h); }
void setDefaultStallHandler(StallHandler h) { defaultStall() = std::move(h); }

void stall(const std::string& why) {
    if (StallHandler h = S().stall ? S().stall : defaultStall())
        h(why);
    else
        std::fprintf(stderr, "%s\n", why.c_str());
    halt();
}

std::string describeWaiting() {
    State& s = S();
    std::string out;
    for (HWND h : s.top) {
        Window* w = find(h);
        if (!w || !(w->style & WS_VISIBLE))
            continue;
        if (!out.empty())
            out += ", ";
        out += "window \"" + w->text + "\" of class \"" + (w->cls ? w->cls->name : std::string()) + "\"";
        if (w->dialog && !w->dialog->templateName.empty())
            out += " from template " + w->dialog->templateName;
    }
    return out.empty() ? "no window is visible" : "visible: " + out;
}

SIZE systemBaseUnits() { return SIZE{8, 16}; }

SIZE baseUnitsFor(const char* face, int pointSize) {
    std::string f = face ? face : "";
    if (machine::equalsNoCase(f, "System") || machine::equalsNoCase(f, "Fixedsys"))
        return systemBaseUnits();  // a raster font of one size
    if (pointSize <= 0)
        pointSize = 8;
    // MS Sans Serif 8 pt at 96 dpi: 6 x 13; other sizes scale with it.
    return SIZE{static_cast<LONG>((6 * pointSize + 4) / 8), static_cast<LONG>((13 * pointSize + 4) / 8)};
}

void reset() {
    if (raw().initialised)
        stopResidentPrograms();
    raw().initialised = false;
    initialise();
}

std::map<std::string, HWND>& residentWindows() { return S().residents; }

void ensureMachine() { (void)S(); }

void notifyScreenChanged() {
    if (Painter* p = GetPainter())
        p->screenChanged();
}


}  // namespace nv::user
