// Win32 edge: system metrics, the keyboard state, mouse capture, cursors and
// icons, ExitWindowsEx, MessageBeep and the small character helpers.
#include <windows.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/core/Machine.h"
#include "platform/core/Trace.h"
#include "platform/user/Resources.h"
#include "platform/user/WindowManager.h"

using namespace nv::user;

namespace {

// Stand-in handles for the system's cursors and icons: distinct, never
// dereferenced, recognisable in a trace.
HCURSOR systemHandle(uintptr_t base, LPCSTR name) {
    return reinterpret_cast<HCURSOR>(base + reinterpret_cast<uintptr_t>(name));
}

}  // namespace

namespace nv::user {
int systemMetric(int index) {
    auto* m = nv::machine::current();
    int cx = m ? m->settings().screenWidth : 800;
    int cy = m ? m->settings().screenHeight : 600;
    int r = 0;
    switch (index) {
    case SM_CXSCREEN: r = cx; break;
    case SM_CYSCREEN: r = cy; break;
    case SM_CXVSCROLL: r = 16; break;
    case SM_CYHSCROLL: r = 16; break;
    case SM_CYCAPTION: r = 18; break;
    case SM_CXBORDER:
    case SM_CYBORDER: r = 1; break;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: r = 3; break;
    case SM_CXFRAME:
    case SM_CYFRAME: r = 4; break;
    case SM_CXEDGE:
    case SM_CYEDGE: r = 2; break;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: r = 32; break;
    case SM_CYMENU: r = 18; break;
    case SM_CXFULLSCREEN: r = cx; break;
    case SM_CYFULLSCREEN: r = cy - 18; break;
    case SM_MOUSEPRESENT: r = 1; break;
    case SM_CXMIN: r = 112; break;
    case SM_CYMIN: r = 27; break;
    case SM_CLEANBOOT: r = 0; break;
    default: r = 0; break;
    }
    return r;
}
}  // namespace nv::user

int WINAPI GetSystemMetrics(int index) {
    NV_TRACE_ENTER("GetSystemMetrics", index);
    int r = nv::user::systemMetric(index);
    NV_TRACE_RESULT(r);
    return r;
}

SHORT WINAPI GetKeyState(int vk) {
    NV_TRACE_ENTER("GetKeyState", vk);
    SHORT r = keyDown(vk) ? static_cast<SHORT>(0x8000) : 0;
    NV_TRACE_RESULT(r);
    return r;
}

SHORT WINAPI GetAsyncKeyState(int vk) {
    NV_TRACE_ENTER("GetAsyncKeyState", vk);
    SHORT r = keyDown(vk) ? static_cast<SHORT>(0x8000) : 0;
    NV_TRACE_RESULT(r);
    return r;
}

HWND WINAPI SetCapture(HWND hwnd) {
    NV_TRACE_ENTER("SetCapture", hwnd);
    HWND old = setCapture(hwnd);
    NV_TRACE_RESULT(old);
    return old;
}

BOOL WINAPI ReleaseCapture(void) {
    NV_TRACE_ENTER("ReleaseCapture");
    setCapture(nullptr);
    NV_TRACE_RESULT(TRUE);
    return TRUE;
}

HWND WINAPI GetCapture(void) {
    NV_TRACE_ENTER("GetCapture");
    HWND h = capture();
    NV_TRACE_RESULT(h);
    return h;
}

BOOL WINAPI GetCursorPos(LPPOINT p) {
    NV_TRACE_ENTER("GetCursorPos");
    if (p)
        *p = nv::user::cursor().pos;
    NV_TRACE_RESULT(p != nullptr);
    return p != nullptr;
}

BOOL WINAPI SetCursorPos(int x, int y) {
    NV_TRACE_ENTER("SetCursorPos", x, y);
    nv::user::cursor().pos = POINT{x, y};
    NV_TRACE_RESULT(TRUE);
    return TRUE;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    NV_TRACE_ENTER("LoadCursorA", instance, name);
    HCURSOR r = nullptr;
    if (!instance) {
        if (IS_INTRESOURCE(name) && reinterpret_cast<uintptr_t>(name) >= 32512 &&
            reinterpret_cast<uintptr_t>(name) <= 32650)
            r = systemHandle(0x5C000000, name);
        else
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    } else if (auto* res = resources::find(instance, RT_GROUP_CURSOR, name)) {
        r = reinterpret_cast<HCURSOR>(const_cast<resources::Resource*>(res));
    } else {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    }
    NV_TRACE_RESULT(r);
    return r;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    NV_TRACE_ENTER("LoadIconA", instance, name);
    HICON r = nullptr;
    if (!instance) {
        if (IS_INTRESOURCE(name) && reinterpret_cast<uintptr_t>(name) >= 32512 &&
            reinterpret_cast<uintptr_t>(name) <= 32517)
            r = reinterpret_cast<HICON>(systemHandle(0x1C000000, name));
        else
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    } else if (auto* res = resources::find(instance, RT_GROUP_ICON, name)) {
        r = reinterpret_cast<HICON>(const_cast<resources::Resource*>(res));
    } else {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    }
    NV_TRACE_RESULT(r);
    return r;
}

HCURSOR WINAPI SetCursor(HCURSOR c) {
    NV_TRACE_ENTER("SetCursor", c);
    HCURSOR old = nv::user::cursor().current;
    nv::user::cursor().current = c;
    NV_TRACE_RESULT(old);
    return old;
}

HCURSOR WINAPI GetCursor(void) {
    NV_TRACE_ENTER("GetCursor");
    NV_TRACE_RESULT(nv::user::cursor().current);
    return nv::user::cursor().current;
}

int WINAPI ShowCursor(BOOL show) {
    NV_TRACE_ENTER("ShowCursor", show);
    nv::user::cursor().showCount += show ? 1 : -1;
    NV_TRACE_RESULT(nv::user::cursor().showCount);
    return nv::user::cursor().showCount;
}

BOOL WINAPI ExitWindowsEx(UINT flags, DWORD reserved) {
    NV_TRACE_ENTER("ExitWindowsEx", flags, reserved);
    BOOL ok = FALSE;
    auto* m = nv::machine::current();
    if (!m) {
        SetLastError(ERROR_NOT_READY);
    } else {
        std::string what;
        if (flags & EWX_REBOOT)
            what = "reboot";
        else if (flags & EWX_POWEROFF)
            what = "poweroff";
        else if (flags & EWX_SHUTDOWN)
            what = "shutdown";
        else
            what = "logoff";
        if (flags & EWX_FORCE)
            what += ",force";
        // Windows ignores the reserved argument; it is kept so that a caller
        // passing something there can be seen.
        if (reserved != 0) {
            char text[32];
            std::snprintf(text, sizeof text, ",reserved=0x%08X", static_cast<unsigned>(reserved));
            what += text;
        }
        m->settings().shutdownRequest = what;
        if (auto saved = m->save(); saved.ok()) {
            ok = TRUE;
        } else {
            SetLastError(saved.error().code);
        }
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI MessageBeep(UINT type) {
    NV_TRACE_ENTER("MessageBeep", type);
    NV_TRACE_RESULT(TRUE);
    return TRUE;
}

// ---- characters: Windows code page 1252 treats only ASCII letters here ----

LPSTR WINAPI CharUpperA(LPSTR s) {
    if (IS_INTRESOURCE(s))
        return reinterpret_cast<LPSTR>(static_cast<uintptr_t>(
            std::toupper(static_cast<unsigned char>(reinterpret_cast<uintptr_t>(s)))));
    for (char* p = s; *p; ++p)
        if (*p >= 'a' && *p <= 'z')
            *p = static_cast<char>(*p - 'a' + 'A');
    return s;
}

LPSTR WINAPI CharLowerA(LPSTR s) {
    if (IS_INTRESOURCE(s))
        return reinterpret_cast<LPSTR>(static_cast<uintptr_t>(
            std::tolower(static_cast<unsigned char>(reinterpret_cast<uintptr_t>(s)))));
    for (char* p = s; *p; ++p)
        if (*p >= 'A' && *p <= 'Z')
            *p = static_cast<char>(*p - 'A' + 'a');
    return s;
}

LPSTR WINAPI CharNextA(LPCSTR s) { return const_cast<LPSTR>(*s ? s + 1 : s); }

LPSTR WINAPI CharPrevA(LPCSTR start, LPCSTR cur) { return const_cast<LPSTR>(cur > start ? cur - 1 : start); }

BOOL WINAPI IsCharAlphaA(CHAR ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}

// wsprintfA: the C formats it shares with printf; output is limited to 1024
// bytes as Windows documents.
int WINAPIV wsprintfA(LPSTR out, LPCSTR fmt, ...) {
    NV_TRACE_ENTER("wsprintfA", fmt);
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(out, 1024, fmt, ap);
    va_end(ap);
    if (n > 1023)
        n = 1023;
    if (n < 0)
        n = 0;
    NV_TRACE_RESULT(n, out);  // the text written  // the text written, then the format
    return n;
}
