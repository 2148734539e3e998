#pragma once

#include "app/dictation/audio_input_device.h"
#include "app/dictation/audio_preroll.h"
#include "app/dictation/audio_sample_callback.h"
#include "app/dictation/capture_interruption.h"
#include "platform/audio_input_engine.h"
#include "platform/audio_sources.h"
#include "platform/clock.h"
#include "platform/error.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace tavik {

// Turns the tapped device format into 16 kHz mono: the stream already arrives at 16 kHz in the
// device's own channels. The channels that carry sound are averaged, so channels saying the
// same are as loud as one. A microphone array or a laptop's built-in microphone may offer
// channels that stay silent (an unused capsule): those neither silence nor weaken the mix. A
// channel joins the mix once it has carried sound and stays in, so the level does not jump.
// One converter serves one stream, on its capture thread.
class AudioMonoConverter {
public:
    // Quieter than any microphone's own noise: below it a channel carries no sound.
    static constexpr float soundFloor = 1e-4f; // -80 dBFS

    std::vector<float> convert(const float* interleaved, std::size_t frames, int channels);

private:
    std::vector<bool> carriesSound_;
};

// The microphone front end of dictation: picks the device (the user's choice when it is there,
// else the system default), runs the capture stream on it, and keeps the newest 0.4 s as
// pre-roll, the open utterance, the peak level and a count of samples since the start.
//
// Everything runs on the main thread except the chunk handling, which runs on the capture
// thread and is the only caller of onSamples. start() and restart() throw tavik::Error: domain
// "Tavik" codes 10-13, or the sound server's own error passed on.
class AudioCapture : public QObject {
    Q_OBJECT
public:
    static constexpr double targetSampleRate = 16000.0;
    static constexpr std::size_t prerollSamples = 6400; // 0.4 s
    static constexpr float silentLevel = -80.0f;
    static constexpr std::int64_t verificationDelayNs = platform::msToNs(1000);

    explicit AudioCapture(QObject* parent = nullptr);
    AudioCapture(std::unique_ptr<platform::AudioInputEngine> engine, platform::Clock& clock,
                 QObject* parent = nullptr);
    ~AudioCapture() override;

    void start();
    void stop();
    void restart();

    // The device that should be in use and whether it is the system default standing in for an
    // unavailable preferred device; none when there is no input device at all.
    std::optional<std::pair<AudioInputDevice, bool>> resolvedDevice() const;

    void beginUtterance();
    double prerollSeconds() const;
    std::vector<float> snapshot() const;
    std::vector<float> endUtterance();

    bool isHealthy() const;
    bool isRunning() const;
    float level() const { return level_.load(std::memory_order_relaxed); }
    bool isSilent() const { return isSilent_; }
    const std::optional<AudioInputDevice>& activeDevice() const { return activeDevice_; }
    bool usingFallback() const { return usingFallback_; }

    // The microphone the user chose (its uid); none means the system default.
    std::optional<QString> preferredDeviceUID;

    // Capture thread, only while an utterance is open: the utterance's samples in order, the
    // pre-roll it began with included (it goes out with the first chunk after beginUtterance).
    AudioSampleCallback onSamples;
    // An open utterance was cut off (by stop(), or by its stream ending). What it held up to
    // then stays for endUtterance(), so the words said before the cut are not lost.
    std::function<void(CaptureInterruption)> onCaptureInterrupted;
    std::function<void()> onStarted;  // every start that really (re)built the stream
    std::function<void()> onVerified; // after each first-second verification

private:
    // resolvedDevice() as this listing of the sources says.
    std::optional<std::pair<AudioInputDevice, bool>>
    resolvedIn(const platform::AudioSourcesApi::Listing& listing) const;
    void stopFor(CaptureInterruption why);
    void handle(const float* samples, std::size_t frames, int channels);
    void verify(std::uint64_t generation, const AudioInputDevice& device);
    void soundArrived(std::uint64_t generation);
    void handleConfigurationChange(platform::StreamEnd end);

    std::unique_ptr<platform::AudioInputEngine> engine_;
    platform::Clock& clock_;
    std::atomic<std::shared_ptr<AudioMonoConverter>> converter_;

    mutable std::mutex lock_; // guards the six fields below and nothing else
    std::vector<float> buffer_;
    // How much of buffer_ onSamples has been given: the pre-roll goes out with the first chunk
    // of an utterance, so the listener hears exactly what the utterance holds, in order.
    std::size_t handedOut_ = 0;
    bool capturing_ = false;
    PrerollRing<prerollSamples> preroll_;
    std::uint64_t framesReceived_ = 0;
    bool heardSound_ =
        false; // since the last start, any chunk above AudioMonoConverter::soundFloor

    std::atomic<float> level_{silentLevel};
    std::optional<AudioInputDevice> activeDevice_;
    bool usingFallback_ = false;
    bool isSilent_ = false;
    std::atomic<bool> silenceReported_{false};      // a verification found nothing but silence
    std::atomic<std::uint64_t> startGeneration_{0}; // read by the capture thread too
    std::optional<platform::AudioTapFormat> activeInputFormat_;
    bool tapInstalled_ = false;
};

} // namespace tavik
