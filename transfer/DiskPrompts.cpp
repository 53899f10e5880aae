#include "transfer/DiskPrompts.h"

#include <cstring>

#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/CopyList.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"
#include "ui/DialogPlumbing.h"
#include "ui/DriveDialogs.h"

namespace {

constexpr UINT kDiskSectionBase = 41;  // "DISK1" is text 42
constexpr UINT kFontPathWarning = 185; // "TrueType-compatible fonts file not found. ..."
constexpr UINT kPathWarning = 237;     // "File not found.\nMake sure ..."
constexpr int kTagSize = 63;           // a tag name has at most 62 characters
constexpr int kLabelSize = 128;        // a label at most 127

// The first line of [DISKd], or NULL.
IniLine DiskSection(int d) {
    if (d < 1 || d > 9)
        return nullptr;
    char name[16];
    GetMessageText(kDiskSectionBase + d, name);
    return FindSection(nullptr, name);
}

// A font disk: its tag has no extension, or the compressed TrueType one.
bool IsFontTag(const char* tag) {
    const char* dot = std::strrchr(tag, '.');
    return !dot || EqualsNoCase(dot + 1, "tt_");
}

bool IsRaisableDigit(char c) { return c >= '1' && c <= '8'; }

char LastChar(const char* text) {
    size_t n = std::strlen(text);
    return n ? text[n - 1] : '\0';
}

void RaiseLastChar(char* text) { text[std::strlen(text) - 1]++; }

// base + name, then the same with the last character replaced by '_' (the
// second test may let the platform ask for a retry).
int TryBothNames(const char* base, const char* name, LPSTR out, int size, WORD lastStyle) {
    if (!CopyText(out, size, base) || !AppendText(out, size, name))
        return 0;
    if (FileExists(out))
        return 1;
    out[std::strlen(out) - 1] = '_';
    OFSTRUCT of;
    return OpenFile(out, &of, lastStyle) != HFILE_ERROR ? 1 : 0;
}

void ShowWrongPathWarning(HWND owner, const char* tag) {
    char text[256];
    char caption[256];
    GetMessageText(IsFontTag(tag) ? kFontPathWarning : kPathWarning, text);
    MessageBoxA(owner, text, GetMessageText(CAPTION_NOTE, caption), MB_OK | MB_ICONWARNING);
}

// The typed path made the new source: sourceDir and driverSourceDir, then
// promptPath = the path without one trailing '\' + "\" + tag. 0 when it does
// not fit the fields.
int TakeTypedPath(const char* tag) {
    char typed[sizeof state.promptPath];
    CopyText(typed, state.promptPath);
    // Guard: a path cut to fit sourceDir would name another directory.
    if (!CopyText(state.sourceDir, typed))
        return 0;
    CopyText(state.driverSourceDir, typed);
    size_t n = std::strlen(typed);
    if (n && typed[n - 1] == '\\')
        typed[n - 1] = '\0';
    return JoinPath(state.promptPath, typed, tag);
}

}  // namespace

int ShowInsertDisk(HWND owner, int d) {
    char text[512];
    GetMessageText(MSG_INSERT, text);
    IniLine line = DiskSection(d);
    if (!line)
        return 0;
    char label[kLabelSize];
    GetField(line, 1, label);
    static const char* const kDiskWord[] = {"", "disquette", "diskette", "diskette", "disketten", "disketten"};
    int language = state.languageIndex;
    if (language >= 1 && language <= 5) {
        AppendText(text, kDiskWord[language]);
        const char* hash = std::strchr(label, '#');
        if (hash) {
            // "Driver disk #2" gives " #2": the word of the language, then the number.
            AppendText(text, hash > label ? hash - 1 : hash);
        } else if (label[0]) {
            // No number to take: the label whole, after a blank.
            AppendText(text, " ");
            AppendText(text, label);
        }
    } else {
        AppendText(text, label[0] ? label : "disk");
    }
    AppendText(text, GetMessageText(MSG_INTO_DRIVE));
    char caption[256];
    int result = MessageBoxA(owner, text, GetMessageText(CAPTION_INSTALLATION, caption), MB_OK);
    if (owner)
        UpdateWindow(owner);
    return result;
}

int EnsureDisk(HWND owner, int d) {
    IniLine line = DiskSection(d);
    if (!line)
        return 0;
    char tag[kTagSize];
    GetField(line, 2, tag);

    // Disks copied into numbered directories: one step up, without a question.
    if (state.sourceDir[0] && state.sourceDir[0] != 'A' && state.sourceDir[0] != 'a' &&
        IsRaisableDigit(LastChar(state.sourceDir)) && IsRaisableDigit(LastChar(state.driverSourceDir))) {
        char next[sizeof state.sourceDir];
        CopyText(next, state.sourceDir);
        RaiseLastChar(next);
        char nextTag[MAX_PATH];
        if (JoinPath(nextTag, next, tag) && FileExists(nextTag)) {
            RaiseLastChar(state.sourceDir);
            RaiseLastChar(state.driverSourceDir);
        }
    }

    char probe[MAX_PATH];
    if (JoinPath(probe, state.sourceDir, tag) && FileExists(probe))
        return 1;

    MessageBeep(0xFFFFFFFF);
    ShowInsertDisk(owner, d);
    CopyText(state.promptPath, "a:");
    CopyText(state.sourceDir, "a:\\");
    CopyText(state.driverSourceDir, "a:\\");
    state.promptDisk = static_cast<WORD>(d);
    AppendText(state.promptPath, "\\");
    AppendText(state.promptPath, tag);
    state.promptState = 1;

    bool firstPass = true;
    bool found = FileExists(state.promptPath);
    while (!found) {
        if (firstPass) {
            CopyText(state.promptPath, probe);  // the dialog proposes the old directory
            firstPass = false;
        } else {
            ShowWrongPathWarning(owner, tag);
        }
        // Guard: a dialog that cannot come up (-1) counts as a cancel, not
        // as a wrong answer to ask again forever.
        if (RunDialog(owner, SelectDrvProc, "SelectDrive") != 1)
            return 0;
        found = TakeTypedPath(tag) && FileExists(state.promptPath);
    }
    return 1;
}

int FindSourceFile(const char* entry, LPSTR out, int size) {
    const char* name = EntryName(entry);
    char base[MAX_PATH];
    if (!JoinPath(base, state.driverSourceDir, ""))
        return 0;
    if (EntryKind(entry) == CopyKind::LanguageFile) {
        char language[MAX_PATH];
        CopyText(language, base);
        AppendText(language, state.languageCode);
        if (AppendText(language, "\\") && TryBothNames(language, name, out, size, OF_EXIST))
            return 1;
    }
    if (state.promptState == 1) {
        if (char* slash = std::strrchr(state.promptPath, '\\'))
            *slash = '\0';
        CopyText(state.promptedSourceDir, state.promptPath);
        state.promptState = 2;
    }
    if (state.promptState == 1 || state.promptState == 2)
        JoinPath(base, state.promptPath, "");
    else if (state.promptedSourceDir[0])
        JoinPath(base, state.promptedSourceDir, "");
    return TryBothNames(base, name, out, size, OF_EXIST | OF_PROMPT);
}
