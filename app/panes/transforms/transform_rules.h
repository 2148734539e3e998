#pragma once

#include "app/stores/transforms.h"

#include <QList>
#include <QString>
#include <QUuid>

// What the transforms pane does to the list, apart from any widget. The pane edits only the AI
// transforms; every function leaves the transforms of the local kinds exactly as they were.
namespace tavik::panes::transforms {

using Transform = Transforms::Transform;

// The kinds that run on this machine, in the order the pane lists them.
QList<TransformKind> localKinds();

// An AI transform needs a name and an instruction, taken as typed (one space is enough).
bool canAdd(const QString& name, const QString& instruction);

// The list with a new AI transform at the end.
QList<Transform> withAdded(const QList<Transform>& items, const QString& name,
                           const QString& instruction);

// The AI transforms of the list, in its order.
QList<Transform> aiItems(const QList<Transform>& items);

// The list without any transform of `id`.
QList<Transform> without(const QList<Transform>& items, const QUuid& id);

} // namespace tavik::panes::transforms
