// Program Manager's window: a top-level window of class "Progman" that is a
// DDE server for application and topic "PROGMAN" and runs the execute strings
// with Shell.
//
// The conversation follows the DDE rules:
//  - WM_DDE_INITIATE for "PROGMAN" (or a NULL atom) and "PROGMAN" (or NULL)
//    is answered with a sent WM_DDE_ACK carrying new atoms of the server's,
//    which the client deletes.
//  - WM_DDE_EXECUTE runs the command string of the client's block and posts
//    WM_DDE_ACK with the status (fAck 0x8000 set or clear) and the same block
//    packed in lParam; the client frees the block.
//  - WM_DDE_TERMINATE is answered with WM_DDE_TERMINATE and ends the
//    conversation; a window destroyed normally posts WM_DDE_TERMINATE to
//    every partner.
// Faults (the machine's progmanFault setting): no acknowledgement of an execute (nothing runs);
// the acknowledgement N ms of machine time after the execute (the commands
// run then); the window closed abruptly at the Nth execute, without an
// acknowledgement or WM_DDE_TERMINATE.
#pragma once

#include <windows.h>

#include "platform/core/Machine.h"

namespace nv::progman {

inline constexpr const char* kClassName = "Progman";
inline constexpr const char* kTitle = "Program Manager";

LRESULT CALLBACK ProgmanWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Adds Program Manager to the programs the stand-in hosts (user/
// ResidentProgram.h): on every machine whose settings say it runs
// (progman=1), its window is there, hidden until someone shows it, from the
// moment the window manager starts for the machine. Call it once, before
// attaching a machine (the launcher and the tests do); calling it again
// changes nothing.
void registerProgramManager();
// Program Manager's window on the attached machine, or NULL.
HWND programManagerWindow();

}  // namespace nv::progman
