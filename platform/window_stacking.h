#pragma once

#include <memory>

class QWindow;

namespace tavik::platform {

// Keeps a window that asked the window manager to leave it alone (so it is mapped above every
// managed window, full-screen ones included) on top of the managed windows stacked over it
// later: by a manager that raises its windows to the very top of the screen, or by a client
// raising its own. Windows that are not managed either (menus, tooltips, a screen locker) stay
// above it. The window is restacked directly above the window covering it, never given the
// keyboard focus, at most ten times a second and less often still while something keeps
// covering it at once. Watches while the window is shown, for as long as the guard lives.
class StackingGuard {
public:
    virtual ~StackingGuard() = default;

    // A guard for `window` (whose native window it creates); null where windows are not X11
    // windows (offscreen tests) or the X server cannot be reached.
    static std::unique_ptr<StackingGuard> keepOnTop(QWindow* window);
};

} // namespace tavik::platform
