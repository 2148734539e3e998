#include "platform/linux/x11_keys_error_trap.h"

#include <mutex>

namespace tavik::platform::x11 {
namespace {

thread_local ErrorTrap* activeTrap = nullptr;

int recordError(Display* display, XErrorEvent* event) {
    if (activeTrap != nullptr) {
        activeTrap->noteError(display, event->error_code);
    }
    return 0;
}

} // namespace

void installErrorHandler() {
    static std::once_flag once;
    std::call_once(once, [] { XSetErrorHandler(&recordError); });
}

ErrorTrap::ErrorTrap(Display* display) : display_(display), outer_(activeTrap) {
    installErrorHandler();
    activeTrap = this;
}

ErrorTrap::~ErrorTrap() {
    if (display_ != nullptr) {
        XSync(display_, False);
    }
    activeTrap = outer_;
}

bool ErrorTrap::failed() {
    if (display_ != nullptr) {
        XSync(display_, False);
    }
    return errorCode_ != 0;
}

void ErrorTrap::noteError(Display* display, int code) {
    if (display == display_ && errorCode_ == 0) {
        errorCode_ = code;
    } else if (outer_ != nullptr) {
        outer_->noteError(display, code);
    }
}

Connection::Connection() {
    installErrorHandler();
    display_ = XOpenDisplay(nullptr);
}

Connection::~Connection() {
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

} // namespace tavik::platform::x11
