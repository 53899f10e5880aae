// nvmachine version FILE: the file version of a host file's version resource.
#include <cstdio>
#include <fstream>

#include "platform/version/VersionResource.h"
#include "tools/nvmachine/Command.h"

namespace {

class HostReader : public nv::version::ByteReader {
public:
    explicit HostReader(const std::string& path) : in_(path, std::ios::binary) {
        if (in_) {
            in_.seekg(0, std::ios::end);
            size_ = uint64_t(in_.tellg());
        }
    }
    bool good() const { return bool(in_); }
    uint64_t size() const override { return size_; }
    bool readAt(uint64_t offset, void* buffer, size_t n) const override {
        if (offset > size_ || n > size_ - offset)
            return false;
        in_.clear();
        in_.seekg(std::streamoff(offset));
        in_.read(static_cast<char*>(buffer), std::streamsize(n));
        return size_t(in_.gcount()) == n;
    }

private:
    mutable std::ifstream in_;
    uint64_t size_ = 0;
};

int run(const nv::tool::Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: nvmachine version FILE\n");
        return 2;
    }
    HostReader file(args[0]);
    if (!file.good()) {
        std::fprintf(stderr, "nvmachine version: %s: cannot be read\n", args[0].c_str());
        return 1;
    }
    auto block = nv::version::readBlock(file);
    auto info = block ? nv::version::fixedInfo(*block) : std::nullopt;
    if (!info) {
        std::fprintf(stderr, "nvmachine version: %s: no version resource\n", args[0].c_str());
        return 1;
    }
    std::printf("%s\n", nv::version::formatFileVersion(*info).c_str());
    return 0;
}

}  // namespace

NV_COMMAND("version", "  version FILE             print the file version (A.B.C.D) of a host file", run);
