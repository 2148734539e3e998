#include "platform/linux/x11_keys_hands.h"

#include "platform/linux/x11_keys_error_trap.h"

#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>

#include <algorithm>
#include <cstring>

namespace tavik::platform::x11 {
namespace {

void selectRawKeys(Display* display, bool on) {
    unsigned char mask[XIMaskLen(XI_LASTEVENT)] = {};
    if (on) {
        XISetMask(mask, XI_RawKeyPress);
        XISetMask(mask, XI_RawKeyRelease);
    }
    // Master devices only: each key then arrives once, naming the device that sent it.
    XIEventMask selection{XIAllMasterDevices, sizeof mask, mask};
    XISelectEvents(display, DefaultRootWindow(display), &selection, 1);
}

} // namespace

KeyboardHands::KeyboardHands(Display* display) : display_(display) {
    if (display_ == nullptr) {
        return;
    }
    int opcode = 0;
    int event = 0;
    int error = 0;
    if (!XQueryExtension(display_, "XInputExtension", &opcode, &event, &error)) {
        return;
    }
    int major = 2;
    int minor = 2;
    RequestTrap trap(display_);
    const Status status = XIQueryVersion(display_, &major, &minor);
    // Before 2.1 raw events only reach a client that grabs the device.
    if (trap.failed() || status != Success || major < 2 || (major == 2 && minor < 1)) {
        return;
    }
    xiOpcode_ = opcode;
}

bool KeyboardHands::readXTestDevices() {
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display_, XIAllDevices, &count);
    if (devices == nullptr) {
        return false;
    }
    // XTest posts go through the XTest keyboard of the master paired with our client pointer.
    int pointer = 0;
    XIGetClientPointer(display_, None, &pointer);
    int keyboard = 0;
    for (int i = 0; i < count; ++i) {
        if (devices[i].deviceid == pointer && devices[i].use == XIMasterPointer) {
            keyboard = devices[i].attachment;
        }
    }
    xtestDevices_.clear();
    ourXTestKeyboard_ = 0;
    for (int i = 0; i < count; ++i) {
        if (devices[i].use == XISlaveKeyboard && devices[i].name != nullptr &&
            std::strstr(devices[i].name, "XTEST") != nullptr) {
            xtestDevices_.insert(devices[i].deviceid);
            if (devices[i].attachment == keyboard) {
                ourXTestKeyboard_ = devices[i].deviceid;
            }
        }
    }
    XIFreeDeviceInfo(devices);
    return true;
}

std::set<KeyCode> KeyboardHands::staleXTestKeys() {
    std::set<KeyCode> stale;
    if (!following_ || ourXTestKeyboard_ == 0) {
        return stale;
    }
    RequestTrap trap(display_);
    XDevice* device = XOpenDevice(display_, static_cast<XID>(ourXTestKeyboard_));
    XDeviceState* state = device != nullptr ? XQueryDeviceState(display_, device) : nullptr;
    const XKeyState* keys = nullptr;
    XInputClass* item = state != nullptr ? state->data : nullptr;
    for (int i = 0; state != nullptr && i < state->num_classes; ++i) {
        if (item->c_class == KeyClass) {
            keys = reinterpret_cast<const XKeyState*>(item);
        }
        item = reinterpret_cast<XInputClass*>(reinterpret_cast<char*>(item) + item->length);
    }
    char master[32] = {};
    XQueryKeymap(display_, master);
    for (int code = 0; keys != nullptr && code < keys->num_keys && code < 256; ++code) {
        const bool slaveDown = (keys->keys[code / 8] & (1 << (code % 8))) != 0;
        const bool masterDown = (master[code / 8] & (1 << (code % 8))) != 0;
        if (slaveDown && !masterDown) {
            stale.insert(static_cast<KeyCode>(code));
        }
    }
    if (state != nullptr) {
        XFreeDeviceState(state);
    }
    if (device != nullptr) {
        XCloseDevice(display_, device);
    }
    return stale;
}

bool KeyboardHands::begin() {
    own_.clear();
    bool selected = false;
    if (supported()) {
        RequestTrap trap(display_);
        selectRawKeys(display_, true);
        selected = readXTestDevices() && !trap.failed();
        if (!selected) {
            selectRawKeys(display_, false);
        }
    }
    // Selected first, read second: a change after the read arrives as an event. Without the
    // selection the keys down now are all that is known.
    char keys[32] = {};
    XQueryKeymap(display_, keys);
    for (std::size_t code = 0; code < held_.size(); ++code) {
        held_[code] = (keys[code / 8] & (1 << (code % 8))) != 0;
    }
    pressedSince_.fill(false);
    following_ = selected;
    return selected;
}

void KeyboardHands::end() {
    if (!following_) {
        return;
    }
    selectRawKeys(display_, false);
    following_ = false;
    own_.clear();
}

void KeyboardHands::willPost(KeyCode code, bool pressed) {
    if (following_) {
        own_.push_back(Own{code, pressed});
    }
}

bool KeyboardHands::handle(XEvent& event) {
    if (event.type != GenericEvent || event.xcookie.extension != xiOpcode_ || xiOpcode_ == 0) {
        return false;
    }
    XGenericEventCookie* cookie = &event.xcookie;
    if (cookie->evtype != XI_RawKeyPress && cookie->evtype != XI_RawKeyRelease) {
        return false;
    }
    if (!XGetEventData(display_, cookie)) {
        return true;
    }
    const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
    const auto code = static_cast<unsigned>(raw->detail);
    const int source = raw->sourceid;
    const bool pressed = cookie->evtype == XI_RawKeyPress;
    XFreeEventData(display_, cookie);
    if (!following_ || code >= held_.size()) {
        return true;
    }
    if (xtestDevices_.count(source) != 0) {
        const auto mine = std::find_if(own_.begin(), own_.end(), [&](const Own& own) {
            return own.code == code && own.pressed == pressed;
        });
        if (mine != own_.end()) {
            own_.erase(mine);
            return true;
        }
    }
    held_[code] = pressed;
    pressedSince_[code] = pressed;
    return true;
}

bool KeyboardHands::holds(KeyCode code) const {
    return held_[code];
}

std::set<KeyCode> KeyboardHands::heldAmong(const std::set<KeyCode>& keys) const {
    std::set<KeyCode> held;
    for (KeyCode code : keys) {
        if (held_[code]) {
            held.insert(code);
        }
    }
    return held;
}

std::set<KeyCode> KeyboardHands::takePressedAmong(const std::set<KeyCode>& keys) {
    std::set<KeyCode> pressed;
    for (KeyCode code : keys) {
        if (pressedSince_[code]) {
            pressedSince_[code] = false;
            pressed.insert(code);
        }
    }
    return pressed;
}

} // namespace tavik::platform::x11
