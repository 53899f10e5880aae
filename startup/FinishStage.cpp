// The finish: the INI edits of an install, the notes on changed INI files
// and on bi-directional communication, the outcome of the run, the restart
// offer, and the end of the window.
#include <cstdio>

#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"
#include "shared/StartKind.h"
#include "startup/Stages.h"
#include "startup/StartupMessages.h"
#include "sysconfig/IniEdit.h"
#include "ui/ChoiceDialogs.h"
#include "ui/RuntimeTemplates.h"

namespace {

constexpr UINT kSystemIniChanged = 157;  // " SYSTEM.INI file was changed!\nBackup file was saved as %s"
constexpr UINT kWinIniChanged = 158;     // " WIN.INI file was changed!\nBackup file was saved as %s"
constexpr UINT kBidiNote[] = {165, 166, 167};
constexpr UINT kWin95NoteFirst = 178;    // 178..181: how to add the printer in Windows 95
constexpr UINT kWin95NoteLast = 181;
constexpr UINT kRestartAfterUninstall = 230;
constexpr UINT kRestartAfterInstall = 215;
constexpr char kBidiAtom[] = "bi-di.386";
constexpr SIZE_T kWin95NoteBytes = 2048;

// The note that an INI file was changed, when its first backup was recorded.
void BackupNote(HWND hwnd, LPCSTR key, UINT textId) {
    char backup[144];
    GetPrivateProfileStringA("Install", key, "E", backup, sizeof backup, state.privateIniPath);
    if (backup[1] == 0)
        return;  // one character: no backup was recorded
    char format[MESSAGE_TEXT_MAX + 1];
    GetMessageText(textId, format);
    char text[512];
    std::snprintf(text, sizeof text, format, FileNamePart(backup));
    AppendText(text, "!");
    ShowTextMessage(hwnd, text, CAPTION_NOTE, MB_ICONEXCLAMATION);
    UpdateWindow(hwnd);
}

void Win95Note(HWND hwnd) {
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, kWin95NoteBytes);
    char* text = block ? static_cast<char*>(GlobalLock(block)) : nullptr;
    if (!text) {
        if (block)
            GlobalFree(block);
        ShowIdMessage(hwnd, MSG_NOT_ENOUGH_MEMORY, CAPTION_INSTALLATION, MB_OK);
        return;
    }
    for (UINT id = kWin95NoteFirst; id <= kWin95NoteLast; ++id)
        AppendText(text, kWin95NoteBytes, GetMessageText(id));
    ShowTextMessage(hwnd, text, CAPTION_NOTE, MB_ICONEXCLAMATION);
    GlobalUnlock(block);
    GlobalFree(block);
}

void Outcome(HWND hwnd, UINT textId, UINT icon) {
    char format[MESSAGE_TEXT_MAX + 1];
    GetMessageText(textId, format);
    char text[512];
    std::snprintf(text, sizeof text, format, state.driverName);
    ShowTextMessage(hwnd, text, CAPTION_INSTALLATION, icon);
}

// The restart: the dialog when the script asks for one, else the note that
// Windows must be restarted.
void OfferRestart(HWND hwnd, UINT noteId) {
    if (state.rebootMode == 1 || state.rebootMode == 2) {
        BuildRestartDialog(hwnd, SelWinRestart, "WIN_RESTART");
        return;
    }
    GetMessageText(CAPTION_INSTALLATION, state.scratchText);
    char text[MESSAGE_TEXT_MAX + 1];
    GetMessageText(noteId, text);
    MessageBoxA(hwnd, text, state.scratchText, MB_ICONEXCLAMATION);
}

void ReportOutcome(HWND hwnd) {
    CopyText(state.driverName, "Printer");
    switch (state.runResult) {
    case RESULT_INSTALL_FAILED:
        Outcome(hwnd, MSG_INSTALL_FAILED, MB_ICONHAND);
        break;
    case RESULT_NOT_REMOVED:
        Outcome(hwnd, MSG_NOT_REMOVED, MB_ICONHAND);
        break;
    case RESULT_REMOVED:
        Outcome(hwnd, MSG_REMOVED, MB_ICONINFORMATION);
        OfferRestart(hwnd, kRestartAfterUninstall);
        break;
    case RESULT_INSTALLED:
        Outcome(hwnd, MSG_INSTALLED, MB_ICONINFORMATION);
        break;
    case RESULT_INSTALLED_RESTART:
        OfferRestart(hwnd, kRestartAfterInstall);
        break;
    default:
        break;
    }
}

}  // namespace

LRESULT FinishStage(HWND hwnd) {
    state.finishReached = 1;
    UpdateWindow(hwnd);
    if (state.iniChanged & WIN_INI_CHANGED) {
        if (state.runResult >= RESULT_INSTALLED) {
            UpdateWindow(hwnd);
            SetCapture(hwnd);
            state.savedCursor = SetCursor(state.waitCursor);
            RunIniEdits(hwnd);
            SetCursor(state.savedCursor);
            ReleaseCapture();
        }
        if (state.iniChanged & WIN_INI_CHANGED)
            BackupNote(hwnd, "BFileWinIni", kWinIniChanged);
    }
    if (state.iniChanged & SYSTEM_INI_CHANGED)
        BackupNote(hwnd, "BFileSysIni", kSystemIniChanged);
    if (ATOM atom = GlobalFindAtomA(kBidiAtom)) {
        StartKind kind = CurrentStartKind();
        if (kind == StartKind::Unattended || kind == StartKind::GroupOnly)
            state.runResult = RESULT_INSTALLED_RESTART;
        // Guard: the atom is a global one; DeleteAtom would look in the
        // program's local table and leave it for the next run to find.
        GlobalDeleteAtom(atom);
    }
    if (state.runResult == RESULT_INSTALLED_RESTART && state.showBidiNote == 1) {
        for (UINT id : kBidiNote)
            ShowIdMessage(hwnd, id, CAPTION_NOTE, MB_ICONEXCLAMATION);
        UpdateWindow(hwnd);
    }
    if (state.win95NoteOnly == 1)
        Win95Note(hwnd);
    else
        ReportOutcome(hwnd);
    if (state.currentText)
        FreeIniText(nullptr);
    DestroyWindow(hwnd);
    return 0;
}
