// The state machine and the road of one dictation: from the press to the hand-over to
// recognition, with its gates, speculation, cancellation and safety timers.
#include "app/dictation/dictation_controller_private.h"

#include "app/stores/diagnostic_log.h"
#include "platform/main_thread.h"

#include <algorithm>
#include <cmath>

namespace tavik {

using dictation::fixed;
using dictation::samplesToSeconds;
using Kind = dictation::State::Kind;

namespace {
const QString microphoneUnavailable = QStringLiteral("Microphone unavailable");
constexpr double levelPollSeconds = 0.05;
} // namespace

DictationController::DictationController(DictationParts parts, QObject* parent)
    : QObject(parent), parts_(std::move(parts)), audio_(*parts_.audio), prefs_(*parts_.settings),
      stores_(*parts_.stores), desktop_(*parts_.desktop) {
    utteranceStartNs_ = parts_.clock->monotonicNs();
}

DictationController::~DictationController() {
    isShutDown_ = true;
    // Background jobs post back through this object; let them finish while it still exists.
    parts_.recognitionJobs.reset();
    parts_.loadJobs.reset();
    audio_.setOnSamples({});
    cancelTimer(maxDurationTimer_);
    cancelTimer(stateWatchdog_);
    cancelTimer(pendingFinalize_);
    cancelTimer(levelPoll_);
}

// --- plumbing ---------------------------------------------------------------------------

void DictationController::post(std::function<void()> work) {
    auto guarded = [this, work = std::move(work)] {
        if (!isShutDown_) {
            work();
        }
    };
    if (parts_.postToMain) {
        parts_.postToMain(std::move(guarded));
    } else {
        platform::postToMain(this, std::move(guarded));
    }
}

void DictationController::log(const QString& line) const {
    if (parts_.log) {
        parts_.log(line);
    } else {
        slog(line);
    }
}

platform::Clock::TimerId DictationController::after(double seconds, std::function<void()> work) {
    const auto delay = static_cast<std::int64_t>(std::llround(seconds * 1e9));
    return parts_.clock->schedule(
        delay, [this, work = std::move(work)]() mutable { post(std::move(work)); });
}

void DictationController::cancelTimer(platform::Clock::TimerId& id) {
    if (id != platform::Clock::noTimer) {
        parts_.clock->cancel(id);
        id = platform::Clock::noTimer;
    }
}

// --- published values -------------------------------------------------------------------

void DictationController::setState(const State& next) {
    if (next == state_) {
        return;
    }
    state_ = next;
    switch (next.kind()) {
    case Kind::loading:
    case Kind::idle:
        cancelTimer(stateWatchdog_);
        break;
    case Kind::recording:
        break;
    case Kind::transcribing:
        armStateWatchdog(transcribingWatchdogSeconds, next);
        break;
    case Kind::failed:
        armStateWatchdog(failedWatchdogSeconds, next);
        break;
    }
    emit stateChanged(state_);
}

void DictationController::setLevel(float next) {
    level_ = next;
    emit levelChanged(level_);
}

void DictationController::setLastError(const std::optional<QString>& next) {
    lastError_ = next;
    emit lastErrorChanged(lastError_);
}

// Every way back to rest goes through here: while a model load is pending, or the last one
// failed, rest means `loading`, so no dictation starts against a model that is being swapped.
void DictationController::rest() {
    setState(loadPending_ || lastLoadFailed_ ? State::loading() : State::idle());
}

void DictationController::armStateWatchdog(double seconds, const State& expected) {
    cancelTimer(stateWatchdog_);
    stateWatchdog_ = after(seconds, [this, seconds, expected] {
        stateWatchdog_ = platform::Clock::noTimer;
        if (state_ != expected) {
            return;
        }
        log(QStringLiteral("watchdog: still %1 after %2s — returning to idle")
                .arg(expected.toLogString())
                .arg(static_cast<int>(seconds)));
        setLastError(QStringLiteral("That dictation did not finish. Ready again."));
        transcribingSerial_ = 0; // a result that arrives now is dropped
        rest();
    });
}

void DictationController::armMaxDuration() {
    cancelTimer(maxDurationTimer_);
    const auto serial = dictationSerial_;
    maxDurationTimer_ = after(maxRecordingSeconds, [this, serial] {
        maxDurationTimer_ = platform::Clock::noTimer;
        if (state_.is(Kind::recording) && serial == dictationSerial_) {
            log(QStringLiteral("hit the 30s cap"));
            endRecording();
        }
    });
}

void DictationController::cancelMaxDuration() {
    cancelTimer(maxDurationTimer_);
}

void DictationController::cancelPendingFinalize() {
    cancelTimer(pendingFinalize_);
}

void DictationController::startLevelPoll() {
    cancelTimer(levelPoll_);
    const auto serial = dictationSerial_;
    levelPoll_ = after(levelPollSeconds, [this, serial] {
        levelPoll_ = platform::Clock::noTimer;
        if (state_.is(Kind::recording) && serial == dictationSerial_) {
            setLevel(audio_.level());
            startLevelPoll();
        }
    });
}

void DictationController::stopLevelPoll() {
    cancelTimer(levelPoll_);
}

float DictationController::inputLevel() const {
    return audio_.isRunning() ? audio_.level() : restLevel;
}

// --- the road ---------------------------------------------------------------------------

bool DictationController::startAudioEngine() {
    if (audio_.isHealthy()) {
        return true;
    }
    if (audio_.isRunning()) {
        log(QStringLiteral("audio engine is stale — rebuilding"));
    }
    if (const auto error = audio_.start()) {
        setState(State::failed(microphoneUnavailable));
        setLastError(error->description);
        log(QStringLiteral("audio engine failed: ") + error->description);
        return false;
    }
    log(QStringLiteral("audio engine started"));
    return true;
}

void DictationController::beginRecording(bool byModifierKey) {
    log(QStringLiteral("hotkey pressed (state=%1)").arg(state_.toLogString()));
    if (!askedForAccessibility_ && !desktop_.accessibilityStillTrusted()) {
        askedForAccessibility_ = true;
        log(QStringLiteral(
            "not accessibility-trusted — asking once; insertion will use paste meanwhile"));
        desktop_.requestAccessibilityTrust();
    }
    if (!state_.is(Kind::idle)) {
        log(QStringLiteral("ignored — not idle"));
        return;
    }
    if (!startAudioEngine()) {
        return;
    }
    cancelPendingFinalize(); // a tap of an earlier recording must not end this one
    const double preroll = audio_.prerollSeconds();
    utterancePrerollSamples_ = static_cast<std::size_t>(std::llround(preroll * sampleRate));
    // The reset is queued ahead of the new utterance's first chunks, not behind them. Speech
    // heard before the press may be the end of another sentence: it counts as speech, but a
    // hands-free recording ends only after speech said after the press.
    if (vad_) {
        vad_->reset(utterancePrerollSamples_);
    }
    audio_.beginUtterance();
    ++generation_;
    dropSpeculation();
    ++dictationSerial_;
    utteranceStartNs_ = parts_.clock->monotonicNs();
    setState(State::recording());
    log(QStringLiteral("recording (preroll %1s)").arg(fixed(preroll, 2)));
    armMaxDuration();
    startLevelPoll();
    parts_.inserter->recordingBegins(byModifierKey);
}

dictation::TargetApp DictationController::chooseTarget() {
    dictation::TargetApp target = desktop_.frontmostApp();
    const QString own = desktop_.ownBundleId();
    if (!own.isEmpty() && target.bundleId == own) {
        // A click on our own floating button made us frontmost; the user meant the
        // application in front before. Never "retarget" to ourselves.
        const auto external = desktop_.lastExternal();
        if (external && !external->bundleId.isEmpty() && external->bundleId != own) {
            target =
                dictation::TargetApp{external->name.isEmpty() ? external->bundleId : external->name,
                                     external->bundleId, external->pid, external->window};
            log(QStringLiteral("orb: targeting %1 rather than ourselves").arg(target.bundleId));
        }
    }
    return target;
}

void DictationController::endRecording(const std::optional<QString>& cutShort) {
    log(QStringLiteral("end of utterance (state=%1)").arg(state_.toLogString()));
    if (!state_.is(Kind::recording)) {
        return;
    }
    if (cutShort) {
        setLastError(cutShort); // stays when nothing of it is delivered
    }
    cancelMaxDuration();
    cancelPendingFinalize();
    stopLevelPoll();
    setLevel(restLevel);
    dictation::Samples samples = audio_.endUtterance();
    const float engineLevel = audio_.level();
    releaseMicrophoneIfNotKeptReady();
    setState(State::transcribing());
    const dictation::TargetApp target = chooseTarget();
    log(QStringLiteral("captured %1 samples (%2s) peak %3dB target=%4")
            .arg(samples.size())
            .arg(fixed(samplesToSeconds(samples.size()), 2), fixed(engineLevel, 1),
                 target.bundleId));
    // The cap counts 30 s from the press, and the utterance begins with what was heard before
    // it: when only the pre-roll goes past one window, it gives way, so no second pass runs
    // over a few tenths of a second. A longer recording (switched to hands-free, whose cap
    // starts again) is the user's words from the press on: all of it is recognised and kept.
    if (samples.size() > recognitionWindowSamples &&
        samples.size() - recognitionWindowSamples <= utterancePrerollSamples_) {
        samples.erase(samples.begin(), samples.end() - std::ptrdiff_t(recognitionWindowSamples));
    }
    const std::size_t count = samples.size();

    if (count < minimumSamples) {
        log(QStringLiteral("too short — ignoring"));
        rest();
        return;
    }
    float maxMagnitude = 0;
    for (const float sample : samples) {
        maxMagnitude = std::max(maxMagnitude, std::fabs(sample));
    }
    const double peak =
        maxMagnitude > 0 ? 20.0 * std::log10(static_cast<double>(maxMagnitude)) : -120.0;
    double speechSeconds = 0;
    if (vad_) {
        speechSeconds = vad_->speechSeconds();
        if (peak < silencePeakDb || !vad_->heardSpeech()) {
            log(QStringLiteral("no speech — discarding %1s (speech %2s, peak %3dB)")
                    .arg(fixed(samplesToSeconds(count), 2), fixed(speechSeconds, 2),
                         fixed(peak, 1)));
            dropSpeculation();
            rest();
            return;
        }
    }

    std::shared_ptr<Speculation> reused;
    if (speculation_) {
        // Same recording, nothing resumed since, and no speech heard after the snapshot
        // (the resumed event may still be on its way, or never come after an end of speech).
        const bool current = speculation_->generation == generation_ &&
                             count >= speculation_->samples &&
                             (!vad_ || speculation_->speechSecondsAtStart == speechSeconds);
        if (current) {
            reused = speculation_;
            log(QStringLiteral("using speculation (%1 of %2 samples)")
                    .arg(speculation_->samples)
                    .arg(count));
            speculation_.reset();
        } else {
            dropSpeculation();
        }
    }

    auto job = std::make_shared<RecognitionJob>();
    job->serial = dictationSerial_;
    job->duration = samplesToSeconds(count);
    job->startNs = utteranceStartNs_;
    job->target = target;
    job->reused = std::move(reused);
    job->cutShort = cutShort;
    job->transcriber = transcriber_;

    const bool debugAudio = parts_.environmentHas ? parts_.environmentHas("TAVIK_DEBUG_AUDIO")
                                                  : qEnvironmentVariableIsSet("TAVIK_DEBUG_AUDIO");
    if (debugAudio) {
        const QUuid id = QUuid::createUuid();
        stores_.saveAudio(samples, id);
        job->unsyncedAudio << id;
        log(QStringLiteral("debug audio: ") + stores_.audioPath(id));
    }
    if (prefs_.keepAudio()) {
        job->archive = samples;
    }
    job->samples = std::move(samples);
    transcribingSerial_ = job->serial;
    startRecognition(std::move(job));
}

void DictationController::cancelRecording() {
    if (!state_.is(Kind::recording)) {
        return;
    }
    cancelMaxDuration();
    cancelPendingFinalize();
    stopLevelPoll();
    audio_.endUtterance();
    dropSpeculation();
    setLevel(restLevel);
    rest();
    log(QStringLiteral("cancelled"));
    releaseMicrophoneIfNotKeptReady();
}

// The user chose not to keep the microphone open between dictations. The published status
// follows at once: a sound server need not report the idle source, and until the status says
// so the settings show the microphone as still listening.
void DictationController::releaseMicrophoneIfNotKeptReady() {
    if (!prefs_.micAlwaysReady() && audio_.isRunning()) {
        audio_.stop();
        refreshMicrophones();
    }
}

void DictationController::speculate() {
    if (!transcriber_) {
        return;
    }
    // Read before the snapshot: a chunk counted here but missing from the snapshot would
    // hide speech from the reuse test.
    const double speechSecondsAtStart = vad_ ? vad_->speechSeconds() : 0;
    dictation::Samples samples = audio_.snapshot();
    const std::size_t count = samples.size();
    if (count < minimumSamples) {
        return;
    }
    if (count > speculationWindowSamples) {
        log(QStringLiteral("skipping speculation — buffer beyond the 30s window"));
        return;
    }
    log(QStringLiteral("speculating on %1s").arg(fixed(samplesToSeconds(count), 2)));
    auto speculation = std::make_shared<Speculation>();
    speculation->generation = generation_;
    speculation->samples = count;
    speculation->speechSecondsAtStart = speechSecondsAtStart;
    dropSpeculation();
    speculation_ = speculation;
    parts_.recognitionJobs->run(
        [speculation, transcriber = transcriber_, samples = std::move(samples)] {
            std::optional<dictation::RecognitionResult> result;
            if (!speculation->dropped.load()) {
                try {
                    result = transcriber->transcribeScored(samples);
                } catch (...) {
                    // The final pass recognises the whole utterance instead.
                }
            }
            std::lock_guard lock(speculation->mutex);
            speculation->result = std::move(result);
            speculation->finished = true;
        });
}

void DictationController::dropSpeculation() {
    if (speculation_) {
        speculation_->dropped.store(true);
        speculation_.reset();
    }
}

// --- events of the road -----------------------------------------------------------------

void DictationController::onActionStarted(dictation::Action action) {
    cancelPendingFinalize();
    const Ending wanted =
        action == dictation::Action::handsFree ? Ending::voiceActivity : Ending::release;
    const QString raw = dictation::actionRawValue(action);
    if (state_.is(Kind::recording)) {
        if (wanted == ending_) {
            return;
        }
        ending_ = wanted;
        if (wanted == Ending::voiceActivity) {
            armMaxDuration();
        }
        log(QStringLiteral("switched to ") + raw);
        return;
    }
    ending_ = wanted;
    beginRecording(parts_.hotkey->boundToModifierKey(action));
    log(QStringLiteral("started ") + raw);
}

void DictationController::onHoldEnded(double held) {
    if (!state_.is(Kind::recording) || ending_ != Ending::release) {
        return;
    }
    if (held >= parts_.hotkey->tapThreshold()) {
        endRecording();
        return;
    }
    // A tap: wait for a possible second tap that turns this into a hands-free recording.
    cancelPendingFinalize();
    const auto serial = dictationSerial_;
    pendingFinalize_ = after(parts_.hotkey->doubleTapWindow(), [this, serial] {
        pendingFinalize_ = platform::Clock::noTimer;
        if (state_.is(Kind::recording) && ending_ == Ending::release &&
            serial == dictationSerial_) {
            endRecording();
        }
    });
}

void DictationController::onEscape() {
    if (state_.is(Kind::recording)) {
        cancelRecording();
    }
}

void DictationController::onSpeechPause() {
    if (state_.is(Kind::recording)) {
        speculate();
    }
}

void DictationController::onSpeechResumed() {
    if (speculation_) {
        log(QStringLiteral("speech resumed — discarding speculation"));
    }
    ++generation_;
    dropSpeculation();
}

void DictationController::onSpeechEnd() {
    if (ending_ == Ending::voiceActivity && state_.is(Kind::recording)) {
        log(QStringLiteral("VAD: end of speech"));
        endRecording();
    }
}

void DictationController::toggleFromOrb() {
    if (state_.is(Kind::recording)) {
        endRecording();
        return;
    }
    ending_ = Ending::voiceActivity;
    beginRecording();
}

void DictationController::cancelFromUser() {
    if (state_.is(Kind::recording)) {
        cancelRecording();
    }
}

} // namespace tavik
