#include "ui/DialogPlumbing.h"

#include <string>

#include "ProgramTest.h"
#include "platform/user/Resources.h"
#include "resources/dialogs/DialogWriter.h"

using nv::testing::ProgramTest;

namespace {

// A dialog with an edit field and an Exit button, using the F3 hook as the
// program's directory, font and model dialogs do.
INT_PTR CALLBACK HookedProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        PlaceDialog(dialog);
        SetHookDialog(dialog);
        InstallKeyHook();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_EXIT) {
            if (AskCancel(dialog) == IDYES) {
                EndDialog(dialog, 0);
                RemoveKeyHook();
            }
            return TRUE;
        }
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dialog, 1);
            RemoveKeyHook();
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

// A dialog without the hook.
INT_PTR CALLBACK PlainProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDC_EXIT)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

class Plumbing : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        nv::resources::DialogLayout layout{"HOOKED", WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, 0, 200, 80, 8, "MS Sans Serif",
                                       {{100, ControlClass::Edit, WS_TABSTOP | WS_BORDER, 10, 10, 100, 12},
                                        {IDOK, ControlClass::Button, WS_TABSTOP | BS_DEFPUSHBUTTON, 10, 50, 50, 14},
                                        {IDC_EXIT, ControlClass::Button, WS_TABSTOP, 70, 50, 50, 14, "E&xit"}}};
        nv::user::resources::add(state.instance, RT_DIALOG, "HOOKED", nv::resources::WriteDialogTemplate(layout));
    }
};

TEST_F(Plumbing, F3OnAControlOfTheHookedDialogActsAsExit) {
    answers("dialog HOOKED\n  type 100 \"C:\\\\FONTS\"\n  press F3\n"
            "message \"Do you really want to cancel the installation?\"\n  click \"&Yes\"\n");
    EXPECT_EQ(RunDialog(nullptr, HookedProc, "HOOKED"), 0);
    expectAnswersUsed();
}

TEST_F(Plumbing, F3InTheCancelQuestionOrAnotherDialogDoesNothing) {
    // F3 in the message box is no Exit; No keeps the dialog open.
    answers("dialog HOOKED\n  press F3\n"
            "message \"Do you really want to cancel\"\n  press F3\n  press Enter\n"
            "dialog HOOKED\n  click 1\n");
    EXPECT_EQ(RunDialog(nullptr, HookedProc, "HOOKED"), 1);
    expectAnswersUsed();

    answers("dialog HOOKED\n  press F3\n  click 1\n");
    EXPECT_EQ(RunDialog(nullptr, PlainProc, "HOOKED"), 1);
    expectAnswersUsed();
}

TEST_F(Plumbing, AskCancelTextDependsOnWhetherADriverIsInstalled) {
    answers("message \"Do you really want to cancel the installation?\"\n  press Enter\n");
    EXPECT_EQ(AskCancel(nullptr), IDNO);  // No is the default
    state.runResult = RESULT_INSTALLED;
    answers("message \"Do you want to finish the installation?\"\n  click \"&Yes\"\n");
    EXPECT_EQ(AskCancel(nullptr), IDYES);
    expectAnswersUsed();
}

TEST_F(Plumbing, PlacementBelowTheMiddleOnSmallScreensCentredOnLarge) {
    HWND dlg = CreateDialogParamA(state.instance, "WAITING", nullptr, WaitingProc, 0);
    ASSERT_NE(dlg, nullptr);
    RECT r;
    GetWindowRect(dlg, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    EXPECT_EQ(r.left, (800 - w) / 2);
    EXPECT_EQ(r.top, ((600 - h) / 3) * 2);
    char text[256];
    GetDlgItemTextA(dlg, IDC_WAITING_TEXT, text, sizeof text);
    EXPECT_STREQ(text, "Checking WIN.INI and SYSTEM.INI files now.\nThis process can take a few minutes.\nPlease wait.");
    GetWindowTextA(dlg, text, sizeof text);
    EXPECT_STREQ(text, "Checking");
    DestroyWindow(dlg);

    tm().machine().settings().screenWidth = 1024;
    tm().machine().settings().screenHeight = 768;
    dlg = CreateDialogParamA(state.instance, "WAITING", nullptr, WaitingProc, 0);
    ASSERT_NE(dlg, nullptr);
    GetWindowRect(dlg, &r);
    EXPECT_EQ(r.left, (1024 - w) / 2);
    EXPECT_EQ(r.top, (768 - h) / 2);
    DestroyWindow(dlg);
}

TEST_F(Plumbing, RunDialogPassesOnAFailure) {
    EXPECT_EQ(RunDialog(nullptr, PlainProc, "NO_SUCH_TEMPLATE"), -1);
}
