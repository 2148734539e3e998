#pragma once

#include "app/stores/trigger.h"

#include <QByteArray>

#include <optional>

namespace tavik {

// The stored form of the bindings map: compact UTF-8 JSON, an array alternating an action's
// raw value and its binding object, e.g.
// ["pushToTalk",{"key":"rightOption","gesture":"hold","enabled":true},"handsFree",{…}].
QByteArray encodeBindings(const TriggerBindings& bindings);

// Accepts only that form: an even number of elements, each even one an action's raw value,
// each odd one a complete binding; a later pair for an action replaces an earlier one; [] is
// an empty map. Anything else gives none (the caller then uses its defaults as a whole).
std::optional<TriggerBindings> decodeBindings(const QByteArray& stored);

} // namespace tavik
