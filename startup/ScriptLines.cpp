#include "startup/ScriptLines.h"

#include "shared/BoundedText.h"

int FirstLineOf(IniText text, LPCSTR section, LPSTR out, int size) {
    if (size < 1)
        return 0;
    IniLine line = FindSection(text, section);
    CopyText(out, static_cast<size_t>(size), line ? line : "");
    return line ? 1 : 0;
}
