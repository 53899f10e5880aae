// Templates of the mode, model, font and space dialogs. Their procedures set
// every caption and text at run time; only the two "K" labels of FONT
// without an id carry their text here.
#include "resources/dialogs/ChoiceLayouts.h"

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
                {146, ControlClass::Static, SS_LEFT, 10, 6, 200, 8},
                {119, ControlClass::ListBox, kList | listStyle, 10, 18, 115, 48},
                {147, ControlClass::Static, SS_LEFT, 131, 15, 80, 40},
                {1, ControlClass::Button, kDefPush | WS_GROUP, 44, 71, buttonWidth, 14},
                {118, ControlClass::Button, kPush, 134, 71, buttonWidth, 14},
            }};
}

}  // namespace

void AppendChoiceDialogs(std::vector<DialogLayout>& d) {
    // Install or uninstall.
    d.push_back({"MODE_INSTALL", kModalFrame, 0, 0, 186, 85, 8, "System",
                 {
                     {653, ControlClass::Static, SS_CENTER, 23, 8, 138, 8},
                     {620, ControlClass::Button, WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 65, 20, 55, 10},
                     {621, ControlClass::Button, BS_AUTORADIOBUTTON, 65, 35, 55, 10},
                     {1, ControlClass::Button, kDefPush | WS_GROUP, 30, 60, 50, 14},
                     {2, ControlClass::Button, kPush, 100, 60, 50, 14},
                 }});
    d.push_back(modelDialog("SELECTDRV", 0, 46));
    d.push_back(modelDialog("SELECTDRVMULTI", LBS_MULTIPLESEL, 50));
    // The fonts, their required and free space on the fonts drive and, when
    // it is another drive, on the Windows drive.
    d.push_back({"FONT", kThreeD, 49, 23, 236, 142, 8, kSansSerif,
                 {
                     {133, ControlClass::Static, SS_LEFT, 25, 3, 195, 18},
                     {134, ControlClass::Static, SS_LEFT, 61, 22, 80, 8},
                     {110, ControlClass::ListBox, kList | LBS_MULTIPLESEL, 61, 32, 114, 41},
                     {135, ControlClass::Static, SS_LEFT, 20, 80, 50, 8},
                     {136, ControlClass::Static, SS_LEFT, 20, 90, 100, 8},
                     {137, ControlClass::Static, SS_LEFT, 20, 100, 100, 8},
                     {127, ControlClass::Static, SS_CENTER, 121, 80, 47, 8},
                     {112, ControlClass::Static, SS_RIGHT, 121, 90, 37, 8},
                     {kNoId, ControlClass::Static, SS_LEFT, 159, 90, 6, 8, "K"},
                     {125, ControlClass::Static, SS_RIGHT, 121, 100, 37, 8},
                     {kNoId, ControlClass::Static, SS_LEFT, 159, 100, 6, 8, "K"},
                     {128, ControlClass::Static, SS_CENTER, 165, 80, 47, 8},
                     {113, ControlClass::Static, SS_RIGHT, 165, 90, 47, 8},
                     {129, ControlClass::Static, SS_LEFT, 214, 90, 6, 8},
                     {126, ControlClass::Static, SS_RIGHT, 165, 100, 47, 8},
                     {130, ControlClass::Static, SS_LEFT, 214, 100, 6, 8},
                     {1, ControlClass::Button, kDefPush | WS_GROUP, 29, 120, 46, 14},
                     {118, ControlClass::Button, kPush, 95, 120, 46, 14},
                     {111, ControlClass::Button, kPush, 161, 120, 46, 14},
                 }});
    // Not enough space: change the fonts (the default), the drive, or exit.
    d.push_back({"KEIKOKU", kThreeD, 65, 34, 244, 112, 8, kSansSerif,
                 {
                     {140, ControlClass::Static, SS_LEFT, 56, 8, 180, 8},
                     {141, ControlClass::Static, SS_LEFT, 63, 18, 160, 8},
                     {143, ControlClass::Static, SS_LEFT, 19, 37, 220, 8},
                     {142, ControlClass::Static, SS_LEFT, 19, 55, 200, 8},
                     {144, ControlClass::Static, SS_LEFT, 19, 73, 200, 8},
                     {2, ControlClass::Button, kDefPush | WS_GROUP, 19, 92, 61, 14},
                     {1, ControlClass::Button, kPush, 99, 92, 61, 14},
                     {118, ControlClass::Button, kPush, 179, 92, 46, 14},
                 }});
}

}  // namespace nv::resources
