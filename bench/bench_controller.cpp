// Key release to delivered text for a 5 s utterance, recognised by a base.en-shaped model
// (the real size and cost, made-up weights), with and without a speculative hit. Reports the
// median and the 95th percentile in milliseconds.
#include "app/dictation/dictation_controller.h"
#include "app/dictation/dictation_wiring.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

namespace tavik::dictation {
namespace {

constexpr std::size_t utteranceSamples = 5 * 16000;

Samples speechLikeSamples() {
    Samples samples(utteranceSamples);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / 16000;
        samples[i] = static_cast<float>(0.2 * std::sin(2 * M_PI * 220 * t) *
                                        (0.5 + 0.5 * std::sin(2 * M_PI * 3 * t)));
    }
    return samples;
}

// The microphone holds the whole utterance the moment a recording begins.
class ReadyCapture final : public CaptureEngine {
public:
    double prerollSeconds() const override { return 0; }
    void beginUtterance() override { open_ = speechLikeSamples(); }
    Samples snapshot() const override { return open_; }
    Samples endUtterance() override { return std::exchange(open_, {}); }
    float level() const override { return -20; }
    bool isRunning() const override { return true; }
    bool isHealthy() const override { return true; }
    std::optional<Error> start() override { return std::nullopt; }
    std::optional<Error> restart() override { return std::nullopt; }
    void stop() override {}
    void setPreferredDeviceUID(const std::optional<QString>&) override {}
    MicrophoneStatus microphoneStatus() const override { return {}; }
    void setOnSamples(std::function<void(const Samples&)>) override {}
    void setOnCaptureInterrupted(std::function<void(CaptureInterruption)>) override {}
    void setOnStarted(std::function<void()>) override {}
    void setOnVerified(std::function<void()>) override {}
    void setOnDevicesChanged(std::function<void()>) override {}

private:
    Samples open_;
};

// Reports a pause when the benchmark says so; speech was heard and no more follows.
class PauseDetector final : public SpeechDetector {
public:
    static inline std::function<void()> pause;
    void reset(std::size_t) override {}
    void feed(const Samples&) override {}
    bool heardSpeech() override { return true; }
    double speechSeconds() override { return 4.0; }
    void setSilenceHoldMs(int) override {}
    void setSpeculativeHoldMs(int) override {}
    void setOnSpeechPause(std::function<void()> handler) override { pause = std::move(handler); }
    void setOnSpeechResumed(std::function<void()>) override {}
    void setOnSpeechEnd(std::function<void()>) override {}
};

class BenchShortcut final : public ShortcutMonitor {
public:
    static inline std::function<void(Action)> press;
    static inline std::function<void(Action, double)> release;
    void applyBindings() override {}
    bool start() override { return true; }
    void stop() override {}
    double tapThreshold() const override { return 0.25; }
    double doubleTapWindow() const override { return 0.35; }
    bool inputMonitoringGranted() override { return true; }
    void requestInputMonitoring() override {}
    void setOnStart(std::function<void(Action)> h) override { press = std::move(h); }
    void setOnHoldEnd(std::function<void(Action, double)> h) override { release = std::move(h); }
    void setOnEscape(std::function<void()>) override {}
};

class CountingInserter final : public TextInserter {
public:
    static inline int delivered = 0;
    InsertOutcome insert(const QString&, const QString&) override {
        ++delivered;
        return {true, QStringLiteral("accessibility"), QString(), QString()};
    }
};

class QuietDesktop final : public Desktop {
public:
    TargetApp frontmostApp() override { return {QStringLiteral("Editor"), QStringLiteral("e"), 1}; }
    std::optional<TargetApp> lastExternal() override { return std::nullopt; }
    QString ownBundleId() const override { return QStringLiteral("com.trelvanic.tavik"); }
    bool accessibilityTrusted() override { return true; }
    void requestAccessibilityTrust() override {}
    void setClipboardText(const QString&) override {}
    void playSound(const QString&) override {}
};

class BenchSettings final : public DictationSettings {
public:
    static inline QString model;
    int silenceHoldMs() const override { return 700; }
    bool micAlwaysReady() const override { return true; }
    std::optional<QString> microphoneUID() const override { return std::nullopt; }
    void setMicrophone(const std::optional<QString>&, const std::optional<QString>&) override {}
    bool keepAudio() const override { return false; }
    qint64 audioBudgetBytes() const override { return 250'000'000; }
    bool dictateToScratchpad() const override { return false; }
    bool playSounds() const override { return false; }
    QString modelPath() const override { return model; }
    std::optional<QString> vadModelPath() const override { return QStringLiteral("bench"); }
    QStringList bindingSummaryParts() const override { return {}; }
    QString primaryLabel() const override { return {}; }
    QString modeDescription() const override { return {}; }
};

// Counts finished passes, so the benchmark knows when a speculation is ready.
class CountingRecogniser final : public Recogniser {
public:
    static inline std::atomic<int> finished{0};
    explicit CountingRecogniser(std::shared_ptr<Recogniser> inner) : inner_(std::move(inner)) {}
    RecognitionResult transcribeScored(const Samples& samples) override {
        auto result = inner_->transcribeScored(samples);
        ++finished;
        return result;
    }
    void setVocabularyPrompt(const QString& prompt) override {
        inner_->setVocabularyPrompt(prompt);
    }
    void warmUp() override { inner_->warmUp(); }

private:
    std::shared_ptr<Recogniser> inner_;
};

class NoStores final : public DictationStores {
public:
    void saveAudio(const Samples&, const QUuid&) override {}
    void makeAudioDurable(const QUuid&) override {}
    void pruneAudio(qint64) override {}
    QString audioPath(const QUuid&) const override { return {}; }
    void appendToScratchpad(const QString&) override {}
    void addHistory(const HistoryRecord&) override {}
    void drainWriters() override {}
};

template <typename Done> void spin(Done done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

std::unique_ptr<DictationController> makeController() {
    DictationParts parts;
    parts.clock = &platform::Clock::system();
    parts.audio = std::make_unique<ReadyCapture>();
    parts.makeDetector = [](const QString&) {
        return std::make_unique<PauseDetector>();
    };
    parts.makeRecogniser = [](const QString& path) -> std::shared_ptr<Recogniser> {
        auto real = recogniserFactory()(path);
        return real ? std::make_shared<CountingRecogniser>(std::move(real)) : nullptr;
    };
    parts.hotkey = std::make_unique<BenchShortcut>();
    parts.inserter = std::make_unique<CountingInserter>();
    parts.desktop = std::make_unique<QuietDesktop>();
    parts.settings = std::make_unique<BenchSettings>();
    parts.stores = std::make_unique<NoStores>();
    parts.recognitionJobs = makeSerialJobQueue("tavik.recognition");
    parts.loadJobs = makeSerialJobQueue("tavik.model-load");
    parts.log = [](const QString&) {
    };
    auto controller = std::make_unique<DictationController>(std::move(parts));
    controller->start();
    spin([&] { return controller->state() == State::idle(); });
    return controller;
}

void releaseToText(benchmark::State& state, bool speculativeHit) {
    if (BenchSettings::model.isEmpty()) {
        state.SkipWithError("the base.en-shaped test model could not be generated");
        return;
    }
    auto controller = makeController();
    std::vector<double> latenciesMs;
    for (auto _ : state) {
        BenchShortcut::press(Action::pushToTalk);
        spin([&] { return controller->state() == State::recording(); });
        if (speculativeHit) {
            // The speaker paused long enough for the early pass to finish before the release.
            const int passes = CountingRecogniser::finished.load();
            PauseDetector::pause();
            spin([&] { return CountingRecogniser::finished.load() > passes; });
        }
        const int before = CountingInserter::delivered;
        const auto released = std::chrono::steady_clock::now();
        BenchShortcut::release(Action::pushToTalk, 1.0);
        spin([&] { return CountingInserter::delivered > before; });
        const auto elapsed = std::chrono::steady_clock::now() - released;
        latenciesMs.push_back(std::chrono::duration<double, std::milli>(elapsed).count());
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        spin([&] { return controller->state() == State::idle(); });
    }
    std::sort(latenciesMs.begin(), latenciesMs.end());
    const auto at = [&](double q) {
        return latenciesMs[std::min(latenciesMs.size() - 1,
                                    static_cast<std::size_t>(q * latenciesMs.size()))];
    };
    state.counters["p50_ms"] = at(0.5);
    state.counters["p95_ms"] = at(0.95);
}

} // namespace
} // namespace tavik::dictation

using tavik::dictation::releaseToText;

BENCHMARK_CAPTURE(releaseToText, full_pass, false)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(releaseToText, speculative_hit, true)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString tool = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                         "/../tools/test-model/tavik-test-model");
    const QString model = folder.filePath(QStringLiteral("ggml-base.en.bin"));
    if (QProcess::execute(
            tool, {QStringLiteral("--shape"), QStringLiteral("base.en"), QStringLiteral("--phrase"),
                   QStringLiteral("ask not what your country can do for you"), model}) == 0) {
        tavik::dictation::BenchSettings::model = model;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
