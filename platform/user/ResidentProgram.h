// Resident programs of the simulated machine: other programs that run beside
// the installer (Program Manager, for one) and are reached through their
// windows. Each is hosted by window class: its window procedure runs in the
// same message system as the program's windows, so SendMessage, PostMessage,
// FindWindowA and DDE reach it as they would on Windows.
//
// Contract:
//  - registerResidentProgram() adds a program to the process-wide list of
//    programs the stand-in can host (the code, not a running copy). A second
//    registration of the same class name replaces the first. Register before
//    attaching a machine; a program registered while a machine is attached
//    starts on that machine at once when it runs there.
//  - Each machine runs its own copy: when the window manager starts for a
//    machine (attach, reset()), every program whose `runs` says so for that
//    machine gets its class registered under `kResidentInstance` and one
//    top-level window of `style` created with `title`; `start` is then
//    called with the window. A machine never sees another machine's copy.
//  - A window of the machine's settings (`window=CLASS,TITLE`) whose class is
//    a resident program's becomes that program's window: it is not made a
//    second time as an inert one, and the settings' title wins.
//  - `stop` is called, with the machine still attached and the window still
//    there, before the window manager drops the program: on reset(), when
//    the machine is detached or replaced, and when something destroys the
//    program's window (before its WM_DESTROY). At most once per start.
//  - What a program keeps between runs lives where Windows 95 keeps it (the
//    machine's files and registry); what it keeps while running belongs to
//    its window (window extra bytes, the program's own per-machine state).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace nv::machine {
class Machine;
}

namespace nv::user {

// The instance handle of resident programs' classes and windows.
inline const HINSTANCE kResidentInstance = reinterpret_cast<HINSTANCE>(uintptr_t{0x7B000000});

struct ResidentProgram {
    std::string className;  // e.g. "Progman"
    std::string title;      // e.g. "Program Manager"
    WNDPROC proc = nullptr;
    DWORD style = WS_OVERLAPPEDWINDOW;  // add WS_VISIBLE for a program that shows on screen
    int wndExtra = 0;
    // Whether the program runs on this machine (its settings say so); unset: always.
    std::function<bool(const machine::Machine&)> runs;
    std::function<void(HWND)> start;  // optional
    std::function<void(HWND)> stop;   // optional
};

void registerResidentProgram(ResidentProgram program);
// Removes a program from the list; a running copy is stopped and its window destroyed.
void unregisterResidentProgram(const std::string& className);
// The registered programs, in registration order.
const std::vector<ResidentProgram>& residentPrograms();
// The running window of a resident program on the attached machine, or NULL.
HWND residentWindow(const std::string& className);

// Window manager side: starts the programs that run on the attached machine
// (and the inert windows of the machine's other programs); stops them.
void startResidentPrograms();
void stopResidentPrograms();

}  // namespace nv::user
