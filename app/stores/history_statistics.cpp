#include "app/stores/history_statistics.h"

#include "app/stores/history.h"
#include "app/stores/text_graphemes.h"

#include <QSet>
#include <QTimeZone>

#include <algorithm>
#include <utility>
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

// Each figure over a list, with the words of the entry at an index given by `words`: counted
// afresh for a list, or taken from what the statistics keep for the history.
template <typename Words> int sumOfWords(const QList<HistoryEntry>& entries, Words words) {
    int total = 0;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        total += words(i);
    }
    return total;
}

template <typename Words>
int wordsSince(const QList<HistoryEntry>& entries, const QDateTime& now,
               const DayCalendar& calendar, Words words) {
    QDateTime cutoff = calendar.addDays(now, -7);
    if (!cutoff.isValid()) {
        cutoff = now;
    }
    int total = 0;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i].at >= cutoff) {
            total += words(i);
        }
    }
    return total;
}

template <typename Words>
std::optional<double> medianRate(const QList<HistoryEntry>& entries, Words words) {
    std::vector<double> rates;
    rates.reserve(static_cast<std::size_t>(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        // The duration is asked first: a dictation too short for a rate needs no counting.
        if (!(entries[i].duration >= 1.0)) {
            continue;
        }
        if (const std::optional<double> rate = entries[i].wordsPerMinute(words(i))) {
            rates.push_back(*rate);
        }
    }
    return upperMiddle(std::move(rates));
}

// Days are compared as calendar dates in the calendar's zone and stepped by date. Stepping
// instants back by a day would miss a day that begins after a skipped midnight (a daylight-saving
// change at 00:00) and end the streak early.
QSet<QDate> daysOf(const QList<HistoryEntry>& entries, const QTimeZone& zone) {
    QSet<QDate> days;
    for (const HistoryEntry& entry : entries) {
        if (entry.at.isValid()) {
            days.insert(entry.at.toTimeZone(zone).date());
        }
    }
    return days;
}

int streakOver(const QSet<QDate>& days, const QDateTime& now, const QTimeZone& zone) {
    if (days.isEmpty() || !now.isValid()) {
        return 0;
    }
    QDate cursor = now.toTimeZone(zone).date();
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

} // namespace

struct HistoryStatistics::Summary {
    // The entries summed up, held as a copy that shares the history's list: the history cannot
    // change its list without making a new one, so an unchanged list is one at the same place.
    QList<HistoryEntry> entries;
    std::vector<int> words; // of each entry, in the order of the entries
    int totalWords = 0;
    std::optional<double> medianWPM;
    std::optional<double> medianLatencyMs;
    QList<AppUsage> topApps;
    // The days with a dictation, in the zone they were last asked for.
    QByteArray daysZone;
    QSet<QDate> days;
};

HistoryStatistics::HistoryStatistics(const History& history, CalendarSource calendar, NowSource now)
    : history_(history), calendar_(std::move(calendar)), now_(std::move(now)) {}

HistoryStatistics::~HistoryStatistics() = default;

HistoryStatistics& HistoryStatistics::shared() {
    static HistoryStatistics* instance = new HistoryStatistics(History::shared());
    return *instance;
}

HistoryStatistics::Known HistoryStatistics::knownOf(const HistoryEntry& entry) const {
    if (const auto known = known_.constFind(entry.id); known != known_.constEnd() &&
                                                       text::sameText(known->text, entry.text) &&
                                                       known->at == entry.at) {
        return *known;
    }
    return Known{entry.text, entry.at, entry.wordCount(), QDate()};
}

const HistoryStatistics::Summary& HistoryStatistics::summary() const {
    const Entries& entries = history_.entries();
    if (summary_ && summary_->entries.constData() == entries.constData() &&
        summary_->entries.size() == entries.size()) {
        return *summary_;
    }
    auto made = std::make_unique<Summary>();
    made->entries = entries;
    made->words.reserve(std::size_t(entries.size()));
    // Only the entries still there are remembered, so a deleted entry's text is let go.
    QHash<QUuid, Known> known;
    known.reserve(entries.size());
    for (const HistoryEntry& entry : entries) {
        const Known& kept = *known.insert(entry.id, knownOf(entry));
        made->words.push_back(kept.words);
    }
    known_ = std::move(known);
    const auto words = [&](qsizetype i) {
        return made->words[std::size_t(i)];
    };
    made->totalWords = sumOfWords(entries, words);
    made->medianWPM = medianRate(entries, words);
    made->medianLatencyMs = medianLatencyMs(entries);
    made->topApps = topApps(entries);
    summary_ = std::move(made);
    return *summary_;
}

int HistoryStatistics::totalWords() const {
    return summary().totalWords;
}

int HistoryStatistics::wordsThisWeek() const {
    return wordsThisWeek(now_());
}

int HistoryStatistics::wordsThisWeek(const QDateTime& now) const {
    const Summary& known = summary();
    return wordsSince(history_.entries(), now, calendar_(),
                      [&](qsizetype i) { return known.words[std::size_t(i)]; });
}

std::optional<double> HistoryStatistics::medianWPM() const {
    return summary().medianWPM;
}

std::optional<double> HistoryStatistics::medianLatencyMs() const {
    return summary().medianLatencyMs;
}

int HistoryStatistics::dayStreak() const {
    return dayStreak(now_());
}

int HistoryStatistics::dayStreak(const QDateTime& now) const {
    summary();
    Summary& known = *summary_;
    const QTimeZone zone = calendar_().zone();
    if (known.daysZone != zone.id() || known.days.isEmpty()) {
        if (knownZone_ != zone.id()) {
            for (Known& entry : known_) {
                entry.day = QDate();
            }
            knownZone_ = zone.id();
        }
        known.days.clear();
        for (const HistoryEntry& entry : std::as_const(known.entries)) {
            Known& kept = known_[entry.id];
            QDate day = kept.at == entry.at ? kept.day : QDate();
            if (!day.isValid() && entry.at.isValid()) {
                day = entry.at.toTimeZone(zone).date();
                if (kept.at == entry.at) {
                    kept.day = day;
                }
            }
            if (day.isValid()) {
                known.days.insert(day);
            }
        }
        known.daysZone = zone.id();
    }
    return streakOver(known.days, now, zone);
}

QList<AppUsage> HistoryStatistics::topApps() const {
    return summary().topApps;
}

int HistoryStatistics::totalWords(const Entries& entries) {
    return sumOfWords(entries, [&](qsizetype i) { return entries[i].wordCount(); });
}

int HistoryStatistics::wordsThisWeek(const Entries& entries, const QDateTime& now,
                                     const DayCalendar& calendar) {
    return wordsSince(entries, now, calendar, [&](qsizetype i) { return entries[i].wordCount(); });
}

std::optional<double> HistoryStatistics::medianWPM(const Entries& entries) {
    return medianRate(entries, [&](qsizetype i) { return entries[i].wordCount(); });
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
    return streakOver(daysOf(entries, calendar.zone()), now, calendar.zone());
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
