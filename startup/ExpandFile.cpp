// ExpandFile: one LZ copy from the source disk into the machine. LZCopy
// expands a compressed source and copies a plain one unchanged.
#include "script/MessageText.h"
#include "startup/Startup.h"
#include "startup/StartupMessages.h"

int ExpandFile(LPCSTR source, LPCSTR destination) {
    OFSTRUCT sourceOfs = {};
    OFSTRUCT destOfs = {};
    bool ok = false;
    // The destination is only created once the source is open, so that a
    // missing source leaves no empty file behind.
    INT from = LZOpenFileA(const_cast<LPSTR>(source), &sourceOfs, OF_PROMPT);
    if (from >= 0) {
        INT to = LZOpenFileA(const_cast<LPSTR>(destination), &destOfs, OF_CREATE);
        if (to >= 0) {
            LONG copied = LZCopy(from, to);
            LZClose(from);
            LZClose(to);
            if (copied < 0)
                LZOpenFileA(const_cast<LPSTR>(destination), &destOfs, OF_DELETE);
            else
                ok = true;
        } else {
            LZClose(from);
        }
    }
    if (!ok) {
        ShowNotFound(nullptr, TXT_INSTALL_INF, CAPTION_INSTALLATION, MB_ICONHAND);
        return 0;
    }
    return 1;
}
