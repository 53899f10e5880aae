// The desktop window of a run: shows the machine's screen as it changes and
// turns the mouse and keys in it into the machine's own input (see
// InputTranslator.h), through SDL2.
//
// While it is open it is the window manager's live host: idle time passes
// in real time (timers fire when they are due on the host's clock), the
// caret of a focused edit field blinks, and the mouse cursor follows the
// program's (the wait cursor while it sets one).
//
// Disks: Ctrl+1 .. Ctrl+9 put disk N into A: (the folder of the disk in A:,
// or of the last one, with its trailing number replaced by N; else the
// machine directory's disks/DISKN), Ctrl+E takes the disk out. Commands on standard input (one a line) do the same and
// more, for scripts and tests:
//   insert A: FOLDER   eject A:      a folder of the machine directory
//   waiting            which dialog or message box waits: "window: waiting
//                      HANDLE HEADER" (HEADER as an answer file names it),
//                      or "window: waiting none"
//   where CONTROL      where a control of the waiting dialog is (by id or
//                      quoted text): "window: where CONTROL X Y W H ROWH TOP
//                      "TEXT"", its client area on the screen and, for a
//                      list, its row height and first row shown (else 0 0)
//   screenshot FILE    the screen as a PNG, exactly as the window shows it;
//                      the caret stays lit until the next input
//   close              as closing the window
// Closing the window stops the run (exit status 6); the program unwinds
// through its own loops and the launcher saves the machine.
#pragma once

#include <memory>
#include <string>

#include "platform/core/Result.h"

namespace nv::window {

struct WindowOptions {
    int scale = 1;                // 1 or 2 (host pixels per machine pixel)
    std::string title;            // the program's name
    bool commandsOnStdin = true;  // read the commands above from standard input
};

class LiveWindow {
public:
    // Fails at once, with a message saying why, when there is no display.
    static Result<std::unique_ptr<LiveWindow>> open(const WindowOptions& options);
    virtual ~LiveWindow() = default;
    // Shows the screen as it is now (the run's end).
    virtual void present() = 0;
};

// Why a window cannot be opened here, or empty when a display is named.
std::string MissingDisplay();

}  // namespace nv::window
