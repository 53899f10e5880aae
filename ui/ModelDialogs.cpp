// SELECTDRV (one model to install) and SELECTDRVMULTI (the installed
// models to remove). Both hold the F3 hook; Escape does nothing in them.
#include <cstring>

#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "ui/ChoiceDialogs.h"
#include "ui/DialogPlumbing.h"

namespace {

constexpr UINT kListOfPrinters = 191;     // "&List of Printers"
constexpr UINT kSelectToInstall = 192;    // "Please select the driver you want to install."
constexpr UINT kCaptionSelectDriver = 193;  // "Select Driver"
constexpr UINT kInstall = 190;            // "&Install"
constexpr UINT kUninstall = 231;          // "&Uninstall"
constexpr UINT kSelectToUninstall = 235;  // "Please select the driver you want to uninstall."
constexpr UINT k600Note[] = {175, 176, 177};  // "600dpi printing requires 6Mbytes or more memory !..."

int singleRows = 0;               // rows of SELECTDRV: slot i is row i
int multiRows = 0;                // rows of SELECTDRVMULTI
int multiSlotOfRow[MODEL_SLOTS];  // the slot each SELECTDRVMULTI row shows

// The model name of a slot, never read past its 120 bytes.
void slotName(int slot, char (&name)[MODEL_NAME_MAX + 1]) {
    std::memcpy(name, state.modelTable[slot], MODEL_NAME_MAX);
    name[MODEL_NAME_MAX] = 0;
}

bool rowSelected(HWND dialog, int row) { return SendDlgItemMessageA(dialog, IDC_MODEL_LIST, LB_GETSEL, row, 0) > 0; }

int selectedCount(HWND dialog, int rows) {
    int count = 0;
    for (int row = 0; row < rows; ++row)
        count += rowSelected(dialog, row) ? 1 : 0;
    return count;
}

void enableConfirm(HWND dialog, int rows) { EnableWindow(GetDlgItem(dialog, IDOK), selectedCount(dialog, rows) > 0); }

void setTexts(HWND dialog, UINT question, UINT confirmText) {
    char text[MESSAGE_TEXT_MAX + 1];
    SetDlgItemTextA(dialog, IDC_MODEL_LABEL, GetMessageText(kListOfPrinters, text));
    SetDlgItemTextA(dialog, IDC_MODEL_TEXT, GetMessageText(question, text));
    SetDlgItemTextA(dialog, IDOK, GetMessageText(confirmText, text));
    SetDlgItemTextA(dialog, IDC_EXIT, GetMessageText(BTN_CANCEL, text));
    SetWindowTextA(dialog, GetMessageText(kCaptionSelectDriver, text));
}

void startHook(HWND dialog) {
    PlaceDialog(dialog);
    SetHookDialog(dialog);
    InstallKeyHook();
}

void finish(HWND dialog, INT_PTR result) {
    EndDialog(dialog, result);
    RemoveKeyHook();
}

void cancel(HWND dialog) {
    if (AskCancel(dialog) == IDYES)
        finish(dialog, 0);
}

// "600dpi printing requires ..." under "Note", once however many such models are chosen.
void show600Note(HWND dialog) {
    char text[3 * (MESSAGE_TEXT_MAX + 1)] = "";
    char piece[MESSAGE_TEXT_MAX + 1];
    for (UINT id : k600Note)
        AppendText(text, GetMessageText(id, piece));
    char caption[MESSAGE_TEXT_MAX + 1];
    MessageBoxA(dialog, text, GetMessageText(CAPTION_NOTE, caption), MB_ICONEXCLAMATION | MB_OK);
}

bool endsIn600(const char* name) {
    size_t n = std::strlen(name);
    return n >= 3 && std::strcmp(name + n - 3, "600") == 0;
}

void initSingle(HWND dialog) {
    startHook(dialog);
    SendDlgItemMessageA(dialog, IDC_MODEL_LIST, LB_RESETCONTENT, 0, 0);
    singleRows = 0;
    char name[MODEL_NAME_MAX + 1];
    for (int slot = 0; slot < MODEL_SLOTS && state.modelTable[slot][0]; ++slot) {
        slotName(slot, name);
        SendDlgItemMessageA(dialog, IDC_MODEL_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        ++singleRows;
    }
    SendDlgItemMessageA(dialog, IDC_MODEL_LIST, LB_SETCURSEL, 0, 0);
    setTexts(dialog, kSelectToInstall, kInstall);
    enableConfirm(dialog, singleRows);
}

void installChosen(HWND dialog) {
    // Guard: Enter reaches OK even while Install is disabled; without a
    // chosen model there is nothing to install.
    if (selectedCount(dialog, singleRows) == 0)
        return;
    bool note = false;
    char name[MODEL_NAME_MAX + 1];
    for (int row = 0; row < singleRows; ++row) {
        bool chosen = rowSelected(dialog, row);
        state.modelTable[row][MODEL_SELECTED_BYTE] = chosen ? '1' : '0';
        slotName(row, name);
        note = note || (chosen && endsIn600(name));
    }
    if (note)
        show600Note(dialog);
    finish(dialog, 1);
}

void initMulti(HWND dialog) {
    startHook(dialog);
    SendDlgItemMessageA(dialog, IDC_MODEL_LIST, LB_RESETCONTENT, 0, 0);
    multiRows = 0;
    char name[MODEL_NAME_MAX + 1];
    for (int slot = 0; slot < MODEL_SLOTS && state.modelTable[slot][0]; ++slot) {
        if (state.modelTable[slot][MODEL_SELECTED_BYTE] != '1')
            continue;
        slotName(slot, name);
        SendDlgItemMessageA(dialog, IDC_MODEL_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        multiSlotOfRow[multiRows++] = slot;
    }
    SendDlgItemMessageA(dialog, IDC_MODEL_LIST, LB_SETSEL, TRUE, 0);
    setTexts(dialog, kSelectToUninstall, kUninstall);
    enableConfirm(dialog, multiRows);
}

void uninstallChosen(HWND dialog) {
    // Guard: as for Install, Enter must not end the dialog with nothing chosen.
    if (selectedCount(dialog, multiRows) == 0)
        return;
    for (int row = 0; row < multiRows; ++row)
        state.modelTable[multiSlotOfRow[row]][MODEL_SELECTED_BYTE] = rowSelected(dialog, row) ? '1' : '0';
    finish(dialog, 1);
}

}  // namespace

namespace {

enum class ModelChoice { One, Several };

// The two procedures differ only in how they fill the list and write the flags.
INT_PTR modelDialog(ModelChoice kind, HWND dialog, UINT message, WPARAM wParam) {
    bool one = kind == ModelChoice::One;
    switch (message) {
    case WM_INITDIALOG:
        one ? initSingle(dialog) : initMulti(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_MODEL_LIST:
            enableConfirm(dialog, one ? singleRows : multiRows);
            return TRUE;
        case IDOK:
            one ? installChosen(dialog) : uninstallChosen(dialog);
            return TRUE;
        case IDC_EXIT:
            cancel(dialog);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK SelectDriver(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return modelDialog(ModelChoice::One, dialog, message, wParam);
}

INT_PTR CALLBACK SelectDriver2(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return modelDialog(ModelChoice::Several, dialog, message, wParam);
}
