// The window manager's state and the helpers its files share. Internal to
// the window manager's files (WindowManager, WindowTree, Activation,
// UpdateRegion, MessageQueue, Timers); everything else goes through
// WindowManager.h.
#pragma once

#include <windows.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/user/WindowManager.h"

namespace nv::user::detail {

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT elapse = 0;
    TIMERPROC proc = nullptr;
    uint64_t due = 0;
};

struct State {
    bool initialised = false;
    std::vector<std::shared_ptr<WndClass>> classes;
    std::unordered_map<HWND, std::unique_ptr<Window>> windows;
    std::vector<HWND> top;  // front first
    HWND desktop = nullptr;
    uintptr_t nextHandle = 0x10020;
    std::deque<MSG> posted;
    std::deque<MSG> input;
    bool quit = false;
    int quitCode = 0;
    std::vector<Timer> timers;
    UINT_PTR nextThreadTimer = 0x7F00;
    uint64_t clock = 0;
    HWND focus = nullptr;
    HWND active = nullptr;
    HWND capture = nullptr;
    CursorState cursor;
    bool keys[256] = {};
    std::vector<IdleHandler> idle;
    bool halted = false;
    ATOM nextAtom = 0xC000;
    StallHandler stall;
    std::map<std::string, HWND> residents;  // running resident programs by class name
};

// The window manager of one machine: made on the machine's first window call,
// dropped with the machine, so that no window, class, timer or input of one

// The attached machine's state, started on first use.
State& S();
// The state as it is, not started (for the start itself).
State& raw();
HWND newHandle();
int screenWidth();
int screenHeight();

// Window tree.
RECT clientRectLocal(const Window& w);
// Activation: the window to activate when `going` goes.
HWND nextActive(HWND going);
// Update regions: a visible window that needs painting, parents first.
HWND findPaintable(const std::vector<HWND>& list, HWND filter);
// Message queue: message filters of PeekMessage and GetMessage.
bool inRange(UINT msg, UINT first, UINT last);
bool matchesFilter(HWND target, HWND filter);
// Timers.
void killTimersOf(HWND hwnd);

}  // namespace nv::user::detail
