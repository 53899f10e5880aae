// The fresh-machine template (the files beside this header), compiled in so
// that the machine tool and the tests carry it wherever they run.
#pragma once

#include <cstddef>
#include <string_view>

namespace nv::machine_template {

struct File {
    const char* path;  // relative to samples/machine, with '/'
    const unsigned char* data;
    size_t size;

    std::string_view text() const { return {reinterpret_cast<const char*>(data), size}; }
};

extern const File kFiles[];
extern const size_t kFileCount;

}  // namespace nv::machine_template
