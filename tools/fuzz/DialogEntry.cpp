// The dialog-template parser on any bytes; a template that parses is
// created through the Win32 edge, shown, painted and destroyed.
#include <cstring>
#include <vector>

#include <windows.h>

#include "platform/gdi/Win95Painter.h"
#include "platform/gdi/WindowSurface.h"
#include "platform/user/DialogTemplate.h"
#include "platform/user/WindowManager.h"
#include "tools/fuzz/FuzzCheck.h"
#include "tools/fuzz/FuzzEntries.h"

namespace nv::fuzz {

namespace {

HINSTANCE const kInstance = reinterpret_cast<HINSTANCE>(0x400000);

INT_PTR CALLBACK quietProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

void pump() {
    MSG msg;
    for (int i = 0; i < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

void dialogInput(const uint8_t* data, size_t size) {
    auto parsed = user::parseDialogTemplate(data, size, "fuzz");
    if (!parsed) {
        if (parsed.error().message.find("fuzz") == std::string::npos)
            broken("a template error does not name the template: " + parsed.error().message);
        return;
    }
    // What the address alone gives must be what the size gives: the copy
    // ends where the template ends, so reading further is caught.
    std::vector<uint8_t> exact(data, data + size);
    auto trusted = user::parseDialogTemplate(exact.data(), user::kUnknownSize, "fuzz");
    if (!trusted || trusted->items.size() != parsed->items.size() || trusted->caption != parsed->caption)
        broken("the template reads differently without its size");

    // Fonts are capped at 2000 pixels, and each glyph of a caption or of the
    // base units is rasterised whole: correct, but seconds per dialog under
    // the fuzz build's instrumentation. Up to 4 inches covers every path.
    if (parsed->hasFont && parsed->pointSize > 288)
        return;
    (void)fuzzMachine();
    static bool painting = [] {
        gdi::InstallPainter();
        return true;
    }();
    (void)painting;
    user::reset();
    HWND dlg = CreateDialogIndirectParamA(kInstance, reinterpret_cast<const DLGTEMPLATE*>(exact.data()), nullptr,
                                          quietProc, 0);
    if (!dlg)
        return;
    int children = 0;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        ++children;
    if (size_t(children) > parsed->items.size())
        broken("the dialog has more controls than its template");
    // Windows of any size are painted: no surface is larger than the screen.
    ShowWindow(dlg, SW_SHOW);
    UpdateWindow(dlg);
    pump();
    (void)gdi::composeScreen();
    if (!DestroyWindow(dlg) || IsWindow(dlg))
        broken("the dialog could not be destroyed");
    pump();
}

}  // namespace nv::fuzz
