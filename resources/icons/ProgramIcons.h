// The program's icons, as an executable's resource section holds them: icon
// groups 500 (the main window) and 501 (the small form for dialogs), each
// with a 16-colour image of 32 x 32 and one of 16 x 16 pixels.
//
// Each RT_ICON image is a DIB as an .ICO file holds it: a BITMAPINFOHEADER of
// twice the height, the 16-colour palette, the 4-bit colour rows (bottom-up)
// and the 1-bit AND mask rows. Each RT_GROUP_ICON is a GRPICONDIR naming its
// images by their RT_ICON ids.
#pragma once

#include <windows.h>

#include <vector>

namespace nv::resources {

struct IconImage {
    WORD id;                 // the RT_ICON id
    std::vector<BYTE> data;  // the DIB
};

struct IconGroup {
    WORD id;                 // the RT_GROUP_ICON id (500, 501)
    std::vector<BYTE> data;  // the GRPICONDIR
};

std::vector<IconImage> ProgramIconImages();
std::vector<IconGroup> ProgramIconGroups();

}  // namespace nv::resources
