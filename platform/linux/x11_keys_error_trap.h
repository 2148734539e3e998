#pragma once

// Qt's headers that Xlib's macros (Bool, Status) would break must come first.
#include <QDataStream>
#include <QMetaType>
#include <QString>
#include <QTextStream>

#include <X11/Xlib.h>

namespace tavik::platform::x11 {

// Xlib's default error handler ends the process, and other clients' windows may vanish between
// any two requests. installRecordingErrorHandler() replaces it (once, process-wide) with one that
// records errors for an active RequestTrap on the calling thread and ignores the rest.
void installRecordingErrorHandler();

// Collects the errors of the requests made on `display` while the trap lives (this thread only).
class RequestTrap {
public:
    explicit RequestTrap(Display* display);
    ~RequestTrap();
    RequestTrap(const RequestTrap&) = delete;
    RequestTrap& operator=(const RequestTrap&) = delete;

    // Waits for the server to answer everything sent so far; true when any request failed.
    bool failed();
    void noteError(Display* display, int code);

private:
    Display* display_;
    RequestTrap* outer_;
    int errorCode_ = 0;
};

// An Xlib connection that closes itself.
class DisplayConnection {
public:
    DisplayConnection();
    ~DisplayConnection();
    DisplayConnection(const DisplayConnection&) = delete;
    DisplayConnection& operator=(const DisplayConnection&) = delete;

    Display* get() const { return display_; }
    explicit operator bool() const { return display_ != nullptr; }

private:
    Display* display_ = nullptr;
};

} // namespace tavik::platform::x11
