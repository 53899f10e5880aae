// Packing of spooler results into a caller's buffer, as the enumeration and
// query calls return them: the fixed structures from the start of the buffer,
// the strings they point to from its end, downwards.
//
// Each result is packed twice: first without a buffer to learn the size
// (size()), then, when it fits, into the buffer. A filler function gets the
// Packer and the structure to fill and calls str() for every string field.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

#include <windows.h>

namespace nv::spooler {

class Packer {
public:
    // Measuring: no buffer is written.
    Packer() = default;
    Packer(LPBYTE buffer, size_t size) : buffer_(buffer), end_(size), used_(0) {}

    bool writing() const { return buffer_ != nullptr; }
    // Reserves fixed space at the start (the structures), count * size bytes.
    template <typename T>
    T* structs(size_t count) {
        fixed_ += count * sizeof(T);
        if (!writing()) {
            scratch_.assign(count * sizeof(T), 0);
            return reinterpret_cast<T*>(scratch_.data());
        }
        std::memset(buffer_, 0, count * sizeof(T));
        return reinterpret_cast<T*>(buffer_);
    }
    // A string (NUL added) placed at the end; returns where it lies.
    LPSTR str(std::string_view s) {
        used_ += s.size() + 1;
        if (!writing())
            return nullptr;
        end_ -= s.size() + 1;
        char* at = reinterpret_cast<char*>(buffer_) + end_;
        std::memcpy(at, s.data(), s.size());
        at[s.size()] = '\0';
        return at;
    }
    // A multi-string: each item with its NUL, then one more NUL.
    LPSTR multi(const std::vector<std::string>& items) {
        std::string joined;
        for (const auto& s : items) {
            joined += s;
            joined.push_back('\0');
        }
        return str(joined);  // str() adds the final NUL
    }
    // Bytes the packed result takes.
    size_t size() const { return fixed_ + used_; }

private:
    LPBYTE buffer_ = nullptr;
    size_t end_ = 0;
    size_t used_ = 0;
    size_t fixed_ = 0;
    std::vector<unsigned char> scratch_;
};

// Packs `count` structures of type T with `fill(packer, T&, index)`: measures
// first; when the buffer is null or short, sets *needed and fails with
// ERROR_INSUFFICIENT_BUFFER without touching the buffer.
template <typename T, typename Fill>
DWORD packInto(LPBYTE buffer, DWORD size, LPDWORD needed, size_t count, Fill fill) {
    Packer measure;
    T* scratch = measure.structs<T>(count);
    for (size_t i = 0; i < count; ++i)
        fill(measure, scratch[i], i);
    *needed = static_cast<DWORD>(measure.size());
    if (measure.size() == 0)
        return ERROR_SUCCESS;  // nothing to return: any buffer will do
    if (!buffer || size < measure.size())
        return ERROR_INSUFFICIENT_BUFFER;
    Packer out(buffer, size);
    T* items = out.structs<T>(count);
    for (size_t i = 0; i < count; ++i)
        fill(out, items[i], i);
    return ERROR_SUCCESS;
}

}  // namespace nv::spooler
