#include "platform/core/Trace.h"

#include <cstdio>

#include "platform/core/DriveStore.h"
#include "platform/core/HostText.h"

namespace nv::trace {

namespace {
struct State {
    FILE* file = nullptr;
    bool capturing = false;
    int quiet = 0;
    std::vector<std::string> lines;
};
State& st() {
    static State s;
    return s;
}
}  // namespace

bool enabled() { return st().quiet == 0 && (st().file != nullptr || st().capturing); }

Quiet::Quiet() { ++st().quiet; }
Quiet::~Quiet() { --st().quiet; }

bool openFile(const std::string& path) {
    closeFile();
    if (path.empty())
        return true;
    st().file = host::createOutputFile(path, false);
    return st().file != nullptr;
}

void closeFile() {
    if (st().file) {
        std::fclose(st().file);
        st().file = nullptr;
    }
}

void startCapture() {
    st().capturing = true;
    st().lines.clear();
}

std::vector<std::string> stopCapture() {
    st().capturing = false;
    return std::move(st().lines);
}

const std::vector<std::string>& captured() { return st().lines; }

namespace detail {
void quote(std::ostringstream& os, std::string_view s) {
    static const char hex[] = "0123456789ABCDEF";
    os << '"';
    for (char c : s) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '\n')
            os << "\\n";
        else if (c == '\r')
            os << "\\r";
        else if (c == '\t')
            os << "\\t";
        else if (u < 0x20 || u == 0x7F)
            os << "\\x" << hex[u >> 4] << hex[u & 15];
        else
            os << c;
    }
    os << '"';
}
}  // namespace detail

void emit(const std::string& line) {
    if (st().capturing)
        st().lines.push_back(line);
    if (st().file) {
        std::fputs(text::ansiToUtf8(line).c_str(), st().file);
        std::fputc('\n', st().file);
        std::fflush(st().file);
    }
}

}  // namespace nv::trace
