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

}  // namespace nv::resources
