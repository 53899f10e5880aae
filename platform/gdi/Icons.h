// The system's 32 x 32 icons (message boxes), drawn from shapes rather than
// stored pictures.
#pragma once

#include <windows.h>

#include "platform/gdi/DeviceContext.h"

namespace nv::gdi {

enum class IconKind { Application, Hand, Question, Exclamation, Asterisk };

// Which system icon a handle from LoadIconA(NULL, IDI_...) stands for; the
// program's own icons are drawn as the application icon.
IconKind iconKind(HICON icon);
void drawIcon(DeviceContext& dc, int x, int y, IconKind kind);

}  // namespace nv::gdi
