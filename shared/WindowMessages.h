// The private window messages of the stage chain: the main window runs the
// installation one stage per message, each stage posting the next.
#pragma once

#include <windows.h>

#define IM_DRIVER_STAGE 400
#define IM_FONT_STAGE 403
#define IM_FINISH 404
#define IM_DEMO_STAGE 405
