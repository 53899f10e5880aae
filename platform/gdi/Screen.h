// The screen: a desktop surface the size of the machine's screen and one
// backing surface per window. Windows draw only into their own surface; the
// picture a person sees is composed from them in z-order (compose()), so a
// window never paints over another and a window that goes away leaves no
// trace behind.
#pragma once

#include <map>

#include <windef.h>

#include "platform/gdi/Surface.h"

namespace nv::gdi {

// One per machine: a machine attached later starts with a bare desktop.
class Screen {
public:
    static Screen& get();

    int width() const;
    int height() const;
    // The desktop, sized to the attached machine's screen (800 x 600 without one).
    Surface& desktop();
    // The backing surface of a window, resized to w x h but never larger than
    // the screen (drawing beyond it is clipped); new pixels get `fill`.
    Surface& window(HWND hwnd, int w, int h, uint32_t fill);
    Surface* existing(HWND hwnd);
    void forget(HWND hwnd);
    // Drops every surface (a new machine, tests).
    void reset();
    const std::map<HWND, Surface>& windows() const { return windows_; }

private:
    Surface desktop_;
    std::map<HWND, Surface> windows_;
};

}  // namespace nv::gdi
