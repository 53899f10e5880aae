// ReadSetupInfoFile: an uninstall start names a setup-information file whose
// [Install] Inf1 and Inf2 point at the INF copies an earlier install kept.
#include <cstring>

#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"
#include "startup/ScriptLines.h"
#include "startup/Startup.h"
#include "startup/StartupMessages.h"

namespace {

constexpr UINT kStyle = MB_ICONHAND;

int Warn(LPCSTR text) { return ShowTextMessage(nullptr, text, CAPTION_WARNING, kStyle); }


// The directory part of a path (without its last backslash).
void DirectoryOf(char (&out)[MAX_PATH], LPCSTR path) {
    CopyText(out, path);
    if (char* slash = std::strrchr(out, '\\'))
        *slash = '\0';
    else
        out[0] = '\0';
}

}  // namespace

int ReadSetupInfoFile() {
    LPCSTR info = state.commandLine;
    if (!FileExists(info)) {
        Warn(info);
        return 0;
    }
    char inf1[144];
    char inf2[144];
    GetPrivateProfileStringA("Install", "Inf1", "ERROR", inf1, sizeof inf1, info);
    if (EqualsNoCase(inf1, "ERROR")) {
        Warn("ERROR");
        return 0;
    }
    GetPrivateProfileStringA("Install", "Inf2", "ERROR", inf2, sizeof inf2, info);
    if (EqualsNoCase(inf2, "ERROR"))
        return 0;
    if (!FileExists(inf1)) {
        Warn(inf1);
        return 0;
    }
    if (!FileExists(inf2)) {
        Warn(inf2);
        return 0;
    }
    char inf2Full[sizeof state.lastOpen.szPathName];
    CopyText(inf2Full, state.lastOpen.szPathName);

    char scriptName[32];
    GetMessageText(TXT_INSTALL_INF, scriptName);
    CopyFileA(inf1, scriptName, FALSE);

    char dir[MAX_PATH];
    DirectoryOf(dir, inf1);
    char script[MAX_PATH];
    JoinPath(script, dir, scriptName);
    IniText text = LoadIniText(script);
    if (!text) {
        Warn(inf2Full);
        Warn(GetMessageText(MSG_NOT_ENOUGH_MEMORY));
        return 0;
    }
    if (text == INITEXT_EMPTY) {
        Warn(GetMessageText(MSG_CANNOT_READ_INFO));
        return 0;
    }
    char oemName[256];
    if (!FirstLineOf(text, GetMessageText(TXT_OEM_INF), oemName)) {
        Warn(GetMessageText(MSG_NOT_ENOUGH_MEMORY));
        FreeIniText(text);
        return 0;
    }
    DirectoryOf(dir, inf2);
    JoinPath(state.oemInfPath, dir, oemName);
    FreeIniText(text);
    CopyFileA(inf2, state.oemInfPath, FALSE);

    state.operationMode = 1;
    return 1;
}
