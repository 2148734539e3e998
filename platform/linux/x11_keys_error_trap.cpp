#include "platform/linux/x11_keys_error_trap.h"

#include <mutex>

namespace tavik::platform::x11 {
namespace {

thread_local RequestTrap* activeTrap = nullptr;

int recordError(Display* display, XErrorEvent* event) {
    if (activeTrap != nullptr) {
        activeTrap->noteError(display, event->error_code);
    }
    return 0;
}

} // namespace

void installRecordingErrorHandler() {
    static std::once_flag once;
    std::call_once(once, [] { XSetErrorHandler(&recordError); });
}

RequestTrap::RequestTrap(Display* display) : display_(display), outer_(activeTrap) {
    installRecordingErrorHandler();
    activeTrap = this;
}

RequestTrap::~RequestTrap() {
    if (display_ != nullptr) {
        XSync(display_, False);
    }
    activeTrap = outer_;
}

bool RequestTrap::failed() {
    if (display_ != nullptr) {
        XSync(display_, False);
    }
    return errorCode_ != 0;
}

void RequestTrap::noteError(Display* display, int code) {
    if (display == display_ && errorCode_ == 0) {
        errorCode_ = code;
    } else if (outer_ != nullptr) {
        outer_->noteError(display, code);
    }
}

DisplayConnection::DisplayConnection() {
    installRecordingErrorHandler();
    display_ = XOpenDisplay(nullptr);
}

DisplayConnection::~DisplayConnection() {
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

} // namespace tavik::platform::x11
