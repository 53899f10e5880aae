// An optional trace of every Win32 call the program makes: one line per call,
// "Name(arg, arg, ...) = result". Strings are quoted with their control
// characters escaped, NULL pointers print as NULL, integers in decimal. The
// file is UTF-8; captured lines keep the machine's Windows-1252. The launcher sends it to a file (--trace); tests
// capture it in memory and compare call sequences.
//
//   NV_TRACE_CALL("OpenFile", result, lpFileName, uStyle);
#pragma once

#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace nv::trace {

bool enabled();
// Sends lines to a file, which is emptied first so that it holds one run;
// an empty path turns file output off.
bool openFile(const std::string& path);
void closeFile();
// Captures lines in memory (tests). Returns what was captured so far.
void startCapture();
std::vector<std::string> stopCapture();
const std::vector<std::string>& captured();
void emit(const std::string& line);

// Calls that the stand-in makes for itself (inside another Win32 function,
// painting controls and frames, screenshots) are not the program's: while a
// Quiet object lives, nothing is recorded, so each call of the program is one
// line and a run traces the same with or without pictures. Nests.
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
}  // namespace detail

template <typename R, typename... Args>
void call(const char* name, const R& result, const Args&... args) {
    if (!enabled())
        return;
    std::ostringstream os;
    os << name << '(';
    bool first = true;
    ((os << (first ? "" : ", "), detail::put(os, args), first = false), ...);
    os << ") = ";
    detail::put(os, result);
    emit(os.str());
}

}  // namespace nv::trace

#define NV_TRACE_CALL(name, result, ...) ::nv::trace::call(name, result, ##__VA_ARGS__)
