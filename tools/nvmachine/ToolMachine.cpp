#include "tools/nvmachine/ToolMachine.h"

#include <cstdio>

#include <winerror.h>

#include "platform/core/Machine.h"

namespace nv::tool {

void complain(const char* command, const std::string& message) {
    std::fprintf(stderr, "nvmachine %s: %s\n", command, message.c_str());
}

bool attachMachine(const char* command, const std::string& dir) {
    auto m = machine::Machine::open(dir);
    if (!m) {
        complain(command, m.error().message);
        return false;
    }
    machine::attach(std::move(m.value()));
    return true;
}

std::string describeError(unsigned long code) {
    const char* name = nullptr;
    switch (code) {
    case ERROR_FILE_NOT_FOUND: name = "file not found"; break;
    case ERROR_PATH_NOT_FOUND: name = "path not found"; break;
    case ERROR_ACCESS_DENIED: name = "access denied"; break;
    case ERROR_INVALID_HANDLE: name = "invalid handle"; break;
    case ERROR_WRITE_PROTECT: name = "write-protected"; break;
    case ERROR_NOT_READY: name = "drive not ready"; break;
    case ERROR_WRITE_FAULT: name = "write fault"; break;
    case ERROR_SHARING_VIOLATION: name = "held open by the system"; break;
    case ERROR_INVALID_PARAMETER: name = "invalid parameter"; break;
    case ERROR_DISK_FULL: name = "disk full"; break;
    case ERROR_INVALID_NAME: name = "invalid name"; break;
    case ERROR_FILENAME_EXCED_RANGE: name = "path too long"; break;
    case ERROR_BADDB: name = "damaged registry file"; break;
    case ERROR_BADKEY: name = "bad key"; break;
    case ERROR_CANTWRITE: name = "cannot write"; break;
    default: break;
    }
    std::string out = "error " + std::to_string(code);
    if (name)
        out += std::string(" (") + name + ")";
    return out;
}

}  // namespace nv::tool
