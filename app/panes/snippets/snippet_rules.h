#pragma once

#include "app/stores/snippets.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// What the snippets pane does to the list, apart from any widget. Each function gives the whole
// new list, so every action is one assignment to the store.
namespace tavik::panes::snippets {

// A snippet needs a trigger with something besides spaces and tabs, and any expansion at all
// (a single space is an expansion).
bool canAdd(const QString& trigger, const QString& expansion);

// The list with a new, switched-on snippet at the end: the trigger trimmed of spaces and tabs,
// the expansion as typed. Duplicates are allowed.
QList<Snippet> withAdded(const QList<Snippet>& items, const QString& trigger,
                         const QString& expansion);

// The list with the first snippet of `id` switched on or off; none when no snippet has that id
// (it was deleted meanwhile).
std::optional<QList<Snippet>> withEnabled(const QList<Snippet>& items, const QUuid& id,
                                          bool enabled);

// The list without any snippet of `id`.
QList<Snippet> without(const QList<Snippet>& items, const QUuid& id);

} // namespace tavik::panes::snippets
