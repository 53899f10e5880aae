// The ids the program and its resources agree on: the texts of the string
// table, the controls of the dialog templates and the bitmap. Both sides use
// these names, so a template and its procedure cannot drift apart.
#pragma once

#include <windows.h>

// Ids of the name block (the same in every language).
enum NameTextId : UINT {
    TXT_INSTALL_INF = 11,            // "INSTALL.INF"
    TXT_NEEDED_SPACE = 12,           // "NEEDED.SPACE"
    TXT_TRUETYPEFONTS_FONTLIST = 13, // "TRUETYPEFONTS.FONTLIST"
    TXT_DISK = 14,                   // "DISK"
    TXT_PROGMAN_GROUPS = 15,         // "PROGMAN.GROUPS"
    TXT_DISKS = 16,                  // "DISKS"
    TXT_IO_DEVICE = 17,              // "IO.DEVICE"
    TXT_IO_DEPENDENT = 18,           // "IO.DEPENDENT"
    TXT_OEMSETUP_INF = 19,           // "OEMSETUP.INF"
    TXT_PRINTERDRIVER_PATH = 20,     // "PRINTERDRIVER.PATH"
    TXT_NEEDED_DISKSPACE = 21,       // "NEEDED.DiskSpace"
    TXT_VXD = 22,                    // "VxD"
    TXT_LANGUAGE_GROUP = 23,         // "Language.Group"
    TXT_WIN_INI = 24,                // "WIN.INI"
    TXT_DEL_WIN_INI = 25,            // "DEL.WIN.INI"
    TXT_LANGUAGE_CODE_FIRST = 26,    // "ENU"; 26 + index, up to 33 "FRA"
    TXT_REGISTINI = 35,              // "RegistIni"
    TXT_DELETEINI = 36,              // "DeleteIni"
    TXT_PRIVATE_INI = 37,            // "PRIVATE.INI"
    TXT_DEMOFILE = 38,               // "DEMOFILE"
    TXT_OEM_INF = 39,                // "OEM.INF"
    TXT_DISK1 = 42,                  // "DISK1"; 42 + n - 1, up to 50 "DISK9"
    TXT_SCRIPT_COPY = 51,            // "~NV00001.txt"
    TXT_SYSTEM = 52,                 // "system"
    TXT_DIALOG_FONT = 53,            // "MS Sans Serif"
    TXT_LANGUAGE_NAME_FIRST = 60,    // "&English"; 60 + index, up to 67
    TXT_VERSION_TYPE = 70,           // "VERSION_TYPE"
    TXT_WIN95SETUP = 71,             // "WIN95SETUP"
    TXT_BLANK_DOT = 72,              // " ."
    TXT_MANUFACTURER = 73,           // "Manufacturer"
    TXT_SOURCEDISKSFILES = 74,       // "SourceDisksFiles"
    TXT_MESSAGE = 75,                // "MESSAGE"
    TXT_DEL_INST = 76,               // "DEL.INST"
    TXT_OEM_COPY = 80,               // "~NV00002.txt"
};

// Ids of messages often named in code (English wording in the comments).
enum MessageTextId : UINT {
    // The question before another maker's conflicting driver line is
    // commented out (N: the other driver's name):
    // 101 N 102 103 104 N 105 N 106.
    MSG_ASK_REMOVE_THERE_IS = 101,   // "There is a "
    MSG_ASK_REMOVE_INSTALLED = 102,  // " printer driver installed on your hard disk. "
    MSG_ASK_REMOVE_WHY = 103,        // "Installer will remove the driver in order that ... Is this OK?\n"
    MSG_ASK_REMOVE_IF_NO = 104,      // "In case you select No, ...\n\nIn case you want to use the "
    MSG_ASK_REMOVE_AGAIN = 105,      // " printer driver again, please remove ... and reinstall the "
    MSG_ASK_REMOVE_END = 106,        // " printer driver."
    // The warning that asks the user to remove it himself:
    // 107 N 108 109 N 110 N 111(driverName) 112 N 113 N 114.
    MSG_WARN_REMOVE_THERE_IS = 107,  // "There is a "
    MSG_WARN_REMOVE_INSTALLED = 108, // " printer driver installed on your hard disk.\n"
    MSG_WARN_REMOVE_PLEASE = 109,    // "Please remove the "
    MSG_WARN_REMOVE_HOW = 110,       // " driver by using the uninstall program on the Disk that comes with the "
    MSG_WARN_REMOVE_MONITOR = 111,   // " printers in order that the status monitor of the %s can work.\n\n"
    MSG_WARN_REMOVE_IF_AGAIN = 112,  // "In case you want to use the "
    MSG_WARN_REMOVE_AGAIN = 113,     // " printer driver again, please remove ... and reinstall the "
    MSG_WARN_REMOVE_END = 114,       // " printer driver."
    MSG_CANCEL_INSTALL = 123,        // "Do you really want to cancel the installation?"
    MSG_FINISH_INSTALL = 124,        // "Do you want to finish the installation?"
    MSG_INSERT = 128,                // "Insert the "
    MSG_INTO_DRIVE = 129,            // " into your disk drive."
    MSG_CANNOT_READ_INFO = 131,      // "Cannot read the information file."
    MSG_NOT_FOUND = 132,             // " is not found."
    MSG_NOT_ENOUGH_MEMORY = 133,     // "Not enough memory to run the Installation program."
    MSG_ALREADY_RUNNING = 134,       // "The Installer is already running."
    MSG_DRIVER_IN_USE = 135,         // "This driver cannot be installed because it is currently being used ..."
    MSG_DRIVER_IN_USE_ADVICE = 137,  // "Wait until Windows is finished using the driver, ..."
    MSG_ALREADY_EXISTS = 144,        // " already exists!!!\nDo you want to replace:\n     "
    MSG_VERSION_PREFIX = 145,        // "     Ver. "
    MSG_REPLACE_WITH = 146,          // "\nwith:\n     "
    MSG_GERMAN_REPLACE_VERB = 147,   // German only: "\nersetzen"
    MSG_INSTALL_FAILED = 153,        // "%s driver installation has failed."
    MSG_NOT_REMOVED = 154,           // "%s driver has not been removed from your system."
    MSG_REMOVED = 155,               // "%s driver has been removed from your system."
    MSG_INSTALLED = 156,             // "%s driver installation is finished."
    MSG_COPYING = 159,               // "Copying   "
    MSG_DELETING = 160,              // "Deleting  "
    CAPTION_INSTALLATION = 161,      // "Norvalk Driver Installation"
    CAPTION_NOTE = 162,              // "Note"
    CAPTION_WARNING = 163,           // "Warning"
    CAPTION_QUESTION = 164,          // "Question"
    MSG_DISK_FULL_OR_MEMORY = 170,   // "Make sure that:\n- the disk is not full ..."
    MSG_CANNOT_RUN = 171,            // "Cannot run the Installation program."
    BTN_OK = 186,                    // "&OK"
    BTN_CANCEL = 187,                // "&Cancel"
    BTN_CONTINUE = 201,              // "&Continue"
    BTN_EXIT = 202,                  // "&Exit"
    BTN_HELP = 203,                  // "&Help"
    CAPTION_CHECKING = 211,          // "Checking"
    MSG_CHECKING_INI_FILES = 212,    // "Checking WIN.INI and SYSTEM.INI files now. ..."
    CAPTION_VERSION_CHECK = 216,     // "Version Check"
    MSG_CONFIRM_EXISTS = 218,        // "This file already exists in that directory"
    MSG_CONFIRM_QUESTION = 219,      // "Would you like to replace the existing file ?"
    BTN_YES = 220,                   // "&Yes"
    BTN_YES_TO_ALL = 221,            // "Yes to &All"
    BTN_NO = 222,                    // "&No"
    CAPTION_CONFIRM_REPLACE = 223,   // "Confirm File Replace"
    MSG_DRIVER_ALREADY_INSTALLED = 224,  // "This driver is already installed. you can use the name shown below, ..."
    LBL_PRINTER_NAME = 225,          // "Printer name"
    CAPTION_INSTALL_PRINTER = 226,   // "Install Printer"
    MSG_FILE_NOT_FOUND = 236,        // "File not found."
    MSG_ENGLISH_INSTALLED = 238,     // "The English driver has been installed.\nTo select another language, ..."
};

// The title bitmap.
#define IDB_TITLE 500

// Controls shared by several dialogs.
#define IDC_EXIT 118          // Exit/Cancel button of the dialogs with the F3 hook
#define IDC_WAITING_TEXT 148  // static text of the WAITING notice

// VER_CHECK and CONFIRMDLG.
#define IDC_VERCHECK_TEXT 120
#define IDC_CONFIRM_FILE 2106
#define IDC_CONFIRM_EXISTS 149
#define IDC_CONFIRM_QUESTION 150
#define IDC_YES_TO_ALL 1004
#define IDC_CONFIRM_NO 4

// PRINTERNAME.
#define IDC_PRINTER_DRIVER 2107  // the driver's name
#define IDC_PRINTER_TEXT 151     // text 224
#define IDC_PRINTER_LABEL 152    // text 225
#define IDC_PRINTER_NAME 1006    // the printer name, at most 31 characters

// MODE_INSTALL.
#define IDC_MODE_TEXT 653
#define IDC_MODE_INSTALL 620
#define IDC_MODE_UNINSTALL 621

// SELECTDRV and SELECTDRVMULTI.
#define IDC_MODEL_LIST 119
#define IDC_MODEL_LABEL 146
#define IDC_MODEL_TEXT 147

// FONT.
#define IDC_FONT_SELECT_TEXT 133   // 133..137: texts 196..200
#define IDC_FONT_LIST_LABEL 134
#define IDC_FONT_DRIVE_LABEL 135
#define IDC_FONT_NEED_LABEL 136
#define IDC_FONT_FREE_LABEL 137
#define IDC_FONT_LIST 110
#define IDC_FONT_HELP 111
#define IDC_FONT_NEED 112          // required KB, fonts drive (or both on one drive)
#define IDC_FONT_NEED_WINDOWS 113  // required KB, Windows drive
#define IDC_FONT_FREE 125          // free K, fonts drive
#define IDC_FONT_FREE_WINDOWS 126  // free K, Windows drive
#define IDC_FONT_DRIVE 127         // fonts drive, "D:"
#define IDC_FONT_DRIVE_WINDOWS 128 // "C:[Windows]"
#define IDC_FONT_K_NEED_WINDOWS 129
#define IDC_FONT_K_FREE_WINDOWS 130

// KEIKOKU.
#define IDC_SPACE_NOT_ENOUGH 140   // 140..144: texts 204..208
#define IDC_SPACE_PROCEDURES 141
#define IDC_SPACE_CHANGE_DRIVE 142
#define IDC_SPACE_CHANGE_FONTS 143
#define IDC_SPACE_EXIT 144
