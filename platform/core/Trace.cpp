#include "platform/core/Trace.h"

#include <algorithm>
#include <cstdio>

#include "platform/core/DriveStore.h"
#include "platform/core/HostText.h"

namespace nv::trace {

namespace {
// A recorded call that has not returned: its opening line is written only
// when something is traced inside it.
struct Frame {
    const char* name;
    std::string args;
    bool opened = false;
};

struct State {
    FILE* file = nullptr;
    bool capturing = false;
    int quiet = 0;
    int depth = 0;  // edge functions running since the program's code last ran
    std::vector<Frame> frames;
    std::vector<const void*> internal;
    std::vector<std::string> lines;
};
State& st() {
    static State s;
    return s;
}

void updateOn() { detail::gOn = st().file != nullptr || st().capturing; }

void write(size_t indent, const std::string& text) {
    State& s = st();
    std::string line(indent * 2, ' ');
    line += text;
    if (s.capturing)
        s.lines.push_back(line);
    if (s.file) {
        std::fputs(text::ansiToUtf8(line).c_str(), s.file);
        std::fputc('\n', s.file);
        std::fflush(s.file);
    }
}

// Writes the opening lines of the running calls that have none yet, so that
// what comes next is seen inside them.
void openPending() {
    auto& frames = st().frames;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].opened)
            continue;
        write(i, std::string(frames[i].name) + "(" + frames[i].args + ") {");
        frames[i].opened = true;
    }
}
}  // namespace

namespace detail {
bool gOn = false;

bool enter() {
    State& s = st();
    return s.depth++ == 0 && s.quiet == 0;
}

void begin(const char* name, std::string args) { st().frames.push_back(Frame{name, std::move(args)}); }

void end(std::string result) {
    State& s = st();
    --s.depth;
    if (s.frames.empty())
        return;
    Frame f = std::move(s.frames.back());
    s.frames.pop_back();
    if (!gOn)
        return;
    if (f.opened) {
        write(s.frames.size(), "} " + std::string(f.name) + " = " + result);
    } else {
        openPending();
        write(s.frames.size(), std::string(f.name) + "(" + f.args + ") = " + result);
    }
}

void leave() { --st().depth; }

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

bool enabled() { return detail::gOn && st().quiet == 0; }

Quiet::Quiet() { ++st().quiet; }
Quiet::~Quiet() { --st().quiet; }

void Callback::open(const void* procedure) {
    State& s = st();
    if (s.quiet || std::find(s.internal.begin(), s.internal.end(), procedure) != s.internal.end())
        return;
    opened_ = true;
    savedDepth_ = s.depth;
    s.depth = 0;
}

void Callback::close() { st().depth = savedDepth_; }

void internalProcedure(const void* procedure) {
    auto& v = st().internal;
    if (std::find(v.begin(), v.end(), procedure) == v.end())
        v.push_back(procedure);
}

bool openFile(const std::string& path) {
    closeFile();
    if (path.empty())
        return true;
    st().file = host::createOutputFile(path, false);
    updateOn();
    return st().file != nullptr;
}

void closeFile() {
    State& s = st();
    if (!s.file)
        return;
    // A run that ends inside calls (stopped by its input) still shows them.
    openPending();
    std::fclose(s.file);
    s.file = nullptr;
    updateOn();
}

void startCapture() {
    st().capturing = true;
    st().lines.clear();
    updateOn();
}

std::vector<std::string> stopCapture() {
    st().capturing = false;
    updateOn();
    return std::move(st().lines);
}

const std::vector<std::string>& captured() { return st().lines; }

void emit(const std::string& line) {
    if (!enabled())
        return;
    openPending();
    write(st().frames.size(), line);
}

}  // namespace nv::trace
