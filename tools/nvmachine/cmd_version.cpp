// nvmachine version FILE: the file version of a host file's version resource.
#include <cstdio>
#include <span>

#include "platform/core/DriveStore.h"

#include "platform/version/VersionResource.h"
#include "tools/nvmachine/Command.h"

namespace {

int run(const nv::tool::Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: nvmachine version FILE\n");
        return 2;
    }
    auto bytes = nv::host::readFile(args[0]);
    if (!bytes) {
        std::fprintf(stderr, "nvmachine version: %s\n", bytes.error().message.c_str());
        return 1;
    }
    nv::version::SpanReader file(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()));
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
