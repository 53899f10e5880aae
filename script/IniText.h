// The program's own reader of script files (INSTALL.INF, the OEM INF): a file
// is loaded whole into a compact form in one memory block and queried by
// section, key, line and field.
#pragma once

#include <windows.h>

// A loaded text: the memory block (GlobalAlloc) holding the compact form.
// NULL means "none"; queries given NULL work on the current text.
typedef HGLOBAL IniText;
