// The program's dialog templates, as the resource script lists them; the
// loader turns each into an RT_DIALOG resource of the program's instance so
// that DialogBoxParamA and CreateDialogParamA find them by name.
#pragma once

#include <windows.h>

#include <vector>

#include "resources/dialogs/DialogWriter.h"

namespace nv::resources {

// Every template of the program, in the order of the resource script.
const std::vector<DialogLayout>& ProgramDialogs();

}  // namespace nv::resources
