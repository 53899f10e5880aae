// The message-filter hooks (WH_MSGFILTER), called by the modal loops.
// Internal to platform/user; the Win32 functions are in Hook.cpp.
#pragma once

#include <windows.h>

namespace nv::user {

// True when a hook swallowed the message.
bool callMsgFilter(MSG* msg, int code);
void clearHooks();

}  // namespace nv::user
