// What a settings change and an archived dictation cost on the main thread.
#include "app/stores/audio_store.h"
#include "platform/defaults_store.h"

#include <QDir>
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

} // namespace

BENCHMARK_MAIN();
