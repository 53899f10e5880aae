// RunIniEdits: the walk over [DeleteIni] of the script at the finish.
#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "sysconfig/IniEdit.h"
#include "ui/DialogPlumbing.h"

namespace {

constexpr const char* kOwnLineComment = "Removed by Norvalk Printer Driver Setup:";

// A line of [DeleteIni] that starts with this is an edit line; any other
// sets the mode for the edit lines after it.
constexpr char kEditLineMark = '2';

}  // namespace

int RunIniEdits(HWND owner) {
    char sectionName[64];
    GetMessageText(TXT_DELETEINI, sectionName);
    IniLine line = FindSection(nullptr, sectionName);
    if (!line)
        return 0;
    if (owner)
        EnableWindow(owner, FALSE);
    HWND waiting = CreateDialogParamA(state.instance, "WAITING", owner, WaitingProc, 0);
    char off[] = {INI_MODE_OFF, '\0'};
    CopyText(state.iniEditMode, off);
    while (line) {
        if (line[0] != kEditLineMark) {
            GetField(line, 1, state.iniEditMode);
            line = NextLine(line);
            if (!line)
                break;  // a mode line without an edit line
        }
        if (state.iniEditMode[0] != INI_MODE_OFF) {
            char f1[128] = "", f2[128] = "", f3[128] = "", f4[128] = "", f5[128] = "";
            GetField(line, 1, f1);
            GetField(line, 2, f2);
            GetField(line, 3, f3);
            GetField(line, 4, f4);
            GetField(line, 5, f5);
            EditIniEntry(owner, f1, f2, f3, f4, f5);
            if (waiting) {
                UpdateWindow(waiting);
                SetFocus(waiting);
            }
        }
        line = NextLine(line);
    }
    // The user kept the other driver's line: our own device line goes instead.
    if (state.ownVxdDeclined == 1) {
        char vxdSection[16];
        GetMessageText(TXT_VXD, vxdSection);
        IniLine vxd = FindSection(nullptr, vxdSection);
        if (vxd) {
            char valueSpec[144];
            CopyText(valueSpec, vxd);
            state.iniEditMode[0] = INI_MODE_ACCEPTED;
            EditIniEntry(owner, "20:SYSTEM.INI", "386Enh", "device", valueSpec, kOwnLineComment);
        }
        state.ownVxdDeclined = 0;
    }
    if (owner)
        EnableWindow(owner, TRUE);
    if (waiting)
        DestroyWindow(waiting);
    return 1;
}
