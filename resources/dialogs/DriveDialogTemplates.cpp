#include "resources/dialogs/DriveDialogTemplates.h"

namespace nv::resources {

namespace {
constexpr const char* kSansSerif = "MS Sans Serif";
constexpr DWORD kCaption3d = WS_POPUP | WS_CAPTION | DS_3DLOOK;
constexpr DWORD kModal = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK;
constexpr DWORD kPush = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDefPush = WS_TABSTOP | BS_DEFPUSHBUTTON;
// The directory fields turn letters into capitals and scroll sideways.
constexpr DWORD kDirEdit = WS_TABSTOP | WS_BORDER | ES_UPPERCASE | ES_AUTOHSCROLL;
}  // namespace

void AddDriveDialogs(std::vector<DialogLayout>& d) {
    // The fonts directory.
    d.push_back({"DIRECTORY", kCaption3d, 38, 51, 254, 84, 8, kSansSerif,
                 {
                     {131, ControlClass::Static, SS_LEFT, 40, 14, 200, 18},
                     {132, ControlClass::Static, SS_LEFT, 30, 37, 43, 9},
                     {117, ControlClass::Edit, kDirEdit, 79, 35, 144, 12},
                     {1, ControlClass::Button, kDefPush, 65, 60, 50, 16},
                     {118, ControlClass::Button, kPush, 145, 60, 50, 16},
                 }});
    // Another drive, from the disk-space warning.
    d.push_back({"CHANGE", kCaption3d, 59, 60, 226, 61, 8, kSansSerif,
                 {
                     {139, ControlClass::Static, SS_LEFT, 18, 17, 44, 8},
                     {117, ControlClass::Edit, kDirEdit, 64, 16, 144, 12},
                     {1, ControlClass::Button, kDefPush, 44, 40, 46, 14},
                     {2, ControlClass::Button, kPush, 136, 40, 46, 14},
                 }});
    // The source path of a disk that was not found.
    d.push_back({"SELECTDRIVE", kModal, 0, 0, 268, 102, 8, kSansSerif,
                 {
                     {153, ControlClass::Static, SS_LEFT, 21, 15, 141, 19},
                     {154, ControlClass::Static, SS_LEFT, 21, 35, 141, 19},
                     {155, ControlClass::Static, SS_LEFT, 21, 64, 141, 10},
                     {650, ControlClass::Edit, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 21, 75, 160, 13},
                     {651, ControlClass::ListBox, WS_BORDER | LBS_SORT, 181, 87, 48, 12, "", true},
                     {652, ControlClass::Static, SS_LEFT, 185, 75, 41, 7, "", true},
                     {1, ControlClass::Button, kDefPush, 205, 16, 50, 14},
                     {2, ControlClass::Button, kPush, 205, 34, 50, 14},
                 }});
}

void AddProgressDialogs(std::vector<DialogLayout>& d) {
    // The modeless progress window; its two controls are made at run time.
    d.push_back({"COPYING", WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_3DLOOK, 42, 53, 238, 68, 8,
                 kSansSerif, {}});
}

}  // namespace nv::resources
