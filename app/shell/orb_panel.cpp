#include "app/shell/orb_panel.h"

#include "app/shell/ripple_orb.h"
#include "platform/window_hints.h"
#include "platform/window_stacking.h"

#include <QMouseEvent>
#include <QPainterPath>
#include <QWindow>

#include <cmath>

namespace tavik {

namespace hints = platform::window_hints;
using platform::WindowState;

// Left alone by the window manager: a manager stacks a focused full-screen window over every
// window it manages, "above" ones included, but maps no window over one it does not manage.
OrbPanel::OrbPanel(RippleOrb* face)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::BypassWindowManagerHint),
      face_(face) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFocusPolicy(Qt::NoFocus);
    // Menus come from the press itself; a second one from the context-menu event would follow.
    setContextMenuPolicy(Qt::NoContextMenu);
    setWindowTitle(QStringLiteral("Tavik"));
    setFixedSize(RippleOrb::frameSize, RippleOrb::frameSize);
    face_->setParent(this);
    face_->move(0, 0);
    face_->setFocusPolicy(Qt::NoFocus);
    // The mask follows the disc after the paint that changed it, never from inside that paint.
    connect(face_, &RippleOrb::discChanged, this, &OrbPanel::followDisc, Qt::QueuedConnection);
}

OrbPanel::~OrbPanel() = default;

void OrbPanel::present() {
    if (isVisible()) {
        return;
    }
    // With a compositor the corners are truly transparent; without one they would show black,
    // so the window is cut to the disc itself.
    translucent_ = hints::compositorRunning();
    QWindow* window = windowHandle();
    if (window == nullptr) {
        winId();
        window = windowHandle();
        // Shapes are kept in device pixels: a move to a screen of another scale lays them again.
        connect(window, &QWindow::screenChanged, this, &OrbPanel::applyShapes);
        // A manager that raises its windows to the very top, or a window raised by its own
        // client, would cover the button; it goes back over them.
        stacking_ = platform::StackingGuard::keepOnTop(window);
    }
    applyShapes();
    const auto askForStates = [window] {
        for (const WindowState state : {WindowState::above, WindowState::sticky,
                                        WindowState::skipTaskbar, WindowState::skipPager}) {
            hints::set(window, state, true);
        }
    };
    // Written on the window for the manager to read as it maps it, then asked of the manager
    // again: Qt rewrites some of them while mapping.
    askForStates();
    show();
    askForStates();
}

void OrbPanel::applyShapes() {
    // Pointer input only on the round button: a click in a corner reaches the window below.
    QPainterPath round;
    round.addEllipse(QRectF(rect()));
    hints::setShape(windowHandle(), hints::ShapeKind::input, round);
    followDisc();
}

void OrbPanel::followDisc() {
    QWindow* window = windowHandle();
    if (window == nullptr) {
        return;
    }
    if (translucent_) {
        hints::setShape(window, hints::ShapeKind::bounding, QPainterPath());
        return;
    }
    const OrbLook look = face_->shown();
    const double diameter = std::ceil(look.disc * look.scale);
    const double corner = (RippleOrb::frameSize - diameter) / 2;
    QPainterPath disc;
    disc.addEllipse(QRectF(corner, corner, diameter, diameter));
    hints::setShape(window, hints::ShapeKind::bounding, disc);
}

void OrbPanel::mousePressEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    if (event->button() == Qt::RightButton ||
        (event->button() == Qt::LeftButton && event->modifiers().testFlag(Qt::ControlModifier))) {
        if (onRightClick) {
            onRightClick(global);
        }
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    // The button is round: a press in a transparent corner is not on it (where the window
    // system cannot pass such a press on to the window below).
    const QPointF offset =
        event->position() - QPointF(RippleOrb::frameSize / 2.0, RippleOrb::frameSize / 2.0);
    if (std::hypot(offset.x(), offset.y()) > RippleOrb::frameSize / 2.0) {
        event->ignore();
        return;
    }
    pressed_ = true;
    dragged_ = false;
    pressGlobal_ = global;
    pressPosition_ = pos();
}

void OrbPanel::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_) {
        return;
    }
    if (!event->buttons().testFlag(Qt::LeftButton)) {
        pressed_ = false; // the release went elsewhere (a grab); nothing more to follow
        return;
    }
    const QPoint delta = event->globalPosition().toPoint() - pressGlobal_;
    if (delta.isNull() && !dragged_) {
        return;
    }
    dragged_ = true;
    move(pressPosition_ + delta);
}

void OrbPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) {
        return;
    }
    pressed_ = false;
    const bool wasDrag = dragged_;
    dragged_ = false;
    if (wasDrag) {
        if (onMoved) {
            onMoved(pos());
        }
    } else if (onClick) {
        onClick();
    }
}

} // namespace tavik
