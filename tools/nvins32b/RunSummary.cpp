#include "tools/nvins32b/RunSummary.h"

#include "platform/core/Shutdown.h"

namespace nv::launcher {

std::string describeOutcome(int runResult, bool win95NoteOnly) {
    if (win95NoteOnly)
        return "only the note for Windows 95 users was shown; nothing was installed";
    switch (runResult) {
    case 0: return "nothing was installed or removed";
    case 1: return "the driver installation failed";
    case 2: return "the driver was not removed";
    case 3: return "the driver was removed";
    case 4: return "the driver installation finished";
    case 5: return "the driver installation finished; Windows must restart for it to take effect";
    default: return "unknown outcome";
    }
}

std::string describeRunEnd(const RunEnd& end) {
    std::string out = "nvins32b: outcome: ";
    if (!end.stoppedBecause.empty())
        out += "the run was stopped before its end (" + end.stoppedBecause + "); so far: ";
    else if (!end.finishReached && end.runResult != 0)
        // The window went without its finish (the program groups could not
        // be made): the person was shown no outcome at all.
        out += "the run ended before its finish, without an outcome message; so far: ";
    out += describeOutcome(end.runResult, end.win95NoteOnly) + " (runResult " + std::to_string(end.runResult) + ")\n";
    out += "nvins32b: end of Windows: ";
    out += end.shutdownRequest.empty() ? std::string("not asked for")
                                       : "asked for: " + machine::describeShutdown(end.shutdownRequest);
    out += "\nnvins32b: exit status " + std::to_string(end.exitStatus) + "\n";
    return out;
}

}  // namespace nv::launcher
