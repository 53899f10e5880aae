#include "tools/loader/ProgramResources.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "platform/user/Resources.h"
#include "resources/icons/ProgramIcons.h"
#include "resources/dialogs/DialogResources.h"
#include "resources/strings/StringTable.h"
#include "resources/TitleBitmap.h"
#include "shared/ResourceIds.h"

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

void RegisterProgramResources(HINSTANCE instance) {
    nv::user::resources::addStringTable(instance, tableTexts());
    for (const auto& layout : nv::resources::ProgramDialogs())
        nv::user::resources::add(instance, RT_DIALOG, layout.name, nv::resources::WriteDialogTemplate(layout));
    // A bitmap resource is the BMP file without its 14-byte file header.
    std::vector<BYTE> bitmap;
    if (kTitleBitmapSize > 14)
        bitmap.assign(kTitleBitmap + 14, kTitleBitmap + kTitleBitmapSize);
    nv::user::resources::add(instance, RT_BITMAP, MAKEINTRESOURCEA(IDB_TITLE), std::move(bitmap));
    for (auto& image : nv::resources::ProgramIconImages())
        nv::user::resources::add(instance, RT_ICON, MAKEINTRESOURCEA(image.id), std::move(image.data));
    for (auto& group : nv::resources::ProgramIconGroups())
        nv::user::resources::add(instance, RT_GROUP_ICON, MAKEINTRESOURCEA(group.id), std::move(group.data));
}
