// History costs with a full store of 5,000 dictations: what add() costs the main thread, and
// a search over every entry.
#include "app/stores/history.h"
#include "app/stores/history_file.h"

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

std::unique_ptr<History> fullHistory(const QTemporaryDir& folder) {
    QList<HistoryEntry> entries;
    for (int i = History::maxEntries - 1; i >= 0; --i) {
        entries.append(entry(i));
    }
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

void BM_HistorySearchFullStore(benchmark::State& state, const char* query) {
    QTemporaryDir folder;
    auto history = fullHistory(folder);
    qsizetype found = 0;
    for (auto _ : state) {
        found = history->search(QString::fromUtf8(query)).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["matches"] = double(found);
}
BENCHMARK_CAPTURE(BM_HistorySearchFullStore, ascii_word, "Dentist")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HistorySearchFullStore, accented, "CAFÉ")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HistorySearchFullStore, no_match, "zebra crossing")
    ->Unit(benchmark::kMillisecond);

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
