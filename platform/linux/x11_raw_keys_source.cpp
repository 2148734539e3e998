#include "platform/linux/x11_raw_keys_source.h"

#include "platform/log_sink.h"

#include <QTimer>

// Xlib after every Qt header: its macros clash with Qt's names.
#include "platform/linux/x11_raw_keys_error_trap.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XInput2.h>

#include <cstring>

namespace tavik::platform {

std::unique_ptr<RawKeySource> makeRawKeySource() {
    return std::make_unique<x11::RawKeys>();
}

namespace x11 {
namespace {

void logRefusal(const char* why) {
    logLine(QStringLiteral("x11 keys: %1 — the shortcut cannot be heard").arg(QLatin1String(why)));
}

} // namespace

bool isNestedInWayland(Display* display) {
    int opcode = 0;
    int event = 0;
    int error = 0;
    if (XQueryExtension(display, "XWAYLAND", &opcode, &event, &error)) {
        return true;
    }
    // Older Xwayland servers do not announce themselves; the session says it instead.
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

void RawKeys::DisplayCloser::operator()(Display* display) const {
    XCloseDisplay(display);
}

RawKeys::RawKeys(SyntheticKeyLedger& ledger) : ledger_(ledger) {}

RawKeys::~RawKeys() {
    stop();
}

bool RawKeys::start(const QList<QByteArray>& keyNames, Sink sink) {
    stop();
    if (!install(keyNames)) {
        stop();
        return false;
    }
    sink_ = std::move(sink);
    auto* notifier = new QSocketNotifier(ConnectionNumber(display_.get()), QSocketNotifier::Read);
    notifier_.reset(notifier);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] { drain(); });
    // Replies read during set-up may have brought events along; the socket will not wake for them.
    QTimer::singleShot(0, notifier, [this] { drain(); });
    return true;
}

bool RawKeys::install(const QList<QByteArray>& keyNames) {
    display_.reset(XOpenDisplay(nullptr));
    if (!display_) {
        logRefusal("no X display");
        return false;
    }
    Display* display = display_.get();
    int event = 0;
    int error = 0;
    if (!XQueryExtension(display, "XInputExtension", &xiOpcode_, &event, &error)) {
        logRefusal("the X server has no XInput extension");
        return false;
    }
    int major = 2;
    int minor = 2;
    {
        ErrorTrap trap(display);
        const Status status = XIQueryVersion(display, &major, &minor);
        // Before 2.1 raw events only reach a client that grabs the device.
        if (trap.finish() != 0 || status != Success || major < 2 || (major == 2 && minor < 1)) {
            logRefusal("XInput 2.1 is missing");
            return false;
        }
    }
    int xkbOpcode = 0;
    int xkbMajor = XkbMajorVersion;
    int xkbMinor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &xkbOpcode, &xkbEventBase_, &error, &xkbMajor, &xkbMinor)) {
        logRefusal("the X server has no keyboard extension");
        return false;
    }
    auto keycodes = resolveKeyNames(display, keyNames);
    if (!keycodes) {
        logRefusal("the keymap cannot be read");
        return false;
    }
    keycodes_ = std::move(*keycodes);
    wanted_ = keyNames;
    if (!readXTestDevices()) {
        logRefusal("the input devices cannot be listed");
        return false;
    }

    unsigned char rawMask[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(rawMask, XI_RawKeyPress);
    XISetMask(rawMask, XI_RawKeyRelease);
    unsigned char hierarchyMask[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(hierarchyMask, XI_HierarchyChanged);
    // Master devices only: each physical key then arrives once, with the slave that sent it.
    XIEventMask masks[] = {{XIAllMasterDevices, sizeof rawMask, rawMask},
                           {XIAllDevices, sizeof hierarchyMask, hierarchyMask}};
    ErrorTrap trap(display);
    XISelectEvents(display, DefaultRootWindow(display), masks, 2);
    const unsigned keymapEvents = XkbNewKeyboardNotifyMask | XkbNamesNotifyMask;
    const Bool keymapSelected = XkbSelectEvents(display, XkbUseCoreKbd, keymapEvents, keymapEvents);
    if (trap.finish() != 0 || !keymapSelected) {
        logRefusal("the X server refused the raw key selection");
        return false;
    }
    nestedInWayland_ = isNestedInWayland(display);
    return true;
}

void RawKeys::stop() {
    ++generation_;
    if (notifier_) {
        notifier_->setEnabled(false);
        if (draining_) {
            // The notifier whose wake is being handled right now cannot be deleted under it.
            notifier_.release()->deleteLater();
        } else {
            notifier_.reset();
        }
    }
    // Closing the connection drops its selections with it.
    display_.reset();
    sink_ = nullptr;
    keycodes_.clear();
    xtestDevices_.clear();
    wanted_.clear();
}

bool RawKeys::hearsOtherApplications() const {
    if (display_) {
        return !nestedInWayland_;
    }
    std::unique_ptr<Display, DisplayCloser> probe(XOpenDisplay(nullptr));
    if (!probe) {
        return false;
    }
    int opcode = 0;
    int event = 0;
    int error = 0;
    return XQueryExtension(probe.get(), "XInputExtension", &opcode, &event, &error) &&
           !isNestedInWayland(probe.get());
}

bool RawKeys::readXTestDevices() {
    Display* display = display_.get();
    ErrorTrap trap(display);
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    if (trap.finish() != 0 || devices == nullptr) {
        return false;
    }
    xtestDevices_.clear();
    for (int i = 0; i < count; ++i) {
        // Every master keyboard has one XTest slave ("Virtual core XTEST keyboard" and so on).
        if (devices[i].use == XISlaveKeyboard && devices[i].name != nullptr &&
            std::strstr(devices[i].name, "XTEST") != nullptr) {
            xtestDevices_.insert(devices[i].deviceid);
        }
    }
    XIFreeDeviceInfo(devices);
    return true;
}

void RawKeys::drain() {
    const std::uint64_t generation = generation_;
    const bool outerDrain = draining_;
    draining_ = true;
    while (display_ && generation_ == generation && XPending(display_.get()) > 0) {
        XEvent event;
        XNextEvent(display_.get(), &event);
        dispatch(event);
    }
    draining_ = outerDrain;
}

void RawKeys::dispatch(_XEvent& event) {
    Display* display = display_.get();
    if (event.type == GenericEvent && event.xcookie.extension == xiOpcode_) {
        XGenericEventCookie* cookie = &event.xcookie;
        if (!XGetEventData(display, cookie)) {
            return;
        }
        const int evtype = cookie->evtype;
        unsigned keycode = 0;
        int sourceDevice = 0;
        if (evtype == XI_RawKeyPress || evtype == XI_RawKeyRelease) {
            const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
            keycode = static_cast<unsigned>(raw->detail);
            sourceDevice = raw->sourceid;
        }
        XFreeEventData(display, cookie);
        if (evtype == XI_HierarchyChanged) {
            readXTestDevices();
        } else if (evtype == XI_RawKeyPress || evtype == XI_RawKeyRelease) {
            handleRawKey(evtype, keycode, sourceDevice);
        }
    } else if (event.type == xkbEventBase_) {
        const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
        if (xkb.any.xkb_type == XkbNewKeyboardNotify || xkb.any.xkb_type == XkbNamesNotify) {
            // A keymap that cannot be read now keeps the names it had.
            if (auto keycodes = resolveKeyNames(display, wanted_)) {
                keycodes_ = std::move(*keycodes);
            }
        }
    }
}

void RawKeys::handleRawKey(int evtype, unsigned keycode, int sourceDevice) {
    const bool pressed = evtype == XI_RawKeyPress;
    if (xtestDevices_.count(sourceDevice) != 0 && ledger_.claim(keycode, pressed)) {
        return;
    }
    const auto named = keycodes_.find(keycode);
    if (named == keycodes_.end() || !sink_) {
        return;
    }
    // The sink may stop this source, which drops sink_; call a copy.
    const Sink sink = sink_;
    sink(RawKeyEvent{named->second, pressed});
}

} // namespace x11
} // namespace tavik::platform
