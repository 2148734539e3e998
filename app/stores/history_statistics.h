#pragma once

#include "app/stores/day_calendar.h"
#include "app/stores/history_entry.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace tavik {

class History;

// How many dictations went to one application.
struct AppUsage {
    QString app;
    int count = 0;

    bool operator==(const AppUsage&) const = default;
};

// Six figures that summarise the dictation history, worked out afresh from the entries on every
// read: nothing is cached or stored. Read on the main thread; each figure reads the entries
// once. The calendar (with its time zone) and the current time are taken anew by each figure.
class HistoryStatistics {
public:
    using Entries = QList<HistoryEntry>;
    using NowSource = std::function<QDateTime()>;

    explicit HistoryStatistics(const History& history,
                               CalendarSource calendar = &DayCalendar::current,
                               NowSource now = &QDateTime::currentDateTimeUtc);

    // The figures of the shared history.
    static HistoryStatistics& shared();

    int totalWords() const;
    int wordsThisWeek() const;
    std::optional<double> medianWPM() const;
    std::optional<double> medianLatencyMs() const;
    int dayStreak() const;
    QList<AppUsage> topApps() const;

    // The same figures over a given list.

    // Words of all entries.
    static int totalWords(const Entries& entries);
    // Words of the entries at or after `now` moved back seven calendar days (the wall-clock time
    // kept across a daylight-saving change).
    static int wordsThisWeek(const Entries& entries, const QDateTime& now,
                             const DayCalendar& calendar);
    // The upper middle of the sorted speaking rates; never an average of two.
    static std::optional<double> medianWPM(const Entries& entries);
    // The upper middle of the sorted latencies above 0.
    static std::optional<double> medianLatencyMs(const Entries& entries);
    // Consecutive calendar days with an entry, ending today, or yesterday when today has none
    // yet.
    static int dayStreak(const Entries& entries, const QDateTime& now, const DayCalendar& calendar);
    // Entries per application name (exact, case-sensitive), most first; equal counts keep the
    // order in which the names first appear in `entries` (the most recent first).
    static QList<AppUsage> topApps(const Entries& entries);

private:
    const History& history_;
    CalendarSource calendar_;
    NowSource now_;
};

} // namespace tavik
