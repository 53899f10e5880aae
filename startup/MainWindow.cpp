#include "startup/MainWindow.h"

#include "shared/InstallState.h"
#include "shared/StartKind.h"
#include "shared/WindowMessages.h"
#include "startup/Stages.h"
#include "startup/Startup.h"
#include "ui/Background.h"

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        if (CurrentStartKind() == StartKind::GroupOnly)
            SetTimer(hwnd, GROUP_ONLY_TIMER, GROUP_ONLY_DELAY_MS, nullptr);
        return 1;
    case WM_TIMER:
        KillTimer(hwnd, GROUP_ONLY_TIMER);
        PostMessageA(hwnd, IM_DRIVER_STAGE, 0, 0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        BackgroundPaint(hwnd, dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        if (state.pendingBlock) {
            GlobalFree(state.pendingBlock);
            state.pendingBlock = nullptr;
        }
        PostQuitMessage(0);
        return 0;
    case IM_DRIVER_STAGE:
        return DriverStage(hwnd);
    case IM_DEMO_STAGE:
        return DemoStage(hwnd);
    case IM_FONT_STAGE:
        return FontStage(hwnd);
    case IM_FINISH:
        return FinishStage(hwnd);
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

int CreateMainWindow(HINSTANCE instance, int showCommand) {
    int width = GetSystemMetrics(SM_CXSCREEN) - 1;
    int height = GetSystemMetrics(SM_CYSCREEN) - 1;
    // The title is fixed, not from the string table.
    HWND hwnd = CreateWindowA(MAIN_WINDOW_CLASS, "Norvalk Driver Installation", WS_POPUP | WS_MAXIMIZE | WS_BORDER, 0,
                              0, width, height, nullptr, nullptr, instance, nullptr);
    if (!hwnd)
        return 0;
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    // Sent, not posted: the driver stage runs to its end before the message
    // loop starts. A group-only run waits for the window's timer instead.
    if (CurrentStartKind() != StartKind::GroupOnly)
        SendMessageA(hwnd, IM_DRIVER_STAGE, 0, 0);
    return 1;
}
