// The list box: single selection, LBS_MULTIPLESEL (each click toggles a row),
// LBS_SORT, LBS_NOTIFY, and the LB_ messages the program and the renderer use.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/core/Machine.h"
#include "platform/user/Controls.h"

namespace nv::user {
namespace {

struct Item {
    std::string text;
    bool selected = false;
    LPARAM data = 0;
};

struct ListData : ControlData {
    std::vector<Item> items;
    int cur = -1;     // single selection
    int caret = 0;    // the row with the focus rectangle
    int anchor = 0;
    int top = 0;
    int rowHeight = 13;
    bool focused = false;
};

ListData* data(HWND hwnd) {
    Window* w = find(hwnd);
    return w ? dynamic_cast<ListData*>(w->control.get()) : nullptr;
}

bool multi(const Window& w) { return (w.style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }

int clientHeight(const Window& w) {
    return std::max<int>(0, w.rect.bottom - w.rect.top - w.frame.top - w.frame.bottom);
}

int visibleRows(const Window& w, const ListData& d) {
    return std::max(1, clientHeight(w) / std::max(1, d.rowHeight));
}

void ensureVisible(const Window& w, ListData& d, int row) {
    if (row < 0)
        return;
    int rows = visibleRows(w, d);
    if (row < d.top)
        d.top = row;
    else if (row >= d.top + rows)
        d.top = row - rows + 1;
}

int count(const ListData& d) { return static_cast<int>(d.items.size()); }

int compareNoCase(const std::string& a, const std::string& b) {
    std::string ua = machine::toUpperAscii(a), ub = machine::toUpperAscii(b);
    return ua < ub ? -1 : (ua > ub ? 1 : 0);
}

int insertAt(HWND hwnd, int index, const char* text) {
    Window* w = find(hwnd);
    ListData* d = data(hwnd);
    if (!w || !d)
        return LB_ERR;
    if (auto* m = machine::current(); m && m->nextAllocationFails()) {
        notifyParent(hwnd, static_cast<WORD>(LBN_ERRSPACE));
        return LB_ERRSPACE;
    }
    Item it{text ? text : "", false, 0};
    if (index < 0 || index > count(*d)) {
        index = count(*d);
        if (w->style & LBS_SORT) {
            index = 0;
            while (index < count(*d) && compareNoCase(d->items[static_cast<size_t>(index)].text, it.text) <= 0)
                ++index;
        }
    }
    d->items.insert(d->items.begin() + index, it);
    if (d->cur >= index)
        ++d->cur;
    invalidate(hwnd, nullptr, true);
    return index;
}

int findString(const ListData& d, int after, const char* text, bool exact) {
    if (!text || d.items.empty())
        return LB_ERR;
    std::string want = machine::toUpperAscii(text);
    int n = count(d);
    int start = (after < 0 || after >= n) ? 0 : after + 1;
    for (int k = 0; k < n; ++k) {
        int i = (start + k) % n;
        std::string have = machine::toUpperAscii(d.items[static_cast<size_t>(i)].text);
        if (exact ? have == want : have.compare(0, want.size(), want) == 0)
            return i;
    }
    return LB_ERR;
}

void selectionChanged(HWND hwnd) {
    invalidate(hwnd, nullptr, true);
    Window* w = find(hwnd);
    if (w && (w->style & LBS_NOTIFY))
        notifyParent(hwnd, LBN_SELCHANGE);
}

}  // namespace

int listRowHeight(HWND listbox) {
    ListData* d = data(listbox);
    return d ? d->rowHeight : 13;
}

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = find(hwnd);
    if (!w)
        return 0;
    ListData* d = data(hwnd);
    auto index = static_cast<int>(static_cast<INT_PTR>(wParam));
    switch (msg) {
    case WM_CREATE: {
        auto nd = std::make_unique<ListData>();
        if (w->parent) {
            Window* p = find(w->parent);
            if (p && p->dialog)
                nd->rowHeight = p->dialog->baseUnits.cy;
        }
        w->control = std::move(nd);
        return 0;
    }
    case WM_SETFONT: {
        w->font = reinterpret_cast<HFONT>(wParam);
        SIZE units{};
        if (d) {
            if (Painter* p = GetPainter(); p && w->font && p->baseUnits(w->font, &units))
                d->rowHeight = units.cy;
        }
        if (LOWORD(lParam))
            invalidate(hwnd, nullptr, true);
        return 0;
    }
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(w->font);
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_PAINT:
        paintControl(hwnd, ControlKind::ListBox);
        return 0;
    case WM_ENABLE:
        invalidate(hwnd, nullptr, true);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (d)
            d->focused = msg == WM_SETFOCUS;
        invalidate(hwnd, nullptr, false);
        if (w->style & LBS_NOTIFY)
            notifyParent(hwnd, msg == WM_SETFOCUS ? LBN_SETFOCUS : LBN_KILLFOCUS);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        setFocus(hwnd);
        if (!(d = data(hwnd)) || !(w = find(hwnd)))
            return 0;
        int y = static_cast<SHORT>(HIWORD(lParam));
        int row = d->top + (y < 0 ? -1 : y / std::max(1, d->rowHeight));
        if (row < 0 || row >= count(*d))
            return 0;
        if (msg == WM_LBUTTONDBLCLK) {
            if (w->style & LBS_NOTIFY)
                notifyParent(hwnd, LBN_DBLCLK);
            return 0;
        }
        d->caret = d->anchor = row;
        if (multi(*w))
            d->items[static_cast<size_t>(row)].selected = !d->items[static_cast<size_t>(row)].selected;
        else
            d->cur = row;
        ensureVisible(*w, *d, row);
        selectionChanged(hwnd);
        return 0;
    }
    case WM_KEYDOWN: {
        if (!d || d->items.empty())
            return 0;
        int row = d->caret;
        switch (wParam) {
        case VK_UP: row = std::max(0, row - 1); break;
        case VK_DOWN: row = std::min(count(*d) - 1, row + 1); break;
        case VK_HOME: row = 0; break;
        case VK_END: row = count(*d) - 1; break;
        case VK_PRIOR: row = std::max(0, row - visibleRows(*w, *d) + 1); break;
        case VK_NEXT: row = std::min(count(*d) - 1, row + visibleRows(*w, *d) - 1); break;
        case VK_SPACE:
            if (multi(*w)) {
                auto& it = d->items[static_cast<size_t>(std::clamp(row, 0, count(*d) - 1))];
                it.selected = !it.selected;
                selectionChanged(hwnd);
            }
            return 0;
        default:
            return 0;
        }
        d->caret = row;
        ensureVisible(*w, *d, row);
        if (!multi(*w) && d->cur != row) {
            d->cur = row;
            selectionChanged(hwnd);
        } else {
            invalidate(hwnd, nullptr, false);
        }
        return 0;
    }
    case WM_CHAR: {
        if (!d || wParam < 32)
            return 0;
        char c[2] = {static_cast<char>(wParam), 0};
        int row = findString(*d, d->caret, c, false);
        if (row == LB_ERR)
            return 0;
        d->caret = row;
        ensureVisible(*w, *d, row);
        if (!multi(*w) && d->cur != row) {
            d->cur = row;
            selectionChanged(hwnd);
        }
        return 0;
    }
    case LB_ADDSTRING:
        return insertAt(hwnd, -1, reinterpret_cast<const char*>(lParam));
    case LB_INSERTSTRING:
        if (!d || index > count(*d))
            return LB_ERR;
        return insertAt(hwnd, index < 0 ? count(*d) : index, reinterpret_cast<const char*>(lParam));
    case LB_DELETESTRING:
        if (!d || index < 0 || index >= count(*d))
            return LB_ERR;
        d->items.erase(d->items.begin() + index);
        if (d->cur == index)
            d->cur = -1;
        else if (d->cur > index)
            --d->cur;
        d->caret = std::clamp(d->caret, 0, std::max(0, count(*d) - 1));
        d->top = std::clamp(d->top, 0, std::max(0, count(*d) - 1));
        invalidate(hwnd, nullptr, true);
        return count(*d);
    case LB_RESETCONTENT:
        if (d) {
            d->items.clear();
            d->cur = -1;
            d->caret = d->anchor = d->top = 0;
            invalidate(hwnd, nullptr, true);
        }
        return 0;
    case LB_GETCOUNT:
        return d ? count(*d) : 0;
    case LB_GETTEXT:
        // As on Windows the buffer must hold LB_GETTEXTLEN + 1 bytes.
        if (!d || index < 0 || index >= count(*d))
            return LB_ERR;
        if (lParam) {
            const std::string& t = d->items[static_cast<size_t>(index)].text;
            std::memcpy(reinterpret_cast<char*>(lParam), t.c_str(), t.size() + 1);
        }
        return static_cast<LRESULT>(d->items[static_cast<size_t>(index)].text.size());
    case LB_GETTEXTLEN:
        if (!d || index < 0 || index >= count(*d))
            return LB_ERR;
        return static_cast<LRESULT>(d->items[static_cast<size_t>(index)].text.size());
    case LB_SETCURSEL:
        if (!d || multi(*w))
            return LB_ERR;
        if (index < 0 || index >= count(*d)) {
            if (index == -1 && d->cur != -1) {
                d->cur = -1;
                invalidate(hwnd, nullptr, true);
            }
            return LB_ERR;
        }
        d->cur = d->caret = d->anchor = index;
        ensureVisible(*w, *d, index);
        invalidate(hwnd, nullptr, true);
        return index;
    case LB_GETCURSEL:
        if (!d)
            return LB_ERR;
        if (multi(*w))
            return d->items.empty() ? LB_ERR : d->caret;
        return d->cur;
    case LB_SETSEL: {
        auto row = static_cast<int>(lParam);
        if (!d || !multi(*w) || row < -1 || row >= count(*d))
            return LB_ERR;
        if (row == -1) {
            for (auto& it : d->items)
                it.selected = wParam != 0;
        } else {
            d->items[static_cast<size_t>(row)].selected = wParam != 0;
            d->caret = row;
        }
        invalidate(hwnd, nullptr, true);
        return 0;
    }
    case LB_GETSEL:
        if (!d || index < 0 || index >= count(*d))
            return LB_ERR;
        if (multi(*w))
            return d->items[static_cast<size_t>(index)].selected ? 1 : 0;
        return d->cur == index ? 1 : 0;
    case LB_GETSELCOUNT:
        if (!d || !multi(*w))
            return LB_ERR;
        return std::count_if(d->items.begin(), d->items.end(), [](const Item& i) { return i.selected; });
    case LB_GETSELITEMS: {
        if (!d || !multi(*w))
            return LB_ERR;
        auto* out = reinterpret_cast<int*>(lParam);
        int n = 0;
        for (int i = 0; i < count(*d) && n < index; ++i)
            if (d->items[static_cast<size_t>(i)].selected) {
                if (out)
                    out[n] = i;
                ++n;
            }
        return n;
    }
    case LB_SELITEMRANGE: {
        if (!d || !multi(*w))
            return LB_ERR;
        int first = LOWORD(lParam), last = HIWORD(lParam);
        for (int i = first; i <= last && i < count(*d); ++i)
            d->items[static_cast<size_t>(i)].selected = wParam != 0;
        invalidate(hwnd, nullptr, true);
        return 0;
    }
    case LB_GETTOPINDEX:
        return d ? d->top : 0;
    case LB_SETTOPINDEX:
        if (!d || index < 0 || (index >= count(*d) && index != 0))
            return LB_ERR;
        d->top = index;
        invalidate(hwnd, nullptr, true);
        return 0;
    case LB_FINDSTRING:
        return d ? findString(*d, index, reinterpret_cast<const char*>(lParam), false) : LB_ERR;
    case LB_FINDSTRINGEXACT:
        return d ? findString(*d, index, reinterpret_cast<const char*>(lParam), true) : LB_ERR;
    case LB_SELECTSTRING: {
        if (!d || multi(*w))
            return LB_ERR;
        int row = findString(*d, index, reinterpret_cast<const char*>(lParam), false);
        if (row != LB_ERR) {
            d->cur = d->caret = row;
            ensureVisible(*w, *d, row);
            invalidate(hwnd, nullptr, true);
        }
        return row;
    }
    case LB_GETITEMDATA:
        if (!d || index < 0 || index >= count(*d))
            return LB_ERR;
        return d->items[static_cast<size_t>(index)].data;
    case LB_SETITEMDATA:
        if (!d || index < 0 || index >= count(*d))
            return LB_ERR;
        d->items[static_cast<size_t>(index)].data = lParam;
        return 0;
    case LB_GETITEMHEIGHT:
        return d ? d->rowHeight : LB_ERR;
    case LB_SETITEMHEIGHT:
        if (!d || LOWORD(lParam) == 0 || LOWORD(lParam) > 255)
            return LB_ERR;
        d->rowHeight = LOWORD(lParam);
        invalidate(hwnd, nullptr, true);
        return 0;
    case LB_GETITEMRECT: {
        if (!d || index < 0 || index >= count(*d) || !lParam)
            return LB_ERR;
        int width = std::max<int>(0, w->rect.right - w->rect.left - w->frame.left - w->frame.right);
        int y = (index - d->top) * d->rowHeight;
        *reinterpret_cast<RECT*>(lParam) = RECT{0, y, width, y + d->rowHeight};
        return 0;
    }
    case LB_SETCARETINDEX:
        if (!d || index < 0 || index >= count(*d))
            return LB_ERR;
        d->caret = index;
        ensureVisible(*w, *d, index);
        invalidate(hwnd, nullptr, false);
        return 0;
    case LB_GETCARETINDEX:
        return d ? d->caret : LB_ERR;
    case LB_SETANCHORINDEX:
        if (!d || index < 0 || index >= count(*d))
            return LB_ERR;
        d->anchor = index;
        return 0;
    case LB_GETANCHORINDEX:
        return d ? d->anchor : LB_ERR;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace nv::user
