// The resident programs: the list of programs the stand-in can host, and
// their start and stop on the attached machine's window manager.
#include "platform/user/ResidentProgram.h"

#include <algorithm>

#include "platform/core/Machine.h"
#include "platform/core/Trace.h"
#include "platform/user/WindowManager.h"

namespace nv::user {
namespace {

std::vector<ResidentProgram>& programs() {
    static std::vector<ResidentProgram> v;  // the code of the programs, shared by every machine
    return v;
}

// Windows of other programs named by the machine's settings, with no program
// of the stand-in behind them: a class of their own and the default procedure.
const HINSTANCE kForeignInstance = reinterpret_cast<HINSTANCE>(uintptr_t{0x7A000000});

const ResidentProgram* programFor(std::string_view className) {
    for (const auto& p : programs())
        if (machine::equalsNoCase(p.className, className))
            return &p;
    return nullptr;
}

bool runsOn(const ResidentProgram& p, const machine::Machine& m) { return !p.runs || p.runs(m); }

// Whether the machine's settings name a window of this class.
const machine::ForeignWindow* settingsWindow(const machine::Machine& m, std::string_view className) {
    for (const auto& fw : m.settings().windows)
        if (machine::equalsNoCase(fw.className, className))
            return &fw;
    return nullptr;
}

int screenWidth(const machine::Machine& m) { return m.settings().screenWidth; }
int screenHeight(const machine::Machine& m) { return m.settings().screenHeight; }

HWND makeTopLevel(const std::string& className, const std::string& title, DWORD style, HINSTANCE instance,
                  int slot, const machine::Machine& m) {
    CreateParams p;
    p.className = className;
    p.title = title.c_str();
    p.style = style;
    p.x = 20 * slot;
    p.y = 20 * slot;
    p.cx = screenWidth(m) / 2;
    p.cy = screenHeight(m) / 2;
    p.instance = instance;
    auto made = createWindow(p);
    return made ? *made : nullptr;
}

void startOne(const ResidentProgram& p, machine::Machine& m, int slot) {
    auto& running = residentWindows();
    if (running.count(p.className))
        return;
    if (!findClass(p.className, kResidentInstance)) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = p.proc;
        trace::internalProcedure(p.proc);  // another program: its calls are not the installer's
        wc.hInstance = kResidentInstance;
        wc.cbWndExtra = p.wndExtra;
        wc.lpszClassName = p.className.c_str();
        if (!registerClass(wc, false))
            return;
    }
    const machine::ForeignWindow* fw = settingsWindow(m, p.className);
    std::string title = fw ? fw->title : p.title;
    HWND h = makeTopLevel(p.className, title, p.style, kResidentInstance, slot, m);
    if (!h)
        return;
    running[p.className] = h;
    if (p.start)
        p.start(h);
}

}  // namespace

void registerResidentProgram(ResidentProgram program) {
    auto& v = programs();
    auto it = std::find_if(v.begin(), v.end(),
                           [&](const ResidentProgram& p) { return machine::equalsNoCase(p.className, program.className); });
    std::string name = program.className;
    if (it != v.end())
        *it = std::move(program);
    else
        v.push_back(std::move(program));
    machine::Machine* m = machine::current();
    if (!m)
        return;
    const ResidentProgram* p = programFor(name);
    if (runsOn(*p, *m))
        startOne(*p, *m, static_cast<int>(m->settings().windows.size() + residentWindows().size()));
}

void unregisterResidentProgram(const std::string& className) {
    if (machine::current()) {
        if (HWND h = residentWindow(className))
            destroyWindow(h);  // stops it first
    }
    auto& v = programs();
    v.erase(std::remove_if(v.begin(), v.end(),
                           [&](const ResidentProgram& p) { return machine::equalsNoCase(p.className, className); }),
            v.end());
}

const std::vector<ResidentProgram>& residentPrograms() { return programs(); }

HWND residentWindow(const std::string& className) {
    for (auto& [name, h] : residentWindows())
        if (machine::equalsNoCase(name, className))
            return find(h) ? h : nullptr;
    return nullptr;
}

void startResidentPrograms() {
    machine::Machine* m = machine::current();
    if (!m)
        return;
    int slot = 0;
    // The machine's other programs first, in the order its settings give them.
    for (const auto& fw : m->settings().windows) {
        const ResidentProgram* p = programFor(fw.className);
        if (p && runsOn(*p, *m)) {
            startOne(*p, *m, slot++);
            continue;
        }
        if (!findClass(fw.className, kForeignInstance)) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = kForeignInstance;
            wc.lpszClassName = fw.className.c_str();
            (void)registerClass(wc, false);
        }
        (void)makeTopLevel(fw.className, fw.title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, kForeignInstance, slot++, *m);
    }
    for (const auto& p : programs())
        if (runsOn(p, *m))
            startOne(p, *m, slot++);
}

void residentWindowGoing(HWND hwnd) {
    auto& running = residentWindows();
    for (auto it = running.begin(); it != running.end(); ++it) {
        if (it->second != hwnd)
            continue;
        std::string name = it->first;
        running.erase(it);
        if (const ResidentProgram* p = programFor(name); p && p->stop)
            p->stop(hwnd);
        return;
    }
}

void stopResidentPrograms() {
    if (!machine::current())
        return;
    // Each stop may destroy windows or stop others: look the list up each time.
    for (;;) {
        auto& running = residentWindows();
        if (running.empty())
            return;
        auto [name, h] = *running.begin();
        running.erase(running.begin());
        if (const ResidentProgram* p = programFor(name); p && p->stop && find(h))
            p->stop(h);
    }
}

}  // namespace nv::user
