#include "platform/window_stacking.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QRect>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

// Xlib's macros (Bool, Status, None) would break Qt's headers: these come last.
#include "platform/linux/x11_keys_error_trap.h"

#include <X11/Xlib.h>

#include <optional>

namespace tavik::platform {
namespace {

using x11::DisplayConnection;
using x11::RequestTrap;

// Never more often than this, so a manager that insists on raising its own window cannot take
// turns with this guard as fast as the X server answers; while it keeps doing so, the pause
// doubles up to the longest one, and falls back once the window has stayed on top a while.
constexpr qint64 shortestSpacingMs = 100;
constexpr qint64 longestSpacingMs = 5000;

// Watches the root window's children on a connection of its own (its event selection must not
// disturb Qt's), and answers every restack, map or reparent with one check of what stands
// above the window.
class X11StackingGuard final : public QObject, public StackingGuard {
public:
    explicit X11StackingGuard(QWindow* window) : window_(window) {
        Display* display = events_.get();
        if (display == nullptr) {
            return;
        }
        {
            RequestTrap trap(display);
            XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
            if (trap.failed()) {
                return;
            }
        }
        notifier_ = new QSocketNotifier(ConnectionNumber(display), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &X11StackingGuard::drain);
        connect(window, &QWindow::visibleChanged, this, [this](bool visible) {
            if (visible) {
                schedule();
            }
        });
        since_.start();
    }

    bool watching() const { return notifier_ != nullptr; }

private:
    void drain() {
        Display* display = events_.get();
        bool stackingChanged = false;
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            stackingChanged = stackingChanged || event.type == ConfigureNotify ||
                              event.type == MapNotify || event.type == CirculateNotify ||
                              event.type == ReparentNotify;
        }
        if (stackingChanged) {
            schedule();
        }
    }

    void schedule() {
        if (scheduled_ || window_ == nullptr || !window_->isVisible()) {
            return;
        }
        scheduled_ = true;
        const qint64 wait =
            lastRestackMs_ ? std::max<qint64>(0, *lastRestackMs_ + spacingMs_ - since_.elapsed())
                           : 0;
        QTimer::singleShot(int(wait), this, [this] {
            scheduled_ = false;
            restackIfCovered();
            // The check's round trips read whatever events had arrived into Xlib's queue, where
            // the socket notifier no longer sees them: a window raised during the check would
            // stay on top until some later event. Handle them now.
            drain();
        });
    }

    void restackIfCovered() {
        if (window_ == nullptr || !window_->isVisible()) {
            return;
        }
        Display* display = events_.get();
        const auto own = static_cast<Window>(window_->winId());
        RequestTrap trap(display); // windows come and go between any two of these requests
        const std::optional<Window> cover = topmostManagedCover(display, own);
        if (!cover) {
            return;
        }
        XWindowChanges changes{};
        changes.sibling = *cover;
        changes.stack_mode = Above;
        XConfigureWindow(display, own, CWSibling | CWStackMode, &changes);
        XFlush(display);
        const qint64 now = since_.elapsed();
        const bool insisted = lastRestackMs_ && now - *lastRestackMs_ < 2 * spacingMs_;
        spacingMs_ = insisted ? std::min(spacingMs_ * 2, longestSpacingMs) : shortestSpacingMs;
        lastRestackMs_ = now;
    }

    // The highest shown, managed window stacked above `own` that overlaps it, if any.
    static std::optional<Window> topmostManagedCover(Display* display, Window own) {
        Window root = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        XWindowAttributes ownAttributes{};
        if (XGetWindowAttributes(display, own, &ownAttributes) == 0 ||
            XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) ==
                0) {
            return std::nullopt;
        }
        const QRect ownArea(ownAttributes.x, ownAttributes.y, ownAttributes.width,
                            ownAttributes.height);
        std::optional<Window> cover;
        bool above = false;
        for (unsigned int i = 0; i < count; ++i) {
            if (children[i] == own) {
                above = true;
                continue;
            }
            XWindowAttributes a{};
            if (!above || XGetWindowAttributes(display, children[i], &a) == 0) {
                continue;
            }
            const QRect area(a.x, a.y, a.width + 2 * a.border_width, a.height + 2 * a.border_width);
            if (a.map_state == IsViewable && a.c_class == InputOutput && !a.override_redirect &&
                area.intersects(ownArea)) {
                cover = children[i];
            }
        }
        if (children != nullptr) {
            XFree(children);
        }
        // Found below the window, or the window is not the root's child (a manager took it in):
        // nothing this guard may move.
        return above ? cover : std::nullopt;
    }

    QPointer<QWindow> window_;
    DisplayConnection events_;
    QSocketNotifier* notifier_ = nullptr;
    QElapsedTimer since_;
    std::optional<qint64> lastRestackMs_;
    qint64 spacingMs_ = shortestSpacingMs;
    bool scheduled_ = false;
};

} // namespace

std::unique_ptr<StackingGuard> StackingGuard::keepOnTop(QWindow* window) {
    if (window == nullptr || qGuiApp == nullptr ||
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>() == nullptr) {
        return nullptr;
    }
    window->winId();
    auto guard = std::make_unique<X11StackingGuard>(window);
    if (!guard->watching()) {
        return nullptr;
    }
    return guard;
}

} // namespace tavik::platform
