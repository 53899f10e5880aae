#include "startup/ExitCleanUp.h"

#include <cstring>
#include <initializer_list>

#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"

namespace {

void DeleteThrough(LPCSTR dir, LPCSTR name) {
    if (!name[0])
        return;  // Guard: without a name the path is the directory itself, not ours to delete
    char path[MAX_PATH];
    JoinPath(path, dir, name);
    OFSTRUCT ofs = {};
    LZOpenFileA(path, &ofs, OF_DELETE);
}

void DeleteTemporary(UINT nameId) {
    char path[MAX_PATH];
    JoinPath(path, state.windowsDir, GetMessageText(nameId));
    if (FileExists(path)) {
        OFSTRUCT ofs = {};
        OpenFile(path, &ofs, OF_DELETE);
    }
}

}  // namespace

void DeleteInfCopies(InfCopies which) {
    DeleteThrough(state.systemDir, AfterLastBackslash(state.oemInfPath));
    DeleteThrough(state.systemDir, GetMessageText(TXT_INSTALL_INF));
    if (which != InfCopies::AlsoKeptAndPrivateIni)
        return;
    char kept[144];
    CopyText(kept, AfterLastBackslash(state.privateIniPath));
    size_t n = std::strlen(kept);
    if (n > 0) {
        kept[n - 1] = '1';
        DeleteThrough(state.systemDir, kept);
        kept[n - 1] = '2';
        DeleteThrough(state.systemDir, kept);
    }
    if (state.privateIniPath[0]) {
        OFSTRUCT ofs = {};
        LZOpenFileA(state.privateIniPath, &ofs, OF_DELETE);
    }
}

void DeleteProgramCopies() {
    for (LPCSTR name : {"nvins32b.dll", "nvins32b.exe"}) {
        JoinPath(state.scratchText, state.systemDir, name);
        if (FileExists(state.scratchText) && !DeleteFileA(state.scratchText))
            GetLastError();  // a running program's own file may refuse; nothing to do about it
    }
}

void ExitCleanUp() {
    if (state.currentText)
        FreeIniText(nullptr);
    if (state.deletePrograms == 1)
        DeleteProgramCopies();
    DeleteTemporary(TXT_SCRIPT_COPY);
    DeleteTemporary(TXT_OEM_COPY);
    DeleteInfCopies(InfCopies::Temporary);
    DeleteTemporary(TXT_SCRIPT_COPY);
}

void FailedStartCleanUp() {
    if (state.currentText)
        FreeIniText(nullptr);
    if (state.scriptCopyPath[0] && FileExists(state.scriptCopyPath)) {
        OFSTRUCT ofs = {};
        OpenFile(state.scriptCopyPath, &ofs, OF_DELETE);
    }
}
