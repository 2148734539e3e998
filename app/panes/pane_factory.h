#pragma once

#include "app/shell/state/pane_factory.h"

namespace tavik::panes {

// The pane of each section of the main window.
QWidget* makePane(AppState::Section section, const PaneServices& services, QWidget* parent);

} // namespace tavik::panes
