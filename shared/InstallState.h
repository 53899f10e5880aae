// The one record of a run. Every part of the program reads and writes these
// fields by name; text fields are fixed NUL-terminated ANSI arrays and every
// copy into them is bounded by the field's size.
#pragma once

#include <windows.h>

#include "shared/CopyList.h"
#include "shared/ScriptText.h"

// runFlags bits
enum : WORD {
    RUN_UNATTENDED = 0x0001,  // the command line is exactly "/1"
};

// iniChanged bits
enum : BYTE {
    SYSTEM_INI_CHANGED = 0x01,
    WIN_INI_CHANGED = 0x02,
};

// runResult values
enum {
    RESULT_NONE = 0,
    RESULT_INSTALL_FAILED = 1,
    RESULT_NOT_REMOVED = 2,
    RESULT_REMOVED = 3,
    RESULT_INSTALLED = 4,
    RESULT_INSTALLED_RESTART = 5,
};

#define MODEL_SLOTS 5
#define MODEL_SLOT_SIZE 128
#define MODEL_NAME_MAX 120      // bytes 0..119 of a slot
#define MODEL_SELECTED_BYTE 120 // '1' selected, '0' not
#define LANGUAGE_CHOICES 8

struct LanguageChoice {
    char name[32];
    int position;  // 0..7 of the language table; becomes languageIndex when chosen
};

struct InstallState {
    HINSTANCE instance;
    char commandLine[128];
    WORD runFlags;  // RUN_UNATTENDED and friends
    char windowsDir[144];
    char systemDir[144];
    char privateIniPath[144];
    char sourceDir[144];
    char driverSourceDir[256];
    char scriptCopyPath[128];
    char oemInfPath[256];
    char fontDir[144];
    char icmPath[256];
    int languageIndex;
    char languageCode[16];
    BYTE installParts;  // bit 0: driver part, bit 1: font part
    int operationMode;  // 0 install, 1 uninstall
    int modeChoiceOffered;
    int win95NoteOnly;
    int versionTypeFlag;
    int demoFileOffered;
    int deletePrograms;
    int rebootMode;
    int instVersionShown;
    char vxdName[144];
    WORD setinfOff;
    int showBidiNote;
    int checkEcp;
    char driverName[40];
    char newPrinterName[128];
    char modelTable[MODEL_SLOTS][MODEL_SLOT_SIZE];
    WORD selectedModelCount;
    LanguageChoice languageChoices[LANGUAGE_CHOICES];
    int defaultLanguageChoice;
    int manufacturerSkip;
    char neededSpace[16];
    char copyList[COPY_LIST_ENTRIES][COPY_LIST_ENTRY_SIZE];
    int copyListCount;
    HGLOBAL pendingBlock;
    HGLOBAL driverEntry;
    int runResult;
    BYTE iniChanged;  // SYSTEM_INI_CHANGED, WIN_INI_CHANGED
    IniText currentText;
    OFSTRUCT lastOpen;
    HCURSOR waitCursor;
    HCURSOR savedCursor;
    char scratchText[256];
    char sharedTextBuffer[256];

    // Fields owned by single subsystems are added below, grouped by owner.

    // Version comparison and replace confirmation.
    char entryUnderCheck[COPY_LIST_ENTRY_SIZE];  // copy of the copyList entry under check
    WORD confirmIndex;                           // copyList index CONFIRMDLG shows
    char confirmFileName[144];                   // file name CONFIRMDLG shows
    WORD askBeforeReplace;                       // 1 until "Yes to All" (set by ResetInstallState)
    char versionTextBuffer[256];                 // shared result of VersionText

    // SYSTEM.INI and WIN.INI edits.
    char iniEditMode[128];  // current mode text of [DeleteIni], mode digit first
    int ownVxdDeclined;     // 1 after a refused mode-5 question
    BYTE iniBackupRecorded; // iniChanged bits of the files whose first backup this run has recorded

    // Destination and drive dialogs.
    int fontDirIsDefault;    // 1 when DIRECTORY was confirmed with its proposal unchanged
    char fontDirTyped[256];  // the DIRECTORY text as typed; fonts are registered under it

    // Disk prompts.
    BYTE promptState;              // 0 each run; 1 after SelectDrive answered; 2 once its directory is the source
    char promptPath[268];          // the path SelectDrive shows and edits; then directory + "\" + tag
    WORD promptDisk;               // the disk SelectDrive names
    char promptedSourceDir[144];   // the directory last chosen in SelectDrive

    // Copy runs.
    int lastDisk;               // disk in use when the previous run ended (set to 1 by ResetInstallState)
    int diskChangeCount;        // raised after every disk check (set to 1 by ResetInstallState)
    char statusFileName[144];   // the name the status line shows

    // The finish.
    int finishReached;  // 1 once the finish stage has run: the outcome was reported

    // The conversation with Program Manager.
    HWND ddeClient;     // the invisible "InsDDEClass" window of one group call
    HWND ddeServer;     // the window that answered the initiation; NULL: none
    int ddeInitiating;  // 1 while the initiation is broadcast
    int ddeWaitOver;    // set when the outstanding execute is answered or its wait ends
    WORD ddeStatus;     // status word of the last WM_DDE_ACK
};

// The record of this run (zero-filled at start).
extern InstallState state;

// Zero-fills the record; the entry point does this once, tests before each case.
void ResetInstallState();
