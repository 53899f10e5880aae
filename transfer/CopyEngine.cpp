#include "transfer/CopyEngine.h"

#include <cstdio>
#include <cstring>

#include "shared/CopyList.h"
#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/WindowMessages.h"
#include "sysconfig/IniEdit.h"
#include "transfer/DiskPrompts.h"
#include "shared/PathOps.h"
#include "transfer/VersionCheck.h"
#include "ui/DialogPlumbing.h"
#include "ui/DriveDialogs.h"
#include "ui/ProgressWindow.h"

namespace {

constexpr UINT kFontInstalled = 182;  // "The %s font is already installed. ..."
constexpr const char* kInstallSection = "Install";
constexpr const char* kFontsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";

enum class Step { Next, Copy, Stop, Cancel };

int CountToDo(int n) {
    int k = 0;
    for (int i = 0; i < n; ++i)
        k += state.copyList[i][0] != '0';
    return k;
}

void Notify(COPYNOTIFYPROC notify, HWND owner, int code, int value, LPCSTR text) {
    if (notify)
        notify(owner, code, value, text);
}

void Record(const char* prefix, int index, LPCSTR value) {
    char key[32];
    std::snprintf(key, sizeof key, "%s%02d%02d", prefix, state.diskChangeCount, index);
    WritePrivateProfileStringA(kInstallSection, key, value, state.privateIniPath);
}

const char* DestinationDirectory(CopyKind kind) {
    if (kind == CopyKind::Font)
        return state.fontDir;
    if (kind == CopyKind::ColourProfile && state.icmPath[0])
        return state.icmPath;
    return state.systemDir;
}

// The registry value of a font: the face name (the companion entry after
// the font) and " (TrueType)".
void FontValueName(int index, char (&out)[MAX_PATH]) {
    const char* face = index + 1 < COPY_LIST_ENTRIES ? EntryName(state.copyList[index + 1]) : "";
    CopyText(out, face);
    AppendText(out, " (TrueType)");
}

void RegisterFont(LPCSTR valueName, LPCSTR destination) {
    char path[MAX_PATH];
    // Guard: without a typed directory (no DIRECTORY dialog in this run) the
    // path would lose its directory; the fonts directory stands in.
    JoinPath(path, state.fontDirTyped[0] ? state.fontDirTyped : state.fontDir, FileNamePart(destination));
    AddFontResourceA(path);
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                       static_cast<DWORD>(std::strlen(path) + 1));
        RegCloseKey(key);
    }
}

// The checks before a font is copied; the source is open and is closed here
// unless the answer is Copy.
Step FontChecks(HWND owner, int index, LPCSTR valueName, LPCSTR destination, INT source) {
    LONG r;
    HKEY key;
    r = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_ALL_ACCESS, &key);
    if (r == ERROR_SUCCESS) {
        r = RegQueryValueExA(key, valueName, nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
    }
    if (r == ERROR_SUCCESS) {
        char text[512];
        char caption[256];
        std::snprintf(text, sizeof text, GetMessageText(kFontInstalled), valueName);
        int answer = MessageBoxA(owner, text, GetMessageText(CAPTION_NOTE, caption), MB_OKCANCEL | MB_ICONWARNING);
        LZClose(source);
        return answer == IDOK ? Step::Next : Step::Cancel;
    }
    if (r != ERROR_FILE_NOT_FOUND) {
        LZClose(source);
        return Step::Cancel;
    }
    OFSTRUCT of;
    if (state.askBeforeReplace != 1 || LZOpenFileA(const_cast<LPSTR>(destination), &of, OF_EXIST) < 0)
        return Step::Copy;
    state.confirmIndex = static_cast<WORD>(index);
    CopyText(state.confirmFileName, FileNamePart(destination));
    for (;;) {
        INT_PTR answer = RunDialog(owner, ConfirmDlgProc, "CONFIRMDLG");
        if (answer == IDOK)
            return Step::Copy;
        if (answer == IDC_YES_TO_ALL) {
            state.askBeforeReplace = 0;
            return Step::Copy;
        }
        if (answer == IDC_CONFIRM_NO) {
            LZClose(source);
            // Kept: registered under the new directory unless it is the proposal.
            if (state.fontDirIsDefault != 1)
                RegisterFont(valueName, destination);
            return Step::Next;
        }
        // Guard: a dialog that cannot come up (-1) is taken as a cancel
        // rather than asked again forever.
        if (answer != IDCANCEL || AskCancel(owner) == IDYES) {
            LZClose(source);
            return Step::Cancel;
        }
    }
}

// One entry from its open source to its destination. Stop on failure.
Step CopyOne(HWND owner, COPYNOTIFYPROC notify, int index, INT source, LPCSTR destination) {
    OFSTRUCT of;
    INT target = LZOpenFileA(const_cast<LPSTR>(destination), &of, OF_CREATE);
    if (target < 0) {
        LZClose(source);
        state.runResult = RESULT_INSTALL_FAILED;
        return Step::Stop;
    }
    Record("File", index, destination);
    const char* name = CopyListSource(index);
    CopyText(state.statusFileName, name);
    Notify(notify, owner, 2, 0, name);
    Notify(notify, owner, 2, 100, name);
    LONG copied = LZCopy(source, target);
    LZClose(source);
    LZClose(target);
    if (copied < 0) {
        LZOpenFileA(const_cast<LPSTR>(destination), &of, OF_DELETE);
        state.runResult = RESULT_INSTALL_FAILED;
        return Step::Stop;
    }
    return Step::Next;
}

Step HandleEntry(HWND owner, COPYNOTIFYPROC notify, int index, CopyKind kind) {
    char* entry = state.copyList[index];
    if (EntryComparesVersions(entry) == CompareVersions::Yes) {
        if (!CheckEntryVersion(owner, index)) {
            SetEntryKind(entry, CopyKind::Skip);
            return Step::Next;
        }
    }
    const char* destinationName = kind == CopyKind::Renamed ? CopyListDestination(index) : EntryName(entry);
    // Guard: a name with a separator, a drive or ".." would read or write
    // outside its directory; such an entry is never copied.
    if (!IsPlainFileName(EntryName(entry)) || !IsPlainFileName(destinationName)) {
        state.runResult = RESULT_INSTALL_FAILED;
        return Step::Stop;
    }
    char sourcePath[MAX_PATH];
    if (!FindSourceFile(entry, sourcePath)) {
        state.runResult = RESULT_INSTALL_FAILED;
        return Step::Stop;
    }
    const char* directory = DestinationDirectory(kind);
    if (kind == CopyKind::DeviceDriver) {
        AddDeviceLine(EntryName(entry));
        state.runResult = RESULT_INSTALLED_RESTART;
    }
    if (!MakeDirectories(owner, directory))
        return Step::Stop;
    char destination[MAX_PATH];
    if (!JoinPath(destination, directory, destinationName)) {
        state.runResult = RESULT_INSTALL_FAILED;
        return Step::Stop;
    }
    if (kind == CopyKind::DeviceDriver) {
        char backup[BACKUP_PATH_SIZE];
        MakeBackup(destination, backup);
        Record("BFile", index, backup);
    }
    OFSTRUCT of;
    INT source = LZOpenFileA(sourcePath, &of, OF_READ | OF_PROMPT);
    if (source < 0) {
        state.runResult = RESULT_INSTALL_FAILED;
        return Step::Stop;
    }
    char valueName[MAX_PATH] = "";
    if (kind == CopyKind::Font) {
        FontValueName(index, valueName);
        Step checked = FontChecks(owner, index, valueName, destination, source);
        if (checked != Step::Copy)
            return checked;
    }
    Step copied = CopyOne(owner, notify, index, source, destination);
    if (copied != Step::Next)
        return copied;
    if (kind == CopyKind::Font)
        RegisterFont(valueName, destination);
    if (kind == CopyKind::ColourProfile)
        UpdateICMRegKeyA(0, nullptr, destination, ICM_ADDFILE);
    return Step::Next;
}

}  // namespace

int MakeDirectories(HWND owner, LPCSTR path) {
    char prefix[MAX_PATH];
    size_t length = std::strlen(path);
    for (size_t i = 0; i <= length; ++i) {
        if (i < length && path[i] != '\\')
            continue;
        if (i == 0 || i >= sizeof prefix || path[i - 1] == ':')
            continue;
        std::memcpy(prefix, path, i);
        prefix[i] = '\0';
        if (!SetCurrentDirectoryA(prefix) && !CreateOneDirectory(owner, prefix))
            return 0;
    }
    return 1;
}

int CopyListFiles(HWND owner, COPYNOTIFYPROC notify) {
    const int n = CopyListLength();
    SetBarRange(static_cast<WORD>(CountToDo(n)));
    Notify(notify, owner, 5, 0, nullptr);
    state.promptState = 0;
    int currentDisk = 0;
    Step outcome = Step::Next;
    for (int i = 0; i < n && outcome == Step::Next; ++i) {
        // Between files: a close box used meanwhile ends the run here.
        if (!AbortProc(nullptr, 0)) {
            outcome = Step::Cancel;
            break;
        }
        const char* entry = state.copyList[i];
        const CopyKind kind = EntryKind(entry);
        const int disk = EntryDisk(entry) - '0';
        if (kind == CopyKind::Skip || static_cast<int>(kind) >= COPY_KIND_COUNT)
            continue;
        if (i == 0) {
            if (disk == state.lastDisk) {
                currentDisk = disk;  // the disk the run started from needs no check
            } else if (disk < 1) {
                outcome = Step::Cancel;
                break;
            }
        }
        if (disk != currentDisk) {
            if (!EnsureDisk(owner, disk)) {
                outcome = Step::Cancel;
                break;
            }
            state.diskChangeCount += 1;
        }
        currentDisk = disk;
        state.lastDisk = disk;
        outcome = HandleEntry(owner, notify, i, kind);
    }
    if (outcome == Step::Cancel && owner)
        PostMessageA(owner, IM_FINISH, 0, 0);
    Notify(notify, owner, 6, 0, nullptr);
    return outcome == Step::Next ? 1 : 0;
}

int DeleteListFiles(HWND owner, COPYNOTIFYPROC notify) {
    // Paths here, not copy entries; only the end of the list is shared.
    const int n = CopyListLength();
    const int k = CountToDo(n);
    if (k == 0)
        return 1;
    SetBarRange(static_cast<WORD>(k));
    Notify(notify, owner, 5, 0, nullptr);
    for (int j = 0; j < n; ++j) {
        const char* path = state.copyList[j];
        if (path[0] == '0')
            continue;
        Record("File", j, nullptr);
        CopyText(state.statusFileName, FileNamePart(path));
        Notify(notify, owner, 2, 0, path);
        Notify(notify, owner, 2, 100, path);
        OFSTRUCT of;
        OpenFile(path, &of, OF_DELETE);
    }
    Notify(notify, owner, 6, 0, nullptr);
    return 1;
}

WORD CALLBACK CopyNotify(HWND window, int code, int value, LPCSTR text) {
    char message[512];
    char caption[256];
    switch (code) {
    case 1:
        std::snprintf(message, sizeof message, GetMessageText(MSG_INSTALL_FAILED), state.driverName);
        MessageBoxA(window, message, GetMessageText(CAPTION_INSTALLATION, caption), MB_OK | MB_ICONERROR);
        return 1;
    case 2:
        if (value == 0)
            RedrawStatus();
        else if (value == 100)
            StepBar(1);
        return 1;
    case 4: {
        char field[MAX_PATH];
        GetField(text, 1, field);
        return FileNamePart(field)[0] == '*' ? 0 : 1;
    }
    case 5:
        SetErrorMode(SEM_FAILCRITICALERRORS);
        return 1;
    case 6:
        SetErrorMode(0);
        return 1;
    case 7:
        MessageBoxA(nullptr, GetMessageText(MSG_NOT_FOUND, message), GetMessageText(CAPTION_INSTALLATION, caption),
                    MB_OK | MB_ICONERROR);
        return 1;
    default:
        return 1;
    }
}
