// History costs with a full store of 5,000 dictations: what add() costs the main thread, a
// search over every entry, and the statistics the panes read. Short English dictations beside
// long ones (about 1,500 characters) in Cyrillic and in a mix of scripts.
#include "app/stores/history.h"
#include "app/stores/history_file.h"
#include "app/stores/history_statistics.h"
#include "tools/history-seed/history_seed.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

namespace {

using tavik::History;
using tavik::HistoryEntry;

const QStringList phrases = {
    "please send the quarterly report to the team before friday",
    "remind me to call the dentist tomorrow morning at nine",
    "the deployment went fine but the cache needs a restart",
    "let us meet at the café near the station after lunch",
    "draft a reply thanking them for the detailed feedback",
};

HistoryEntry entry(int i) {
    const QDateTime at =
        QDateTime(QDate(2026, 1, 1), QTime(8, 0), QTimeZone::utc()).addSecs(qint64(i) * 600);
    return HistoryEntry{QUuid::createUuid(),
                        phrases[i % phrases.size()] + " number " + QString::number(i),
                        "Editor",
                        "org.example.editor",
                        "paste",
                        at,
                        4.0,
                        900.0,
                        true};
}

enum class Kind { ascii, cyrillic, mixed };

QList<HistoryEntry> entriesOf(Kind kind) {
    const QDateTime newest(QDate(2026, 3, 1), QTime(8, 0), QTimeZone::utc());
    if (kind == Kind::cyrillic) {
        return tavik::seed::manyLongDictations(History::maxEntries, newest,
                                               tavik::seed::cyrillicWords());
    }
    if (kind == Kind::mixed) {
        return tavik::seed::manyLongDictations(History::maxEntries, newest,
                                               tavik::seed::mixedScriptWords());
    }
    QList<HistoryEntry> entries;
    for (int i = History::maxEntries - 1; i >= 0; --i) {
        entries.append(entry(i));
    }
    return entries;
}

std::unique_ptr<History> fullHistory(const QTemporaryDir& folder, Kind kind = Kind::ascii) {
    const QList<HistoryEntry> entries = entriesOf(kind);
    QFile file(folder.filePath("history.json"));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(tavik::history_file::encode(entries));
    }
    file.close();
    return std::make_unique<History>(file.fileName());
}

// `settle` gives the writer time to drop its snapshot of the list; without it the add pays for
// copying the whole list (what happens when a dictation lands while the last write still runs).
void BM_HistoryAddWithFullStore(benchmark::State& state) {
    const bool settle = state.range(0) != 0;
    QTemporaryDir folder;
    auto history = fullHistory(folder);
    int i = History::maxEntries;
    for (auto _ : state) {
        history->add(entry(i++));
        state.PauseTiming();
        history->flush(std::chrono::seconds(30)); // measure the caller, not the queued write
        if (settle) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HistoryAddWithFullStore)
    ->ArgName("writer_settled")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(200);

void BM_HistorySearchFullStore(benchmark::State& state, Kind kind, const char* query) {
    QTemporaryDir folder;
    auto history = fullHistory(folder, kind);
    qsizetype found = 0;
    for (auto _ : state) {
        found = history->search(QString::fromUtf8(query)).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["matches"] = double(found);
}
BENCHMARK_CAPTURE(BM_HistorySearchFullStore, ascii_word, Kind::ascii, "Dentist")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HistorySearchFullStore, accented, Kind::ascii, "CAFÉ")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HistorySearchFullStore, no_match, Kind::ascii, "zebra crossing")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HistorySearchFullStore, cyrillic_word, Kind::cyrillic, "СОВЕЩАНИИ")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HistorySearchFullStore, cyrillic_no_match, Kind::cyrillic, "жираф")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HistorySearchFullStore, mixed_word, Kind::mixed, "ΣΥΝΆΝΤΗΣΗ")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HistorySearchFullStore, mixed_no_match, Kind::mixed, "жираф")
    ->Unit(benchmark::kMillisecond);

// The figures the history pane's header and the insights pane read, on a store that has just
// changed (one entry added: what a dictation or a delete costs them) and on one that has not
// (what a redraw costs).
void BM_HistoryStatistics(benchmark::State& state, Kind kind) {
    const bool changed = state.range(0) != 0;
    QTemporaryDir folder;
    auto history = fullHistory(folder, kind);
    const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), QTimeZone::utc());
    const tavik::HistoryStatistics statistics(*history, &tavik::DayCalendar::current,
                                              [&] { return now; });
    benchmark::DoNotOptimize(statistics.totalWords()); // the first reading counts every entry
    int i = History::maxEntries;
    for (auto _ : state) {
        if (changed) {
            state.PauseTiming();
            history->add(entry(i++));
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(statistics.totalWords());
        benchmark::DoNotOptimize(statistics.wordsThisWeek());
        benchmark::DoNotOptimize(statistics.medianWPM());
        benchmark::DoNotOptimize(statistics.medianLatencyMs());
        benchmark::DoNotOptimize(statistics.dayStreak());
        benchmark::DoNotOptimize(statistics.topApps());
    }
    history->flush(std::chrono::seconds(60));
}
BENCHMARK_CAPTURE(BM_HistoryStatistics, ascii, Kind::ascii)
    ->ArgName("after_change")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_HistoryStatistics, cyrillic, Kind::cyrillic)
    ->ArgName("after_change")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_HistoryStatistics, mixed, Kind::mixed)
    ->ArgName("after_change")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);

// Counting the words of every entry once, as the first reading of the figures does.
void BM_HistoryCountEveryEntry(benchmark::State& state, Kind kind) {
    const QList<HistoryEntry> entries = entriesOf(kind);
    for (auto _ : state) {
        benchmark::DoNotOptimize(tavik::HistoryStatistics::totalWords(entries));
    }
}
BENCHMARK_CAPTURE(BM_HistoryCountEveryEntry, ascii, Kind::ascii)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HistoryCountEveryEntry, cyrillic, Kind::cyrillic)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HistoryCountEveryEntry, mixed, Kind::mixed)->Unit(benchmark::kMillisecond);

void BM_HistoryGroupFullStore(benchmark::State& state) {
    QTemporaryDir folder;
    auto history = fullHistory(folder);
    for (auto _ : state) {
        benchmark::DoNotOptimize(history->grouped(history->entries()).size());
    }
}
BENCHMARK(BM_HistoryGroupFullStore)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
