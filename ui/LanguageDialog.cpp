// The language dialog: one row per entry of languageChoices, each with a
// question line in its own language and a radio button; English is moved
// to the top row when it is offered but not first.
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "ui/ChoiceDialogs.h"
#include "ui/DialogPlumbing.h"
#include "ui/RuntimeTemplates.h"

namespace {

constexpr UINT kRaiseTimer = 1;
constexpr UINT kRaiseDelay = 800;
constexpr UINT kQuestionInstall = 188;    // "Which language do you want to install?"
constexpr UINT kQuestionUninstall = 234;  // "Which language do you want to uninstall?"
constexpr UINT kCaptionSelectLanguage = 189;  // "Select Language"

int languageCount = 0;
int englishEntry = 0;  // position of English when offered but not first; 0 otherwise

// The entry of languageChoices that row shows.
int entryOfRow(int row) {
    if (englishEntry == 0)
        return row;
    if (row == 0)
        return englishEntry;
    return row <= englishEntry ? row - 1 : row;
}

int rowOfEntry(int entry) {
    for (int row = 0; row < languageCount; ++row)
        if (entryOfRow(row) == entry)
            return row;
    return 0;
}

int languageOfEntry(int entry) {
    if (entry < 0 || entry >= LANGUAGE_CHOICES)
        return 0;
    return state.languageChoices[entry].position;
}

// The first row whose button is on; the last row when none is.
int checkedRow(HWND dialog) {
    for (int row = 0; row < languageCount; ++row)
        if (IsDlgButtonChecked(dialog, IDC_LANGUAGE_FIRST + row) == BST_CHECKED)
            return row;
    return languageCount - 1;
}

// OK, Cancel and the caption in language.
void setButtonTexts(HWND dialog, int language) {
    char text[MESSAGE_TEXT_MAX + 1];
    SetDlgItemTextA(dialog, IDOK, GetMessageTextIn(language, BTN_OK, text, sizeof text));
    SetDlgItemTextA(dialog, IDCANCEL, GetMessageTextIn(language, BTN_CANCEL, text, sizeof text));
    SetWindowTextA(dialog, GetMessageTextIn(language, kCaptionSelectLanguage, text, sizeof text));
}

void initDialog(HWND dialog) {
    PlaceDialog(dialog);
    languageCount = 0;
    while (languageCount < LANGUAGE_CHOICES && state.languageChoices[languageCount].name[0])
        ++languageCount;
    ApplyDialogFont(dialog);

    englishEntry = 0;
    if (languageCount > 0 && state.languageChoices[0].position != 0)
        for (int i = 1; i < languageCount; ++i)
            if (state.languageChoices[i].position == 0) {
                englishEntry = i;
                break;
            }

    UINT question = state.operationMode == 1 ? kQuestionUninstall : kQuestionInstall;
    char text[MESSAGE_TEXT_MAX + 1];
    for (int row = 0; row < languageCount; ++row) {
        int language = languageOfEntry(entryOfRow(row));
        SetDlgItemTextA(dialog, IDC_QUESTION_FIRST + row, GetMessageTextIn(language, question, text, sizeof text));
        SetDlgItemTextA(dialog, IDC_LANGUAGE_FIRST + row,
                        GetMessageTextIn(language, TXT_LANGUAGE_NAME_FIRST + language, text, sizeof text));
    }
    setButtonTexts(dialog, languageOfEntry(state.defaultLanguageChoice));
    CheckRadioButton(dialog, IDC_LANGUAGE_FIRST, IDC_LANGUAGE_FIRST + languageCount,
                     IDC_LANGUAGE_FIRST + rowOfEntry(state.defaultLanguageChoice));
    SetTimer(dialog, kRaiseTimer, kRaiseDelay, nullptr);
}

void confirm(HWND dialog) {
    int row = checkedRow(dialog);
    if (row < 0) {
        // Guard: a dialog without rows has no entry to take; it ends as a cancel.
        EndFontDialog(dialog, 0);
        return;
    }
    int entry = entryOfRow(row);
    char label[64];
    GetDlgItemTextA(dialog, IDC_LANGUAGE_FIRST + row, label, sizeof label);
    if (EqualsNoCase(label, "&English"))
        entry = englishEntry;
    state.manufacturerSkip = entry;
    state.languageIndex = languageOfEntry(entry);
    EndFontDialog(dialog, 1);
}

}  // namespace

INT_PTR CALLBACK SelLangProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        initDialog(dialog);
        return TRUE;
    case WM_TIMER:
        BringWindowToTop(dialog);
        KillTimer(dialog, kRaiseTimer);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == IDOK) {
            confirm(dialog);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndFontDialog(dialog, 0);
            return TRUE;
        }
        if (id >= IDC_LANGUAGE_FIRST && id <= IDC_LANGUAGE_FIRST + languageCount && HIWORD(wParam) == BN_CLICKED) {
            int row = checkedRow(dialog);
            if (row >= 0)
                setButtonTexts(dialog, languageOfEntry(entryOfRow(row)));
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}
