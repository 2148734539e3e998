#include "platform/linux/x11_raw_keys_error_trap.h"

namespace tavik::platform::x11 {
namespace {

ErrorTrap* innermostTrap = nullptr;

} // namespace

ErrorTrap::ErrorTrap(Display* display) : display_(display) {
    // Errors of requests made before the trap belong to whoever made them.
    XSync(display_, False);
    outer_ = innermostTrap;
    innermostTrap = this;
    previousHandler_ = XSetErrorHandler(&ErrorTrap::record);
}

ErrorTrap::~ErrorTrap() {
    finish();
}

int ErrorTrap::finish() {
    if (!finished_) {
        finished_ = true;
        XSync(display_, False);
        XSetErrorHandler(previousHandler_);
        innermostTrap = outer_;
    }
    return firstError_;
}

int ErrorTrap::record(Display* display, XErrorEvent* error) {
    for (ErrorTrap* trap = innermostTrap; trap != nullptr; trap = trap->outer_) {
        if (trap->display_ == display) {
            if (trap->firstError_ == 0) {
                trap->firstError_ = error->error_code;
            }
            return 0;
        }
    }
    // Not ours: hand it to the handler that was installed before the outermost trap.
    ErrorTrap* outermost = innermostTrap;
    while (outermost != nullptr && outermost->outer_ != nullptr) {
        outermost = outermost->outer_;
    }
    if (outermost != nullptr && outermost->previousHandler_ != nullptr) {
        return outermost->previousHandler_(display, error);
    }
    return 0;
}

} // namespace tavik::platform::x11
