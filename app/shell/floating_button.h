#pragma once

#include <functional>
#include <memory>

namespace tavik {

class DictationController;

// What the delegate asks of the floating button; the button's controller implements it.
class FloatingButton {
public:
    virtual ~FloatingButton() = default;
    virtual void show() = 0; // shows the button (again) and places it on a connected screen
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;
};

// The three ways the button's menu reaches the rest of the application.
struct FloatingButtonActions {
    std::function<void()> openMain;     // the main window on the dictation section
    std::function<void()> openSettings; // the main window on the settings section
    std::function<void()> quit;         // the termination sequence
};

using FloatingButtonFactory = std::function<std::unique_ptr<FloatingButton>(
    DictationController& controller, FloatingButtonActions actions)>;

} // namespace tavik
