#pragma once

#include "app/shell/state/app_state.h"

#include <functional>

class QWidget;

namespace tavik {

class DictationController;

// What a pane is given when the main window makes it: the one dictation controller and the
// window's state. The stores are reached through their shared instances.
struct PaneServices {
    DictationController& controller;
    AppState& state;
};

// Makes the pane of a section, parented to `parent`. The shell receives one from main(), so the
// shell never depends on the panes and the panes never on the shell.
using PaneFactory = std::function<QWidget*(AppState::Section section, const PaneServices& services,
                                           QWidget* parent)>;

} // namespace tavik
