#pragma once

#include <QByteArray>
#include <QList>

// Brings Xlib after the Qt headers its macros (Bool, Status) would break.
#include "platform/linux/x11_keys_error_trap.h"

#include <map>
#include <optional>
#include <set>
#include <vector>

namespace tavik::platform::x11 {

// What typing and the paste chord need to know of the server's keyboard, read in one go.
struct KeyboardMap {
    int minKeycode = 0;
    int maxKeycode = 0;
    int symbolsPerKeycode = 0;
    std::vector<KeySym> symbols; // the core map, symbolsPerKeycode columns per keycode
    // Keycodes that are never bound to a symbol for typing: a shortcut trigger or Escape by their
    // key names, and every key the keyboard's geometry places. An empty keycode there is still a
    // key a person can press, and a symbol bound to it would be typed by that key afterwards.
    std::set<KeyCode> reserved;
    // Keys that set or latch modifiers or a layout group while they are down.
    std::set<KeyCode> modifierKeys;
    // The modifier Num Lock locks; it changes nothing typing uses.
    unsigned numLockMask = 0;

    bool hasSymbols(KeyCode code) const;
    // A key that gives `keysym` in the first group with no modifier down, or 0. Keys in `skip`
    // (those bound for typing, which change) and modifier keys never count.
    KeyCode directKeycode(KeySym keysym, const std::map<KeyCode, KeySym>& skip) const;
    // Keycodes typing may bind: no symbols and not reserved, plus those it bound itself.
    std::vector<KeyCode> spareKeycodes(const std::map<KeyCode, KeySym>& bound) const;
};

// The key names of every shortcut trigger and of Escape.
const QList<QByteArray>& triggerKeyNames();

// Reads the map; no value when the server does not answer with one.
std::optional<KeyboardMap> readKeyboardMap(Display* display);

} // namespace tavik::platform::x11
