// Templates of the destination and drive dialogs (DIRECTORY, CHANGE,
// SELECTDRIVE) and of the progress window (COPYING). Texts and captions are
// set by the procedures in the chosen language.
#pragma once

#include <vector>

#include "resources/dialogs/DialogWriter.h"

namespace nv::resources {

void AddDriveDialogs(std::vector<DialogLayout>& dialogs);
void AddProgressDialogs(std::vector<DialogLayout>& dialogs);

}  // namespace nv::resources
