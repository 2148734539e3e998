#include "app/panes/insights/insights_figures.h"

#include "app/panes/history/figure_text.h"

namespace tavik::panes {

namespace {

constexpr double typingWordsPerMinute = 40;
constexpr qsizetype shownApps = 6;
constexpr double warningFailureRate = 5;

} // namespace

HistoryFigures HistoryFigures::of(const HistoryStatistics& statistics,
                                  const QList<HistoryEntry>& entries, const QDateTime& now) {
    HistoryFigures figures;
    figures.count = entries.size();
    for (const HistoryEntry& entry : entries) {
        if (!entry.inserted) {
            ++figures.failed;
        }
    }
    figures.totalWords = statistics.totalWords();
    figures.medianWPM = statistics.medianWPM();
    figures.dayStreak = statistics.dayStreak(now);
    figures.topApps = statistics.topApps();
    figures.medianLatencyMs = statistics.medianLatencyMs();
    return figures;
}

QString InsightsTexts::emptyText() {
    return QStringLiteral("Nothing to measure yet. Dictate something and this fills in.");
}

QString InsightsTexts::timeNote() {
    return QStringLiteral(
        "40wpm is a rough average for everyday typing, not a measurement of yours.");
}

QString savingText(double minutesSaved) {
    if (minutesSaved < 1) {
        return QStringLiteral("under a minute");
    }
    if (minutesSaved < 60) {
        return integerText(truncToInt64(minutesSaved)) + QStringLiteral(" minutes");
    }
    return fixedText(minutesSaved / 60, 1) + QStringLiteral(" hours");
}

InsightsTexts insightsTexts(const HistoryFigures& figures) {
    InsightsTexts texts;
    texts.empty = figures.count == 0;
    if (texts.empty) {
        return texts;
    }
    const QString wpmValue =
        figures.medianWPM ? integerText(truncToInt64(*figures.medianWPM)) : QStringLiteral("—");
    texts.cards = {{
        {integerText(figures.totalWords), QStringLiteral("words dictated"),
         QStringLiteral("text.alignleft")},
        {integerText(figures.count), QStringLiteral("dictations"), QStringLiteral("mic")},
        {wpmValue, QStringLiteral("words per minute"), QStringLiteral("gauge.with.needle")},
        {integerText(figures.dayStreak), QStringLiteral("day streak"), QStringLiteral("flame")},
    }};

    if (figures.medianWPM && *figures.medianWPM > typingWordsPerMinute) {
        const double wpm = *figures.medianWPM;
        const double words = double(figures.totalWords);
        const double minutesSaved = words / typingWordsPerMinute - words / wpm;
        texts.timeSentence = QStringLiteral("At ") + integerText(truncToInt64(wpm)) +
                             QStringLiteral(" words per minute you are roughly ") +
                             fixedText(wpm / typingWordsPerMinute, 1) +
                             QStringLiteral("× faster than typing at 40wpm — about ") +
                             savingText(minutesSaved) + QStringLiteral(" saved so far.");
    }

    const int max = figures.topApps.isEmpty() ? 0 : figures.topApps.first().count;
    for (qsizetype i = 0; i < std::min(shownApps, figures.topApps.size()); ++i) {
        const AppUsage& usage = figures.topApps[i];
        InsightsTexts::AppRow row{usage.app, integerText(usage.count), std::nullopt};
        if (max >= 1) {
            row.barFraction = double(usage.count) / double(max);
        }
        texts.apps.append(row);
    }

    const double failureRate = double(figures.failed) / double(figures.count) * 100;
    texts.success = fixedText(100 - failureRate, 0) + QStringLiteral("%");
    texts.successIsWarning = failureRate > warningFailureRate;
    if (figures.medianLatencyMs) {
        texts.latency = integerText(truncToInt64(*figures.medianLatencyMs)) + QStringLiteral("ms");
    }
    if (figures.failed > 0) {
        texts.failedSentence =
            integerText(figures.failed) +
            QStringLiteral(
                " went to the clipboard because no insertion mechanism worked in that app.");
    }
    return texts;
}

} // namespace tavik::panes
