#include "app/shell/design/control_state.h"

#include <QWidget>

namespace tavik::design {

ControlState ControlStateHook::resolve(const QWidget& widget, bool down) const {
    if (forced_) {
        return *forced_;
    }
    return ControlState{widget.underMouse(), down, widget.hasFocus()};
}

} // namespace tavik::design
