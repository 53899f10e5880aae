// The outermost frame of every tool: whatever escapes the tool's own checks
// (an allocation failure, a stream that throws) ends as one line on stderr
// naming the tool and the error, and the tool's status for errors, never as
// an abort with a core dump.
#pragma once

#include <cstdio>
#include <exception>

namespace nv::tool {

template <typename Body>
int guardedMain(const char* tool, int errorStatus, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", tool, e.what());
    } catch (...) {
        std::fprintf(stderr, "%s: stopped by an unknown error\n", tool);
    }
    return errorStatus;
}

}  // namespace nv::tool
