#pragma once

#include <QEasingCurve>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace tavik::design {

// The one animation driver of the design system. Every running tween is advanced by a single
// timer that stops when nothing moves; values are read on demand from the driver's clock, so a
// paint always shows where an animation is now.
class Motion {
public:
    // Off: every tween jumps to its target at once (tests and screenshots want end states).
    static bool enabled();
    static void setEnabled(bool enabled);

    // The clock tweens read, in milliseconds. Tests install their own to step through a curve;
    // an empty function restores the monotonic clock.
    static void setClock(std::function<qint64()> clock);
    static qint64 now();

    // The curves of the interface: ease-out and ease-in-out as cubic Béziers.
    static QEasingCurve easeOut();
    static QEasingCurve easeInOut();
};

// A number that eases to each new target and repaints its owner while it moves. A new target
// while moving starts from where the number is now, so reversing halfway never jumps.
class Tween {
public:
    explicit Tween(QWidget* owner, double value = 0);
    ~Tween();
    Tween(const Tween&) = delete;
    Tween& operator=(const Tween&) = delete;

    double value() const;
    double target() const { return to_; }
    bool running() const;

    void animateTo(double target, int durationMs, const QEasingCurve& curve = Motion::easeOut());
    void jumpTo(double value);

private:
    friend class MotionDriver;
    // Repaints the owner when the shown value moved; false once the tween has arrived.
    bool advance();

    QPointer<QWidget> owner_;
    double from_;
    double to_;
    qint64 start_ = 0;
    int duration_ = 0;
    QEasingCurve curve_;
    double shown_;
};

} // namespace tavik::design
