#include "app/stores/history_statistics.h"

#include "app/stores/history.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <vector>

namespace tavik {

namespace {

std::optional<double> upperMiddle(std::vector<double> values) {
    if (values.empty()) {
        return std::nullopt;
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

} // namespace

HistoryStatistics::HistoryStatistics(const History& history, CalendarSource calendar, NowSource now)
    : history_(history), calendar_(std::move(calendar)), now_(std::move(now)) {}

HistoryStatistics& HistoryStatistics::shared() {
    static HistoryStatistics* instance = new HistoryStatistics(History::shared());
    return *instance;
}

int HistoryStatistics::totalWords() const {
    return totalWords(history_.entries());
}

int HistoryStatistics::wordsThisWeek() const {
    return wordsThisWeek(history_.entries(), now_(), calendar_());
}

std::optional<double> HistoryStatistics::medianWPM() const {
    return medianWPM(history_.entries());
}

std::optional<double> HistoryStatistics::medianLatencyMs() const {
    return medianLatencyMs(history_.entries());
}

int HistoryStatistics::dayStreak() const {
    return dayStreak(history_.entries(), now_(), calendar_());
}

QList<AppUsage> HistoryStatistics::topApps() const {
    return topApps(history_.entries());
}

int HistoryStatistics::totalWords(const Entries& entries) {
    int total = 0;
    for (const HistoryEntry& entry : entries) {
        total += entry.wordCount();
    }
    return total;
}

int HistoryStatistics::wordsThisWeek(const Entries& entries, const QDateTime& now,
                                     const DayCalendar& calendar) {
    QDateTime cutoff = calendar.addDays(now, -7);
    if (!cutoff.isValid()) {
        cutoff = now;
    }
    int total = 0;
    for (const HistoryEntry& entry : entries) {
        if (entry.at >= cutoff) {
            total += entry.wordCount();
        }
    }
    return total;
}

std::optional<double> HistoryStatistics::medianWPM(const Entries& entries) {
    std::vector<double> rates;
    rates.reserve(static_cast<std::size_t>(entries.size()));
    for (const HistoryEntry& entry : entries) {
        if (const std::optional<double> rate = entry.wordsPerMinute()) {
            rates.push_back(*rate);
        }
    }
    return upperMiddle(std::move(rates));
}

std::optional<double> HistoryStatistics::medianLatencyMs(const Entries& entries) {
    std::vector<double> latencies;
    latencies.reserve(static_cast<std::size_t>(entries.size()));
    for (const HistoryEntry& entry : entries) {
        if (entry.latencyMs > 0) { // also false for not-a-number
            latencies.push_back(entry.latencyMs);
        }
    }
    return upperMiddle(std::move(latencies));
}

int HistoryStatistics::dayStreak(const Entries& entries, const QDateTime& now,
                                 const DayCalendar& calendar) {
    // Days are compared as calendar dates in the calendar's zone and stepped by date. Stepping
    // instants back by a day would miss a day that begins after a skipped midnight (a
    // daylight-saving change at 00:00) and end the streak early.
    QSet<QDate> days;
    for (const HistoryEntry& entry : entries) {
        if (entry.at.isValid()) {
            days.insert(entry.at.toTimeZone(calendar.zone()).date());
        }
    }
    if (days.isEmpty() || !now.isValid()) {
        return 0;
    }
    QDate cursor = now.toTimeZone(calendar.zone()).date();
    if (!days.contains(cursor)) {
        cursor = cursor.addDays(-1);
        if (!days.contains(cursor)) {
            return 0;
        }
    }
    int streak = 0;
    while (cursor.isValid() && days.contains(cursor)) {
        ++streak;
        cursor = cursor.addDays(-1);
    }
    return streak;
}

QList<AppUsage> HistoryStatistics::topApps(const Entries& entries) {
    QList<AppUsage> usage;
    QHash<QString, qsizetype> indexOfApp;
    for (const HistoryEntry& entry : entries) {
        const auto found = indexOfApp.constFind(entry.app);
        if (found != indexOfApp.constEnd()) {
            ++usage[*found].count;
            continue;
        }
        indexOfApp.insert(entry.app, usage.size());
        usage.append(AppUsage{entry.app, 1});
    }
    std::stable_sort(usage.begin(), usage.end(),
                     [](const AppUsage& a, const AppUsage& b) { return a.count > b.count; });
    return usage;
}

} // namespace tavik
