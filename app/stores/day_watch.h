#pragma once

#include "app/stores/day_calendar.h"
#include "platform/clock.h"

#include <QByteArray>
#include <QDate>
#include <QObject>

#include <cstdint>

namespace tavik {

// Tells a window that what it shows by day may be out of date: at each local midnight, after the
// wall clock jumps (a resume from suspend, the clock set by hand or by time synchronisation) and
// when the time zone changes. Timers do not run while the machine sleeps, so besides waiting for
// midnight the watch looks at the clock every checkIntervalMs and compares it with the monotonic
// clock; a resume is noticed that long after at the latest.
class DayWatch final : public QObject {
    Q_OBJECT

public:
    static constexpr std::int64_t checkIntervalMs = 30'000;
    // Drift between the wall clock and the monotonic clock below this is not a jump.
    static constexpr std::int64_t jumpToleranceMs = 2'000;

    explicit DayWatch(platform::Clock& clock, CalendarSource calendar = &DayCalendar::current,
                      QObject* parent = nullptr);
    ~DayWatch() override;

signals:
    // The day, the zone or the wall clock changed since the last look.
    void dayChanged();

private:
    void look(bool announce);
    void arm(const QDateTime& now, const DayCalendar& calendar);

    platform::Clock& clock_;
    CalendarSource calendar_;
    platform::Clock::TimerId timer_ = platform::Clock::noTimer;
    QDate day_;
    QByteArray zone_;
    std::int64_t wallAheadMs_ = 0; // wall clock minus monotonic clock at the last look
};

} // namespace tavik
