#pragma once

#include "app/stores/history_statistics.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace tavik::panes {

// The history's figures the insights pane reads, taken once per showing.
struct HistoryFigures {
    qint64 count = 0;  // dictations
    qint64 failed = 0; // dictations that only reached the clipboard
    qint64 totalWords = 0;
    std::optional<double> medianWPM;
    qint64 dayStreak = 0;
    QList<AppUsage> topApps;
    std::optional<double> medianLatencyMs;

    // The figures of `entries` through the history's statistics, the day streak at `now`.
    static HistoryFigures of(const HistoryStatistics& statistics,
                             const QList<HistoryEntry>& entries, const QDateTime& now);
};

// Every text, colour choice and bar length of the insights pane, worked out from the figures
// alone so the pane only places them.
struct InsightsTexts {
    struct Card {
        QString value;
        QString label;
        QString glyph;
    };
    struct AppRow {
        QString app;
        QString count;
        std::optional<double> barFraction; // of the full width; none when no bar is drawn
    };

    bool empty = true; // no dictation at all: only the title and emptyText show
    std::array<Card, 4> cards;
    std::optional<QString> timeSentence; // only above 40 words per minute
    QList<AppRow> apps;                  // at most six
    QString success;                     // "97%"
    bool successIsWarning = false;       // orange above a 5 % failure rate, else green
    std::optional<QString> latency;      // "412ms"
    std::optional<QString> failedSentence;

    static QString emptyText();
    static QString timeNote();
};

InsightsTexts insightsTexts(const HistoryFigures& figures);

// The time saved against typing at 40 words per minute, in words: "under a minute",
// "12 minutes", "1.5 hours".
QString savingText(double minutesSaved);

} // namespace tavik::panes
