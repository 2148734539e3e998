#pragma once

#include "app/stores/trigger.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace tavik {

// Trigger keys are found on X11 by the XKB name of their place on the keyboard, never by keysym
// (F13…F19 carry launcher keysyms in common keymaps) and never by the stored virtual key code
// (as an X keycode, 55 is the V key).
//   rightOption RALT, leftOption LALT, rightCommand RWIN, leftCommand LWIN, rightControl RCTL,
//   rightShift RTSH, f5 FK05, f13…f19 FK13…FK19.
// fn never reaches the X server, so it has no name and a binding to it never fires.
QByteArray xkbKeyName(TriggerKey key);
std::optional<TriggerKey> triggerKeyWithXkbName(const QByteArray& name);

inline const QByteArray escapeXkbKeyName = QByteArrayLiteral("ESC");

// Every name the shortcut monitor listens for: all trigger keys that X11 can see, and Escape.
QList<QByteArray> hotkeyXkbKeyNames();

} // namespace tavik
