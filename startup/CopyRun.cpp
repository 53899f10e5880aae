#include "shared/InstallState.h"
#include "shared/WindowMessages.h"
#include "startup/StageSteps.h"
#include "transfer/CopyEngine.h"
#include "ui/ProgressWindow.h"

CopyRunEnd RunCopy(HWND hwnd, ResultOnStart onStart) {
    SetCapture(hwnd);
    state.savedCursor = SetCursor(state.waitCursor);
    if (onStart == ResultOnStart::Installed || state.runResult != RESULT_INSTALLED_RESTART)
        state.runResult = RESULT_INSTALLED;
    HDC dc = OpenProgress(hwnd);
    int copied = CopyListFiles(hwnd, CopyNotify);
    CloseProgress(hwnd, dc);
    SetCursor(state.savedCursor);
    ReleaseCapture();
    if (copied)
        return CopyRunEnd::Copied;
    MSG pending;
    if (PeekMessageA(&pending, hwnd, IM_FINISH, IM_FINISH, PM_REMOVE))
        return CopyRunEnd::Cancelled;
    return CopyRunEnd::Failed;
}
