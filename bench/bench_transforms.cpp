// What the insights cost over a full history, and each local transform on a long dictation.
#include "app/stores/history_statistics.h"
#include "app/stores/local_transforms.h"

#include <QTimeZone>
#include <QUuid>

#include <benchmark/benchmark.h>

namespace {

using tavik::HistoryEntry;
using tavik::HistoryStatistics;

const QStringList sampleSentences = {
    "Um, so I think we should move the meeting to Thursday afternoon.",
    "You know, the report is kind of late but the numbers look fine.",
    "Please send the draft to Anna and copy the whole team on it.",
    "I mean, the new design is clearer, sort of, than the old one.",
    "Uh, remind me to call the plumber about the kitchen sink tomorrow.",
    "The quarterly results were strong in Europe and weaker in Asia.",
};

// A dictation-like text of about `words` words.
QString longText(int words) {
    QString text;
    int count = 0;
    for (int i = 0; count < words; ++i) {
        const QString& sentence = sampleSentences[i % sampleSentences.size()];
        text += sentence + (i % 7 == 6 ? "\n" : " ");
        count += int(sentence.count(' ')) + 1;
    }
    return text;
}

// A full history: 5,000 dictations over about a year, newest first, in twelve applications.
QList<HistoryEntry> fullHistory(const QDateTime& now) {
    QList<HistoryEntry> entries;
    entries.reserve(5000);
    for (int i = 0; i < 5000; ++i) {
        const QString sentence = sampleSentences[i % sampleSentences.size()];
        entries.append(HistoryEntry{QUuid::createUuid(), sentence, QString("App %1").arg(i % 12),
                                    "org.example.app", "paste", now.addSecs(-qint64(i) * 6000),
                                    2.0 + (i % 9) * 0.7, 300.0 + (i % 37) * 11.0, true});
    }
    return entries;
}

void allSixFiguresOverFiveThousandEntries(benchmark::State& state) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const tavik::DayCalendar calendar(QTimeZone("Europe/Berlin"));
    const QList<HistoryEntry> entries = fullHistory(now);
    for (auto _ : state) {
        benchmark::DoNotOptimize(HistoryStatistics::totalWords(entries));
        benchmark::DoNotOptimize(HistoryStatistics::wordsThisWeek(entries, now, calendar));
        benchmark::DoNotOptimize(HistoryStatistics::medianWPM(entries));
        benchmark::DoNotOptimize(HistoryStatistics::medianLatencyMs(entries));
        benchmark::DoNotOptimize(HistoryStatistics::dayStreak(entries, now, calendar));
        benchmark::DoNotOptimize(HistoryStatistics::topApps(entries));
    }
}
BENCHMARK(allSixFiguresOverFiveThousandEntries)->Unit(benchmark::kMillisecond);

void localTransformOnTwoThousandWords(benchmark::State& state) {
    const auto kind = static_cast<tavik::TransformKind>(state.range(0));
    state.SetLabel(tavik::transform_kind::rawValue(kind).toStdString());
    const QString text = longText(2000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(tavik::local_transforms::apply(kind, text));
    }
}
BENCHMARK(localTransformOnTwoThousandWords)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
