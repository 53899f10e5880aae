// Opening the machine a command works on.
#pragma once

#include <string>

namespace nv::tool {

// Opens the machine in `dir` and attaches it as the current machine. On
// failure prints "nvmachine COMMAND: MESSAGE" (the message names the file
// and line) on stderr and returns false.
bool attachMachine(const char* command, const std::string& dir);

// Prints "nvmachine COMMAND: MESSAGE" on stderr.
void complain(const char* command, const std::string& message);

// "error 19 (ERROR_WRITE_PROTECT)" for the Win32 codes the tool meets.
std::string describeError(unsigned long code);

}  // namespace nv::tool
