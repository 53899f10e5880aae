// The driver stage up to the mode choice: the OEM INF is expanded to its
// temporary copy, its [Manufacturer] lines give the language choice, and the
// run goes on into the install branch or the uninstall branch.
#include <cstdio>
#include <cstring>

#include "printer/OemInf.h"
#include "progman/ProgramGroups.h"
#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"
#include "shared/StartKind.h"
#include "shared/WindowMessages.h"
#include "startup/ScriptLines.h"
#include "startup/StageSteps.h"
#include "startup/Stages.h"
#include "startup/Startup.h"
#include "startup/StartupMessages.h"
#include "transfer/VersionCheck.h"
#include "ui/ChoiceDialogs.h"
#include "ui/DialogPlumbing.h"
#include "ui/RuntimeTemplates.h"

namespace {

constexpr UINT kQuestionSelectLanguage = 188;  // "Which language do you want to install?"
constexpr UINT kCaptionSelectLanguage = 189;   // "Select Language"
constexpr DWORD kLanguageButtonStyle = 9;
constexpr int kTagLength = 4;
constexpr int kNameBlockEntry = 256;

// The language whose display name agrees with tag in its first four
// characters, or -1.
int LanguageOfTag(LPCSTR tag) {
    for (int k = 0; k < LANGUAGE_CHOICES; ++k) {
        char name[64];
        char plain[64];
        GetMessageText(TXT_LANGUAGE_NAME_FIRST + k, name);
        int n = 0;
        for (const char* p = name; *p; ++p)
            if (*p != '&')
                plain[n++] = *p;
        plain[n] = 0;
        if (NameMatches(plain, tag, kTagLength))
            return k;
    }
    return -1;
}

// The text after the first "(" or "[" of key, or key itself.
LPCSTR TagOf(LPCSTR key) {
    for (const char* p = key; *p; ++p)
        if (*p == '(' || *p == '[')
            return p + 1;
    return key;
}

bool HasTagMark(LPCSTR key) { return std::strpbrk(key, "([") != nullptr; }

// Fills languageChoices from the language lines starting at line (n lines)
// and notes, for each entry, its line position in lineOfEntry. Returns the
// number of entries.
int BuildLanguageChoices(IniLine line, int n, int* lineOfEntry) {
    state.defaultLanguageChoice = 0;
    int entries = 0;
    for (int i = 0; i < n && line; ++i, line = NextLine(line)) {
        char key[256];
        GetField(line, 0, key);
        int k = LanguageOfTag(TagOf(key));
        if (k < 0) {
            char message[400];
            std::snprintf(message, sizeof message, "oem.inf\n section [Manufacturer]\n Entry ' %s ' is invalid", key);
            MessageBoxA(nullptr, message, "Error", MB_OK);
            continue;
        }
        // Guard: the entry position, not the line position, is what the
        // dialog selects; an invalid line before it would shift the default.
        if (k == state.languageIndex)
            state.defaultLanguageChoice = entries;
        char name[64];
        GetMessageText(TXT_LANGUAGE_NAME_FIRST + k, name);
        CopyText(state.languageChoices[entries].name, name);
        state.languageChoices[entries].position = k;
        lineOfEntry[entries] = i;
        ++entries;
    }
    if (entries < LANGUAGE_CHOICES)
        state.languageChoices[entries].name[0] = 0;
    return entries;
}

// The names block of the language dialog: each entry's name and a NUL.
HGLOBAL MakeNamesBlock(int entries) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(entries + 1) * kNameBlockEntry);
    if (!block)
        return nullptr;
    char* p = static_cast<char*>(GlobalLock(block));
    if (!p) {
        GlobalFree(block);
        return nullptr;
    }
    for (int e = 0; e < entries; ++e) {
        size_t len = std::strlen(state.languageChoices[e].name);
        std::memcpy(p, state.languageChoices[e].name, len);
        p += len + 1;
    }
    GlobalUnlock(block);
    return block;
}

// Runs MODE_INSTALL until it is confirmed. 0 when the user gave up.
int ChooseMode(HWND hwnd) {
    for (;;) {
        if (RunDialog(hwnd, ModeInstall, "MODE_INSTALL") > 0)
            return 1;
        if (AskCancel(hwnd) == IDYES)
            return 0;
    }
}

// The language choice of step 9 to 11. 0 when the stage has ended (its
// message posted).
int ChooseLanguage(HWND hwnd) {
    IniLine line = FindSection(nullptr, GetMessageText(TXT_MANUFACTURER));
    if (!line) {
        FreeIniText(nullptr);
        LoadIniText(state.scriptCopyPath);
        PostMessageA(hwnd, IM_FONT_STAGE, 0, 0);
        return 0;
    }
    int n = CountLines(line);
    bool plainSkipped = false;
    if (n >= 2) {
        char key[256];
        GetField(line, 0, key);
        if (!HasTagMark(key)) {
            line = NextLine(line);
            plainSkipped = true;
            --n;
        }
        // Guard: languageChoices holds eight entries with the end mark among
        // them; further language lines would write past the table.
        if (n > LANGUAGE_CHOICES - 1)
            n = LANGUAGE_CHOICES - 1;
    }
    if (n >= 2) {
        int lineOfEntry[LANGUAGE_CHOICES] = {};
        int entries = BuildLanguageChoices(line, n, lineOfEntry);
        HGLOBAL names = MakeNamesBlock(entries);
        if (!names) {
            ShowIdMessage(nullptr, MSG_NOT_ENOUGH_MEMORY, CAPTION_WARNING, MB_OK);
        } else {
            INT_PTR chosen = BuildLanguageDialog(hwnd, names, kCaptionSelectLanguage, kQuestionSelectLanguage,
                                                 kLanguageButtonStyle);
            GlobalFree(names);
            if (chosen < 1) {
                if (state.runFlags & RUN_UNATTENDED)
                    MessageBoxA(hwnd, GetMessageText(MSG_ENGLISH_INSTALLED), "", MB_OK);
                PostMessageA(hwnd, IM_FINISH, 0, 0);
                FreeIniText(nullptr);
                return 0;
            }
            // Guard: the dialog gives the entry's position; lines without a
            // known language have no entry, so map it back to its line.
            if (state.manufacturerSkip >= 0 && state.manufacturerSkip < entries)
                state.manufacturerSkip = lineOfEntry[state.manufacturerSkip];
        }
    } else {
        state.manufacturerSkip = 0;
    }
    CopyText(state.languageCode, GetMessageText(TXT_LANGUAGE_CODE_FIRST + state.languageIndex));
    char digit[2] = {static_cast<char>('0' + state.languageIndex), 0};
    WritePrivateProfileStringA("Install", "Language", digit, state.privateIniPath);
    if (plainSkipped)
        ++state.manufacturerSkip;
    return 1;
}

// The group-only run: the groups of an install made earlier.
void GroupOnlyRun(HWND hwnd) {
    state.languageIndex = static_cast<int>(GetPrivateProfileIntA("Install", "Language", 0, "qs8000.ini"));
    GetWindowsDirectoryA(state.windowsDir, sizeof state.windowsDir);
    GetSystemDirectoryA(state.systemDir, sizeof state.systemDir);
    CreateProgramGroups(hwnd);  // its result is not used: the fonts are offered either way
    KeepSetupFiles();
    PostMessageA(hwnd, IM_FONT_STAGE, 0, 0);
}

}  // namespace

int OemInfGroupPresent() {
    char section[64];
    CopyText(section, GetMessageText(TXT_PROGMAN_GROUPS));
    AppendText(section, ".");
    AppendText(section, state.languageCode);
    return FindSection(nullptr, section) != nullptr;
}

LRESULT DriverStage(HWND hwnd) {
    if (state.win95NoteOnly == 1) {
        PostMessageA(hwnd, IM_FONT_STAGE, 0, 0);
        return 0;
    }
    if (CurrentStartKind() == StartKind::GroupOnly) {
        GroupOnlyRun(hwnd);
        return 0;
    }
    char oemName[144];
    FirstLineOf(nullptr, GetMessageText(TXT_OEM_INF), oemName);
    FreeIniText(nullptr);
    char source[MAX_PATH];
    // Guard: a name from the script that is not a plain file name would
    // lead the copy outside the driver directory.
    bool found = IsPlainFileName(oemName) && JoinPath(source, state.driverSourceDir, oemName) && FileExists(source);
    // An uninstall start has put the kept OEM INF copy in place; the kept
    // script's driver folder is one of the disk, not of this directory.
    if (!found && CurrentStartKind() == StartKind::Uninstall && FileExists(state.oemInfPath))
        found = CopyText(source, state.oemInfPath);
    if (!found) {
        char message[512];
        CopyText(message, oemName);
        AppendText(message, GetMessageText(MSG_NOT_FOUND));
        ShowTextMessage(hwnd, message, CAPTION_INSTALLATION, MB_ICONHAND);
        LoadIniText(state.scriptCopyPath);
        PostMessageA(hwnd, IM_FINISH, 0, 0);
        return 0;
    }
    char copy[MAX_PATH];
    JoinPath(copy, state.windowsDir, GetMessageText(TXT_OEM_COPY));
    if (!ExpandFile(source, copy)) {
        LoadIniText(state.scriptCopyPath);
        PostMessageA(hwnd, IM_FINISH, 0, 0);
        return 0;
    }
    // The working copy that an uninstall start made in the system directory
    // is done with once expanded; the exit clean-up looks there for the
    // expanded copy's name from now on and would leave it behind.
    char inSystem[MAX_PATH];
    if (CurrentStartKind() == StartKind::Uninstall && JoinPath(inSystem, state.systemDir, FileNamePart(source)) &&
        EqualsNoCase(inSystem, source))
        LzDeleteFile(source);
    CopyText(state.oemInfPath, copy);
    // The copy, not the source: a compressed OEM INF on the disk is read
    // expanded, and both reads agree on one file.
    IniText oem = LoadIniText(copy);
    if (!oem || oem == INITEXT_EMPTY) {
        ShowIdMessage(hwnd, MSG_NOT_ENOUGH_MEMORY, CAPTION_INSTALLATION, MB_OK);
        LoadIniText(state.scriptCopyPath);
        PostMessageA(hwnd, IM_FINISH, 0, 0);
        return 0;
    }
    int groupPresent = OemInfGroupPresent();
    if (!ChooseLanguage(hwnd))
        return 0;
    FreeIniText(nullptr);
    if (!LoadIniText(state.scriptCopyPath)) {
        ShowIdMessage(hwnd, MSG_NOT_ENOUGH_MEMORY, CAPTION_INSTALLATION, MB_OK);
        PostMessageA(hwnd, IM_FINISH, 0, 0);
        return 0;
    }
    if (state.modeChoiceOffered == 1 && !(state.runFlags & RUN_UNATTENDED)) {
        if (!ChooseMode(hwnd)) {
            PostMessageA(hwnd, IM_FINISH, 0, 0);
            return 0;
        }
        if (state.operationMode == 1)
            return UninstallBranch(hwnd, groupPresent);
    }
    return InstallBranch(hwnd, groupPresent);
}
