// The program's dialog templates, registered as RT_DIALOG resources of the
// program's instance so DialogBoxParamA and CreateDialogParamA find them by
// name.
#pragma once

#include <windows.h>

#include <vector>

#include "resources/dialogs/DialogWriter.h"

namespace nv::resources {

// Every template of the program, in the order of the resource script.
const std::vector<DialogLayout>& ProgramDialogs();

// Registers every template under instance.
void RegisterProgramDialogs(HINSTANCE instance);

}  // namespace nv::resources
