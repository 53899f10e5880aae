#include "resources/dialogs/DialogResources.h"

#include "resources/dialogs/ChoiceLayouts.h"
#include "resources/dialogs/DriveDialogTemplates.h"
#include "shared/ResourceIds.h"

namespace nv::resources {

namespace {

constexpr DWORD kModal = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK;
constexpr const char* kSansSerif = "MS Sans Serif";
constexpr DWORD kPush = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDefPush = WS_TABSTOP | BS_DEFPUSHBUTTON;

std::vector<DialogLayout> Build() {
    std::vector<DialogLayout> d;
    // The replace question for a newer installed driver file; Cancel is the default.
    d.push_back({"VER_CHECK", kModal, 0, 0, 200, 100, 8, kSansSerif,
                 {
                     {IDC_VERCHECK_TEXT, ControlClass::Static, SS_LEFT, 20, 6, 130, 66},
                     // Cancel comes first so that it has the focus and Enter keeps the file.
                     {IDCANCEL, ControlClass::Button, kDefPush, 110, 75, 50, 14},
                     {IDOK, ControlClass::Button, kPush, 40, 75, 50, 14},
                 }});
    // The replace confirmation for font files.
    d.push_back({"CONFIRMDLG", kModal, 0, 0, 269, 105, 8, kSansSerif,
                 {
                     {IDC_CONFIRM_FILE, ControlClass::Static, SS_LEFT, 63, 11, 180, 14},
                     {IDC_CONFIRM_EXISTS, ControlClass::Static, SS_LEFT, 64, 31, 180, 13},
                     {IDC_CONFIRM_QUESTION, ControlClass::Static, SS_LEFT, 64, 49, 180, 14},
                     {IDOK, ControlClass::Button, kDefPush, 21, 78, 50, 14},
                     {IDC_YES_TO_ALL, ControlClass::Button, kPush, 81, 78, 50, 14},
                     {IDC_CONFIRM_NO, ControlClass::Button, kPush, 143, 78, 50, 14},
                     {IDCANCEL, ControlClass::Button, kPush, 203, 78, 50, 14},
                 }});
    // The "Checking" notice while the INI files are edited.
    d.push_back({"WAITING", kModal, 0, 0, 175, 50, 8, kSansSerif,
                 {
                     {IDC_WAITING_TEXT, ControlClass::Static, SS_LEFT, 6, 8, 165, 40},
                 }});
    // A new name for a printer whose driver is installed already.
    d.push_back({"PRINTERNAME", kModal, 0, 0, 186, 145, 8, kSansSerif,
                 {
                     {IDC_PRINTER_DRIVER, ControlClass::Static, SS_LEFT, 13, 11, 170, 13},
                     {IDC_PRINTER_TEXT, ControlClass::Static, SS_LEFT, 16, 34, 164, 26},
                     {IDC_PRINTER_LABEL, ControlClass::Static, SS_LEFT, 24, 68, 120, 11},
                     {IDC_PRINTER_NAME, ControlClass::Edit, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 24, 82, 137, 17},
                     {IDOK, ControlClass::Button, kDefPush, 33, 121, 50, 14},
                     {IDCANCEL, ControlClass::Button, kPush, 95, 121, 50, 14},
                 }});
    AddDriveDialogs(d);
    AddProgressDialogs(d);
    AppendChoiceDialogs(d);
    return d;
}

}  // namespace

const std::vector<DialogLayout>& ProgramDialogs() {
    static const std::vector<DialogLayout> dialogs = Build();
    return dialogs;
}

}  // namespace nv::resources
