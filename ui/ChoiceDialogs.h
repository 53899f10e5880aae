// The dialogs that steer the run: the language (on a template built in
// memory), install or uninstall (MODE_INSTALL), the model to install
// (SELECTDRV), the installed models to remove (SELECTDRVMULTI) and the
// restart offer at the end (WIN_RESTART, built in memory). Each writes its
// choice into the installer state and ends with 1 when confirmed, 0 when
// cancelled; the sequence decides what a cancel means.
//
// State they touch:
//   SelLangProc    reads languageChoices, defaultLanguageChoice, operationMode;
//                  on OK writes languageIndex and manufacturerSkip
//   ModeInstall    reads commandLine; on OK writes operationMode
//   SelectDriver   on Install writes the selected flag of each listed modelTable slot
//   SelectDriver2  lists the slots flagged '1'; on Uninstall rewrites their flags
//   SelWinRestart  reads operationMode and rebootMode; Restart calls ExitWindowsEx
#pragma once

#include <windows.h>

#include "shared/ResourceIds.h"


INT_PTR CALLBACK SelLangProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ModeInstall(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SelectDriver(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SelectDriver2(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SelWinRestart(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The dialog font of the language, mode and restart dialogs: 8 points of
// "MS Sans Serif" at the screen's resolution, given to every control of
// dialog. Without a font the controls keep the template's.
void ApplyDialogFont(HWND dialog);
// Deletes the dialog font (when the dialog ends through one of its buttons).
void ReleaseDialogFont();
// The dialog font now, or NULL.
HFONT DialogFont();
// How the three dialogs with the dialog font end: repaint, delete the font, end.
void EndFontDialog(HWND dialog, INT_PTR result);
