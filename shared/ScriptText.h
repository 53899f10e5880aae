// The handle types of a loaded script text. They live here, below the
// script reader, because the installer state holds the current text.
#pragma once

#include <windows.h>

// A loaded text: the memory block (GlobalAlloc) holding the compact form.
// NULL means "none"; queries given NULL work on the current text.
typedef HGLOBAL IniText;

// A line of a loaded text; NULL means "none".
typedef LPCSTR IniLine;

// What LoadIniText gives for a file of length 0.
#define INITEXT_EMPTY ((IniText)(INT_PTR)-1)
