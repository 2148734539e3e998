// What a settings change and an archived dictation cost on the main thread, and what the
// history's durable write of 5,000 dictations costs its queue.
#include "app/stores/audio_store.h"
#include "app/stores/history.h"
#include "app/stores/history_file.h"
#include "platform/defaults_store.h"
#include "tools/history-seed/history_seed.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

// One slider step: the store re-reads the file, changes one key and replaces the file.
void defaultsWriteOneKey(benchmark::State& state) {
    QTemporaryDir root;
    tavik::platform::DefaultsStore store(root.path() + "/Tavik/defaults.json");
    for (int i = 0; i < 40; ++i) { // a settings file with some lists in it
        store.setString(QString("key%1").arg(i), QString(200, 'x'));
    }
    qint64 value = 50;
    for (auto _ : state) {
        store.setInt("audioBudgetMB", ++value);
    }
}
BENCHMARK(defaultsWriteOneKey)->Unit(benchmark::kMicrosecond);

void defaultsReadUnchangedFile(benchmark::State& state) {
    QTemporaryDir root;
    tavik::platform::DefaultsStore store(root.path() + "/Tavik/defaults.json");
    store.setInt("silenceHoldMs", 700);
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.exactInt("silenceHoldMs"));
    }
}
BENCHMARK(defaultsReadUnchangedFile)->Unit(benchmark::kMicrosecond);

// The longest dictation (30 s) saved and the archive pruned, as after each delivery.
void audioSaveAndPrune(benchmark::State& state) {
    QTemporaryDir root;
    tavik::AudioStore archive(root.path() + "/Tavik");
    std::vector<float> samples(480'000);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = 0.3f * std::sin(float(i) * 0.05f);
    }
    for (int i = 0; i < 200; ++i) {
        archive.save(std::span(samples).first(16'000), QUuid::createUuid());
    }
    for (auto _ : state) {
        archive.save(samples, QUuid::createUuid());
        archive.prune(250'000'000);
    }
}
BENCHMARK(audioSaveAndPrune)->Unit(benchmark::kMillisecond);

std::unique_ptr<tavik::History> fullHistory(const QTemporaryDir& root) {
    const QString path = root.path() + "/Tavik/history.json";
    QDir().mkpath(root.path() + "/Tavik");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(tavik::history_file::encode(tavik::seed::manyDictations(
            int(tavik::History::maxEntries), QDateTime::currentDateTimeUtc())));
    }
    file.close();
    return std::make_unique<tavik::History>(path);
}

// One change of a full history until the newest list is on the disk: encoding, the unbuffered
// write, the syncs of the file and the folder, on the history's queue.
void historyWriteFullStore(benchmark::State& state) {
    QTemporaryDir root;
    auto history = fullHistory(root);
    for (auto _ : state) {
        history->remove(history->entries().last());
        history->add(history->entries().first());
        if (!history->flush(std::chrono::seconds(30))) {
            state.SkipWithError("the history write failed");
        }
    }
    state.counters["file_MB"] = double(QFileInfo(history->filePath()).size()) / 1e6;
}
BENCHMARK(historyWriteFullStore)->Unit(benchmark::kMillisecond)->UseRealTime();

// Holding Delete: 120 deletes as fast as the list takes them, then until the newest list is on
// disk. Writes the next change overtakes are never made, so this costs about two writes.
void historyDeleteBurstFullStore(benchmark::State& state) {
    QTemporaryDir root;
    auto history = fullHistory(root);
    for (auto _ : state) {
        state.PauseTiming();
        if (history->entries().size() < 1000) {
            history = fullHistory(root);
        }
        state.ResumeTiming();
        for (int i = 0; i < 120; ++i) {
            history->remove(history->entries().first());
        }
        if (!history->flush(std::chrono::seconds(30))) {
            state.SkipWithError("the history write failed");
        }
    }
}
BENCHMARK(historyDeleteBurstFullStore)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
