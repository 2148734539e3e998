// Audio capture costs: the per-chunk work on the capture thread, and how long a key press
// waits for its first sample with the microphone cold (stopped) or ready (already running).
// The latency cases need the test desktop's sound server: run under tests/desktop-session.
#include "app/dictation/audio_capture.h"
#include "app/dictation/audio_devices.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace tavik;

// An engine that only hands its tap back, so the benchmark can play the capture thread.
class TapOnlyEngine final : public platform::AudioInputEngine {
public:
    Tap tap;
    bool running = false;
    bool hasInputUnit() override { return true; }
    int selectDevice(std::uint32_t, const QString&) override { return 0; }
    void installTap(const platform::AudioTapFormat&, Tap newTap) override {
        tap = std::move(newTap);
    }
    void removeTap() override { tap = nullptr; }
    std::optional<Error> start() override {
        running = true;
        return std::nullopt;
    }
    void stop() override { running = false; }
    bool isRunning() const override { return running; }
    void setConfigurationChangeHandler(std::function<void(platform::StreamEnd)>) override {}
};

// One 16 kHz microphone, so the tap path can be measured without a sound server.
class OneMicrophone final : public platform::AudioSourcesApi {
public:
    platform::AudioSource mic{7, "bench_mic", "Bench Mic", 1, 16000, false, 0};
    std::vector<platform::AudioSource> sources() override { return {mic}; }
    std::optional<platform::AudioSource> source(std::uint32_t index) override {
        return index == mic.index ? std::optional(mic) : std::nullopt;
    }
    std::optional<platform::AudioSource> source(const QString& name) override {
        return name == mic.name ? std::optional(mic) : std::nullopt;
    }
    std::optional<QString> defaultSourceName() override { return mic.name; }
    WatchId watch(std::function<void()>) override { return noWatch; }
    void unwatch(WatchId) override {}
};

std::vector<float> speechLike(std::size_t frames, int channels) {
    std::vector<float> samples(frames * std::size_t(channels));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = 0.3f * std::sin(float(i) * 0.05f);
    }
    return samples;
}

void BM_ConvertChunk(benchmark::State& state) {
    const int channels = int(state.range(0));
    const auto input = speechLike(512, channels);
    AudioMonoConverter converter;
    for (auto _ : state) {
        auto mono = converter.convert(input.data(), 512, channels);
        benchmark::DoNotOptimize(mono.data());
    }
}
BENCHMARK(BM_ConvertChunk)->Arg(1)->Arg(2)->Arg(4);

// The whole tap path for one 512-frame chunk: convert, peak level, count, pre-roll and (with
// an utterance open) the utterance buffer and onSamples.
void BM_TapChunk(benchmark::State& state) {
    const bool utteranceOpen = state.range(0) != 0;
    auto engineOwner = std::make_unique<TapOnlyEngine>();
    TapOnlyEngine* engine = engineOwner.get();
    OneMicrophone microphone;
    AudioDevices::setApiForTesting(&microphone);
    AudioCapture capture(std::move(engineOwner), platform::Clock::system());
    std::size_t handedOut = 0;
    capture.onSamples = [&](std::vector<float> chunk) {
        handedOut += chunk.size();
    };
    const auto chunk = speechLike(512, 1);
    capture.start();
    if (utteranceOpen) {
        capture.beginUtterance();
    }
    std::size_t chunks = 0;
    for (auto _ : state) {
        engine->tap(chunk.data(), 512, 1);
        // Keep the utterance at a realistic length (a 30 s cap) so memory does not grow unbounded.
        if (utteranceOpen && ++chunks % 937 == 0) {
            state.PauseTiming();
            capture.endUtterance();
            capture.beginUtterance();
            state.ResumeTiming();
        }
    }
    benchmark::DoNotOptimize(handedOut);
    capture.stop();
    AudioDevices::setApiForTesting(nullptr);
}
BENCHMARK(BM_TapChunk)->Arg(0)->Arg(1);

// Feeds the desktop's pipe microphone in real time, 512 samples every 32 ms, like a live mic.
class LiveMicrophone {
public:
    LiveMicrophone() {
        const QByteArray path = qgetenv("TAVIK_TEST_MIC_FIFO");
        if (path.isEmpty()) {
            return;
        }
        fd_ = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) {
            return;
        }
        writer_ = std::thread([this] {
            const auto chunk = speechLike(512, 1);
            auto next = std::chrono::steady_clock::now();
            while (!stopping_) {
                if (::write(fd_, chunk.data(), chunk.size() * sizeof(float)) < 0) {
                    return;
                }
                next += std::chrono::milliseconds(32);
                std::this_thread::sleep_until(next);
            }
        });
    }
    ~LiveMicrophone() {
        stopping_ = true;
        if (writer_.joinable()) {
            writer_.join();
        }
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    bool live() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread writer_;
};

// Waits (bounded) until the capture thread has handed out a first chunk.
class FirstChunk {
public:
    void arrived() {
        std::lock_guard lock(mutex_);
        arrived_ = true;
        condition_.notify_all();
    }
    bool wait() {
        std::unique_lock lock(mutex_);
        return condition_.wait_for(lock, std::chrono::seconds(3), [&] { return arrived_; });
    }
    void reset() {
        std::lock_guard lock(mutex_);
        arrived_ = false;
    }

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool arrived_ = false;
};

// Key-down to the first captured sample with the microphone stopped: start the stream, open
// the utterance, wait for audio.
void BM_KeyDownToFirstSampleCold(benchmark::State& state) {
    LiveMicrophone microphone;
    if (!microphone.live()) {
        state.SkipWithError("needs the test desktop session (TAVIK_TEST_MIC_FIFO)");
        return;
    }
    AudioCapture capture;
    FirstChunk first;
    capture.onSamples = [&](std::vector<float>) {
        first.arrived();
    };
    for (auto _ : state) {
        state.PauseTiming();
        capture.stop();
        first.reset();
        state.ResumeTiming();
        capture.start();
        capture.beginUtterance();
        if (!first.wait()) {
            state.SkipWithError("no audio arrived");
            break;
        }
    }
    capture.stop();
}
BENCHMARK(BM_KeyDownToFirstSampleCold)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->UseRealTime();

// With the microphone ready the pre-roll already holds the audio: the utterance has samples
// the moment it is opened.
void BM_KeyDownToFirstSampleReady(benchmark::State& state) {
    LiveMicrophone microphone;
    if (!microphone.live()) {
        state.SkipWithError("needs the test desktop session (TAVIK_TEST_MIC_FIFO)");
        return;
    }
    AudioCapture capture;
    capture.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    for (auto _ : state) {
        capture.beginUtterance();
        const auto samples = capture.snapshot();
        if (samples.empty()) {
            state.SkipWithError("the pre-roll was empty");
            break;
        }
        benchmark::DoNotOptimize(samples.data());
        state.PauseTiming();
        capture.endUtterance();
        state.ResumeTiming();
    }
    capture.stop();
}
BENCHMARK(BM_KeyDownToFirstSampleReady)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
