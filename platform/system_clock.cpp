#include "platform/clock.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <map>
#include <memory>

namespace tavik::platform {
namespace {

class SystemClock final : public Clock {
public:
    std::int64_t monotonicNs() const override {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    QDateTime utcNow() const override { return QDateTime::currentDateTimeUtc(); }

    TimerId schedule(std::int64_t delayNs, std::function<void()> fire) override {
        const TimerId id = ++lastId_;
        auto* timer = new QTimer(QCoreApplication::instance());
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, timer, [this, id, fire = std::move(fire)] {
            release(id);
            fire();
        });
        timers_[id] = timer;
        const auto ms = std::max<std::int64_t>(0, (delayNs + 999'999) / 1'000'000);
        timer->start(std::chrono::milliseconds(ms));
        return id;
    }

    void cancel(TimerId id) override {
        auto it = timers_.find(id);
        if (it == timers_.end()) {
            return;
        }
        it->second->stop();
        release(id);
    }

private:
    void release(TimerId id) {
        auto it = timers_.find(id);
        if (it == timers_.end()) {
            return;
        }
        it->second->deleteLater();
        timers_.erase(it);
    }

    TimerId lastId_ = noTimer;
    std::map<TimerId, QTimer*> timers_;
};

} // namespace

Clock& Clock::system() {
    static SystemClock clock;
    return clock;
}

} // namespace tavik::platform
