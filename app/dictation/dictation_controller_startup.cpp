// Start-up and wiring, model loading, the reload operations, microphones, the test signals
// and shutdown.
#include "app/dictation/dictation_controller_private.h"

#include <csignal>

namespace tavik {

using Kind = dictation::State::Kind;

namespace {
const QString microphoneUnavailable = QStringLiteral("Microphone unavailable");
constexpr int speculativeHoldMs = 300;
} // namespace

void DictationController::start() {
    auto& hotkey = *parts_.hotkey;
    hotkey.applyBindings();
    // Every callback hops: the monitor, the capture engine and the device monitor may call
    // from other threads, or from inside start()/stop() that the controller itself is running.
    hotkey.setOnStart(
        [this](dictation::Action action) { post([this, action] { onActionStarted(action); }); });
    hotkey.setOnHoldEnd(
        [this](dictation::Action, double held) { post([this, held] { onHoldEnded(held); }); });
    setUpVAD();
    audio_.setOnCaptureInterrupted(
        [this](CaptureInterruption why) { post([this, why] { onCaptureInterrupted(why); }); });
    audio_.setOnStarted([this] { post([this] { onAudioStarted(); }); });
    audio_.setOnVerified([this] { post([this] { refreshMicrophones(); }); });
    audio_.setOnDevicesChanged([this] { post([this] { onDevicesChanged(); }); });
    audio_.setPreferredDeviceUID(prefs_.microphoneUID());
    appliedMicReady_ = prefs_.micAlwaysReady();
    if (appliedMicReady_) {
        startAudioEngine();
    }
    refreshMicrophones();
    hotkey.setOnEscape([this] { post([this] { onEscape(); }); });
    const bool armed = hotkey.start();

    QStringList summary = prefs_.bindingSummaryParts();
    summary.sort();
    const bool trusted = desktop_.accessibilityTrusted();
    const bool listening = hotkey.inputMonitoringGranted();
    const auto yesNo = [](bool value) {
        return value ? QStringLiteral("true") : QStringLiteral("false");
    };
    log(QStringLiteral("hotkey %1 : %2 axTrusted=%3 inputMonitoring=%4")
            .arg(armed ? QStringLiteral("armed") : QStringLiteral("FAILED TO ARM"),
                 summary.join(QStringLiteral(", ")), yesNo(trusted), yesNo(listening)));
    if (!listening) {
        log(QStringLiteral(
            "input monitoring NOT granted — the shortcut will only fire inside Tavik"));
        // Keys typed into other applications reach Tavik only from an X11 session's windows.
        setLastError(QStringLiteral("Tavik can only hear your shortcut in X11 windows. Log in to "
                                    "an X11 session to use it everywhere."));
        hotkey.requestInputMonitoring();
    }
    if (!armed) {
        setLastError(
            QStringLiteral("Could not listen for the shortcut — restart Tavik in an X11 session."));
    }
    installTestHooks();
    loadModel();
}

void DictationController::setUpVAD() {
    const auto path = prefs_.vadModelPath();
    if (!path) {
        log(QStringLiteral("VAD model not found — hands-free unavailable"));
        return;
    }
    std::unique_ptr<dictation::SpeechDetector> detector =
        parts_.makeDetector ? parts_.makeDetector(*path) : nullptr;
    if (!detector) {
        log(QStringLiteral("VAD failed to load from ") + *path);
        return;
    }
    const int holdMs = prefs_.silenceHoldMs();
    detector->setSilenceHoldMs(holdMs);
    detector->setSpeculativeHoldMs(speculativeHoldMs);
    // The detector already delivers these on the main thread.
    detector->setOnSpeechPause([this] {
        if (!isShutDown_) {
            onSpeechPause();
        }
    });
    detector->setOnSpeechResumed([this] {
        if (!isShutDown_) {
            onSpeechResumed();
        }
    });
    detector->setOnSpeechEnd([this] {
        if (!isShutDown_) {
            onSpeechEnd();
        }
    });
    vad_ = std::shared_ptr<dictation::SpeechDetector>(std::move(detector));
    audio_.setOnSamples(
        [weak = std::weak_ptr<dictation::SpeechDetector>(vad_)](const dictation::Samples& chunk) {
            if (auto detector = weak.lock()) {
                detector->feed(chunk);
            }
        });
    log(QStringLiteral("VAD ready (hold %1ms)").arg(holdMs));
}

// --- capture and device events -----------------------------------------------------------

// The words said up to the cut are the user's: they are recognised and delivered like any
// other recording, and the user is told the recording ended early and why.
void DictationController::onCaptureInterrupted(CaptureInterruption why) {
    if (!state_.is(Kind::recording)) {
        return;
    }
    QString cause;
    QString notice;
    switch (why) {
    case CaptureInterruption::soundServerGone:
        cause = QStringLiteral("sound server gone");
        notice = QStringLiteral("Recording cut short — the sound server stopped.");
        break;
    case CaptureInterruption::microphoneGone:
        cause = QStringLiteral("microphone gone");
        notice = QStringLiteral("Recording cut short — the microphone was disconnected.");
        break;
    case CaptureInterruption::rebuilt:
        cause = QStringLiteral("microphone restarted");
        notice = QStringLiteral("Recording cut short — the microphone was restarted.");
        break;
    }
    log(QStringLiteral("audio interrupted mid-utterance (%1) — keeping what was heard").arg(cause));
    endRecording(notice);
}

void DictationController::onAudioStarted() {
    if (state_ == State::failed(microphoneUnavailable)) {
        rest();
        setLastError(std::nullopt);
        log(QStringLiteral("audio recovered — cleared the earlier start-up failure"));
    }
    refreshMicrophones();
}

void DictationController::onDevicesChanged() {
    audio_.setPreferredDeviceUID(prefs_.microphoneUID());
    if (!state_.is(Kind::recording) && (audio_.isRunning() || prefs_.micAlwaysReady()) &&
        !audio_.isHealthy()) {
        log(QStringLiteral(
            "audio devices changed — moving to the microphone that should be in use"));
        if (const auto error = audio_.restart()) {
            log(QStringLiteral("audio rebuild after device change failed: ") + error->description);
        }
    }
    refreshMicrophones();
}

// --- microphones ------------------------------------------------------------------------

void DictationController::refreshMicrophones() {
    applyMicrophoneReadiness();
    microphone_ = audio_.microphoneStatus();
    emit microphoneChanged(microphone_);
}

// "Keep the microphone ready" takes effect when it is switched, not at the next dictation: the
// engine starts when it is switched on and stops when it is switched off. A recording keeps its
// microphone; its end releases it when it is not to be kept.
void DictationController::applyMicrophoneReadiness() {
    const bool ready = prefs_.micAlwaysReady();
    if (ready == appliedMicReady_ || isShutDown_) {
        return;
    }
    appliedMicReady_ = ready;
    if (state_.is(Kind::recording)) {
        return;
    }
    if (ready && !audio_.isRunning()) {
        if (const auto error = audio_.start()) {
            setLastError(error->description);
            log(QStringLiteral("audio engine failed: ") + error->description);
        } else {
            log(QStringLiteral("audio engine started"));
        }
    } else if (!ready && audio_.isRunning()) {
        audio_.stop();
        log(QStringLiteral("audio engine stopped — the microphone is no longer kept ready"));
    }
}

void DictationController::selectMicrophone(const std::optional<AudioInputDevice>& device) {
    if (device) {
        prefs_.setMicrophone(device->uid, device->name);
    } else {
        prefs_.setMicrophone(std::nullopt, std::nullopt);
    }
    log(QStringLiteral("microphone selected: ") +
        (device ? device->name : QStringLiteral("system default")));
    reloadMicrophone();
}

void DictationController::reloadMicrophone() {
    audio_.setPreferredDeviceUID(prefs_.microphoneUID());
    // During a recording the choice is only remembered; the next restart applies it.
    if (!state_.is(Kind::recording) && (audio_.isRunning() || prefs_.micAlwaysReady())) {
        if (const auto error = audio_.restart()) {
            setLastError(error->description);
            log(QStringLiteral("microphone switch failed: ") + error->description);
        }
    }
    refreshMicrophones();
}

// --- reloads and computed values --------------------------------------------------------

void DictationController::reloadVAD() {
    if (vad_) {
        vad_->setSilenceHoldMs(prefs_.silenceHoldMs());
    }
}

bool DictationController::reloadHotkey() {
    parts_.hotkey->applyBindings();
    return parts_.hotkey->start();
}

void DictationController::reloadVocabulary() {
    if (transcriber_) {
        transcriber_->setVocabularyPrompt(vocabularyPrompt());
    }
    log(QStringLiteral("vocabulary: %1 terms")
            .arg(parts_.textSteps ? parts_.textSteps->vocabularyTermCount() : 0));
}

QString DictationController::vocabularyPrompt() const {
    return parts_.textSteps ? parts_.textSteps->vocabularyPrompt() : QString();
}

QString DictationController::triggerLabel() const {
    return prefs_.primaryLabel();
}

QString DictationController::modeDescription() const {
    return prefs_.modeDescription();
}

// --- model loading ----------------------------------------------------------------------

void DictationController::loadModel() {
    const auto serial = ++loadSerial_;
    loadPending_ = true;
    // A recording or a recognition in flight keeps its state; it rests in `loading` when done.
    if (!state_.is(Kind::recording) && !state_.is(Kind::transcribing)) {
        setState(State::loading());
    }
    const QString path = prefs_.modelPath();
    const QString prompt = vocabularyPrompt();
    parts_.loadJobs->run([this, serial, path, prompt, make = parts_.makeRecogniser] {
        std::shared_ptr<dictation::Recogniser> loaded;
        try {
            loaded = make ? make(path) : nullptr;
            if (loaded) {
                loaded->setVocabularyPrompt(prompt);
                loaded->warmUp();
            }
        } catch (...) {
            loaded.reset();
        }
        post([this, serial, loaded, path] { onModelLoaded(serial, loaded, path); });
    });
}

void DictationController::onModelLoaded(std::uint64_t loadSerial,
                                        std::shared_ptr<dictation::Recogniser> loaded,
                                        const QString& path) {
    if (loadSerial != loadSerial_) {
        return; // a later choice of model supersedes this one
    }
    loadPending_ = false;
    if (!loaded) {
        lastLoadFailed_ = true;
        setLastError(QStringLiteral("Could not load ") + path);
        return;
    }
    // The vocabulary may have changed while the model loaded.
    loaded->setVocabularyPrompt(vocabularyPrompt());
    transcriber_ = std::move(loaded);
    lastLoadFailed_ = false;
    if (state_.is(Kind::loading)) {
        setState(State::idle());
    }
    log(QStringLiteral("model ready"));
    setLastError(std::nullopt);
}

// --- signals ----------------------------------------------------------------------------

void DictationController::installTestHooks() {
    if (parts_.signalSource) {
        parts_.signalSource->install([this](int signalNumber) {
            if (!isShutDown_) {
                handleSignal(signalNumber);
            }
        });
    }
}

void DictationController::handleSignal(int signalNumber) {
    switch (signalNumber) {
    case SIGUSR1:
        log(QStringLiteral("signal USR1 (begin)"));
        ending_ = Ending::release;
        beginRecording();
        break;
    case SIGUSR2:
        log(QStringLiteral("signal USR2 (end)"));
        endRecording();
        break;
    case SIGHUP:
        log(QStringLiteral("signal HUP — forcing an audio rebuild"));
        if (const auto error = audio_.restart()) {
            log(QStringLiteral("audio rebuild failed: ") + error->description);
        }
        break;
    default:
        break;
    }
}

// --- shutdown ---------------------------------------------------------------------------

void DictationController::shutdown() {
    cancelTimer(stateWatchdog_);
    cancelMaxDuration();
    cancelPendingFinalize();
    stopLevelPoll();
    dropSpeculation();
    parts_.hotkey->stop();
    audio_.stop();
    stores_.drainWriters();
    // Whatever the stop above or a background job still posts finds nothing to do.
    isShutDown_ = true;
}

} // namespace tavik
