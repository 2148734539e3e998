#pragma once

#include "platform/frontmost.h"
#include "platform/linux/x11_frontmost_desktop_files.h"
#include "platform/linux/x11_keys_error_trap.h"

#include <QObject>

#include <X11/Xlib.h>

class QSocketNotifier;

namespace tavik::platform::x11 {

// The active window after EWMH: _NET_ACTIVE_WINDOW on the root window, the window's
// _NET_WM_PID and WM_CLASS; the application key is its desktop-file id when one is known.
// Without an EWMH window manager the input focus, climbed to its top-level window, stands in.
// One connection answers requests, a second one only listens for root property changes.
class X11Frontmost final : public QObject, public Frontmost {
public:
    X11Frontmost();
    ~X11Frontmost() override;

    std::optional<RunningApp> current() override;
    bool watch(Listener listener) override;

    // The application owning `window` (any window of it); exposed for tests.
    RunningApp appForWindow(Window window);

private:
    std::optional<Window> activeWindow();
    void drainEvents();

    DisplayConnection requests_;
    DisplayConnection events_;
    Atom activeWindowAtom_ = None;
    Atom pidAtom_ = None;
    Atom gtkAppIdAtom_ = None;
    Atom kdeDesktopFileAtom_ = None;
    Atom utf8Atom_ = None;
    QSocketNotifier* notifier_ = nullptr;
    std::vector<Listener> listeners_;
    DesktopFiles desktopFiles_;
};

} // namespace tavik::platform::x11
