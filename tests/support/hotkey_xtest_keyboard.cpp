#include "tests/support/hotkey_xtest_keyboard.h"

#include "platform/linux/x11_raw_keys_keymap.h"

#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>

#include <cstring>
#include <string>

namespace tavik::test {

XTestKeyboard::XTestKeyboard() : display_(XOpenDisplay(nullptr)) {}

XTestKeyboard::~XTestKeyboard() {
    if (display_ == nullptr) {
        return;
    }
    if (masterPointer_ != 0) {
        XIAnyHierarchyChangeInfo change{};
        change.remove.type = XIRemoveMaster;
        change.remove.deviceid = masterPointer_;
        change.remove.return_mode = XIFloating;
        XIChangeHierarchy(display_, &change, 1);
        XSync(display_, False);
    }
    XCloseDisplay(display_);
}

bool XTestKeyboard::moveToNewMaster(const char* name) {
    if (display_ == nullptr) {
        return false;
    }
    int major = 2;
    int minor = 2;
    if (XIQueryVersion(display_, &major, &minor) != Success) {
        return false;
    }
    XIAnyHierarchyChangeInfo change{};
    change.add.type = XIAddMaster;
    change.add.name = const_cast<char*>(name);
    change.add.send_core = True;
    change.add.enable = True;
    if (XIChangeHierarchy(display_, &change, 1) != Success) {
        return false;
    }
    XSync(display_, False);
    const std::string pointerName = std::string(name) + " pointer";
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display_, XIAllMasterDevices, &count);
    for (int i = 0; i < count; ++i) {
        if (devices[i].use == XIMasterPointer && pointerName == devices[i].name) {
            masterPointer_ = devices[i].deviceid;
        }
    }
    XIFreeDeviceInfo(devices);
    if (masterPointer_ == 0) {
        return false;
    }
    // Fake input goes through the XTest device of the client's own pointer's master.
    XISetClientPointer(display_, None, masterPointer_);
    XSync(display_, False);
    return true;
}

unsigned XTestKeyboard::keycode(const QByteArray& keyName) const {
    const auto names = platform::x11::resolveKeyNames(display_, {keyName});
    if (!names) {
        return 0;
    }
    for (const auto& [code, name] : *names) {
        if (name == keyName) {
            return code;
        }
    }
    return 0;
}

void XTestKeyboard::press(const QByteArray& keyName) {
    pressKeycode(keycode(keyName));
}

void XTestKeyboard::release(const QByteArray& keyName) {
    releaseKeycode(keycode(keyName));
}

void XTestKeyboard::pressKeycode(unsigned keycode) {
    fake(keycode, true);
}

void XTestKeyboard::releaseKeycode(unsigned keycode) {
    fake(keycode, false);
}

void XTestKeyboard::fake(unsigned keycode, bool pressed) {
    if (display_ == nullptr || keycode == 0) {
        ADD_FAILURE() << "no such key on the test display";
        return;
    }
    XTestFakeKeyEvent(display_, keycode, pressed ? True : False, CurrentTime);
    XSync(display_, False);
}

FocusedKeyWindow::FocusedKeyWindow() : display_(XOpenDisplay(nullptr)) {
    if (display_ == nullptr) {
        return;
    }
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 100, 100, 0, 0, 0);
    XSelectInput(display_, window_, KeyPressMask | KeyReleaseMask | ExposureMask);
    XMapWindow(display_, window_);
    XSync(display_, False);
    XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
    XSync(display_, False);
}

FocusedKeyWindow::~FocusedKeyWindow() {
    if (display_ != nullptr) {
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
}

bool FocusedKeyWindow::sawPressAndRelease(unsigned keycode, int timeoutMs) {
    if (display_ == nullptr || keycode >= 256) {
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    while (!(pressed_[keycode] && released_[keycode]) && !deadline.hasExpired()) {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == KeyPress && event.xkey.keycode < 256) {
                pressed_[event.xkey.keycode] = true;
            } else if (event.type == KeyRelease && event.xkey.keycode < 256) {
                released_[event.xkey.keycode] = true;
            }
        }
        QThread::msleep(2);
    }
    return pressed_[keycode] && released_[keycode];
}

} // namespace tavik::test
