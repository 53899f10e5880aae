#include "platform/gdi/Screen.h"

#include <algorithm>

#include "platform/core/Machine.h"
#include "platform/core/PerMachine.h"

namespace nv::gdi {

namespace {
constexpr uint32_t kDesktopTeal = 0x008080;
}

// Surfaces belong to the machine whose windows made them.
Screen& Screen::get() { return machine::perMachine<Screen>(); }

int Screen::width() const {
    auto* m = machine::current();
    return m ? m->settings().screenWidth : 800;
}

int Screen::height() const {
    auto* m = machine::current();
    return m ? m->settings().screenHeight : 600;
}

Surface& Screen::desktop() {
    if (desktop_.width() != width() || desktop_.height() != height())
        desktop_ = Surface(width(), height(), Depth::Color, kDesktopTeal);
    return desktop_;
}

Surface& Screen::window(HWND hwnd, int w, int h, uint32_t fill) {
    // Guard: a window may be far larger than the screen (a dialog template of
    // 32000 x 32000 units asks for about 4 GB of pixels); no more of it than
    // the screen's size can ever be seen, so its surface holds no more.
    w = std::clamp(w, 0, width());
    h = std::clamp(h, 0, height());
    auto it = windows_.find(hwnd);
    if (it == windows_.end())
        it = windows_.emplace(hwnd, Surface(w, h, Depth::Color, fill)).first;
    else
        it->second.resize(w, h, fill);
    return it->second;
}

Surface* Screen::existing(HWND hwnd) {
    auto it = windows_.find(hwnd);
    return it == windows_.end() ? nullptr : &it->second;
}

void Screen::forget(HWND hwnd) { windows_.erase(hwnd); }

void Screen::reset() {
    windows_.clear();
    desktop_ = Surface();
}

}  // namespace nv::gdi
