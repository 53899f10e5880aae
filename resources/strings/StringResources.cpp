#include <map>
#include <string>

#include "platform/user/Resources.h"
#include "resources/strings/StringTable.h"

namespace nv::resources {

namespace {

const std::map<UINT, std::string>& tableTexts() {
    static const std::map<UINT, std::string> texts = [] {
        std::map<UINT, std::string> m;
        for (size_t i = 0; i < kStringTableSize; ++i)
            m[kStringTable[i].id] = kStringTable[i].text;
        return m;
    }();
    return texts;
}

}  // namespace

void RegisterProgramStrings(HINSTANCE instance) { nv::user::resources::addStringTable(instance, tableTexts()); }

void EnsureProgramStrings(HINSTANCE instance) {
    // Block 1 (ids 0 to 15) always exists: it holds "INSTALL.INF".
    const auto* block = nv::user::resources::find(instance, RT_STRING, MAKEINTRESOURCEA(1));
    if (!block || (instance && block->instance != instance))
        RegisterProgramStrings(instance);
}

}  // namespace nv::resources
