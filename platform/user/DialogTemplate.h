// Reading of dialog templates in the executable layout: DLGTEMPLATE with its
// DLGITEMTEMPLATE records, and DLGTEMPLATEEX (signature 0xFFFF) as resource
// compilers write for DIALOGEX.
//
// Contract:
//  - `size` bounds every read; pass kUnknownSize for a template given only by
//    its address (DialogBoxIndirectParamA), which is then trusted as Windows
//    trusts it.
//  - A damaged template is an Error whose message names the template and
//    the byte offset where reading failed.
//  - Strings are converted from UTF-16 to the ANSI code page. Class ordinals
//    0x0080 to 0x0085 become "Button", "Edit", "Static", "ListBox",
//    "ScrollBar" and "ComboBox".
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"

namespace nv::user {

constexpr size_t kUnknownSize = static_cast<size_t>(-1);

struct DialogItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::string className;
    std::string title;
    bool titleIsOrdinal = false;  // a resource id (icons of static controls)
    WORD titleOrdinal = 0;
    std::vector<BYTE> creationData;
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu;        // empty: none
    std::string className;   // empty: the dialog class
    std::string caption;
    bool hasFont = false;
    WORD pointSize = 0;
    WORD weight = 0;
    bool italic = false;
    std::string face;
    std::vector<DialogItem> items;
};

Result<DialogTemplate> parseDialogTemplate(const void* data, size_t size, std::string_view name);

}  // namespace nv::user
