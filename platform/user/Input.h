// The people at the keyboard: where the input of dialogs and message boxes
// comes from. Input reaches the program only as input messages (keys to the
// focused control, clicks on controls) through the dialog manager and the
// message-filter hook; no source calls a dialog procedure or picks a result.
//
// Sources (one at a time):
//  - an answer file (docs/answer-files.md): each step names what it expects
//    to come up and what to do; a step that does not match stops the run
//    with a message naming what came up;
//  - the console: each wait prints the dialog and reads the next action in
//    the answer-file syntax (short forms allowed); works through a pipe;
//  - record mode: wraps the console and writes what was done as an answer
//    file that replays the run.
// When the input ends while a dialog waits, the run stops with a message
// and an exit status of its own; it never guesses.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "platform/core/Result.h"

#include <windef.h>

namespace nv::user::input {

enum class Status {
    Running,     // no stop so far
    InputEnded,  // the answers or the console input ran out while a dialog waited
    Mismatch,    // an answer-file step did not match what came up, or could not be done
    Stalled,     // the program waited for something that nothing could bring
    Closed,      // the person closed the desktop window the run was shown in
};

// Exit statuses of a stopped run, distinct from the program's own results.
constexpr int kExitInputEnded = 3;
constexpr int kExitMismatch = 4;
constexpr int kExitStalled = 5;
constexpr int kExitClosed = 6;
int exitStatus(Status s);

// Reads and checks the whole file first; errors name the file and line.
Result<void> UseAnswerFile(const std::string& path);
// The same from text (`name` is used in messages).
Result<void> UseAnswerText(const std::string& text, const std::string& name);
void UseConsole(FILE* in, FILE* out);
// Writes every action taken from now on (normally with the console) as an
// answer file. Call after choosing the source. `origin` names the kind of run
// in the file's first line.
Result<void> RecordTo(const std::string& path, const std::string& origin = "a console run");
// With no source and a live host (a desktop window), dialogs wait for the
// person at the window; what the host translates into input it reports here
// as actions, so that record mode can write them. `waiting` is the dialog or
// message box the action was done in.
struct Action;
void RecordAction(HWND waiting, const Action& action);
bool Recording();

// Puts a disk (a folder of the machine directory) into a removable drive, or
// takes it out; what the answer files' insert and eject do.
Result<void> InsertDisk(char drive, const std::string& folder);
Result<void> EjectDisk(char drive);

// Stops the run as a source would (see SetStopHandler); the first stop wins.
void Stop(Status s, const std::string& why);
// No source: dialogs that wait stop the run as stalled.
void UseNone();

// How long a person takes to act, in machine-clock milliseconds: timers due
// within this time after a dialog starts waiting fire before the action.
void SetReactionTime(uint32_t ms);

Status status();
const std::string& stopMessage();
// Steps of the answer file that were never used, described (empty if none).
std::string unusedAnswers();

// Called once when the run is stopped. The default prints the message to
// standard error, tells the wait observers that the run ended and exits the
// process with exitStatus(). A handler that returns leaves the window
// manager halted: modal loops end with -1 and GetMessageA returns FALSE.
using StopHandler = std::function<void(Status, const std::string&)>;
void SetStopHandler(StopHandler handler);

}  // namespace nv::user::input
