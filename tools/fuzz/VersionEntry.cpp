// The version-resource reader on any bytes.
#include "platform/version/VersionResource.h"
#include "tools/fuzz/FuzzCheck.h"
#include "tools/fuzz/FuzzEntries.h"

namespace nv::fuzz {

void versionInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> in(data, size);
    version::SpanReader reader(in);
    version::Location where;
    auto block = version::readBlock(reader, &where);
    if (block) {
        if (where.offset + where.size > size)
            broken("version block outside the file");
        (void)version::fixedInfo(*block);
        for (const char* q : {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4\\CompanyName",
                              "\\StringFileInfo\\040904B0\\FileVersion", "\\\\\\", "\\StringFileInfo"})
            if (auto v = version::query(*block, q))
                if (v->bytes.data() < block->data() || v->bytes.data() + v->bytes.size() > block->data() + block->size())
                    broken("value outside the block");
    }
    // The block parser alone, on the raw input.
    (void)version::fixedInfo(in);
    (void)version::query(in, "\\StringFileInfo\\040904E4\\ProductName");
}

}  // namespace nv::fuzz
