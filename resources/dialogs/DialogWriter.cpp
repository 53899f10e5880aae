#include "resources/dialogs/DialogWriter.h"

#include <cstring>

namespace nv::resources {

namespace {

// An upper bound of the template's size: every string in UTF-16 with its 0,
// every record with its alignment.
size_t Capacity(const DialogLayout& layout) {
    auto wide = [](const char* s) { return 2 * (std::strlen(s) + 1); };
    size_t n = 22 + wide(layout.caption) + 2 + wide(layout.face);
    for (const auto& c : layout.controls)
        n += 3 + 22 + wide(c.text) + 2;
    return n;
}

}  // namespace

std::vector<BYTE> WriteDialogTemplate(const DialogLayout& layout) {
    std::vector<BYTE> bytes(Capacity(layout), 0);
    DialogTemplateWriter w(bytes.data(), static_cast<int>(bytes.size()), WidenBytes);
    w.header(layout.style | DS_SETFONT, static_cast<WORD>(layout.controls.size()), layout.x, layout.y, layout.cx,
             layout.cy, layout.caption, layout.pointSize, layout.face);
    for (const auto& c : layout.controls)
        w.item(c.style | WS_CHILD | (c.hidden ? 0 : WS_VISIBLE), c.x, c.y, c.cx, c.cy, c.id, c.cls, c.text);
    bytes.resize(static_cast<size_t>(w.result()));
    return bytes;
}

}  // namespace nv::resources
