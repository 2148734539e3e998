#include "app/shell/design/motion.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace tavik::design {

namespace {

struct MotionSettings {
    bool enabled = true;
    std::function<qint64()> clock;
};

MotionSettings& settings() {
    static MotionSettings s;
    return s;
}

qint64 monotonicMs() {
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

} // namespace

class MotionDriver {
public:
    static MotionDriver& shared() {
        static MotionDriver driver;
        return driver;
    }

    void add(Tween* tween) {
        if (std::find(tweens_.begin(), tweens_.end(), tween) == tweens_.end()) {
            tweens_.push_back(tween);
        }
        if (!timer_.isActive()) {
            timer_.start();
        }
    }

    void remove(Tween* tween) {
        tweens_.erase(std::remove(tweens_.begin(), tweens_.end(), tween), tweens_.end());
        if (tweens_.empty()) {
            timer_.stop();
        }
    }

private:
    MotionDriver() {
        // About one frame at 60 Hz; a precise timer keeps the steps even.
        timer_.setInterval(16);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }

    void tick() {
        // Copy: advancing repaints, and a paint may retarget or finish another tween.
        const std::vector<Tween*> running = tweens_;
        for (Tween* tween : running) {
            if (std::find(tweens_.begin(), tweens_.end(), tween) != tweens_.end() &&
                !tween->advance()) {
                remove(tween);
            }
        }
    }

    QTimer timer_;
    std::vector<Tween*> tweens_;
};

bool Motion::enabled() {
    return settings().enabled;
}

void Motion::setEnabled(bool enabled) {
    settings().enabled = enabled;
}

void Motion::setClock(std::function<qint64()> clock) {
    settings().clock = std::move(clock);
}

qint64 Motion::now() {
    return settings().clock ? settings().clock() : monotonicMs();
}

QEasingCurve Motion::easeOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

QEasingCurve Motion::easeInOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

Tween::Tween(QWidget* owner, double value)
    : owner_(owner), from_(value), to_(value), shown_(value) {}

Tween::~Tween() {
    MotionDriver::shared().remove(this);
}

double Tween::value() const {
    if (duration_ <= 0) {
        return to_;
    }
    const qint64 elapsed = Motion::now() - start_;
    if (elapsed >= duration_) {
        return to_;
    }
    const double progress =
        curve_.valueForProgress(std::max<qint64>(elapsed, 0) / double(duration_));
    return from_ + (to_ - from_) * progress;
}

bool Tween::running() const {
    return duration_ > 0 && Motion::now() - start_ < duration_;
}

void Tween::animateTo(double target, int durationMs, const QEasingCurve& curve) {
    if (target == to_) {
        return;
    }
    if (!Motion::enabled() || durationMs <= 0) {
        jumpTo(target);
        return;
    }
    from_ = value();
    to_ = target;
    start_ = Motion::now();
    duration_ = durationMs;
    curve_ = curve;
    MotionDriver::shared().add(this);
    if (owner_) {
        owner_->update();
    }
}

void Tween::jumpTo(double value) {
    MotionDriver::shared().remove(this);
    const bool changed = value != shown_ || value != to_;
    from_ = to_ = shown_ = value;
    duration_ = 0;
    if (changed && owner_) {
        owner_->update();
    }
}

bool Tween::advance() {
    const double now = value();
    if (now != shown_) {
        shown_ = now;
        if (owner_) {
            owner_->update();
        }
    }
    if (!running()) {
        duration_ = 0;
        return false;
    }
    return true;
}

} // namespace tavik::design
