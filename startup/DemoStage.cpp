// The demonstration-file stage: one file, after the driver's or on its own,
// copied when the user wants it.
#include <cstring>

#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"
#include "shared/WindowMessages.h"
#include "startup/StageSteps.h"
#include "startup/Stages.h"
#include "startup/StartupMessages.h"
#include "ui/DriveDialogs.h"

namespace {

constexpr UINT kQuestionDemo = 142;  // "Do you want to install the Demo file?\n"

// Puts the demonstration file alone into copyList. 0 when there is none to
// copy: a driver list without a "prn" entry has no demonstration file.
int ListDemoFile() {
    char* first = state.copyList[0];
    if (!EntryInUse(first)) {
        char script[MAX_PATH];
        JoinPath(script, state.sourceDir, GetMessageText(TXT_INSTALL_INF));
        std::memset(first, 0, COPY_LIST_ENTRY_SIZE);
        GetPrivateProfileStringA(GetMessageText(TXT_DEMOFILE), "file", "", first + 1, COPY_LIST_ENTRY_SIZE - 1,
                                 script);
        if (!first[1])
            return 0;
        first[0] = '3';
    } else {
        int found = -1;
        for (int i = 0; i < COPY_LIST_ENTRIES && EntryInUse(state.copyList[i]); ++i) {
            LPCSTR extension = ExtensionPart(CopyListSource(i));
            if (extension && EqualsNoCase(extension, "prn")) {
                found = i;
                break;
            }
        }
        // Guard: without a "prn" entry the first driver file would be copied
        // a second time as if it were the demonstration file.
        if (found < 0)
            return 0;
        if (found != 0)
            std::memcpy(first, state.copyList[found], COPY_LIST_ENTRY_SIZE);
        first[0] = '3';
    }
    EndCopyList(state.copyList[1]);
    return 1;
}

}  // namespace

LRESULT DemoStage(HWND hwnd) {
    UpdateWindow(hwnd);
    if (state.demoFileOffered == 0 ||
        ShowIdMessage(hwnd, kQuestionDemo, CAPTION_QUESTION, MB_YESNO) == IDNO) {
        PostMessageA(hwnd, IM_FONT_STAGE, 0, 0);
        return 0;
    }
    UpdateWindow(hwnd);
    CopyText(state.neededSpace, "400");
    if (!CheckDrive(hwnd, WriteCheck::Skip, DriveOf::WindowsDir) || !ListDemoFile()) {
        PostMessageA(hwnd, IM_FONT_STAGE, 0, 0);
        return 0;
    }
    CopyRunEnd copied = RunCopy(hwnd, ResultOnStart::KeepRestart);
    bool finish = copied == CopyRunEnd::Cancelled || state.runResult == RESULT_INSTALL_FAILED;
    PostMessageA(hwnd, finish ? IM_FINISH : IM_FONT_STAGE, 0, 0);
    return 0;
}
