// The window manager's state: classes, windows, the one message queue, timers
// and the machine clock. Internal to platform/user; the Win32 functions in
// this folder are thin wrappers over it.
//
// Contract:
//  - Everything runs on one thread. Window records are looked up by handle
//    each time; never keep a Window* across a call into a window procedure,
//    since the procedure may destroy the window.
//  - Rectangles of child windows are kept relative to the parent's client
//    area; top-level windows in screen coordinates.
//  - The state belongs to the attached machine: attaching another machine
//    (or calling reset()) starts afresh, with the machine's foreign windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"
#include "platform/user/Painter.h"

namespace nv::user {

struct WndClass {
    std::string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int clsExtra = 0;
    int wndExtra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    std::string menuName;
    bool system = false;  // registered by the window manager itself
    ATOM atom = 0;
};

// Per-control data of the standard controls; each control keeps its own.
struct ControlData {
    virtual ~ControlData() = default;
};

struct DialogData {
    DLGPROC proc = nullptr;
    LONG_PTR msgResult = 0;
    LONG_PTR user = 0;
    bool ended = false;
    INT_PTR result = 0;
    UINT defId = 0;              // 0: none
    HWND savedFocus = nullptr;   // focus to give back on reactivation
    std::string templateName;    // resource name, empty for in-memory templates
    HFONT font = nullptr;
    SIZE baseUnits{6, 13};
    bool messageBox = false;
    UINT messageBoxStyle = 0;
    bool ownFont = false;
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WndClass> cls;
    WNDPROC proc = nullptr;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;       // child windows only
    HWND owner = nullptr;        // top-level windows only
    LONG_PTR id = 0;             // child: control id; top-level: menu
    HINSTANCE instance = nullptr;
    LONG_PTR userData = 0;
    std::vector<BYTE> extra;
    std::vector<HWND> children;  // front (top of the z-order) first
    RECT rect{};                 // window rectangle, parent-client coordinates
    RECT frame{};                // non-client widths: left, top, right, bottom
    bool hasUpdate = false;
    bool erase = false;
    bool ncDirty = false;        // the frame needs WM_NCPAINT
    RECT update{};               // client coordinates
    HFONT font = nullptr;
    bool destroying = false;
    std::unique_ptr<DialogData> dialog;
    std::unique_ptr<ControlData> control;
};

// ---- windows ----
Window* find(HWND hwnd);
Window& get(HWND hwnd);  // asserts that the handle is valid
bool isChild(const Window& w);
std::vector<HWND>& siblingsOf(const Window& w);
const std::vector<HWND>& topLevel();
HWND desktop();
std::shared_ptr<WndClass> findClass(std::string_view name, HINSTANCE instance);
Result<ATOM> registerClass(const WNDCLASSA& wc, bool system);
// Removes the class; false, and the class stays, while any window of it exists.
bool unregisterClass(const std::shared_ptr<WndClass>& cls);

struct CreateParams {
    DWORD exStyle = 0;
    std::string className;
    const char* title = nullptr;
    DWORD style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    HWND parent = nullptr;
    HMENU menu = nullptr;
    HINSTANCE instance = nullptr;
    LPVOID param = nullptr;
    // Set before WM_NCCREATE so that dialog procedures see their state.
    std::function<void(Window&)> prepare;
};
Result<HWND> createWindow(const CreateParams& p);
bool destroyWindow(HWND hwnd);

RECT screenRect(const Window& w);
RECT clientScreenRect(const Window& w);
POINT clientOrigin(const Window& w);  // screen coordinates
RECT frameFor(DWORD style, DWORD exStyle);
void moveWindow(HWND hwnd, int x, int y, int cx, int cy, bool repaint);
bool visible(const Window& w);        // the window and all its ancestors
bool enabledChain(const Window& w);   // the window and its top-level ancestor
HWND topLevelOf(HWND hwnd);
void bringToTop(HWND hwnd);
bool showWindow(HWND hwnd, int cmd);
bool enableWindow(HWND hwnd, bool enable);
HWND setFocus(HWND hwnd);
HWND focus();
HWND activeWindow();
void activate(HWND hwnd);
bool setText(HWND hwnd, std::string_view text);  // WM_SETTEXT through the procedure
std::string text(HWND hwnd);                     // WM_GETTEXT through the procedure
std::string className(HWND hwnd);
std::vector<HWND> descendants(HWND hwnd);        // depth first, in z-order

// ---- update regions ----
void invalidate(HWND hwnd, const RECT* r, bool erase);
void validate(HWND hwnd, const RECT* r);
// GetSystemMetrics without a trace line, for the stand-in's own use.
int systemMetric(int index);
void paintNow(HWND hwnd);  // UpdateWindow: WM_PAINT for the window and its children if due

// ---- messages ----
LRESULT send(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
bool post(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
// Input messages (keys, clicks) go to their own queue, after posted ones.
void postInput(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
void postQuit(int code);

enum class Fetch { Remove, Keep };
bool peek(MSG* msg, HWND filter, UINT first, UINT last, Fetch mode);
// Blocks (on the machine clock) until a message arrives. False on WM_QUIT.
bool get(MSG* msg, HWND filter, UINT first, UINT last);
LRESULT dispatch(const MSG* msg);
bool translate(const MSG* msg);
bool pendingInput();

// Who waits for a person while the queue is idle: set by modal loops. The
// handler returns true when something happened (an action was injected, the
// clock moved); false when it cannot help.
using IdleHandler = std::function<bool()>;
void pushIdleHandler(IdleHandler h);
void popIdleHandler();

// A person at a live screen (a desktop window on the host). While one is set,
// idle time passes in real time instead of jumping to the next timer:
//  - wait() blocks until the host brings input, `due` (machine clock) comes
//    or the run is stopped, moving the clock as host time passes; `waiting`
//    is the dialog or message box whose modal loop waits, if any;
//  - poll() takes what the host has now, for loops that poll (PeekMessage).
class LiveHost {
public:
    virtual ~LiveHost() = default;
    virtual void wait(std::optional<uint64_t> due, HWND waiting, WaitKind kind) = 0;
    virtual void poll() = 0;
};
void setLiveHost(LiveHost* host);  // not owned; nullptr: headless again
LiveHost* liveHost();

// ---- timers and the clock ----
uint64_t now();
void advanceClock(uint64_t to);
std::optional<uint64_t> nextTimerDue();
UINT_PTR setTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
bool killTimer(HWND hwnd, UINT_PTR id);

// ---- keyboard state, capture, cursor ----
void setKeyState(int vk, bool down);
bool keyDown(int vk);
HWND capture();
HWND setCapture(HWND hwnd);  // WM_CAPTURECHANGED to the window that loses it
struct CursorState {
    HCURSOR current = nullptr;
    int showCount = 0;  // the cursor shows while this is 0 or more
    POINT pos{0, 0};
};
CursorState& cursor();  // starts afresh with the machine, like the rest

// ---- modal loops and the run ----
// Disabled state of the run after an input source stopped it: modal loops
// end at once and GetMessage returns FALSE.
bool halted();
void halt();
// Called when the program waits for a message that nothing can produce.
// The default prints the reason and halts the run.
using StallHandler = std::function<void(const std::string&)>;
void setStallHandler(StallHandler h);  // this run only (cleared by reset)
void setDefaultStallHandler(StallHandler h);  // every run
// Reports through the stall handler and halts the run.
void stall(const std::string& why);
// Describes, for diagnostics, what the program is waiting in.
std::string describeWaiting();

// Fonts and base units of dialogs (through the painter when there is one).
SIZE baseUnitsFor(const char* face, int pointSize);
SIZE systemBaseUnits();

// Starts afresh (tests): the resident programs are stopped and started again.
void reset();
// Makes sure the attached machine's window manager has started.
void ensureMachine();

// The running resident programs of the attached machine, by class name
// (ResidentProgram.cpp keeps it; the window manager clears it on reset).
std::map<std::string, HWND>& residentWindows();
// Called by destroyWindow before anything else: stops a resident program
// whose window this is.
void residentWindowGoing(HWND hwnd);

void notifyScreenChanged();

}  // namespace nv::user
