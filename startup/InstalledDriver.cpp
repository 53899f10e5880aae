// CheckInstalledDriver: is the driver of the OEM INF's first model already
// in the system directory? Then the run offers the choice of install and
// uninstall.
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

// Releases the OEM INF and shows "Not enough memory ..." under the title.
int Fail() {
    FreeIniText(nullptr);
    ShowIdMessage(nullptr, MSG_NOT_ENOUGH_MEMORY, CAPTION_INSTALLATION, kStyle);
    return 0;
}

}  // namespace

int CheckInstalledDriver() {
    char oemName[256];
    FirstLineOf(nullptr, GetMessageText(TXT_OEM_INF), oemName);
    char oemPath[MAX_PATH];
    JoinPath(oemPath, state.sourceDir, oemName);
    if (!FileExists(oemPath)) {
        // The fixed name, whatever the script calls the file.
        ShowNotFound(nullptr, TXT_OEMSETUP_INF, CAPTION_INSTALLATION, kStyle);
        return 0;
    }
    CopyText(state.oemInfPath, oemPath);
    FreeIniText(nullptr);

    IniText oem = LoadIniText(state.oemInfPath);
    if (!oem || oem == INITEXT_EMPTY) {
        ShowIdMessage(nullptr, MSG_NOT_ENOUGH_MEMORY, CAPTION_INSTALLATION, kStyle);
        return 0;
    }
    state.currentText = oem;

    IniLine manufacturer = FindSection(nullptr, GetMessageText(TXT_MANUFACTURER));
    if (!manufacturer)
        return Fail();
    char modelSection[256] = "";
    GetField(manufacturer, 1, modelSection);
    IniLine model = FindSection(nullptr, modelSection);
    if (!model)
        return Fail();
    state.driverName[0] = '\0';  // a model line without "=" leaves it untouched
    GetField(model, 0, state.driverName);
    char installSection[256] = "";
    GetField(model, 1, installSection);
    IniLine install = FindSection(nullptr, installSection);
    if (!install)
        return Fail();
    char driverFile[256] = "";
    GetField(install, 1, driverFile);
    FreeIniText(nullptr);
    if (!driverFile[0])
        return 0;  // the system directory itself is no driver

    char driverPath[MAX_PATH];
    JoinPath(driverPath, state.systemDir, driverFile);
    return FileExists(driverPath);
}
