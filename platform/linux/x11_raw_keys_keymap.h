#pragma once

#include <QByteArray>
#include <QList>

#include <optional>
#include <unordered_map>

// Xlib's macros (Bool, Status, …) break Qt headers included after it; headers name the
// connection by its struct tag and leave Xlib to the sources.
struct _XDisplay;

namespace tavik::platform::x11 {

// The X keycodes that carry the wanted XKB key names in the server's current keymap, aliases
// included (a keymap may call the left Super key "LMTA" and list "LWIN" as its alias). Names
// missing from the keymap are left out. No value when the keymap cannot be read.
using KeycodeNames = std::unordered_map<unsigned, QByteArray>;
std::optional<KeycodeNames> resolveKeyNames(_XDisplay* display, const QList<QByteArray>& wanted);

} // namespace tavik::platform::x11
