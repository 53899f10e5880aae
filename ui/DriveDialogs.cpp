#include "ui/DriveDialogs.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "ui/DialogPlumbing.h"

namespace {

constexpr UINT kCannotCreate = 125;     // "Cannot create directory.\n"
constexpr UINT kFullPathSuch = 126;     // "Enter a full pass name such as "
constexpr UINT kRequiresSpace = 148;    // "This program requires approximately "
constexpr UINT kKbOfSpace = 149;        // " KB of disk space. ..."
constexpr UINT kDrive = 150;            // "Drive "
constexpr UINT kInvalidDrive = 151;     // " is an invalid disk drive."
constexpr UINT kReadOnlyDrive = 152;    // " is a read only disk drive."
constexpr UINT kFontCaption = 183;      // "Installing TrueType-compatible fonts"
constexpr UINT kPathMissing = 184;      // "This path does not exist.\n..."
constexpr UINT kEnterTarget = 194;      // "Enter the target directory to install to."
constexpr UINT kDestination = 195;      // "Destination:"
constexpr UINT kSelectPath = 217;       // "Select Path Name"
constexpr UINT kFontNotFound = 227;     // "TrueType-compatible font file not found."
constexpr UINT kInsertDiskNumber = 228; // "Insert the Norvalk driver installation disk #%d ..."
constexpr UINT kCopyFrom = 229;         // "Copy Norvalk printer files from:"

// The cannot-create message is built in 128 bytes, as the program always has.
constexpr int kCannotCreateSize = 128;

// The directory DIRECTORY proposed, to tell whether the user kept it.
char proposal[256];

void SetText(HWND dialog, int id, UINT textId) { SetDlgItemTextA(dialog, id, GetMessageText(textId)); }

void FocusEdit(HWND dialog, int id) { SetFocus(GetDlgItem(dialog, id)); }

// "Drive " + letter + tail, with the error icon.
void ShowDriveMessage(HWND owner, char letter, UINT tail) {
    char text[512];
    char caption[256];
    GetMessageText(kDrive, text);
    char drive[2] = {letter, '\0'};
    AppendText(text, drive);
    AppendText(text, GetMessageText(tail));
    MessageBoxA(owner, text, GetMessageText(CAPTION_WARNING, caption), MB_OK | MB_ICONERROR);
}

// True when the text after the last '.' of name is "tt_" (any case): the
// compressed form of a TrueType file, which makes a prompt a font prompt.
bool EndsInFontExtension(const char* dot) { return dot && EqualsNoCase(dot + 1, "tt_"); }

}  // namespace

LONG GetFreeBytes(LPCSTR root) {
    UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    BOOL ok = GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters);
    SetErrorMode(old);
    if (!ok)
        return -1;
    // Guard: the product is kept in 32 bits; a drive reporting more than
    // fits would wrap to a small (or the -1 "cannot query") value, so it is
    // held at the largest positive one.
    unsigned long long product =
        static_cast<unsigned long long>(sectorsPerCluster) * bytesPerSector * freeClusters;
    return product > static_cast<unsigned long long>(INT32_MAX) ? INT32_MAX : static_cast<LONG>(product);
}

int WriteTest(LPCSTR path) {
    char name[] = "?:\\UTEMP.DAT";
    name[0] = path[0];
    UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
    OFSTRUCT of;
    HFILE file = OpenFile(name, &of, OF_CREATE);
    if (file == HFILE_ERROR) {
        SetErrorMode(old);
        return -1;
    }
    _lclose(file);
    OpenFile(name, &of, OF_DELETE);
    SetErrorMode(old);
    return file;
}

int CheckDrive(HWND owner, WriteCheck test, DriveOf which) {
    const char* path = which == DriveOf::FontDir ? state.fontDir : state.windowsDir;
    char letter = path[0];
    // The root is formed from the letter, so a path such as C:FONTS still
    // tests drive C: (its first three characters would name no root).
    char root[4] = {letter, ':', '\\', '\0'};
    LONG freeBytes = GetFreeBytes(root);
    if (freeBytes == -1) {
        ShowDriveMessage(owner, letter, kInvalidDrive);
        return 0;
    }
    long needed = std::strtol(state.neededSpace, nullptr, 10);
    long freeKb = freeBytes >> 10;
    if (needed > freeKb) {
        char text[512];
        char caption[256];
        GetMessageText(kRequiresSpace, text);
        AppendText(text, state.neededSpace);
        AppendText(text, GetMessageText(kKbOfSpace));
        MessageBoxA(owner, text, GetMessageText(CAPTION_WARNING, caption), MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    if (test == WriteCheck::Skip)
        return 1;
    if (WriteTest(path) == -1) {
        ShowDriveMessage(owner, letter, kReadOnlyDrive);
        return 0;
    }
    return 1;
}

void ShowCannotCreate(HWND owner) {
    char text[kCannotCreateSize];
    char caption[256];
    GetMessageText(kCannotCreate, text);
    AppendText(text, GetMessageText(kFullPathSuch));
    // Guard: appended whole, a long fontDir would be cut at the buffer's end
    // and show a wrong directory; its middle gives way to "..." instead, so
    // the drive and the last directory stay readable.
    size_t room = sizeof text - 1 - std::strlen(text);
    size_t length = std::strlen(state.fontDir);
    if (length <= room) {
        AppendText(text, state.fontDir);
    } else if (room > 3) {
        size_t head = (room - 3) / 2;
        size_t tail = room - 3 - head;
        char shortened[kCannotCreateSize];
        std::memcpy(shortened, state.fontDir, head);
        std::memcpy(shortened + head, "...", 3);
        std::memcpy(shortened + head + 3, state.fontDir + length - tail, tail);
        shortened[room] = '\0';
        AppendText(text, shortened);
    }
    MessageBoxA(owner, text, GetMessageText(CAPTION_INSTALLATION, caption), MB_OK | MB_ICONERROR);
}

int CreateOneDirectory(HWND owner, LPCSTR path) {
    if (!CreateDirectoryA(path, nullptr)) {
        ShowCannotCreate(owner);
        return 0;
    }
    return 1;
}

int ValidateFontDir(HWND dialog) {
    char typed[144];
    GetDlgItemTextA(dialog, IDC_DIR_EDIT, typed, sizeof typed);
    if (typed[0] == '\0')
        CopyText(typed, state.systemDir);
    char full[144];
    int fits = 1;
    if (typed[0] == '\\') {
        // On the Windows drive: \FONTS becomes C:\FONTS.
        char drive[3] = {state.windowsDir[0], state.windowsDir[1], '\0'};
        fits = CopyText(full, drive) & AppendText(full, typed);
    } else {
        fits = CopyText(full, typed);
    }
    if (full[1] != ':') {
        char relative[144];
        CopyText(relative, full);
        fits &= JoinPath(full, state.systemDir, relative);
    }
    CopyText(state.fontDir, full);
    // Guard: a path cut to the field would name another directory than the
    // one typed; it is refused rather than created.
    if (!fits) {
        ShowCannotCreate(dialog);
        return 0;
    }
    CopyText(state.neededSpace, "1");
    if (!CheckDrive(dialog, WriteCheck::Test, DriveOf::FontDir))
        return 0;
    if (!std::strchr(state.fontDir, '\\')) {
        ShowCannotCreate(dialog);
        return 0;
    }
    // Every directory from the first below the root, then the whole path.
    char prefix[144];
    size_t length = std::strlen(state.fontDir);
    for (size_t i = 3; i <= length; ++i) {
        if (i < length && state.fontDir[i] != '\\')
            continue;
        std::memcpy(prefix, state.fontDir, i);
        prefix[i] = '\0';
        if (!SetCurrentDirectoryA(prefix) && !CreateOneDirectory(dialog, prefix))
            return 0;
    }
    return 1;
}

INT_PTR CALLBACK Direc_Set(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        PlaceDialog(dialog);
        CopyText(state.fontDir, state.windowsDir);
        FocusEdit(dialog, IDC_DIR_EDIT);
        CopyText(proposal, state.fontDir);
        if (std::strlen(proposal) == 2 && proposal[1] == ':')
            AppendText(proposal, "\\");
        if (proposal[0] == '\0' || proposal[std::strlen(proposal) - 1] != '\\')
            AppendText(proposal, "\\");
        AppendText(proposal, "FONTS");
        CopyText(state.fontDirTyped, proposal);
        SetDlgItemTextA(dialog, IDC_DIR_EDIT, proposal);
        SetHookDialog(dialog);
        InstallKeyHook();
        SetText(dialog, IDC_DIR_PROMPT, kEnterTarget);
        SetText(dialog, IDC_DIR_LABEL, kDestination);
        SetText(dialog, IDOK, BTN_OK);
        SetText(dialog, IDC_EXIT, BTN_CANCEL);
        SetWindowTextA(dialog, GetMessageText(kSelectPath));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (ValidateFontDir(dialog)) {
                GetDlgItemTextA(dialog, IDC_DIR_EDIT, state.fontDirTyped, sizeof state.fontDirTyped);
                state.fontDirIsDefault = std::strcmp(state.fontDirTyped, proposal) == 0 ? 1 : 0;
                InvalidateRect(dialog, nullptr, TRUE);
                EndDialog(dialog, 1);
                RemoveKeyHook();
            } else {
                FocusEdit(dialog, IDC_DIR_EDIT);
            }
            return TRUE;
        case IDCANCEL:
        case IDC_EXIT:
            if (AskCancel(dialog) == IDYES) {
                InvalidateRect(dialog, nullptr, TRUE);
                EndDialog(dialog, 0);
                RemoveKeyHook();
            } else {
                FocusEdit(dialog, IDC_DIR_EDIT);
            }
            return TRUE;
        case IDC_DIR_EDIT:
            if (HIWORD(wParam) == EN_CHANGE)
                EnableWindow(GetDlgItem(dialog, IDOK), GetWindowTextLengthA(GetDlgItem(dialog, IDC_DIR_EDIT)) > 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK Change_Drv(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        PlaceDialog(dialog);
        SetDlgItemTextA(dialog, IDC_DIR_EDIT, state.fontDir);
        FocusEdit(dialog, IDC_DIR_EDIT);
        // The whole directory is selected, so typing replaces it.
        SendDlgItemMessageA(dialog, IDC_DIR_EDIT, EM_SETSEL, 0, -1);
        SetText(dialog, IDC_CHANGE_LABEL, kDestination);
        SetText(dialog, IDOK, BTN_OK);
        SetText(dialog, IDCANCEL, BTN_CANCEL);
        SetWindowTextA(dialog, GetMessageText(CAPTION_INSTALLATION));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (ValidateFontDir(dialog))
                EndDialog(dialog, 1);
            else
                FocusEdit(dialog, IDC_DIR_EDIT);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK SelectDrvProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        PlaceDialog(dialog);
        SendDlgItemMessageA(dialog, IDC_SRC_EDIT, EM_LIMITTEXT, SOURCE_PATH_LIMIT, 0);
        const char* dot = std::strrchr(state.promptPath, '.');
        bool fontPrompt = !(dot && dot > state.promptPath) || EndsInFontExtension(dot);
        char directory[sizeof state.promptPath];
        CopyText(directory, state.promptPath);
        if (char* slash = std::strrchr(directory, '\\')) {
            // A:\SETUP.INF gives A:\ ; A:\FONTS\ARIAL.TT_ gives A:\FONTS.
            slash[slash > directory && slash[-1] == ':' ? 1 : 0] = '\0';
        } else {
            directory[0] = '\0';
        }
        SetDlgItemTextA(dialog, IDC_SRC_EDIT, directory);
        char insert[512];
        std::snprintf(insert, sizeof insert, GetMessageText(kInsertDiskNumber), state.promptDisk);
        SetDlgItemTextA(dialog, IDC_SRC_INSERT, insert);
        SetText(dialog, IDC_SRC_NOT_FOUND, fontPrompt ? kFontNotFound : MSG_FILE_NOT_FOUND);
        SetText(dialog, IDC_SRC_LABEL, kCopyFrom);
        SetText(dialog, IDOK, BTN_OK);
        SetText(dialog, IDCANCEL, BTN_CANCEL);
        SetWindowTextA(dialog, GetMessageText(fontPrompt ? kFontCaption : CAPTION_INSTALLATION));
        return TRUE;
    }
    case WM_COMMAND:
        if (wParam == IDOK) {
            GetDlgItemTextA(dialog, IDC_SRC_EDIT, state.promptPath, sizeof state.promptPath);
            // DlgDirList writes into its argument; the typed path stays as typed.
            char check[sizeof state.promptPath];
            CopyText(check, state.promptPath);
            if (!DlgDirListA(dialog, check, IDC_SRC_LIST, IDC_SRC_STATIC, DDL_DRIVES | DDL_EXCLUSIVE)) {
                char text[256];
                char caption[256];
                MessageBoxA(dialog, GetMessageText(kPathMissing, text), GetMessageText(CAPTION_NOTE, caption),
                            MB_OK | MB_ICONEXCLAMATION);
                return TRUE;
            }
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (wParam == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
