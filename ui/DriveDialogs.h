// Where files go and where they come from: the fonts directory dialog
// (DIRECTORY), its short form opened from the disk-space warning (CHANGE),
// the source-path prompt of the disk handling (SELECTDRIVE), and the drive
// check they share with the install sequence (free space, writability).
#pragma once

#include <windows.h>

// Control ids of the three templates.
#define IDC_DIR_EDIT 117        // DIRECTORY and CHANGE: the directory (capitals)
#define IDC_DIR_PROMPT 131      // DIRECTORY: "Enter the target directory to install to."
#define IDC_DIR_LABEL 132       // DIRECTORY: "Destination:"
#define IDC_CHANGE_LABEL 139    // CHANGE: "Destination:"
#define IDC_SRC_NOT_FOUND 153   // SELECTDRIVE: "File not found." or the font wording
#define IDC_SRC_INSERT 154      // SELECTDRIVE: "Insert ... disk #%d ..."
#define IDC_SRC_LABEL 155       // SELECTDRIVE: "Copy Norvalk printer files from:"
#define IDC_SRC_EDIT 650        // SELECTDRIVE: the source directory
#define IDC_SRC_LIST 651        // SELECTDRIVE: hidden list of the path check
#define IDC_SRC_STATIC 652      // SELECTDRIVE: hidden static of the path check
#define SOURCE_PATH_LIMIT 260   // characters the SELECTDRIVE field takes

// Which directory CheckDrive looks at.
enum class DriveOf { FontDir = 1, WindowsDir = 0 };
// Whether CheckDrive also tries to write on the drive.
enum class WriteCheck { Skip = 0, Test = 1 };

// Dialog procedure of DIRECTORY: proposes windowsDir\FONTS; on OK validates
// the text into state.fontDir and keeps the typed text in state.fontDirTyped
// (state.fontDirIsDefault = 1 when it is the proposal, exactly). Ends with 1,
// or 0 after Cancel/F3 answered Yes in AskCancel.
INT_PTR CALLBACK Direc_Set(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Dialog procedure of CHANGE: edits state.fontDir; OK validates (ends 1),
// Cancel ends with 0 at once.
INT_PTR CALLBACK Change_Drv(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Dialog procedure of SELECTDRIVE: proposes the directory of state.promptPath
// and names disk state.promptDisk; OK stores the typed path in
// state.promptPath and ends with 1 when it exists (else "This path does not
// exist." and stays); Cancel ends with 0.
INT_PTR CALLBACK SelectDrvProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The OK of DIRECTORY and CHANGE: reads edit 117 into state.fontDir
// (empty: the system directory; "\X": on the Windows drive; "X": below the
// system directory), checks the drive (one KB free, writable) and creates
// every missing directory of the path. 1, or 0 after its message.
int ValidateFontDir(HWND dialog);

// Checks the drive of state.fontDir (FontDir) or state.windowsDir: it must
// answer, have state.neededSpace KB free and, with WriteCheck::Test, take a
// file at its root. 1, or 0 after a message owned by owner.
int CheckDrive(HWND owner, WriteCheck test, DriveOf which);

// Free bytes of the drive of root ("C:\"), as the 32-bit product of
// GetDiskFreeSpace's values, or -1 when the drive cannot be queried. No
// critical-error box comes up.
LONG GetFreeBytes(LPCSTR root);

// Creates and deletes "?:\UTEMP.DAT" on the drive of path's first character.
// Returns the handle value it had, or -1 when the file could not be created.
int WriteTest(LPCSTR path);

// CreateDirectoryA(path); on failure ShowCannotCreate(owner) and 0.
int CreateOneDirectory(HWND owner, LPCSTR path);

// "Cannot create directory.\nEnter a full pass name such as " + fontDir;
// a fontDir too long for the message is shortened in its middle with "...".
void ShowCannotCreate(HWND owner);
