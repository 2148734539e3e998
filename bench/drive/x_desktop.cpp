#include "bench/drive/x_desktop.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>

#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tavik::drive {

namespace {

// The program's windows come and go while the driver looks at them (menus, tooltips); a window
// gone between two questions is no failure of the driver's.
int ignoreVanishedWindows(Display*, XErrorEvent* error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable ||
        error->error_code == BadMatch) {
        return 0;
    }
    char text[256] = {};
    XGetErrorText(error->display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "tavik-drive: X error %s (request %d)\n", text, error->request_code);
    return 0;
}

} // namespace

XDesktop::~XDesktop() {
    if (display_ != nullptr) {
        if (damage_ != 0) {
            XDamageDestroy(display_, damage_);
        }
        XCloseDisplay(display_);
    }
}

bool XDesktop::open(std::string& why) {
    XSetErrorHandler(ignoreVanishedWindows);
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) {
        why = "cannot open the display named by DISPLAY";
        return false;
    }
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display_, &event, &error, &major, &minor)) {
        why = "the X server has no XTest";
        return false;
    }
    if (!XDamageQueryExtension(display_, &damageEvent_, &error)) {
        why = "the X server has no DAMAGE";
        return false;
    }
    const Window root = DefaultRootWindow(display_);
    // Damage on the root reports what is drawn into every window below it, in root
    // coordinates; rectangle by rectangle, so drawing elsewhere on the screen can be told apart.
    damage_ = XDamageCreate(display_, root, XDamageReportRawRectangles);
    XSelectInput(display_, root, SubstructureNotifyMask);
    pidAtom_ = XInternAtom(display_, "_NET_WM_PID", False);
    XSync(display_, False);
    return true;
}

void XDesktop::moveTo(int x, int y) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XSync(display_, False);
}

void XDesktop::click(int x, int y, int button) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display_, unsigned(button), True, CurrentTime);
    XTestFakeButtonEvent(display_, unsigned(button), False, CurrentTime);
    XSync(display_, False);
}

void XDesktop::wheel(int button) {
    XTestFakeButtonEvent(display_, unsigned(button), True, CurrentTime);
    XTestFakeButtonEvent(display_, unsigned(button), False, CurrentTime);
    XSync(display_, False);
}

KeyCode XDesktop::codeOf(KeySym sym) {
    return XKeysymToKeycode(display_, sym);
}

bool XDesktop::key(KeySym sym, const std::vector<KeySym>& modifiers) {
    const KeyCode code = codeOf(sym);
    if (code == 0) {
        return false;
    }
    for (KeySym modifier : modifiers) {
        XTestFakeKeyEvent(display_, codeOf(modifier), True, CurrentTime);
    }
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
        XTestFakeKeyEvent(display_, codeOf(*it), False, CurrentTime);
    }
    XSync(display_, False);
    return true;
}

bool XDesktop::bind(const std::vector<KeySym>& syms) {
    int low = 0;
    int high = 0;
    XDisplayKeycodes(display_, &low, &high);
    int perCode = 0;
    KeySym* map = XGetKeyboardMapping(display_, KeyCode(low), high - low + 1, &perCode);
    if (map == nullptr) {
        return false;
    }
    std::vector<int> spare;
    for (int code = high; code >= low; --code) {
        const KeySym* row = map + (code - low) * perCode;
        if (std::all_of(row, row + perCode, [](KeySym s) { return s == NoSymbol; })) {
            spare.push_back(code);
        }
    }
    XFree(map);
    for (KeySym sym : syms) {
        if (codeOf(sym) != 0) {
            continue;
        }
        if (spare.empty()) {
            return false;
        }
        // The same keysym shifted or not, so a held Shift never changes what it types.
        KeySym both[2] = {sym, sym};
        XChangeKeyboardMapping(display_, spare.back(), 2, both, 1);
        spare.pop_back();
        XSync(display_, False);
    }
    return true;
}

std::vector<ServerEvent> XDesktop::read(std::chrono::milliseconds timeout) {
    std::vector<ServerEvent> events;
    if (XPending(display_) == 0) {
        pollfd watch{ConnectionNumber(display_), POLLIN, 0};
        ::poll(&watch, 1, int(timeout.count()));
    }
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        const auto now = Clock::now();
        if (event.type == damageEvent_ + XDamageNotify) {
            const auto& notify = reinterpret_cast<const XDamageNotifyEvent&>(event);
            events.push_back({ServerEvent::Kind::damage,
                              {notify.area.x, notify.area.y, notify.area.width, notify.area.height},
                              None,
                              now});
        } else if (event.type == MapNotify) {
            const Window window = event.xmap.window;
            events.push_back(
                {ServerEvent::Kind::mapped, geometry(window).value_or(Rect{}), window, now});
        }
    }
    return events;
}

std::optional<long> XDesktop::cardinal(Window window, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::optional<long> value;
    if (XGetWindowProperty(display_, window, property, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        type == XA_CARDINAL && format == 32 && count == 1) {
        value = *reinterpret_cast<long*>(data);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return value;
}

void XDesktop::walk(Window top, std::vector<Window>& out) {
    out.push_back(top);
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display_, top, &root, &parent, &children, &count) == 0) {
        return;
    }
    for (unsigned int i = 0; i < count; ++i) {
        walk(children[i], out);
    }
    if (children != nullptr) {
        XFree(children);
    }
}

std::vector<Window> XDesktop::windowsOf(long pid) {
    std::vector<Window> all;
    walk(DefaultRootWindow(display_), all);
    std::vector<Window> found;
    for (Window window : all) {
        XWindowAttributes attributes{};
        if (cardinal(window, pidAtom_) == pid &&
            XGetWindowAttributes(display_, window, &attributes) != 0 &&
            attributes.map_state == IsViewable) {
            found.push_back(window);
        }
    }
    return found;
}

std::optional<Rect> XDesktop::geometry(Window window) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display_, window, &attributes) == 0) {
        return std::nullopt;
    }
    int x = 0;
    int y = 0;
    Window child = None;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
    return Rect{x, y, attributes.width, attributes.height};
}

std::optional<Window> XDesktop::largestWindowOf(long pid) {
    std::optional<Window> best;
    long bestArea = 0;
    for (Window window : windowsOf(pid)) {
        const auto place = geometry(window);
        const long area = place ? long(place->width) * place->height : 0;
        if (area > bestArea) {
            bestArea = area;
            best = window;
        }
    }
    return best;
}

std::optional<Window> XDesktop::trayIconOf(long pid) {
    for (Window window : windowsOf(pid)) {
        for (Window at = window; at != None && at != DefaultRootWindow(display_);) {
            Window root = None;
            Window parent = None;
            Window* children = nullptr;
            unsigned int count = 0;
            if (XQueryTree(display_, at, &root, &parent, &children, &count) == 0) {
                break;
            }
            if (children != nullptr) {
                XFree(children);
            }
            char* name = nullptr;
            const bool panel = XFetchName(display_, parent, &name) != 0 && name != nullptr &&
                               std::strcmp(name, "panel") == 0;
            if (name != nullptr) {
                XFree(name);
            }
            if (panel) {
                return window;
            }
            at = parent;
        }
    }
    return std::nullopt;
}

void XDesktop::resize(Window window, int width, int height) {
    XResizeWindow(display_, window, unsigned(width), unsigned(height));
    XSync(display_, False);
}

int XDesktop::minimumWidth(Window window) {
    XSizeHints hints{};
    long supplied = 0;
    if (XGetWMNormalHints(display_, window, &hints, &supplied) == 0 ||
        (hints.flags & PMinSize) == 0) {
        return 0;
    }
    return hints.min_width;
}

Rect XDesktop::screen() const {
    return {0, 0, DisplayWidth(display_, DefaultScreen(display_)),
            DisplayHeight(display_, DefaultScreen(display_))};
}

} // namespace tavik::drive
