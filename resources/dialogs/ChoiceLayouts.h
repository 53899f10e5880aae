// Templates of the choice dialogs (MODE_INSTALL, SELECTDRV, SELECTDRVMULTI)
// and of the font and space dialogs (FONT, KEIKOKU).
#pragma once

#include <vector>

#include "resources/dialogs/DialogWriter.h"

namespace nv::resources {

void AppendChoiceDialogs(std::vector<DialogLayout>& dialogs);

}  // namespace nv::resources
