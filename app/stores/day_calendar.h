#pragma once

#include <QDateTime>
#include <QTimeZone>

#include <functional>

namespace tavik {

// The user's calendar days in one time zone. Stores that group or count by day take the
// calendar once per computation from a CalendarSource, so a test can pin the zone and a
// change of the system zone is seen by the next computation.
class DayCalendar {
public:
    explicit DayCalendar(QTimeZone zone) : zone_(std::move(zone)) {}

    // The system's current time zone.
    static DayCalendar current() { return DayCalendar(QTimeZone::systemTimeZone()); }

    const QTimeZone& zone() const { return zone_; }

    // The first instant of the calendar day that holds `instant` (a day that begins after a
    // skipped midnight starts at its first existing moment). Invalid for an invalid instant.
    QDateTime startOfDay(const QDateTime& instant) const {
        if (!instant.isValid()) {
            return {};
        }
        return instant.toTimeZone(zone_).date().startOfDay(zone_);
    }

    // `instant` moved by whole calendar days, keeping the wall-clock time across a change of
    // daylight-saving time. Invalid when the calendar cannot produce that date.
    QDateTime addDays(const QDateTime& instant, int days) const {
        if (!instant.isValid()) {
            return {};
        }
        return instant.toTimeZone(zone_).addDays(days);
    }

private:
    QTimeZone zone_;
};

using CalendarSource = std::function<DayCalendar()>;

} // namespace tavik
