#pragma once

#include <QPoint>
#include <QWidget>

#include <functional>

namespace tavik {

class RippleOrb;

// The floating button's window: frameless, above other windows, on every workspace, out of the
// taskbar and the pager, and never given the keyboard focus, so the application being dictated
// into keeps it while the button is clicked. It moves itself while dragged (the window manager
// would swallow the release of a drag it ran, and a click could not be told from a drag), and
// tells its owner about clicks, finished drags and menu requests.
class OrbPanel final : public QWidget {
public:
    // `face` becomes the window's only child and fills it.
    explicit OrbPanel(RippleOrb* face);

    std::function<void()> onClick;                   // a press and release without movement
    std::function<void(QPoint global)> onRightClick; // a right click or a Ctrl+click
    std::function<void(QPoint position)> onMoved;    // a drag ended; the new window position

    // While a press is held the window belongs to the pointer: nothing else may move it.
    bool pressed() const { return pressed_; }

    // Orders the window in without activating it, with the window manager states asked for
    // again (a manager may drop them while a window is withdrawn).
    void present();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The window's input and bounding shapes, laid in the window's device pixels.
    void applyShapes();
    void followDisc();

    RippleOrb* face_;
    bool translucent_ = false;
    bool pressed_ = false;
    bool dragged_ = false;
    QPoint pressGlobal_;
    QPoint pressPosition_;
};

} // namespace tavik
