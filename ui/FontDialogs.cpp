#include "ui/FontDialogs.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "ui/DialogPlumbing.h"
#include "ui/DriveDialogs.h"

namespace {

// 196..200: "Select the desired fonts. ...", "&Font list :", "Drive:",
// "Required disk space:", "Available disk space:"
constexpr UINT kSelectFonts = 196;
constexpr UINT kNotEnoughFirst = 204;  // 204..208: "There is not enough space on the disk." ...
constexpr UINT kChangeFonts = 209;     // "Change &Fonts"
constexpr UINT kChangeDrive = 210;     // "Change &Drive"
constexpr UINT kNamesTooLong = 239;    // "The names of the selected fonts are too long ..."
constexpr UINT kHelpTexts[] = {115, 116, 117, 118, 119, 120, 121, 122};
constexpr int kHelpBlock = 2048;
constexpr int kFontListBuffer = 340;   // what FONTLIST is first read into
constexpr int kFontNameMax = 255;      // a list row's text

// Readings of the open FONT dialog.
LONG freeFonts = 0;
LONG freeWindows = 0;
long long requiredFonts = 0;
long long requiredWindows = 0;
bool spaceRead = false;  // the fonts drive answered when the dialog opened

// Guard: a FontPath typed in lower case names the same drive as the
// upper-cased Windows directory; compared as they are, one drive would be
// shown and tested as two.
bool sameDrive(const char* a, const char* b) {
    return std::toupper(static_cast<unsigned char>(a[0])) == std::toupper(static_cast<unsigned char>(b[0]));
}

bool windowsDriveDiffers() { return !sameDrive(state.windowsDir, state.fontDir); }

void setNumber(HWND dialog, int control, long long value) {
    char text[24];
    std::snprintf(text, sizeof text, "%lld", value);
    SetDlgItemTextA(dialog, control, text);
}

// A size of [NEEDED.SPACE] in KB: leading blanks and a sign allowed,
// reading stops at the first non-digit, an empty text is 0.
// Guard: held inside 32 bits instead of overflowing.
long long readKb(const char* text) {
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    long long value = 0;
    for (; std::isdigit(static_cast<unsigned char>(*text)) && value <= INT_MAX; ++text)
        value = value * 10 + (*text - '0');
    if (value > INT_MAX)
        value = INT_MAX;
    return negative ? -value : value;
}

// Adds the needs of one font (its FONTLIST name, '_' for blanks).
void addNeeds(const char* name) {
    char section[32];
    GetMessageText(TXT_NEEDED_SPACE, section);
    char value[MESSAGE_TEXT_MAX + 1];
    if (!GetSectionValue(nullptr, section, name, value))
        return;
    char* where = std::strchr(value, ',');
    if (!where)
        return;  // no where field: nothing is counted
    *where++ = 0;
    char* size2 = std::strchr(where, ',');
    if (size2)
        *size2++ = 0;
    long long size1 = readKb(value);
    switch (where[0]) {
    case '0':
        requiredFonts += size1;
        break;
    case '1':
        requiredWindows += size1;
        break;
    case '2':
        requiredFonts += size1;
        requiredWindows += size2 ? readKb(size2) : 0;
        break;
    }
}

void blanksTo(char* text, char from, char to) {
    for (; *text; ++text)
        if (*text == from)
            *text = to;
}

// Row's text with '_' for blanks, as FONTLIST and [NEEDED.SPACE] name it.
bool rowName(HWND list, int row, char (&name)[kFontNameMax + 1]) {
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, row, 0);
    if (length == LB_ERR || length > kFontNameMax)
        return false;
    SendMessageA(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(name));
    blanksTo(name, ' ', '_');
    return true;
}

// The whole FONTLIST value: read into the usual 340 characters first and,
// when it fills them, again into a buffer large enough, so that no name is
// cut.
std::vector<char> readFontList() {
    char dotted[32];
    GetMessageText(TXT_TRUETYPEFONTS_FONTLIST, dotted);
    std::vector<char> value(kFontListBuffer + 1);
    for (;;) {
        GetDottedValue(dotted, value.data(), static_cast<int>(value.size()));
        if (std::strlen(value.data()) < value.size() - 1)
            return value;
        value.assign(value.size() * 2, 0);
    }
}

void endFont(HWND dialog, INT_PTR result) {
    EndDialog(dialog, result);
    RemoveKeyHook();
}

void initFont(HWND dialog) {
    PlaceDialog(dialog);
    char text[MESSAGE_TEXT_MAX + 1] = {state.fontDir[0], ':', 0};
    SetDlgItemTextA(dialog, IDC_FONT_DRIVE, text);
    SetDlgItemTextA(dialog, IDC_FONT_NEED, "0");
    for (int i = 0; i < 5; ++i)
        SetDlgItemTextA(dialog, IDC_FONT_SELECT_TEXT + i, GetMessageText(kSelectFonts + i, text));
    SetDlgItemTextA(dialog, IDOK, GetMessageText(BTN_CONTINUE, text));
    SetDlgItemTextA(dialog, IDC_EXIT, GetMessageText(BTN_EXIT, text));
    SetDlgItemTextA(dialog, IDC_FONT_HELP, GetMessageText(BTN_HELP, text));
    SetWindowTextA(dialog, GetMessageText(CAPTION_INSTALLATION, text));
}

}  // namespace

int FillFontList(HWND dialog, HWND list) {
    PlaceDialog(dialog);
    std::vector<char> value = readFontList();
    char* piece = value.data();
    for (;;) {
        char* comma = std::strchr(piece, ',');
        if (comma)
            *comma = 0;
        blanksTo(piece, '_', ' ');
        // Guard: an empty piece ("A,,B" or an empty list) names no font; as
        // a row it would be an empty choice handed on as a font name.
        if (piece[0]) {
            LRESULT row = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(piece));
            // Guard: a row left out would be a font never offered, and the
            // choice would pass for the whole list.
            if (row == LB_ERR || row == LB_ERRSPACE) {
                char message[MESSAGE_TEXT_MAX + 1];
                char caption[MESSAGE_TEXT_MAX + 1];
                MessageBoxA(dialog, GetMessageText(MSG_NOT_ENOUGH_MEMORY, message),
                            GetMessageText(CAPTION_INSTALLATION, caption), MB_ICONHAND);
                return 0;
            }
        }
        if (!comma)
            break;
        piece = comma + 1;
    }
    SendMessageA(list, LB_SETSEL, TRUE, -1);
    return 1;
}

int CollectFonts(HWND dialog, HWND list) {
    state.scratchText[0] = 0;
    LRESULT rows = SendMessageA(list, LB_GETCOUNT, 0, 0);
    bool fits = true;
    char name[kFontNameMax + 1];
    for (int row = 0; row < rows && fits; ++row) {
        if (SendMessageA(list, LB_GETSEL, row, 0) <= 0)
            continue;
        fits = rowName(list, row, name) && (state.scratchText[0] == 0 || AppendText(state.scratchText, ",")) &&
               AppendText(state.scratchText, name);
    }
    // Guard: a cut list would name a font by half its name; nothing is
    // handed on instead, and the caller says why.
    if (!fits)
        state.scratchText[0] = 0;
    return fits ? 1 : 0;
}

int UpdateSizes(HWND dialog, HWND list) {
    requiredFonts = 0;
    requiredWindows = 0;
    // The totals are summed over the rows themselves, so that they are right
    // also for a selection whose names are too long for scratchText.
    CollectFonts(dialog, list);
    LRESULT rows = SendMessageA(list, LB_GETCOUNT, 0, 0);
    char name[kFontNameMax + 1];
    for (int row = 0; row < rows; ++row)
        if (SendMessageA(list, LB_GETSEL, row, 0) > 0 && rowName(list, row, name))
            addNeeds(name);
    if (!windowsDriveDiffers()) {
        setNumber(dialog, IDC_FONT_NEED, requiredFonts + requiredWindows);
    } else {
        setNumber(dialog, IDC_FONT_NEED, requiredFonts);
        setNumber(dialog, IDC_FONT_NEED_WINDOWS, requiredWindows);
    }
    if (requiredFonts + requiredWindows == 0)
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    return 1;
}

int ShowSpace(HWND dialog, LPCSTR directory, int control, SpaceDrive drive) {
    char root[4] = {0};
    // The drive's root, "C:\", is the first three characters.
    std::memcpy(root, directory, strnlen(directory, 3));
    LONG freeBytes = GetFreeBytes(root);
    if (freeBytes == -1)
        return 0;
    (drive == SpaceDrive::Fonts ? freeFonts : freeWindows) = freeBytes;
    char text[16];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(freeBytes));
    size_t length = std::strlen(text);
    if (length > 3)
        text[length - 3] = 0;
    else
        std::strcpy(text, "0");
    SetDlgItemTextA(dialog, control, text);
    return 1;
}

int CheckFontSpace(HWND dialog) {
    for (bool firstPass = true;; firstPass = false) {
        if (!firstPass) {
            if (!ShowSpace(dialog, state.fontDir, IDC_FONT_FREE, SpaceDrive::Fonts))
                return SPACE_GIVE_UP;
            if (windowsDriveDiffers() && !ShowSpace(dialog, state.windowsDir, IDC_FONT_FREE_WINDOWS, SpaceDrive::Windows))
                return SPACE_GIVE_UP;
        } else if (!spaceRead) {
            // Guard: the fonts drive did not answer when the dialog opened;
            // the old readings of another run must not let the fonts through.
            return SPACE_GIVE_UP;
        }
        long long fontsMargin = freeFonts - requiredFonts * 1000;
        long long windowsMargin = windowsDriveDiffers() ? freeWindows - requiredWindows * 1000 : 0;
        if (fontsMargin >= 0 && windowsMargin >= 0)
            return SPACE_FITS;
        INT_PTR choice = RunDialog(dialog, Enough_Size, "KEIKOKU");
        if (choice == SPACE_CHANGE_FONTS)
            return SPACE_CHANGE_FONTS;
        if (choice != 1) {
            EndDialog(dialog, 0);
            return SPACE_GIVE_UP;
        }
    }
}

int ShowFontHelp(HWND dialog, const UINT* ids, int count) {
    HGLOBAL block = GlobalAlloc(GHND, kHelpBlock);
    char* text = block ? static_cast<char*>(GlobalLock(block)) : nullptr;
    if (!text) {
        if (block)
            GlobalFree(block);
        char message[MESSAGE_TEXT_MAX + 1];
        char caption[MESSAGE_TEXT_MAX + 1];
        MessageBoxA(dialog, GetMessageText(MSG_NOT_ENOUGH_MEMORY, message), GetMessageText(CAPTION_WARNING, caption),
                    MB_ICONHAND | MB_TASKMODAL);
        return 0;
    }
    char piece[MESSAGE_TEXT_MAX + 1];
    for (int i = 0; i < count; ++i)
        AppendText(text, kHelpBlock, GetMessageText(ids[i], piece));
    char caption[MESSAGE_TEXT_MAX + 1];
    MessageBoxA(dialog, text, GetMessageText(CAPTION_INSTALLATION, caption), MB_OK | MB_TASKMODAL);
    GlobalUnlock(block);
    GlobalFree(block);
    return 1;
}

INT_PTR CALLBACK FONT_Set(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    HWND list = GetDlgItem(dialog, IDC_FONT_LIST);
    switch (message) {
    case WM_INITDIALOG:
        initFont(dialog);
        spaceRead = ShowSpace(dialog, state.fontDir, IDC_FONT_FREE, SpaceDrive::Fonts) != 0;
        if (!spaceRead)
            return FALSE;
        if (!sameDrive(state.systemDir, state.fontDir)) {
            char label[] = "?:[Windows]";
            label[0] = state.systemDir[0];
            SetDlgItemTextA(dialog, IDC_FONT_DRIVE_WINDOWS, label);
            SetDlgItemTextA(dialog, IDC_FONT_NEED_WINDOWS, "0");
            SetDlgItemTextA(dialog, IDC_FONT_K_NEED_WINDOWS, "K");
            if (!ShowSpace(dialog, state.windowsDir, IDC_FONT_FREE_WINDOWS, SpaceDrive::Windows)) {
                spaceRead = false;
                return FALSE;
            }
            SetDlgItemTextA(dialog, IDC_FONT_K_FREE_WINDOWS, "K");
        }
        if (!FillFontList(dialog, list)) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        UpdateSizes(dialog, list);
        SetHookDialog(dialog);
        InstallKeyHook();
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_FONT_LIST:
            if (HIWORD(wParam) == LBN_SELCHANGE) {
                EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
                UpdateSizes(dialog, list);
            }
            return TRUE;
        case IDOK: {
            // Names that do not fit scratchText are refused before the space
            // test, so the user is not taken through KEIKOKU for nothing.
            if (!CollectFonts(dialog, list)) {
                char text[MESSAGE_TEXT_MAX + 1];
                char caption[MESSAGE_TEXT_MAX + 1];
                MessageBoxA(dialog, GetMessageText(kNamesTooLong, text), GetMessageText(CAPTION_WARNING, caption),
                            MB_OK | MB_ICONEXCLAMATION);
                return TRUE;
            }
            int space = CheckFontSpace(dialog);
            if (space == SPACE_FITS) {
                EndDialog(dialog, 1);
                CollectFonts(dialog, list);
                RemoveKeyHook();
            } else if (space == SPACE_GIVE_UP) {
                endFont(dialog, 0);
            }
            return TRUE;
        }
        case IDC_FONT_HELP:
            ShowFontHelp(dialog, kHelpTexts, static_cast<int>(sizeof kHelpTexts / sizeof kHelpTexts[0]));
            return TRUE;
        case IDC_EXIT:
            if (AskCancel(dialog) == IDYES)
                endFont(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK Enough_Size(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        PlaceDialog(dialog);
        char text[MESSAGE_TEXT_MAX + 1];
        for (int i = 0; i < 5; ++i)
            SetDlgItemTextA(dialog, IDC_SPACE_NOT_ENOUGH + i, GetMessageText(kNotEnoughFirst + i, text));
        SetDlgItemTextA(dialog, IDCANCEL, GetMessageText(kChangeFonts, text));
        SetDlgItemTextA(dialog, IDOK, GetMessageText(kChangeDrive, text));
        SetDlgItemTextA(dialog, IDC_EXIT, GetMessageText(BTN_EXIT, text));
        SetWindowTextA(dialog, GetMessageText(CAPTION_INSTALLATION, text));
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (RunDialog(dialog, Change_Drv, "CHANGE") == 1) {
                WritePrivateProfileStringA("Install", "FontPath", state.fontDir, state.privateIniPath);
                // Guard: the fonts are registered under the typed directory;
                // left as DIRECTORY's text, the registry would name the old
                // drive while the files go to the new one.
                CopyText(state.fontDirTyped, state.fontDir);
                state.fontDirIsDefault = 0;
                EndDialog(dialog, 1);
            }
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, SPACE_CHANGE_FONTS);
            return TRUE;
        case IDC_EXIT:
            if (AskCancel(dialog) == IDYES)
                EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
