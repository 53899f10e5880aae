// Writes dialog templates in the executable's in-memory layout (DLGTEMPLATE,
// DS_SETFONT point size and face, DWORD-aligned DLGITEMTEMPLATE records,
// UTF-16 strings, predefined class ordinals), as a resource compiler would.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace nv::resources {

enum class ControlClass : WORD { Button = 0x0080, Edit = 0x0081, Static = 0x0082, ListBox = 0x0083 };

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

// The template bytes of layout.
std::vector<BYTE> WriteDialogTemplate(const DialogLayout& layout);

}  // namespace nv::resources
