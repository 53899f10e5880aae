// The program's dialog templates as layouts, and their bytes as a resource
// compiler would write them (through the one template writer,
// shared/DialogTemplateWriter.h).
#pragma once

#include <windows.h>

#include "shared/DialogTemplateWriter.h"

#include <string>
#include <vector>

namespace nv::resources {

struct ControlSpec {
    WORD id;
    ControlClass cls;
    DWORD style;  // WS_CHILD is added, and WS_VISIBLE unless hidden
    short x, y, cx, cy;
    const char* text = "";  // ANSI; most templates leave texts to their procedures
    bool hidden = false;
};

struct DialogLayout {
    const char* name;
    DWORD style;
    short x, y, cx, cy;
    WORD pointSize;
    const char* face;
    std::vector<ControlSpec> controls;
    const char* caption = "";
};

// The template bytes of layout (its style gets DS_SETFONT).
std::vector<BYTE> WriteDialogTemplate(const DialogLayout& layout);

}  // namespace nv::resources
