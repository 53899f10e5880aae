// Start-up of the installer: everything between process start and the first
// stage of the run. Each procedure fills fields of `state` (InstallState.h)
// and returns 1 on success or 0 after it has shown its own message box,
// unless its comment says otherwise.
#pragma once

#include <windows.h>

// The program's entry point, WinMain-shaped and kept out of main() so that
// tests and the launcher can run it on a machine. Returns 0 when the start
// failed, else the wParam of WM_QUIT.
//
// The command line is copied into the 127-character field `commandLine`; a
// longer one is refused with "Cannot read the information file." (a path
// that long cannot name a setup-information file anyway) rather than cut
// into a different path.
int InstallerMain(HINSTANCE instance, LPCSTR cmdLine, int showCommand);

// Fills `state` from the private INI, the script and the machine. Returns the
// atom of the registered main window class, or 0.
ATOM InitializeInstaller(HINSTANCE instance);

// Uninstall start: puts INSTALL.INF and the OEM INF named by the
// setup-information file `commandLine` in place and presets uninstall.
int ReadSetupInfoFile();

// LZ-expands (or copies, when not compressed) `source` to `destination`.
// Any failure shows "INSTALL.INF is not found." whichever file it was.
int ExpandFile(LPCSTR source, LPCSTR destination);

// 1 when the driver file of the OEM INF's first model is in the system
// directory. Sets `oemInfPath` and `driverName`; leaves no current text.
int CheckInstalledDriver();

// Records which of LPT1..LPT3 are ECP ports in WIN.INI. Shows nothing.
void ProbeEcpPorts();

// Reads the colour-profile directory from the registry into `icmPath`;
// 1 when it was read. Shows nothing.
int ReadIcmPath();
// Writes `icmPath` to WIN.INI, also when it is empty.
void WriteIcmPath();

// Creates and shows the full-screen main window; unless the run is
// group-only, the driver stage runs inside this call.
int CreateMainWindow(HINSTANCE instance, int showCommand);

// The main window's class name; a window of this class means a run is on.
#define MAIN_WINDOW_CLASS "WLInstallWClass"
// The WIN.INI section this program writes its machine facts to.
#define SERIES_SECTION "Norvalk QS-8000 series"
