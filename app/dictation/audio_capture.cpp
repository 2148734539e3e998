#include "app/dictation/audio_capture.h"

#include "app/dictation/audio_devices.h"
#include "app/stores/diagnostic_log.h"
#include "platform/main_thread.h"

#include <QPointer>

namespace tavik {

AudioCapture::AudioCapture(QObject* parent)
    : AudioCapture(platform::AudioInputEngine::create(), platform::Clock::system(), parent) {}

AudioCapture::AudioCapture(std::unique_ptr<platform::AudioInputEngine> engine,
                           platform::Clock& clock, QObject* parent)
    : QObject(parent), engine_(std::move(engine)), clock_(clock) {
    // The engine reports from its own thread; the rebuild decision belongs to the main thread,
    // and is dropped if this object is gone by then.
    engine_->setConfigurationChangeHandler([this](platform::StreamEnd end) {
        platform::postToMain(this, [this, end] { handleConfigurationChange(end); });
    });
}

AudioCapture::~AudioCapture() {
    // No chunk and no configuration change may reach a half-destroyed object.
    engine_->setConfigurationChangeHandler(nullptr);
    engine_->removeTap();
    engine_->stop();
}

std::optional<std::pair<AudioInputDevice, bool>> AudioCapture::resolvedDevice() const {
    const auto listing = AudioDevices::api().listing();
    return listing ? resolvedIn(*listing) : std::nullopt;
}

std::optional<std::pair<AudioInputDevice, bool>>
AudioCapture::resolvedIn(const AudioDevices::Listing& listing) const {
    std::optional<AudioInputDevice> systemDefault;
    if (const auto id = AudioDevices::defaultInputID(listing)) {
        systemDefault = AudioDevices::device(listing, *id);
    }
    if (preferredDeviceUID) {
        if (auto preferred = AudioDevices::device(listing, *preferredDeviceUID)) {
            return std::pair{std::move(*preferred), false};
        }
    }
    if (systemDefault) {
        return std::pair{std::move(*systemDefault), preferredDeviceUID.has_value()};
    }
    return std::nullopt;
}

void AudioCapture::start() {
    if (isHealthy()) {
        return;
    }
    stop();
    // Starts come from a key press, a device change or a rebuild, never at the pace of the
    // device queries: a server that came back a moment ago is asked now, not at its next turn.
    engine_->retryServerNow();

    const auto resolved = resolvedDevice();
    if (!resolved) {
        throw Error::tavik(10, QStringLiteral("No microphone is connected."));
    }
    const auto& [device, fallback] = *resolved;
    if (!engine_->hasInputUnit()) {
        throw Error::tavik(11, QStringLiteral("The audio input could not be opened."));
    }
    if (const int status = engine_->selectDevice(device.id, device.uid); status != 0) {
        throw Error::tavik(12, QStringLiteral("Could not switch to ") + device.name +
                                   QStringLiteral(" (") + QString::number(status) +
                                   QStringLiteral(")."));
    }
    const auto rate = AudioDevices::nominalSampleRate(device.id);
    if (!rate || !(*rate > 0)) {
        throw Error::tavik(13, device.name + QStringLiteral(" did not report a sample rate."));
    }

    const int channels = std::max(1, device.channels);
    platform::AudioTapFormat format{*rate, channels, 0};
    if (channels > 2) {
        format.channelLayoutTag = platform::discreteInOrderLayoutTag(channels);
    }
    converter_.store(std::make_shared<AudioMonoConverter>());
    engine_->installTap(format, [this](const float* samples, std::size_t frames, int count) {
        handle(samples, frames, count);
    });
    tapInstalled_ = true;
    activeInputFormat_ = format;
    {
        std::lock_guard guard(lock_);
        framesReceived_ = 0;
        heardSound_ = false;
    }
    isSilent_ = false;
    silenceReported_ = false;

    if (auto failure = engine_->start()) {
        throw *failure; // left half-built on purpose: the next start() clears it through stop()
    }

    activeDevice_ = device;
    usingFallback_ = fallback;
    const std::uint64_t generation = ++startGeneration_;
    clock_.schedule(verificationDelayNs,
                    [self = QPointer<AudioCapture>(this), generation, device = device] {
                        if (self != nullptr) {
                            self->verify(generation, device);
                        }
                    });

    QString line = QStringLiteral("audio: capturing from \"") + device.name +
                   QStringLiteral("\" ") + QString::number(qint64(*rate)) + QStringLiteral("Hz ") +
                   QString::number(channels) + QStringLiteral("ch");
    if (fallback) {
        line += QStringLiteral(" — chosen microphone unavailable, using the system default");
    }
    slog(line);
    if (onStarted) {
        onStarted();
    }
}

void AudioCapture::stop() {
    stopFor(CaptureInterruption::rebuilt);
}

void AudioCapture::stopFor(CaptureInterruption why) {
    bool wasCapturing = false;
    {
        // An open utterance keeps what it heard: endUtterance() still hands it out.
        std::lock_guard guard(lock_);
        wasCapturing = capturing_;
        capturing_ = false;
        preroll_.clear();
    }
    if (tapInstalled_) {
        engine_->removeTap();
        tapInstalled_ = false;
    }
    // Also releases a stream that ended by itself (its device vanished).
    engine_->stop();
    {
        // A chunk that was already on its way before the tap came off must not survive a stop.
        std::lock_guard guard(lock_);
        preroll_.clear();
    }
    activeInputFormat_.reset();
    activeDevice_.reset();
    isSilent_ = false;
    if (wasCapturing && onCaptureInterrupted) {
        onCaptureInterrupted(why);
    }
}

void AudioCapture::restart() {
    stop();
    start();
}

bool AudioCapture::isRunning() const {
    return engine_->isRunning();
}

bool AudioCapture::isHealthy() const {
    if (!engine_->isRunning() || !tapInstalled_ || !activeInputFormat_ || !activeDevice_) {
        return false;
    }
    // Asked at every dictation's start: the sources as the server last announced them, so the
    // start waits on no round trip to a server that may be busy.
    const auto listing = AudioDevices::api().lastAnnounced();
    if (!listing) {
        return false;
    }
    const platform::AudioSource* active = listing->find(activeDevice_->id);
    if (active == nullptr) {
        return false;
    }
    const auto resolved = resolvedIn(*listing);
    if (!resolved || resolved->first.id != activeDevice_->id) {
        return false;
    }
    return double(active->sampleRate) == activeInputFormat_->sampleRate;
}

void AudioCapture::verify(std::uint64_t generation, const AudioInputDevice& device) {
    if (generation != startGeneration_ || !activeDevice_) {
        return;
    }
    std::uint64_t count = 0;
    bool heardSound = false;
    {
        std::lock_guard guard(lock_);
        count = framesReceived_;
        heardSound = heardSound_;
        // Under the lock: the first sound after this is told (soundArrived), none is missed.
        silenceReported_ = !heardSound;
    }
    // A source that delivers only digital silence (muted, or its only live channels dead) is
    // as silent to the user as one that delivers nothing.
    isSilent_ = count == 0 || !heardSound;
    if (count == 0) {
        slog(QStringLiteral("audio: \"") + device.name +
             QStringLiteral("\" delivered NO audio in its first second"));
    } else {
        slog(QStringLiteral("audio: verified — ") + QString::number(count) +
             QStringLiteral(" samples in the first second from \"") + device.name +
             QStringLiteral("\"") + (heardSound ? QString() : QStringLiteral(", all silent")));
    }
    if (onVerified) {
        onVerified();
    }
}

void AudioCapture::soundArrived(std::uint64_t generation) {
    if (generation != startGeneration_ || !activeDevice_ || !isSilent_) {
        return;
    }
    isSilent_ = false;
    slog(QStringLiteral("audio: \"") + activeDevice_->name + QStringLiteral("\" delivers sound"));
    if (onVerified) {
        onVerified();
    }
}

void AudioCapture::handleConfigurationChange(platform::StreamEnd end) {
    // The sound server only says so when the stream really ended (its device went away, the
    // server restarted), so there is no quiet window after a start: a microphone that dies at
    // the press cuts the utterance off like any other. Only a capture that is meant to run is
    // rebuilt: after stop() (as at shutdown) a late notice must not bring the microphone back.
    if (!activeDevice_) {
        return;
    }
    slog(QStringLiteral("audio: hardware reconfigured — rebuilding the engine"));
    stopFor(end == platform::StreamEnd::serverGone ? CaptureInterruption::soundServerGone
                                                   : CaptureInterruption::microphoneGone);
    try {
        start();
    } catch (const Error& error) {
        slog(QStringLiteral("audio: rebuild failed — ") + error.description);
    }
}

} // namespace tavik
