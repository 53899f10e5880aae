// The launcher's --dialog NAME: the installer starts up on the machine as
// usual (private INI, script copy, switches), then shows that one dialog
// instead of running its stages, prints on standard output what the dialog
// left in the installer state, and cleans up as at the end of a run. For
// trying each dialog from an answer file or at the console, and for taking
// its picture, in the language the private INI names.
//
//   language        the language dialog, offering the six languages in table order
//   MODE_INSTALL    install or uninstall ("-- PATH" makes it an uninstall start)
//   SELECTDRV       the models of the OEM INF's first manufacturer line
//   SELECTDRVMULTI  the same models, all taken as installed
//   WIN_RESTART     the restart offer, by [REBOOTSYSTEM] of the script
//   FONT            the fonts of the script on the private INI's FontPath
//                   (default: the system directory), with KEIKOKU when space is short
#pragma once

#include <windows.h>

#include <string>

// Returns 0 after the dialog ran, 1 when the start-up failed (it has shown
// its message), 2 for an unknown name.
int RunDialogTryout(HINSTANCE instance, const std::string& name, const char* commandLine);

// Whether name is one of the dialogs above (case ignored).
bool IsTryoutDialog(const std::string& name);
