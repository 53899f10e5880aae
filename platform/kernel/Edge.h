// Helpers of the Win32 edge of the kernel functions: turning Results into
// last errors, and copying strings out under the Win32 buffer conventions.
#pragma once

#include <cstring>
#include <string_view>

#include <windows.h>

#include "platform/core/Result.h"

namespace nv::kernel {

// Sets the last error of a failed Result; true when it failed.
template <typename T>
bool failed(const Result<T>& r) {
    if (r.ok())
        return false;
    SetLastError(r.error().code);
    return true;
}

// The convention of GetWindowsDirectoryA, GetCurrentDirectoryA and their
// kin: when the text and its NUL fit, copy and return the length; otherwise
// leave the buffer alone and return the size needed, NUL included.
inline DWORD copyOutOrNeed(std::string_view s, char* buffer, DWORD size) {
    if (!buffer || size < s.size() + 1)
        return static_cast<DWORD>(s.size() + 1);
    std::memcpy(buffer, s.data(), s.size());
    buffer[s.size()] = '\0';
    return static_cast<DWORD>(s.size());
}

// Bounded copy into a fixed field, always NUL-terminated when size > 0.
inline void copyBounded(std::string_view s, char* field, size_t size) {
    if (size == 0)
        return;
    size_t n = s.size() < size - 1 ? s.size() : size - 1;
    std::memcpy(field, s.data(), n);
    field[n] = '\0';
}

}  // namespace nv::kernel
