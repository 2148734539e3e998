#pragma once

#include "app/panes/history/entry_actions.h"

class QMenu;
class QWidget;

namespace tavik::panes {

// The "Transform and copy" menu of one history entry, made from the transforms as they are at
// this moment: the six local kinds in their order, then, when the user has AI transforms, a
// separator and one "<name>  ↗" item each. Items hold copies of the entry and the actions, so
// choosing one works even when the entry was deleted while the menu was open. The menu deletes
// itself when it closes.
QMenu* makeTransformMenu(const HistoryEntry& entry, const EntryActions& actions, QWidget* parent);

} // namespace tavik::panes
