// Templates of the mode, model, font and space dialogs. Their procedures set
// every caption and text at run time; only the two "K" labels of FONT
// without an id carry their text here.
#include "resources/dialogs/ChoiceLayouts.h"

#include "shared/ResourceIds.h"

namespace nv::resources {

namespace {

constexpr DWORD kModalFrame = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK;
constexpr DWORD kThreeD = WS_POPUP | WS_CAPTION | DS_3DLOOK;
constexpr const char* kSansSerif = "MS Sans Serif";
constexpr DWORD kPush = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDefPush = WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD kList = WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY;
constexpr WORD kNoId = 0xFFFF;

// The two model dialogs differ in the list's selection and the button width.
DialogLayout modelDialog(const char* name, DWORD listStyle, short buttonWidth) {
    return {name, kThreeD, 64, 31, 224, 91, 8, kSansSerif,
            {
                {IDC_MODEL_LABEL, ControlClass::Static, SS_LEFT, 10, 6, 200, 8},
                {IDC_MODEL_LIST, ControlClass::ListBox, kList | listStyle, 10, 18, 115, 48},
                {IDC_MODEL_TEXT, ControlClass::Static, SS_LEFT, 131, 15, 80, 40},
                {IDOK, ControlClass::Button, kDefPush | WS_GROUP, 44, 71, buttonWidth, 14},
                {IDC_EXIT, ControlClass::Button, kPush, 134, 71, buttonWidth, 14},
            }};
}

}  // namespace

void AppendChoiceDialogs(std::vector<DialogLayout>& d) {
    // Install or uninstall.
    d.push_back({"MODE_INSTALL", kModalFrame, 0, 0, 186, 85, 8, "System",
                 {
                     {IDC_MODE_TEXT, ControlClass::Static, SS_CENTER, 23, 8, 138, 8},
                     {IDC_MODE_INSTALL, ControlClass::Button, WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 65, 20, 55, 10},
                     {IDC_MODE_UNINSTALL, ControlClass::Button, BS_AUTORADIOBUTTON, 65, 35, 55, 10},
                     {IDOK, ControlClass::Button, kDefPush | WS_GROUP, 30, 60, 50, 14},
                     {IDCANCEL, ControlClass::Button, kPush, 100, 60, 50, 14},
                 }});
    d.push_back(modelDialog("SELECTDRV", 0, 46));
    d.push_back(modelDialog("SELECTDRVMULTI", LBS_MULTIPLESEL, 50));
    // The fonts, their required and free space on the fonts drive and, when
    // it is another drive, on the Windows drive.
    d.push_back({"FONT", kThreeD, 49, 23, 236, 142, 8, kSansSerif,
                 {
                     {IDC_FONT_SELECT_TEXT, ControlClass::Static, SS_LEFT, 25, 3, 195, 18},
                     {IDC_FONT_LIST_LABEL, ControlClass::Static, SS_LEFT, 61, 22, 80, 8},
                     {IDC_FONT_LIST, ControlClass::ListBox, kList | LBS_MULTIPLESEL, 61, 32, 114, 41},
                     {IDC_FONT_DRIVE_LABEL, ControlClass::Static, SS_LEFT, 20, 80, 50, 8},
                     {IDC_FONT_NEED_LABEL, ControlClass::Static, SS_LEFT, 20, 90, 100, 8},
                     {IDC_FONT_FREE_LABEL, ControlClass::Static, SS_LEFT, 20, 100, 100, 8},
                     {IDC_FONT_DRIVE, ControlClass::Static, SS_CENTER, 121, 80, 47, 8},
                     {IDC_FONT_NEED, ControlClass::Static, SS_RIGHT, 121, 90, 37, 8},
                     {kNoId, ControlClass::Static, SS_LEFT, 159, 90, 6, 8, "K"},
                     {IDC_FONT_FREE, ControlClass::Static, SS_RIGHT, 121, 100, 37, 8},
                     {kNoId, ControlClass::Static, SS_LEFT, 159, 100, 6, 8, "K"},
                     {IDC_FONT_DRIVE_WINDOWS, ControlClass::Static, SS_CENTER, 165, 80, 47, 8},
                     {IDC_FONT_NEED_WINDOWS, ControlClass::Static, SS_RIGHT, 165, 90, 47, 8},
                     {IDC_FONT_K_NEED_WINDOWS, ControlClass::Static, SS_LEFT, 214, 90, 6, 8},
                     {IDC_FONT_FREE_WINDOWS, ControlClass::Static, SS_RIGHT, 165, 100, 47, 8},
                     {IDC_FONT_K_FREE_WINDOWS, ControlClass::Static, SS_LEFT, 214, 100, 6, 8},
                     {IDOK, ControlClass::Button, kDefPush | WS_GROUP, 29, 120, 46, 14},
                     {IDC_EXIT, ControlClass::Button, kPush, 95, 120, 46, 14},
                     {IDC_FONT_HELP, ControlClass::Button, kPush, 161, 120, 46, 14},
                 }});
    // Not enough space: change the fonts (the default), the drive, or exit.
    d.push_back({"KEIKOKU", kThreeD, 65, 34, 244, 112, 8, kSansSerif,
                 {
                     {IDC_SPACE_NOT_ENOUGH, ControlClass::Static, SS_LEFT, 56, 8, 180, 8},
                     {IDC_SPACE_PROCEDURES, ControlClass::Static, SS_LEFT, 63, 18, 160, 8},
                     {IDC_SPACE_CHANGE_FONTS, ControlClass::Static, SS_LEFT, 19, 37, 220, 8},
                     {IDC_SPACE_CHANGE_DRIVE, ControlClass::Static, SS_LEFT, 19, 55, 200, 8},
                     {IDC_SPACE_EXIT, ControlClass::Static, SS_LEFT, 19, 73, 200, 8},
                     {IDCANCEL, ControlClass::Button, kDefPush | WS_GROUP, 19, 92, 61, 14},
                     {IDOK, ControlClass::Button, kPush, 99, 92, 61, 14},
                     {IDC_EXIT, ControlClass::Button, kPush, 179, 92, 46, 14},
                 }});
}

}  // namespace nv::resources
