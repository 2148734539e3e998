#pragma once

#include <X11/Xlib.h>

namespace tavik::platform::x11 {

// An unmapped window of our own whose property changes reach this connection: where selection
// answers and the markers of our own round trips arrive.
inline Window makePropertyWindow(Display* display) {
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(display, window, PropertyChangeMask);
    return window;
}

} // namespace tavik::platform::x11
