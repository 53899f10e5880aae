// Everything an executable's resource section would hold for the program:
// the string table in six languages, the dialog templates and the title
// bitmap (id 500), registered under the program's instance handle.
#pragma once

#include <windows.h>

#define IDB_TITLE 500

void RegisterProgramResources(HINSTANCE instance);
