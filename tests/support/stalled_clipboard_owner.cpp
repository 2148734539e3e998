#include "tests/support/stalled_clipboard_owner.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <string>
#include <vector>

#include <poll.h>

namespace tavik::test {
namespace {

Display* asDisplay(void* display) {
    return static_cast<Display*>(display);
}

void notify(Display* display, const XSelectionRequestEvent& request, Atom property) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.property = property;
    reply.xselection.time = request.time;
    XSendEvent(display, request.requestor, False, NoEventMask, &reply);
    XFlush(display);
}

} // namespace

StalledClipboardOwner::StalledClipboardOwner(Manner manner) : manner_(manner) {
    Display* display = XOpenDisplay(nullptr);
    display_ = display;
    if (display == nullptr) {
        return;
    }
    window_ = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, XInternAtom(display, "CLIPBOARD", False), window_, CurrentTime);
    XSync(display, False);
    thread_ = std::thread([this] { serve(); });
}

StalledClipboardOwner::~StalledClipboardOwner() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    if (display_ != nullptr) {
        XCloseDisplay(asDisplay(display_));
    }
}

bool StalledClipboardOwner::holdsClipboard() const {
    Display* probe = XOpenDisplay(nullptr);
    if (probe == nullptr) {
        return false;
    }
    const bool holds = window_ != 0 &&
                       XGetSelectionOwner(probe, XInternAtom(probe, "CLIPBOARD", False)) == window_;
    XCloseDisplay(probe);
    return holds;
}

void StalledClipboardOwner::serve() {
    Display* display = asDisplay(display_);
    const Atom targets = XInternAtom(display, "TARGETS", False);
    const Atom incr = XInternAtom(display, "INCR", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    std::vector<Atom> offered{targets, utf8};
    if (manner_ == Manner::slowForManyFormats) {
        for (int i = 0; i < 20; ++i) {
            offered.push_back(
                XInternAtom(display, ("application/x-format-" + std::to_string(i)).c_str(), False));
        }
    }
    while (!stopping_) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != SelectionRequest || manner_ == Manner::neverAnswers) {
                continue;
            }
            const XSelectionRequestEvent& request = event.xselectionrequest;
            if (request.target == targets) {
                XChangeProperty(display, request.requestor, request.property, XA_ATOM, 32,
                                PropModeReplace,
                                reinterpret_cast<const unsigned char*>(offered.data()),
                                static_cast<int>(offered.size()));
                notify(display, request, request.property);
            } else if (manner_ == Manner::stallsTransfer) {
                const long size = 1 << 20; // announced, never sent
                XChangeProperty(display, request.requestor, request.property, incr, 32,
                                PropModeReplace, reinterpret_cast<const unsigned char*>(&size), 1);
                notify(display, request, request.property);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                const char bytes[] = "slow";
                XChangeProperty(display, request.requestor, request.property, request.target, 8,
                                PropModeReplace, reinterpret_cast<const unsigned char*>(bytes), 4);
                notify(display, request, request.property);
            }
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        ::poll(&fd, 1, 50);
    }
}

} // namespace tavik::test
