// Win32 edge of the dialog manager: dialog boxes from resources and from
// memory, dialog items, radio groups, dialog units and DlgDirListA.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/core/Machine.h"
#include "platform/core/Trace.h"
#include "platform/user/Dialog.h"
#include "platform/user/Resources.h"
#include "platform/user/WindowManager.h"

using namespace nv::user;

namespace {

// Why a dialog did not come up: in the trace, since the program only sees -1.
void report(const char* function, const nv::Error& e) {
    SetLastError(e.code ? e.code : ERROR_INVALID_DATA);
    nv::trace::emit(std::string("# ") + function + ": " + e.message);
}

nv::Result<DialogTemplate> templateFromResource(HINSTANCE instance, LPCSTR name) {
    auto* r = resources::find(instance, RT_DIALOG, name);
    if (!r)
        return nv::Error::win32(ERROR_RESOURCE_NAME_NOT_FOUND,
                                "no dialog template " + resources::key(name) + " among the resources");
    return parseDialogTemplate(r->data.data(), r->data.size(), resources::key(name));
}

HWND ownerOf(HWND parent) { return parent ? topLevelOf(parent) : nullptr; }

INT_PTR modal(const char* function, nv::Result<DialogTemplate> t, const DialogSource& src, HWND parent, DLGPROC proc,
              LPARAM param) {
    if (!t) {
        report(function, t.error());
        return -1;
    }
    if (parent && !find(parent)) {
        report(function, nv::Error::win32(ERROR_INVALID_WINDOW_HANDLE, "the owner is not a window"));
        return -1;
    }
    if (halted())
        return -1;
    HWND owner = ownerOf(parent);
    cancelModesFor(owner);
    t->style &= ~WS_VISIBLE;  // shown by the modal loop once its queue is empty
    auto dlg = createDialog(*t, src, owner, proc, param);
    if (!dlg) {
        report(function, dlg.error());
        return -1;
    }
    return runModal(*dlg, owner, MSGF_DIALOGBOX, WaitKind::Dialog);
}

HWND modeless(const char* function, nv::Result<DialogTemplate> t, const DialogSource& src, HWND parent, DLGPROC proc,
              LPARAM param) {
    if (!t) {
        report(function, t.error());
        return nullptr;
    }
    auto dlg = createDialog(*t, src, parent, proc, param);
    if (!dlg) {
        report(function, dlg.error());
        return nullptr;
    }
    return *dlg;
}

HWND item(HWND dlg, int id) {
    Window* w = find(dlg);
    if (!w)
        return nullptr;
    for (HWND c : w->children)
        if (Window* cw = find(c); cw && static_cast<WORD>(cw->id) == static_cast<WORD>(id))
            return c;
    return nullptr;
}

}  // namespace

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND parent, DLGPROC proc, LPARAM param) {
    NV_TRACE_ENTER("DialogBoxParamA", instance, name, parent, param);
    DialogSource src{instance, resources::key(name)};
    INT_PTR r = modal("DialogBoxParamA", templateFromResource(instance, name), src, parent, proc, param);
    NV_TRACE_RESULT(r);
    return r;
}

INT_PTR WINAPI DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA tpl, HWND parent, DLGPROC proc,
                                       LPARAM param) {
    NV_TRACE_ENTER("DialogBoxIndirectParamA", instance, parent, param);
    DialogSource src{instance, {}};
    INT_PTR r = modal("DialogBoxIndirectParamA", parseDialogTemplate(tpl, kUnknownSize, "(in memory)"), src, parent,
                      proc, param);
    NV_TRACE_RESULT(r);
    return r;
}

HWND WINAPI CreateDialogParamA(HINSTANCE instance, LPCSTR name, HWND parent, DLGPROC proc, LPARAM param) {
    NV_TRACE_ENTER("CreateDialogParamA", instance, name, parent, param);
    DialogSource src{instance, resources::key(name)};
    HWND r = modeless("CreateDialogParamA", templateFromResource(instance, name), src, parent, proc, param);
    NV_TRACE_RESULT(r);
    return r;
}

HWND WINAPI CreateDialogIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA tpl, HWND parent, DLGPROC proc,
                                       LPARAM param) {
    NV_TRACE_ENTER("CreateDialogIndirectParamA", instance, parent, param);
    DialogSource src{instance, {}};
    HWND r = modeless("CreateDialogIndirectParamA", parseDialogTemplate(tpl, kUnknownSize, "(in memory)"), src, parent,
                      proc, param);
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI EndDialog(HWND dlg, INT_PTR result) {
    NV_TRACE_ENTER("EndDialog", dlg, result);
    BOOL ok = endDialog(dlg, result);
    if (!ok)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI IsDialogMessageA(HWND dlg, LPMSG msg) {
    NV_TRACE_ENTER("IsDialogMessageA", dlg, msg ? msg->message : 0u);
    BOOL r = msg && isDialogMessage(dlg, msg);
    NV_TRACE_RESULT(r);
    return r;
}

HWND WINAPI GetDlgItem(HWND dlg, int id) {
    NV_TRACE_ENTER("GetDlgItem", dlg, id);
    HWND r = item(dlg, id);
    if (!r)
        SetLastError(find(dlg) ? 1421 /* ERROR_CONTROL_ID_NOT_FOUND */ : ERROR_INVALID_WINDOW_HANDLE);
    NV_TRACE_RESULT(r);
    return r;
}

int WINAPI GetDlgCtrlID(HWND hwnd) {
    NV_TRACE_ENTER("GetDlgCtrlID", hwnd);
    Window* w = find(hwnd);
    int r = w && (w->style & WS_CHILD) ? static_cast<int>(w->id) : 0;
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI SetDlgItemTextA(HWND dlg, int id, LPCSTR text) {
    NV_TRACE_ENTER("SetDlgItemTextA", dlg, id, text);
    HWND c = item(dlg, id);
    BOOL ok = c && send(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) != 0;
    NV_TRACE_RESULT(ok);
    return ok;
}

UINT WINAPI GetDlgItemTextA(HWND dlg, int id, LPSTR buf, int size) {
    NV_TRACE_ENTER("GetDlgItemTextA", dlg, id, size);
    HWND c = item(dlg, id);
    UINT n = 0;
    if (buf && size > 0) {
        buf[0] = '\0';
        if (c)
            n = static_cast<UINT>(send(c, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buf)));
    }
    NV_TRACE_RESULT(n, buf && size > 0 ? static_cast<LPCSTR>(buf) : nullptr);
    return n;
}

BOOL WINAPI SetDlgItemInt(HWND dlg, int id, UINT value, BOOL isSigned) {
    NV_TRACE_ENTER("SetDlgItemInt", dlg, id, value, isSigned);
    char buf[16];
    if (isSigned)
        std::snprintf(buf, sizeof buf, "%d", static_cast<int>(value));
    else
        std::snprintf(buf, sizeof buf, "%u", value);
    HWND c = item(dlg, id);
    BOOL ok = c && send(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(buf)) != 0;
    NV_TRACE_RESULT(ok);
    return ok;
}

UINT WINAPI GetDlgItemInt(HWND dlg, int id, BOOL* translated, BOOL isSigned) {
    NV_TRACE_ENTER("GetDlgItemInt", dlg, id, isSigned);
    HWND c = item(dlg, id);
    UINT r = 0;
    bool ok = false;
    if (c) {
        std::string t = text(c);
        size_t i = 0;
        while (i < t.size() && t[i] == ' ')
            ++i;
        bool neg = false;
        if (isSigned && i < t.size() && t[i] == '-') {
            neg = true;
            ++i;
        }
        unsigned long long v = 0;
        size_t digits = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9' && v <= 0xFFFFFFFFull) {
            v = v * 10 + static_cast<unsigned>(t[i] - '0');
            ++i;
            ++digits;
        }
        while (i < t.size() && t[i] == ' ')
            ++i;
        ok = digits > 0 && i == t.size() && (isSigned ? v <= 0x80000000ull : v <= 0xFFFFFFFFull);
        if (ok && isSigned && !neg && v > 0x7FFFFFFFull)
            ok = false;
        if (ok)
            r = neg ? static_cast<UINT>(-static_cast<long long>(v)) : static_cast<UINT>(v);
    }
    if (translated)
        *translated = ok;
    NV_TRACE_RESULT(r);
    return r;
}

LRESULT WINAPI SendDlgItemMessageA(HWND dlg, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
    NV_TRACE_ENTER("SendDlgItemMessageA", dlg, id, msg, wParam, lParam);
    HWND c = item(dlg, id);
    LRESULT r = c ? send(c, msg, wParam, lParam) : 0;
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI CheckDlgButton(HWND dlg, int id, UINT check) {
    NV_TRACE_ENTER("CheckDlgButton", dlg, id, check);
    HWND c = item(dlg, id);
    if (c)
        send(c, BM_SETCHECK, check, 0);
    NV_TRACE_RESULT(c != nullptr);
    return c != nullptr;
}

BOOL WINAPI CheckRadioButton(HWND dlg, int first, int last, int check) {
    NV_TRACE_ENTER("CheckRadioButton", dlg, first, last, check);
    Window* w = find(dlg);
    BOOL ok = w != nullptr;
    if (ok) {
        auto kids = w->children;
        for (HWND c : kids) {
            Window* cw = find(c);
            if (!cw)
                continue;
            int id = static_cast<int>(cw->id);
            if (id >= first && id <= last)
                send(c, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

UINT WINAPI IsDlgButtonChecked(HWND dlg, int id) {
    NV_TRACE_ENTER("IsDlgButtonChecked", dlg, id);
    HWND c = item(dlg, id);
    UINT r = c ? static_cast<UINT>(send(c, BM_GETCHECK, 0, 0)) : 0;
    NV_TRACE_RESULT(r);
    return r;
}

HWND WINAPI GetNextDlgTabItem(HWND dlg, HWND ctl, BOOL previous) {
    NV_TRACE_ENTER("GetNextDlgTabItem", dlg, ctl, previous);
    HWND r = nextTabItem(dlg, ctl, previous != FALSE);
    NV_TRACE_RESULT(r);
    return r;
}

HWND WINAPI GetNextDlgGroupItem(HWND dlg, HWND ctl, BOOL previous) {
    NV_TRACE_ENTER("GetNextDlgGroupItem", dlg, ctl, previous);
    HWND r = nextGroupItem(dlg, ctl, previous != FALSE);
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI MapDialogRect(HWND dlg, LPRECT r) {
    NV_TRACE_ENTER("MapDialogRect", dlg);
    Window* w = find(dlg);
    BOOL ok = w && w->dialog && r;
    if (ok)
        *r = mapDialogRect(dlg, *r);
    else
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    NV_TRACE_RESULT(ok);
    return ok;
}

LONG WINAPI GetDialogBaseUnits(void) {
    NV_TRACE_ENTER("GetDialogBaseUnits");
    SIZE u = systemBaseUnits();
    LONG r = MAKELONG(u.cx, u.cy);
    NV_TRACE_RESULT(r);
    return r;
}

// DlgDirListA: the directory part of the path becomes the current directory
// (it must exist); the rest is the file pattern, "*.*" when the path names a
// directory. The list gets the matching entries, the static the directory.
int WINAPI DlgDirListA(HWND dlg, LPSTR pathSpec, int listId, int staticId, UINT type) {
    NV_TRACE_ENTER("DlgDirListA", dlg, pathSpec, listId, staticId, type);
    int ok = 0;
    auto* m = nv::machine::current();
    std::string s = pathSpec ? pathSpec : "";
    if (s.empty())
        s = "*.*";
    std::string dir, pattern;
    if (m) {
        bool wild = s.find_first_of("*?") != std::string::npos;
        auto resolved = m->resolve(s);
        if (!wild && resolved && resolved->exists && resolved->isDirectory) {
            dir = s;
            pattern = "*.*";
        } else {
            size_t cut = s.find_last_of("\\/:");
            if (cut == std::string::npos) {
                pattern = s;
            } else {
                dir = s.substr(0, cut + 1);
                pattern = s.substr(cut + 1);
                if (dir.size() > 1 && (dir.back() == '\\' || dir.back() == '/') && dir[dir.size() - 2] != ':')
                    dir.pop_back();
            }
            if (pattern.empty())
                pattern = "*.*";
        }
        bool dirOk = true;
        if (!dir.empty()) {
            auto cd = m->setCurrentDirectory(dir);
            dirOk = cd.ok();
            if (!dirOk)
                SetLastError(cd.error().code);
        } else if (auto d = m->drive(m->currentDirectory()[0]); d && !d->hasDisk) {
            dirOk = false;
            SetLastError(ERROR_NOT_READY);
        }
        if (dirOk) {
            ok = 1;
            if (pathSpec && pattern.size() <= std::strlen(pathSpec))
                std::memcpy(pathSpec, pattern.c_str(), pattern.size() + 1);
            std::string cwd = m->currentDirectory();
            if (staticId)
                SetDlgItemTextA(dlg, staticId, cwd.c_str());
            if (HWND list = listId ? item(dlg, listId) : nullptr) {
                send(list, LB_RESETCONTENT, 0, 0);
                std::vector<std::string> rows;
                if (!(type & DDL_EXCLUSIVE) || !(type & (DDL_DRIVES | DDL_DIRECTORY))) {
                    auto here = m->resolve(cwd);
                    auto names = here && here->exists ? m->store().list(here->host) : nv::Result<std::vector<std::string>>(std::vector<std::string>{});
                    if (names) {
                        for (const auto& name : *names) {
                            if (m->store().status(here->host / name).kind != nv::machine::NodeKind::File)
                                continue;
                            // "*.*" and "*" match all; other patterns by exact name or extension.
                            bool match = pattern == "*.*" || pattern == "*" ||
                                         nv::machine::equalsNoCase(name, pattern) ||
                                         (pattern.rfind("*.", 0) == 0 && name.size() > pattern.size() - 1 &&
                                          nv::machine::equalsNoCase(name.substr(name.size() - (pattern.size() - 1)),
                                                                    pattern.substr(1)));
                            if (match)
                                rows.push_back(nv::machine::toUpperAscii(name));
                        }
                    }
                }
                if (type & DDL_DIRECTORY) {
                    auto here = m->resolve(cwd);
                    auto names = here && here->exists ? m->store().list(here->host) : nv::Result<std::vector<std::string>>(std::vector<std::string>{});
                    if (names)
                        for (const auto& name : *names)
                            if (m->store().status(here->host / name).kind == nv::machine::NodeKind::Directory)
                                rows.push_back("[" + nv::machine::toUpperAscii(name) + "]");
                }
                std::sort(rows.begin(), rows.end());
                if (type & DDL_DRIVES)
                    for (auto& [letter, d] : m->settings().drives)
                        rows.push_back(std::string("[-") + static_cast<char>(letter - 'A' + 'a') + "-]");
                for (auto& r : rows)
                    send(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(r.c_str()));
            }
        }
    } else {
        SetLastError(ERROR_NOT_READY);
    }
    NV_TRACE_RESULT(ok);
    return ok;
}
