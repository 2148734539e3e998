#pragma once

#include "platform/clock.h"

#include <map>

namespace tavik::test {

// A clock that only moves when the test says so; due timers fire inside advance(), in order.
class FakeClock final : public platform::Clock {
public:
    std::int64_t monotonicNs() const override { return now_; }
    QDateTime utcNow() const override { return wallStart_.addMSecs(now_ / 1'000'000); }

    TimerId schedule(std::int64_t delayNs, std::function<void()> fire) override {
        const TimerId id = ++lastId_;
        timers_[id] = Timer{now_ + std::max<std::int64_t>(0, delayNs), std::move(fire)};
        return id;
    }
    void cancel(TimerId id) override { timers_.erase(id); }

    void advanceNs(std::int64_t ns) {
        const std::int64_t target = now_ + ns;
        for (;;) {
            auto next = timers_.end();
            for (auto it = timers_.begin(); it != timers_.end(); ++it) {
                if (it->second.due <= target &&
                    (next == timers_.end() || it->second.due < next->second.due)) {
                    next = it;
                }
            }
            if (next == timers_.end()) {
                break;
            }
            now_ = std::max(now_, next->second.due);
            auto fire = std::move(next->second.fire);
            timers_.erase(next);
            fire();
        }
        now_ = target;
    }
    void advanceMs(std::int64_t ms) { advanceNs(ms * 1'000'000); }

    void setWallStart(const QDateTime& utc) { wallStart_ = utc; }
    std::size_t pendingTimers() const { return timers_.size(); }

private:
    struct Timer {
        std::int64_t due;
        std::function<void()> fire;
    };
    std::int64_t now_ = 1'000'000'000;
    QDateTime wallStart_ = QDateTime(QDate(2026, 12, 8), QTime(1, 17, 45), Qt::UTC);
    TimerId lastId_ = noTimer;
    std::map<TimerId, Timer> timers_;
};

} // namespace tavik::test
