#pragma once

// Include after any Qt header: Xlib's macros (Bool, Status) clash with Qt's names.
#include <X11/Xlib.h>

namespace tavik::platform::x11 {

// Qt installs a process-wide Xlib error handler that silences every error, and Xlib's own default
// ends the process; neither lets a caller see that a request was refused. A trap syncs, swaps in
// a handler that records the first error on its display, and on finish() syncs again (so every
// request made meanwhile has been answered) and puts the earlier handler back. Errors on other
// displays still go to the earlier handler. Main thread only; traps may nest.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display);
    ~ErrorTrap();

    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Syncs and restores the earlier handler; returns the first X error code seen (0: none).
    int finish();

private:
    static int record(Display* display, XErrorEvent* error);

    Display* display_;
    int firstError_ = 0;
    bool finished_ = false;
    ErrorTrap* outer_ = nullptr;
    XErrorHandler previousHandler_ = nullptr;
};

} // namespace tavik::platform::x11
