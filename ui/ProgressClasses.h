// Registration of the two window classes of the progress window, "probar"
// (the bar) and "text" (the status line). Start-up registers them after the
// main class, "probar" first; each returns 1, or 0 when registering failed.
#pragma once

#include <windows.h>

int RegisterProBarClass(HINSTANCE instance);
int RegisterTextClass(HINSTANCE instance);
