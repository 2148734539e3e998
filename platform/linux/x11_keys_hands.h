#pragma once

// Brings Xlib after the Qt headers its macros (Bool, Status) would break.
#include "platform/linux/x11_keys_error_trap.h"

#include <array>
#include <deque>
#include <set>

namespace tavik::platform::x11 {

// The keys the person at the keyboard holds, followed while Tavik posts keys of its own (a
// paste chord, typed text) and sets some of theirs aside. The server's key state cannot tell:
// a key Tavik released is up there however firmly it is held. Raw key events can: they come
// from every device, including presses and releases the server's state swallows, so a key let
// go while set aside is still seen going up.
//
// Events from an XTest device are Tavik's own when they match a key Tavik noted as posted
// (oldest first, by keycode and direction); everything else, a physical keyboard or another
// program's XTest keys, is the person's.
class KeyboardHands {
public:
    explicit KeyboardHands(Display* display);

    // Whether raw key events can be had on this server (XInput 2.1 or later).
    bool supported() const { return xiOpcode_ != 0; }
    // Starts following: the keys down right now count as held. False when raw events cannot be
    // had; holds() then tells the keys down at this moment.
    bool begin();
    // Stops following; events still queued are ignored.
    void end();
    bool following() const { return following_; }

    // Call right before posting a key of our own.
    void willPost(KeyCode code, bool pressed);
    // Takes one event of the connection; true when it was a raw key event.
    bool handle(XEvent& event);

    // Keys our XTest device still counts as down though the keyboard has them up: a key Tavik
    // gave back that the person then let go on another keyboard. The server drops an XTest
    // press of such a key, so each must be released on the XTest device first.
    std::set<KeyCode> staleXTestKeys();

    bool holds(KeyCode code) const;
    // Keys held right now that are also in `keys`.
    std::set<KeyCode> heldAmong(const std::set<KeyCode>& keys) const;
    // Keys in `keys` the person pressed since begin() or the last call, and holds still.
    std::set<KeyCode> takePressedAmong(const std::set<KeyCode>& keys);

private:
    bool readXTestDevices();

    struct Own {
        KeyCode code;
        bool pressed;
    };
    Display* display_;
    int xiOpcode_ = 0;
    bool following_ = false;
    std::set<int> xtestDevices_;
    int ourXTestKeyboard_ = 0; // the one our fake keys go through
    std::deque<Own> own_;
    std::array<bool, 256> held_{};
    std::array<bool, 256> pressedSince_{};
};

} // namespace tavik::platform::x11
