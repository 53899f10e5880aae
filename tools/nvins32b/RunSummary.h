// The launcher's last words on standard error: how the installer's run
// ended (its outcome, from runResult), whether it asked for an end of
// Windows and how, and the exit status it ends with.
#pragma once

#include <string>

namespace nv::launcher {

struct RunEnd {
    int runResult = 0;           // the installer's outcome code (0 to 5)
    bool win95NoteOnly = false;  // the run only showed the Windows 95 note
    std::string shutdownRequest; // the machine's record of an ExitWindowsEx call, "" when none
    std::string stoppedBecause;  // "" unless the input stopped the run
    bool finishReached = true;   // the finish stage ran (it shows the outcome)
    int exitStatus = 0;
};

// The outcome in words, e.g. "the driver installation finished".
std::string describeOutcome(int runResult, bool win95NoteOnly);
// Three lines, each starting with "nvins32b: ".
std::string describeRunEnd(const RunEnd& end);

}  // namespace nv::launcher
