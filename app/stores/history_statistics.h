#pragma once

#include "app/stores/day_calendar.h"
#include "app/stores/history_entry.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tavik {

class History;

// How many dictations went to one application.
struct AppUsage {
    QString app;
    int count = 0;

    bool operator==(const AppUsage&) const = default;
};

// Six figures that summarise the dictation history. Read on the main thread. The calendar (with
// its time zone) and the current time are taken anew by each figure that depends on them.
//
// What depends only on the entries (each entry's words, the totals, the medians, the
// applications, the days that have a dictation) is worked out once after each change of the
// history and kept until the next one; an entry's words are counted once for as long as it
// stays. So the panes may read the figures on every redraw, and a change costs the counting of
// what it added, not of the whole history. Nothing is stored.
class HistoryStatistics {
public:
    using Entries = QList<HistoryEntry>;
    using NowSource = std::function<QDateTime()>;

    explicit HistoryStatistics(const History& history,
                               CalendarSource calendar = &DayCalendar::current,
                               NowSource now = &QDateTime::currentDateTimeUtc);
    ~HistoryStatistics();
    HistoryStatistics(const HistoryStatistics&) = delete;
    HistoryStatistics& operator=(const HistoryStatistics&) = delete;

    // The figures of the shared history.
    static HistoryStatistics& shared();

    int totalWords() const;
    int wordsThisWeek() const;
    std::optional<double> medianWPM() const;
    std::optional<double> medianLatencyMs() const;
    int dayStreak() const;
    QList<AppUsage> topApps() const;

    // The two figures that move with the clock, at a given instant.
    int wordsThisWeek(const QDateTime& now) const;
    int dayStreak(const QDateTime& now) const;

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
    struct Summary;
    // What is known of one entry; kept with its text and time so that it is only reused for
    // the very same entry (ids repeat in a hand-edited file).
    struct Known {
        QString text;
        QDateTime at;
        int words = 0;
        QDate day; // in knownZone_, once asked for
    };

    // The figures of the entries as they are now, worked out again after a change.
    const Summary& summary() const;
    Known knownOf(const HistoryEntry& entry) const;

    const History& history_;
    CalendarSource calendar_;
    NowSource now_;
    mutable std::unique_ptr<Summary> summary_; // of the entries as they were at the last read
    mutable QHash<QUuid, Known> known_;        // of the entries at the last read
    mutable QByteArray knownZone_;             // the zone of the days in known_
};

} // namespace tavik
