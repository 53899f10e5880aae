// An optional trace of the Win32 calls the program makes, in the order it
// makes them: the audit record of a run. The launcher sends it to a file
// (--trace, UTF-8); tests capture it in memory (the machine's Windows-1252).
//
// A call inside which nothing else is traced is one line:
//   Name(arg, arg, ...) = result
//   Name(arg, ...) = result [out, ...]     with what it wrote for the program
// A call during which the program's own code runs (a window, dialog, hook,
// timer or enumeration procedure called by the system) opens a block when
// that code makes its first call; those calls follow, indented two spaces for
// each open call, and the block closes with the result:
//   DialogBoxParamA(0x400000, #101, 0x10002, 0) {
//     SetDlgItemTextA(0x10004, 1001, "C:\\WINDOWS") = 1
//   } DialogBoxParamA = 1
// Strings are quoted with their control characters escaped (\n, \r, \t,
// \xNN), so every event is one line; NULL pointers print as NULL, resource
// ordinals as #N, other pointers in hex, integers in decimal. A run that ends
// inside a call (a stopped run, the file closed) still shows the call's
// opening line.
//
// Only the program's calls are recorded. Every edge function opens a Scope
// first thing; a Scope opened while another edge function runs is the
// stand-in's own work and leaves no line. Where the stand-in calls the
// program's code, a Callback scope makes the program's calls count again.
//
//   HFILE WINAPI OpenFile(LPCSTR name, LPOFSTRUCT of, UINT style) {
//       NV_TRACE_ENTER("OpenFile", name, style);
//       ...
//       NV_TRACE_RESULT(result);
//       return result;
//   }
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace nv::trace {

bool enabled();
// Sends lines to a file, which is emptied first so that it holds one run;
// an empty path turns file output off. Closing writes the opening lines of
// calls still running, so a run stopped inside a call shows that call.
bool openFile(const std::string& path);
void closeFile();
// Captures lines in memory (tests). Returns what was captured so far.
void startCapture();
std::vector<std::string> stopCapture();
const std::vector<std::string>& captured();
// Writes a line as it stands (after the opening lines of the calls it is
// nested in), indented to the calls open around it.
void emit(const std::string& line);

// What the stand-in does for the host rather than for the program (painting
// the desktop window, screenshots, a person's input, other programs of the
// machine) is recorded by nothing while a Quiet object lives. Nests.
class Quiet {
public:
    Quiet();
    ~Quiet();
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;
};

namespace detail {
// A quoted text, its control characters escaped (\n, \r, \t, \xNN) so that
// every call stays on one line.
void quote(std::ostringstream& os, std::string_view s);
inline void put(std::ostringstream& os, const char* s) {
    if (!s) {
        os << "NULL";
    } else if (reinterpret_cast<std::uintptr_t>(s) < 0x10000) {
        os << "#" << reinterpret_cast<std::uintptr_t>(s);  // MAKEINTRESOURCE
    } else {
        quote(os, s);
    }
}
inline void put(std::ostringstream& os, char* s) { put(os, static_cast<const char*>(s)); }
inline void put(std::ostringstream& os, const std::string& s) { quote(os, s); }
inline void put(std::ostringstream& os, std::string_view s) { quote(os, s); }
inline void put(std::ostringstream& os, std::nullptr_t) { os << "NULL"; }
template <typename T>
void put(std::ostringstream& os, const T& v) {
    if constexpr (std::is_pointer_v<T>) {
        if (!v)
            os << "NULL";
        else
            os << "0x" << std::hex << reinterpret_cast<std::uintptr_t>(v) << std::dec;
    } else if constexpr (std::is_enum_v<T>) {
        os << static_cast<long long>(v);
    } else if constexpr (std::is_same_v<T, bool>) {
        os << (v ? "TRUE" : "FALSE");
    } else if constexpr (std::is_integral_v<T> && sizeof(T) == 1) {
        os << static_cast<int>(v);
    } else {
        os << v;
    }
}
template <typename... Args>
void list(std::ostringstream& os, const Args&... args) {
    bool first = true;
    ((os << (first ? "" : ", "), put(os, args), first = false), ...);
}

// The bookkeeping behind Scope and Callback (Trace.cpp).
extern bool gOn;  // a file or a capture is open; nothing else is looked at when not
bool enter();     // true when the call is the program's and gets a line
void begin(const char* name, std::string args);
void end(std::string result);  // the innermost recorded call returned
void leave();                  // an unrecorded call returned
}  // namespace detail

// Opened first thing in an edge function; records the call when the program
// made it (not the stand-in from inside another call). The arguments are
// those the program passed in; what the call writes for the program goes to
// result(). A call that returns without result() shows "= ?". A null name
// records nothing but still marks what runs inside as the stand-in's.
class Scope {
public:
    template <typename... Args>
    explicit Scope(const char* name, const Args&... args) {
        if (!detail::gOn)
            return;
        state_ = detail::enter() && name ? State::Recorded : State::Inner;
        if (state_ == State::Recorded) {
            std::ostringstream os;
            detail::list(os, args...);
            detail::begin(name, os.str());
        }
    }
    ~Scope() {
        if (state_ == State::Recorded)
            detail::end(result_.empty() ? std::string("?") : std::move(result_));
        else if (state_ == State::Inner)
            detail::leave();
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

    // The result, then what the call wrote into the program's buffers.
    template <typename R, typename... Outs>
    void result(const R& r, const Outs&... outs) {
        if (state_ != State::Recorded)
            return;
        std::ostringstream os;
        detail::put(os, r);
        if constexpr (sizeof...(Outs) > 0) {
            os << " [";
            detail::list(os, outs...);
            os << ']';
        }
        result_ = os.str();
    }

private:
    enum class State { Off, Inner, Recorded };
    State state_ = State::Off;
    std::string result_;
};

// Opened where the stand-in calls code of the program (its window, dialog,
// hook, timer or enumeration procedures): the program's calls from there are
// recorded again, nested in the call that led to them. The stand-in's own
// procedures (its control classes, the message box, other programs of the
// machine) are named once with internalProcedure() and stay unrecorded.
class Callback {
public:
    explicit Callback(const void* procedure) {
        if (detail::gOn)
            open(procedure);
    }
    template <typename F>
    explicit Callback(F* procedure) : Callback(reinterpret_cast<const void*>(procedure)) {}
    ~Callback() {
        if (opened_)
            close();
    }
    Callback(const Callback&) = delete;
    Callback& operator=(const Callback&) = delete;

private:
    void open(const void* procedure);
    void close();
    bool opened_ = false;
    int savedDepth_ = 0;
};

void internalProcedure(const void* procedure);
template <typename F>
void internalProcedure(F* procedure) {
    internalProcedure(reinterpret_cast<const void*>(procedure));
}

}  // namespace nv::trace

#define NV_TRACE_ENTER(name, ...) ::nv::trace::Scope nvTraceScope_(name, ##__VA_ARGS__)
#define NV_TRACE_RESULT(...) nvTraceScope_.result(__VA_ARGS__)
// For an edge function that is not recorded itself (DefWindowProcA): what it
// calls is still the stand-in's work.
#define NV_TRACE_GUARD() ::nv::trace::Scope nvTraceScope_(nullptr)
