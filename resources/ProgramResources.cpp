#include "resources/ProgramResources.h"

#include <cstddef>
#include <vector>

#include "platform/user/Resources.h"
#include "resources/dialogs/DialogResources.h"
#include "resources/strings/StringTable.h"

extern const unsigned char kTitleBitmap[];
extern const std::size_t kTitleBitmapSize;

void RegisterProgramResources(HINSTANCE instance) {
    nv::resources::RegisterProgramStrings(instance);
    nv::resources::RegisterProgramDialogs(instance);
    // A bitmap resource is the BMP file without its 14-byte file header.
    std::vector<BYTE> bitmap;
    if (kTitleBitmapSize > 14)
        bitmap.assign(kTitleBitmap + 14, kTitleBitmap + kTitleBitmapSize);
    nv::user::resources::add(instance, RT_BITMAP, MAKEINTRESOURCEA(IDB_TITLE), std::move(bitmap));
}
