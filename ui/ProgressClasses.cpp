// The classes are registered with their final class attributes. Their
// window procedures draw nothing yet: the bar and the status line are
// still to be built, and until then both behave as plain windows.
#include "ui/ProgressClasses.h"

namespace {

LRESULT CALLBACK PlainControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int RegisterControlClass(HINSTANCE instance, LPCSTR name) {
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PlainControlProc;
    wc.cbWndExtra = 4;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0 ? 1 : 0;
}

}  // namespace

int RegisterProBarClass(HINSTANCE instance) { return RegisterControlClass(instance, "probar"); }
int RegisterTextClass(HINSTANCE instance) { return RegisterControlClass(instance, "text"); }
