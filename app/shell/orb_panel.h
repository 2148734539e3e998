#pragma once

#include <QPoint>
#include <QWidget>

#include <functional>
#include <memory>

namespace tavik {

class RippleOrb;

namespace platform {
class StackingGuard;
}

// The floating button's window: frameless, above other windows (full-screen ones included), on
// every workspace, out of the taskbar and the pager, and never given the keyboard focus, so the
// application being dictated into keeps it while the button is clicked. The window manager
// leaves it alone: it stands over every managed window and is put back over any that is raised
// above it later. It moves itself while dragged (a click could not be told from a drag
// otherwise), and tells its owner about clicks, finished drags and menu requests.
class OrbPanel final : public QWidget {
public:
    // `face` becomes the window's only child and fills it.
    explicit OrbPanel(RippleOrb* face);
    ~OrbPanel() override;

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
    std::unique_ptr<platform::StackingGuard> stacking_;
    bool translucent_ = false;
    bool pressed_ = false;
    bool dragged_ = false;
    QPoint pressGlobal_;
    QPoint pressPosition_;
};

} // namespace tavik
