// nvins32b: runs the installer on a simulated machine (see
// LauncherOptions.h for the command line). It ends by saying on standard
// error how the run ended (RunSummary.h). Its exit status is the program's; 2 for a bad command line or answer file, 3 when the machine,
// the trace or the screenshot folder cannot be opened, and the input
// sources' own statuses (3 input ended, 4 mismatch, 5 stalled) when a run
// was stopped because nobody could answer, 6 when its window was closed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/HostText.h"
#include "tools/ToolMain.h"
#include "platform/core/Machine.h"
#include "platform/core/Shutdown.h"
#include "platform/core/Trace.h"
#include "platform/gdi/Screenshot.h"
#include "platform/progman/ProgmanWindow.h"
#include "platform/user/Input.h"
#include "platform/user/Painter.h"
#include "tools/loader/ProgramResources.h"
#include "startup/Startup.h"
#include "tools/nvins32b/DialogTryout.h"
#include "tools/nvins32b/LauncherOptions.h"
#include "tools/nvins32b/RunSummary.h"
#if NV_HAVE_WINDOW
#include "tools/window/LiveWindow.h"
#endif
#include "shared/InstallState.h"

namespace {

// Where a Win32 program's image is loaded; the program's resources are
// registered under its instance handle.
const HINSTANCE kProgramInstance = reinterpret_cast<HINSTANCE>(0x400000);

int fail(int status, const std::string& message) {
    std::fprintf(stderr, "nvins32b: %s\n", message.c_str());
    return status;
}

enum class RunKind { Installer, DialogTryout };

// Why the input stopped the run, in a few words.
std::string stopCause(nv::user::input::Status s) {
    using nv::user::input::Status;
    switch (s) {
    case Status::InputEnded: return "the answers ran out";
    case Status::Mismatch: return "an answer did not fit";
    case Status::Stalled: return "the program waited for what nothing could send";
    case Status::Closed: return "its window was closed";
    case Status::Running: break;
    }
    return "";
}

// What every run does at its end, stopped or not: the wait observers are
// told, the trace is closed, unused answers are named, the machine is saved,
// and an installer run says on standard error how it ended. Returns the exit
// status: the program's, or the input's stop status.
int endRun(nv::machine::Machine& m, RunKind kind, int status) {
    using namespace nv;
    namespace input = nv::user::input;
    user::NotifyRunEnded();
    trace::closeFile();
    // After a stop the rest of the file is unused anyway.
    std::string unused = input::status() == input::Status::Running ? input::unusedAnswers() : "";
    if (!unused.empty())
        std::fprintf(stderr, "nvins32b: answers not used:\n%s", text::ansiToUtf8(unused).c_str());
    std::string request = m.settings().shutdownRequest;
    if (kind == RunKind::DialogTryout && !request.empty())
        std::printf("nvins32b: the installer asked for an end of Windows: %s\n", machine::describeShutdown(request).c_str());
    if (auto saved = m.save(); !saved)
        std::fprintf(stderr, "nvins32b: %s\n", saved.error().message.c_str());
    if (input::status() != input::Status::Running)
        status = input::exitStatus(input::status());
    if (kind == RunKind::Installer) {
        launcher::RunEnd end{state.runResult, state.win95NoteOnly == 1, request, stopCause(input::status()),
                             state.finishReached == 1, status};
        std::fputs(launcher::describeRunEnd(end).c_str(), stderr);
    }
    std::fflush(stdout);
    return status;
}

}  // namespace

static int runTool(int argc, char** argv) {
    using namespace nv;
    namespace input = nv::user::input;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(launcher::kHelp, stdout);
        return 0;
    }
    auto parsed = launcher::parseOptions(args);
    if (!parsed.options) {
        std::fprintf(stderr, "nvins32b: %s\n%s", parsed.error.c_str(), launcher::kUsage);
        return 2;
    }
    const launcher::Options& o = *parsed.options;
    if (!o.dialog.empty() && !IsTryoutDialog(o.dialog)) {
        std::fprintf(stderr, "nvins32b: unknown dialog '%s'\n%s", o.dialog.c_str(), launcher::kUsage);
        return 2;
    }

    if (o.input == launcher::InputKind::Window) {
#if NV_HAVE_WINDOW
        // Without a display there is nothing to show: say so before anything runs.
        if (std::string why = window::MissingDisplay(); !why.empty())
            return fail(3, why);
#else
        return fail(3, "--window: this build has no desktop window (SDL2 was missing when it was configured)");
#endif
    }

    // The machine's other programs, hosted as its settings say.
    progman::registerProgramManager();
    auto opened = machine::Machine::open(o.machineDir);
    if (!opened)
        return fail(3, opened.error().message);
    machine::attach(std::move(opened.value()));
    machine::Machine& m = machine::currentOrDie();
    m.modulePath = launcher::modulePathFor(o.fromDir);
    // A request to end Windows is honoured by the time a program starts again.
    m.settings().shutdownRequest.clear();
    // Started from that folder, as from a file window: it is the current
    // directory too (an uninstall start copies INSTALL.INF there).
    if (auto cd = m.setCurrentDirectory(o.fromDir); !cd)
        return fail(3, "cannot start from '" + o.fromDir + "': " + cd.error().message);

    switch (o.input) {
    case launcher::InputKind::Answers:
        if (auto used = input::UseAnswerFile(o.answersFile); !used)
            return fail(2, used.error().message);
        break;
    case launcher::InputKind::Console:
        input::UseConsole(stdin, stdout);
        break;
    case launcher::InputKind::Window:
        input::UseNone();  // the person at the window answers
        break;
    case launcher::InputKind::None:
        // Recording needs someone to record: the console.
        if (o.recordFile.empty())
            input::UseNone();
        else
            input::UseConsole(stdin, stdout);
        break;
    }
    if (!o.recordFile.empty()) {
        std::string origin = o.input == launcher::InputKind::Window ? "a run in the desktop window" : "a console run";
        if (auto recording = input::RecordTo(o.recordFile, origin); !recording)
            return fail(3, recording.error().message);
    }
    // A stopped run ends here and now: once nobody answers, the program
    // would go on with every dialog failing, and a loop that pumps messages
    // between files would spin on WM_QUIT for ever. The machine is saved as
    // the run left it, so that what it did so far can be looked at.
    const RunKind kind = o.dialog.empty() ? RunKind::Installer : RunKind::DialogTryout;
    input::SetStopHandler([&m, kind](input::Status s, const std::string& why) {
        std::fprintf(stderr, "%s\n", text::ansiToUtf8(why).c_str());
        std::fflush(stderr);
        std::exit(endRun(m, kind, input::exitStatus(s)));
    });

    if (!o.screenshotsDir.empty()) {
        if (auto shots = gdi::EnableScreenshots(o.screenshotsDir); !shots)
            return fail(3, shots.error().message);
    }
    if (!o.traceFile.empty()) {
        // The trace appends; a run's file holds that run alone.
        if (std::FILE* f = std::fopen(o.traceFile.c_str(), "w"))
            std::fclose(f);
        if (!trace::openFile(o.traceFile))
            return fail(3, "cannot write the trace file '" + o.traceFile + "'");
    }

#if NV_HAVE_WINDOW
    std::unique_ptr<window::LiveWindow> shown;
    if (o.input == launcher::InputKind::Window) {
        auto window = window::LiveWindow::open({o.scale, "Norvalk Driver Installation", true});
        if (!window)
            return fail(3, window.error().message);
        shown = std::move(*window);
    }
#endif

    // What the executable's resource section holds: strings, dialogs, the title bitmap.
    RegisterProgramResources(kProgramInstance);
    int status = kind == RunKind::Installer ? InstallerMain(kProgramInstance, o.programArgs.c_str(), SW_SHOWNORMAL)
                                  : RunDialogTryout(kProgramInstance, o.dialog, o.programArgs.c_str());

#if NV_HAVE_WINDOW
    shown.reset();
#endif
    status = endRun(m, kind, status);
    machine::detach();
    return status;
}

int main(int argc, char** argv) {
    return nv::tool::guardedMain("nvins32b", 3, [&] { return runTool(argc, argv); });
}
