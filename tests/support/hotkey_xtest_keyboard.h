#pragma once

#include <QByteArray>

#include <memory>

struct _XDisplay;

namespace tavik::test {

// Presses and releases keys on the test display through XTest, from a connection of its own, as
// a remapping tool or a second process would. Keys are named by their XKB key names.
class XTestKeyboard {
public:
    XTestKeyboard();
    ~XTestKeyboard();

    bool isOpen() const { return display_ != nullptr; }
    // The X keycode of a key name in the current keymap; 0 when the keymap has no such key.
    unsigned keycode(const QByteArray& keyName) const;

    // Each call reaches the server before it returns.
    void press(const QByteArray& keyName);
    void release(const QByteArray& keyName);
    void pressKeycode(unsigned keycode);
    void releaseKeycode(unsigned keycode);

    // Adds a master keyboard and pointer pair (a second seat) and sends this keyboard's keys
    // through that master's own XTest device from now on; the pair is removed again with this
    // object. False when the server refuses.
    bool moveToNewMaster(const char* name);

private:
    void fake(unsigned keycode, bool pressed);
    _XDisplay* display_ = nullptr;
    int masterPointer_ = 0;
};

// A plain X window of another client that has the input focus and records the keys it receives,
// to show that keys still reach the focused application while the monitor listens.
class FocusedKeyWindow {
public:
    FocusedKeyWindow();
    ~FocusedKeyWindow();

    bool isOpen() const { return display_ != nullptr; }
    // Reads what has arrived so far; true once the window has seen a press and a release of
    // `keycode` (looks for at most `timeoutMs`).
    bool sawPressAndRelease(unsigned keycode, int timeoutMs);

private:
    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    bool pressed_[256] = {};
    bool released_[256] = {};
};

} // namespace tavik::test
