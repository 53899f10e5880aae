// The uninstall branch of the driver stage: the installed models are
// marked, the user picks those to remove, their files, WIN.INI and SYSTEM.INI
// entries, printers and drivers go; after a full removal also the language
// monitor, the program groups, the kept INF copies and the private INI; last
// the plug-and-play keys of the removed models.
//
// A step the machine refuses (a printer, driver or monitor the spooler keeps,
// groups Program Manager cannot remove) ends the run as "not removed" and
// keeps what a later uninstall needs to try again: the kept INF copies, the
// private INI and the groups with their uninstall item.
#include "printer/OemInf.h"
#include "printer/Removal.h"
#include "progman/ProgramGroups.h"
#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"
#include "shared/WindowMessages.h"
#include "startup/ExitCleanUp.h"
#include "startup/StageSteps.h"
#include "startup/StartupMessages.h"
#include "sysconfig/CleanUpIni.h"
#include "ui/ChoiceDialogs.h"
#include "ui/DialogPlumbing.h"

namespace {

// The finish, with the script copy current as the finish expects it.
LRESULT Finish(HWND hwnd) {
    FreeIniText(nullptr);
    LoadIniText(state.scriptCopyPath);
    PostMessageA(hwnd, IM_FINISH, 0, 0);
    return 0;
}

LRESULT NotRemoved(HWND hwnd) {
    state.runResult = RESULT_NOT_REMOVED;
    return Finish(hwnd);
}

}  // namespace

LRESULT UninstallBranch(HWND hwnd, int groupPresent) {
    if (!SwitchToOemCopy(hwnd))
        return Finish(hwnd);
    IniLine first = FindSection(nullptr, GetMessageText(TXT_MANUFACTURER));
    if (!first) {
        ShowIdMessage(hwnd, MSG_NOT_ENOUGH_MEMORY, CAPTION_INSTALLATION, MB_OK | MB_ICONHAND);
        return Finish(hwnd);
    }
    int count = ListModels(hwnd, first, state.manufacturerSkip);
    if (count < 1)
        return Finish(hwnd);  // ListModels has said what is wrong with the file
    state.selectedModelCount = static_cast<WORD>(MarkInstalledModels(count));
    if (RunDialog(hwnd, SelectDriver2, "SELECTDRVMULTI") < 1)
        return Finish(hwnd);
    int removal = PrepareRemoval(hwnd);
    if (removal == REMOVAL_REFUSED)
        return NotRemoved(hwnd);

    if (!SwitchText(hwnd, state.scriptCopyPath))
        return NotRemoved(hwnd);
    // Guard: SYSTEM.INI still loads the driver's virtual device driver; the
    // printers and the INF copies stay, so that the uninstall can run again.
    if (CleanUpIniFiles(hwnd, removal) == CLEANUP_DEVICE_LINE_KEPT)
        return NotRemoved(hwnd);
    if (!SwitchToOemCopy(hwnd))
        return NotRemoved(hwnd);

    int printersGone = 1;
    for (int i = 0; i < ModelSlotCount(); ++i)
        if (ModelSelected(i) && !DeleteModelPrinters(i))
            printersGone = 0;
    // Guard: a printer, driver or monitor the spooler kept is not removed;
    // the INF copies and the groups stay for the uninstall that tries again.
    if (!printersGone)
        return NotRemoved(hwnd);
    if (removal == REMOVAL_FULL) {
        if (!RemoveLanguageMonitor())
            return NotRemoved(hwnd);
        if (groupPresent && !RemoveProgramGroups(hwnd))
            return NotRemoved(hwnd);
        DeleteInfCopies(InfCopies::AlsoKeptAndPrivateIni);
    }
    DeletePlugAndPlayKeys();
    GetWindowsDirectoryA(state.windowsDir, sizeof state.windowsDir);
    return Finish(hwnd);
}
