#include "transfer/VersionCheck.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/CopyList.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"
#include "ui/DialogPlumbing.h"

namespace {

// The port driver that gets replaced, and the time the replacement carries.
constexpr const char* kReplacedPortVersion = "4.0.0.950";
constexpr ULONGLONG kPortDriverTime = 0x01BAD719EA8EDE00ull;

bool ExtensionIs386(LPCSTR name) {
    LPCSTR ext = ExtensionPart(name);
    return ext && std::strcmp(ext, "386") == 0;
}

// The source of name in sourceDir: the plain name, else the name with its
// last character replaced by '_' (the compressed form). 0 when neither exists.
int SourcePath(LPCSTR name, char (&out)[MAX_PATH]) {
    if (!JoinPath(out, state.sourceDir, name))
        return 0;
    if (FileExists(out))
        return 1;
    size_t len = std::strlen(out);
    if (len == 0)
        return 0;
    out[len - 1] = '_';
    return FileExists(out) ? 1 : 0;
}

bool ReadLastWriteTime(LPCSTR path, FILETIME* time) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BOOL ok = GetFileTime(h, nullptr, nullptr, time);
    CloseHandle(h);
    return ok != FALSE;
}

// "ddd MMM d HH:mm:ss yyyy\n " of the file's local last-write time.
void AppendFileDate(char (&text)[2048], LPCSTR path) {
    FILETIME utc, local;
    SYSTEMTIME st;
    if (!ReadLastWriteTime(path, &utc) || !FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st))
        return;
    char part[80];
    if (GetDateFormatA(LOCALE_USER_DEFAULT, 0, &st, "ddd MMM d", part, sizeof part) > 0) {
        AppendText(text, part);
        AppendText(text, " ");
    }
    if (GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, "HH':'mm':'ss", part, sizeof part) > 0) {
        AppendText(text, part);
        AppendText(text, " ");
    }
    if (GetDateFormatA(LOCALE_USER_DEFAULT, 0, &st, "yyyy", part, sizeof part) > 0)
        AppendText(text, part);
    AppendText(text, "\n ");
}

// The fixed file information of path, read by the block's structure.
bool ReadFixedInfo(LPCSTR path, VS_FIXEDFILEINFO* info, bool* noMemory) {
    *noMemory = false;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return false;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!block) {
        *noMemory = true;
        return false;
    }
    void* data = GlobalLock(block);
    bool ok = false;
    if (data && GetFileVersionInfoA(path, handle, size, data)) {
        void* fixed = nullptr;
        UINT len = 0;
        if (VerQueryValueA(data, "\\", &fixed, &len) && fixed && len >= sizeof(VS_FIXEDFILEINFO)) {
            std::memcpy(info, fixed, sizeof *info);
            ok = true;
        }
    }
    if (data)
        GlobalUnlock(block);
    GlobalFree(block);
    return ok;
}

}  // namespace

int CheckEntryVersion(HWND owner, int index) {
    if (index < 0 || index >= COPY_LIST_ENTRIES)
        return 1;
    std::memcpy(state.entryUnderCheck, state.copyList[index], COPY_LIST_ENTRY_SIZE);
    if (EntryComparesVersions(state.entryUnderCheck) == CompareVersions::No)
        return 1;
    LPCSTR name = EntryName(state.entryUnderCheck);
    char source[MAX_PATH];
    if (!SourcePath(name, source))
        return 1;  // not on this disk: the copy loop asks again
    char installed[MAX_PATH];
    if (!JoinPath(installed, state.systemDir, EntryDestination(state.entryUnderCheck)) || !FileExists(installed)) {
        ClearVersionCheck(state.copyList[index]);
        return 1;
    }
    if (owner)
        EnableWindow(owner, FALSE);
    int result = 1;
    if (InstalledIsNewer())
        result = static_cast<int>(DialogBoxParamA(state.instance, "VER_CHECK", owner, VerCheck, 0));
    if (owner)
        UpdateWindow(owner);
    ClearVersionCheck(state.copyList[index]);
    // Guard: a dialog that could not come up (-1) is no answer; taken as
    // "keep" it would silently leave the old file. The file is copied.
    return result == 0 ? 0 : 1;
}

void CheckCopyListVersions(HWND owner) {
    for (int i = 0; i < COPY_LIST_ENTRIES && EntryInUse(state.copyList[i]); ++i) {
        if (CheckEntryVersion(owner, i))
            continue;
        if (ExtensionIs386(CopyListSource(i))) {
            SetEntryKind(state.copyList[i], CopyKind::Skip);
            continue;
        }
        for (int k = 0; k < COPY_LIST_ENTRIES && EntryInUse(state.copyList[k]); ++k) {
            if (!ExtensionIs386(CopyListSource(k)))
                SetEntryKind(state.copyList[k], CopyKind::Skip);
        }
    }
}

int InstalledIsNewer() {
    LPCSTR name = EntryName(state.entryUnderCheck);
    char installed[MAX_PATH];
    char source[MAX_PATH];
    FILETIME installedTime, sourceTime;
    if (!JoinPath(installed, state.systemDir, EntryDestination(state.entryUnderCheck)) ||
        !ReadLastWriteTime(installed, &installedTime))
        return 0;
    if (!SourcePath(name, source) || !ReadLastWriteTime(source, &sourceTime))
        return 0;
    return CompareFileTime(&installedTime, &sourceTime) > 0 ? 1 : 0;
}

void FormatFileVersion(const VS_FIXEDFILEINFO* info, LPSTR out, int size) {
    if (size < 1)
        return;
    if (state.versionTypeFlag == 1)
        std::snprintf(out, static_cast<size_t>(size), "%d.%d", HIWORD(info->dwFileVersionLS),
                      LOWORD(info->dwFileVersionLS));
    else
        std::snprintf(out, static_cast<size_t>(size), "%d.%d%d", HIWORD(info->dwFileVersionMS),
                      LOWORD(info->dwFileVersionMS), HIWORD(info->dwFileVersionLS));
}

LPCSTR VersionText(LPCSTR path) {
    char* out = state.versionTextBuffer;
    out[0] = '\0';
    VS_FIXEDFILEINFO info;
    bool noMemory = false;
    if (!ReadFixedInfo(path, &info, &noMemory)) {
        if (noMemory)
            CopyText(state.versionTextBuffer, "     Memory cannot get.");
        return out;
    }
    char number[64];
    FormatFileVersion(&info, number, sizeof number);
    GetMessageText(MSG_VERSION_PREFIX, state.versionTextBuffer);
    AppendText(state.versionTextBuffer, number);
    return out;
}

INT_PTR CALLBACK VerCheck(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        PlaceDialog(dialog);
        LPCSTR name = EntryName(state.entryUnderCheck);
        LPCSTR installedName = EntryDestination(state.entryUnderCheck);
        static char text[2048];
        char piece[256];
        CopyText(text, "      ");
        AppendText(text, installedName);
        AppendText(text, GetMessageText(MSG_ALREADY_EXISTS, piece));
        char path[MAX_PATH];
        if (JoinPath(path, state.systemDir, installedName)) {
            AppendFileDate(text, path);
            AppendText(text, VersionText(path));
        }
        AppendText(text, GetMessageText(MSG_REPLACE_WITH, piece));
        if (SourcePath(name, path)) {
            AppendFileDate(text, path);
            AppendText(text, VersionText(path));
        }
        if (state.languageIndex == 2)
            AppendText(text, GetMessageText(MSG_GERMAN_REPLACE_VERB, piece));
        AppendText(text, "\n\n");
        SetDlgItemTextA(dialog, IDC_VERCHECK_TEXT, text);
        SetDlgItemTextA(dialog, IDOK, GetMessageText(BTN_OK, piece));
        SetDlgItemTextA(dialog, IDCANCEL, GetMessageText(BTN_CANCEL, piece));
        SetWindowTextA(dialog, GetMessageText(CAPTION_VERSION_CHECK, piece));
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK ConfirmDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        PlaceDialog(dialog);
        char piece[256];
        SetDlgItemTextA(dialog, IDC_CONFIRM_FILE, state.confirmFileName);
        SetDlgItemTextA(dialog, IDC_CONFIRM_EXISTS, GetMessageText(MSG_CONFIRM_EXISTS, piece));
        SetDlgItemTextA(dialog, IDC_CONFIRM_QUESTION, GetMessageText(MSG_CONFIRM_QUESTION, piece));
        SetDlgItemTextA(dialog, IDOK, GetMessageText(BTN_YES, piece));
        SetDlgItemTextA(dialog, IDCANCEL, GetMessageText(BTN_CANCEL, piece));
        SetDlgItemTextA(dialog, IDC_YES_TO_ALL, GetMessageText(BTN_YES_TO_ALL, piece));
        SetDlgItemTextA(dialog, IDC_CONFIRM_NO, GetMessageText(BTN_NO, piece));
        SetWindowTextA(dialog, GetMessageText(CAPTION_CONFIRM_REPLACE, piece));
        // "Yes to All" only makes sense when another font follows.
        bool laterFont = false;
        for (int i = state.confirmIndex + 1; i < COPY_LIST_ENTRIES && EntryInUse(state.copyList[i]); ++i) {
            // A font entry without the check bit (fonts never carry it).
            if (EntryKind(state.copyList[i]) == CopyKind::Font &&
                EntryComparesVersions(state.copyList[i]) == CompareVersions::No) {
                laterFont = true;
                break;
            }
        }
        EnableWindow(GetDlgItem(dialog, IDC_YES_TO_ALL), laterFont ? TRUE : FALSE);
        return TRUE;
    }
    case WM_COMMAND: {
        WORD id = LOWORD(wParam);
        if (id == IDOK || id == IDC_CONFIRM_NO || id == IDC_YES_TO_ALL || id == IDCANCEL) {
            InvalidateRect(dialog, nullptr, TRUE);
            EndDialog(dialog, id);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

void ReplacePortDriver() {
    char bz[MAX_PATH], vxd[MAX_PATH], vxz[MAX_PATH];
    if (!JoinPath(bz, state.systemDir, "lpt.bz") || !JoinPath(vxd, state.systemDir, "lpt.vxd") ||
        !JoinPath(vxz, state.systemDir, "lpt.vxz"))
        return;
    if (!FileExists(bz))
        return;
    VS_FIXEDFILEINFO info;
    bool noMemory = false;
    if (!ReadFixedInfo(vxd, &info, &noMemory))
        return;
    char version[64];
    std::snprintf(version, sizeof version, "%d.%d.%d.%d", HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS),
                  HIWORD(info.dwFileVersionLS), LOWORD(info.dwFileVersionLS));
    if (std::strcmp(version, kReplacedPortVersion) != 0)
        return;
    if (!LzCopyFile(vxd, vxz))
        return;
    // Guard: from here on a failed step would leave the port driver missing,
    // cut short or without its "MZ", a driver Windows cannot load; the saved
    // one is put back instead.
    if (!LzCopyFile(bz, vxd)) {
        LzCopyFile(vxz, vxd);
        return;
    }
    OFSTRUCT of;
    HFILE h = OpenFile(vxd, &of, OF_WRITE);
    UINT written = h == HFILE_ERROR ? 0 : _lwrite(h, "MZ", 2);
    if (h != HFILE_ERROR)
        _lclose(h);
    if (written != 2) {
        LzCopyFile(vxz, vxd);
        return;
    }
    HANDLE file = CreateFileA(vxd, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    FILETIME t;
    t.dwLowDateTime = static_cast<DWORD>(kPortDriverTime & 0xFFFFFFFFu);
    t.dwHighDateTime = static_cast<DWORD>(kPortDriverTime >> 32);
    SetFileTime(file, nullptr, nullptr, &t);
    CloseHandle(file);
}

void KeepSetupFiles() {
    // The whole file name, so that the uninstall finds the copies under the
    // same names. Guard: a name that does not fit is not kept at all; a cut
    // one would be kept where the uninstall never looks.
    char name[sizeof state.privateIniPath];
    if (!CopyText(name, FileNamePart(state.privateIniPath)))
        return;
    size_t len = std::strlen(name);
    if (len == 0)
        return;
    char target[MAX_PATH];
    name[len - 1] = '1';
    if (!JoinPath(target, state.systemDir, name) || !LzCopyFile(state.scriptCopyPath, target))
        return;
    WritePrivateProfileStringA("Install", "inf1", target, state.privateIniPath);
    name[len - 1] = '2';
    if (!JoinPath(target, state.systemDir, name) || !LzCopyFile(state.oemInfPath, target))
        return;
    WritePrivateProfileStringA("Install", "inf2", target, state.privateIniPath);
}
