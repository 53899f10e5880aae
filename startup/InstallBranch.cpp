// The install branch of the driver stage: the driver question, the drive
// check, the model choice, the driver's files and their copy run, then the
// work that follows a copied driver: the printer in the spooler, the
// program groups, the port driver and the kept script copies.
#include "printer/OemInf.h"
#include "printer/PrinterName.h"
#include "printer/SpoolerSetup.h"
#include "progman/ProgramGroups.h"
#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"
#include "shared/WindowMessages.h"
#include "startup/ScriptLines.h"
#include "startup/StageSteps.h"
#include "startup/StartupMessages.h"
#include "transfer/VersionCheck.h"
#include "ui/ChoiceDialogs.h"
#include "ui/DialogPlumbing.h"
#include "ui/DriveDialogs.h"

namespace {

constexpr UINT kQuestionDriver = 139;  // "Do you want to install the Norvalk printer driver?\n"

bool Unattended() { return (state.runFlags & RUN_UNATTENDED) != 0; }

LRESULT Post(HWND hwnd, UINT message) {
    PostMessageA(hwnd, message, 0, 0);
    return 0;
}

// The finish after a failure, with the script copy current again (the
// finish reads its INI edits from it).
LRESULT Finish(HWND hwnd) {
    FreeIniText(nullptr);
    LoadIniText(state.scriptCopyPath);
    return Post(hwnd, IM_FINISH);
}

// Models listed and prepared from the OEM INF copy (current). 1, or 0 when
// the stage has ended.
int PrepareModels(HWND hwnd) {
    IniLine first = FindSection(nullptr, GetMessageText(TXT_MANUFACTURER));
    if (!first) {
        ShowIdMessage(hwnd, MSG_NOT_ENOUGH_MEMORY, CAPTION_INSTALLATION, MB_OK);
        return 0;
    }
    int count = ListModels(hwnd, first, state.manufacturerSkip);
    if (count < 1)
        return 0;  // ListModels has said what is wrong with the file
    if (Unattended())
        count = 1;
    if (count >= 2) {
        if (RunDialog(hwnd, SelectDriver, "SELECTDRV") < 1)
            return 0;
    } else {
        state.modelTable[0][MODEL_SELECTED_BYTE] = '1';
    }
    for (int i = 0; i < count; ++i)
        if (state.modelTable[i][MODEL_SELECTED_BYTE] == '1' && !PrepareModel(hwnd, first, state.manufacturerSkip, i))
            return 0;
    return 1;
}

}  // namespace

LRESULT InstallBranch(HWND hwnd, int groupPresent) {
    if (!(state.installParts & 0x01))
        return Post(hwnd, IM_FONT_STAGE);
    if (!FirstLineOf(nullptr, GetMessageText(TXT_NEEDED_DISKSPACE), state.neededSpace))
        CopyText(state.neededSpace, "1");
    if (!Unattended()) {
        if (ShowIdMessage(hwnd, kQuestionDriver, CAPTION_QUESTION, MB_YESNO) == IDNO)
            return Post(hwnd, IM_DEMO_STAGE);
        UpdateWindow(hwnd);
        if (!CheckDrive(hwnd, WriteCheck::Skip, DriveOf::WindowsDir))
            return Post(hwnd, IM_FONT_STAGE);
    }
    if (!SwitchToOemCopy(hwnd) || !PrepareModels(hwnd))
        return Finish(hwnd);
    if (!Unattended()) {
        CheckCopyListVersions(hwnd);
        // A driver of that name: the printer needs a name of its own.
        if (DriverInstalled(state.driverName) && !ChoosePrinterName(hwnd, state.driverName))
            return Finish(hwnd);
    }
    SortCopyListByDisk();
    if (!SwitchText(hwnd, state.scriptCopyPath))
        return Finish(hwnd);
    CopyRunEnd copied = RunCopy(hwnd, ResultOnStart::Installed);
    if (copied != CopyRunEnd::Copied)
        state.runResult = RESULT_INSTALL_FAILED;
    // The spooler and the groups read the OEM INF copy.
    if (!SwitchToOemCopy(hwnd)) {
        // Guard: the files are in but the printer never reaches the spooler;
        // left at 4 or 5, the outcome would call the install finished.
        state.runResult = RESULT_INSTALL_FAILED;
        return Finish(hwnd);
    }
    if (copied == CopyRunEnd::Copied) {
        if (Unattended())
            UpdateWindow(hwnd);
        else if (!AddToSpooler(hwnd))
            state.runResult = RESULT_INSTALL_FAILED;
    }
    if (state.pendingBlock) {
        GlobalFree(state.pendingBlock);
        state.pendingBlock = nullptr;
    }
    if (FindWindowA("Progman", nullptr) && (state.installParts & 0x01) && state.runResult >= RESULT_INSTALLED &&
        groupPresent && !CreateProgramGroups(hwnd)) {
        // No final messages: the window goes at once, the exit clean-up still runs.
        DestroyWindow(hwnd);
        return 0;
    }
    if (state.runResult == RESULT_INSTALL_FAILED)
        return Finish(hwnd);
    state.iniChanged |= WIN_INI_CHANGED;
    ReplacePortDriver();
    KeepSetupFiles();
    // Between stages the script copy is the current text.
    if (!SwitchText(hwnd, state.scriptCopyPath))
        return Finish(hwnd);
    PostMessageA(hwnd, IM_DEMO_STAGE, 0, 0);
    SendMessageA(HWND_BROADCAST, WM_DEVMODECHANGE, 0, reinterpret_cast<LPARAM>(state.driverName));
    return 0;
}
