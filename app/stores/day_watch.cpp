#include "app/stores/day_watch.h"

#include <QTimeZone>

#include <algorithm>
#include <cstdlib>

namespace tavik {

DayWatch::DayWatch(platform::Clock& clock, CalendarSource calendar, QObject* parent)
    : QObject(parent), clock_(clock), calendar_(std::move(calendar)) {
    look(false);
}

DayWatch::~DayWatch() {
    clock_.cancel(timer_);
}

void DayWatch::look(bool announce) {
    timer_ = platform::Clock::noTimer;
    const QDateTime now = clock_.utcNow();
    const DayCalendar calendar = calendar_();
    const QDate day = now.toTimeZone(calendar.zone()).date();
    const QByteArray zone = calendar.zone().id();
    const std::int64_t wallAheadMs = now.toMSecsSinceEpoch() - clock_.monotonicNs() / 1'000'000;
    const bool changed =
        day != day_ || zone != zone_ || std::abs(wallAheadMs - wallAheadMs_) > jumpToleranceMs;
    day_ = day;
    zone_ = zone;
    wallAheadMs_ = wallAheadMs;
    arm(now, calendar);
    if (announce && changed) {
        emit dayChanged();
    }
}

void DayWatch::arm(const QDateTime& now, const DayCalendar& calendar) {
    const QDateTime midnight = day_.addDays(1).startOfDay(calendar.zone());
    std::int64_t delayMs = checkIntervalMs;
    if (midnight.isValid()) {
        delayMs = std::clamp<std::int64_t>(now.msecsTo(midnight), 1, checkIntervalMs);
    }
    timer_ = clock_.schedule(platform::msToNs(delayMs), [this] { look(true); });
}

} // namespace tavik
