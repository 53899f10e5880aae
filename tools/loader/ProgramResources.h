// The loader's part of a start: everything an executable's resource section
// would hold for the program (the string table in six languages, the dialog
// templates and the title bitmap), registered with the stand-in under the
// program's instance handle. The launcher and the program's tests call it;
// the program itself only loads resources through <windows.h>.
#pragma once

#include <windows.h>

void RegisterProgramResources(HINSTANCE instance);
