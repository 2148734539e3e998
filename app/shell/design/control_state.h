#pragma once

#include <optional>

class QWidget;

namespace tavik::design {

// The interaction state a control draws from: pointer over it, held down, keyboard focus.
struct ControlState {
    bool hovered = false;
    bool down = false;
    bool focused = false;
    bool operator==(const ControlState&) const = default;
};

// A control's state as drawn: what the widget really is, unless a picture of one particular
// state was asked for (the gallery shows every state side by side; tests pin one).
class ControlStateHook {
public:
    void force(std::optional<ControlState> state) { forced_ = state; }
    const std::optional<ControlState>& forced() const { return forced_; }
    ControlState resolve(const QWidget& widget, bool down) const;

private:
    std::optional<ControlState> forced_;
};

} // namespace tavik::design
