#pragma once

#include "app/dictation/dictation_ports.h"
#include "app/dictation/dictation_state.h"
#include "platform/clock.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

namespace tavik {

// Everything the controller drives. The application builds it from the real components
// (dictation::makeDesktopParts); tests replace the seams they need to control.
struct DictationParts {
    platform::Clock* clock = nullptr;
    dictation::MainPoster postToMain; // empty: the Qt event loop of the controller's thread
    std::unique_ptr<dictation::CaptureEngine> audio;
    dictation::DetectorFactory makeDetector;
    dictation::RecogniserFactory makeRecogniser;
    std::unique_ptr<dictation::ShortcutMonitor> hotkey;
    std::unique_ptr<dictation::TextInserter> inserter;
    std::unique_ptr<dictation::Desktop> desktop;
    std::unique_ptr<dictation::DictationSettings> settings;
    std::unique_ptr<dictation::DictationStores> stores;
    std::unique_ptr<dictation::TextSteps> textSteps; // may be absent: no correction, no snippets
    std::unique_ptr<dictation::JobQueue> recognitionJobs; // speculative and final passes, in order
    std::unique_ptr<dictation::JobQueue> loadJobs;        // model loads
    std::unique_ptr<dictation::SignalSource> signalSource;
    std::function<void(const QString&)> log;         // empty: slog
    std::function<bool(const char*)> environmentHas; // empty: the process environment
};

// Carries one dictation from the key press to the delivered text. Lives on the main thread;
// every event from another thread arrives as a queued main-thread task.
class DictationController final : public QObject {
    Q_OBJECT
public:
    using State = dictation::State;
    enum class Ending { release, voiceActivity };

    explicit DictationController(DictationParts parts, QObject* parent = nullptr);
    ~DictationController() override;

    State state() const { return state_; }
    float level() const { return level_; }
    std::optional<QString> lastError() const { return lastError_; }
    dictation::MicrophoneStatus microphone() const { return microphone_; }
    Ending ending() const { return ending_; }
    float inputLevel() const;
    QString triggerLabel() const;
    QString modeDescription() const;

    void start();
    void shutdown();

    void toggleFromOrb();
    void cancelFromUser();

    void loadModel();
    void refreshMicrophones();
    void selectMicrophone(const std::optional<AudioInputDevice>& device);
    void reloadVAD();
    bool reloadHotkey();
    void reloadVocabulary();

    // The signal hooks' work, also reachable without a signal.
    void handleSignal(int signalNumber);

    static constexpr int sampleRate = 16000;
    static constexpr std::size_t minimumSamples = 8001;
    // Recognition hears at most one 30 s window: more would cost a second encoder pass over a
    // few tenths of a second, where a model is apt to invent words.
    static constexpr std::size_t recognitionWindowSamples = 480000;
    static constexpr std::size_t speculationWindowSamples = recognitionWindowSamples;
    static constexpr double maxRecordingSeconds = 30;
    static constexpr double transcribingWatchdogSeconds = 90;
    static constexpr double failedWatchdogSeconds = 10;
    static constexpr double silencePeakDb = -55;
    static constexpr float restLevel = -80;
    static constexpr double minimumConfidence = 0.35;

Q_SIGNALS:
    void stateChanged(const tavik::dictation::State& state);
    void levelChanged(float level);
    void lastErrorChanged(const std::optional<QString>& lastError);
    void microphoneChanged(const tavik::dictation::MicrophoneStatus& status);

private:
    struct Speculation;
    struct RecognitionJob;

    // The road of one dictation.
    void setState(const State& next);
    void setLevel(float next);
    void setLastError(const std::optional<QString>& next);
    void rest();
    void armStateWatchdog(double seconds, const State& expected);
    void armMaxDuration();
    void cancelMaxDuration();
    void cancelPendingFinalize();
    void startLevelPoll();
    void stopLevelPoll();
    bool startAudioEngine();
    void beginRecording(bool byModifierKey = false);
    // `cutShort`: the line that tells why the recording ended before the user ended it.
    void endRecording(const std::optional<QString>& cutShort = std::nullopt);
    void cancelRecording();
    void speculate();
    void dropSpeculation();
    void releaseMicrophoneIfNotKeptReady();
    void applyMicrophoneReadiness();
    dictation::TargetApp chooseTarget();

    // Events.
    void onActionStarted(dictation::Action action);
    void onHoldEnded(double held);
    void onEscape();
    void onSpeechPause();
    void onSpeechResumed();
    void onSpeechEnd();
    void onCaptureInterrupted(CaptureInterruption why);
    void onAudioStarted();
    void onDevicesChanged();

    // Start-up and wiring.
    void setUpVAD();
    void installTestHooks();
    void reloadMicrophone();
    QString vocabularyPrompt() const;
    void onModelLoaded(std::uint64_t loadSerial, std::shared_ptr<dictation::Recogniser> loaded,
                       const QString& path);

    // Recognition and delivery.
    void startRecognition(std::shared_ptr<RecognitionJob> job);
    static void recognise(RecognitionJob& job, dictation::TextSteps* steps,
                          const std::function<void(const QString&)>& log, platform::Clock& clock);
    void deliver(const std::shared_ptr<RecognitionJob>& job);
    void addHistory(const RecognitionJob& job, const QUuid& id, const QString& app,
                    const QString& bundleId, const QString& via, bool inserted);

    // Hops: work from timers, other threads and component callbacks runs on a later turn.
    void post(std::function<void()> work);
    void log(const QString& line) const;
    platform::Clock::TimerId after(double seconds, std::function<void()> work);
    void cancelTimer(platform::Clock::TimerId& id);

    DictationParts parts_;
    dictation::CaptureEngine& audio_;
    dictation::DictationSettings& prefs_;
    dictation::DictationStores& stores_;
    dictation::Desktop& desktop_;

    State state_ = State::loading();
    float level_ = restLevel;
    std::optional<QString> lastError_;
    dictation::MicrophoneStatus microphone_;

    std::shared_ptr<dictation::Recogniser> transcriber_;
    std::shared_ptr<dictation::SpeechDetector> vad_;
    std::shared_ptr<Speculation> speculation_;
    std::uint64_t generation_ = 0;
    Ending ending_ = Ending::release;
    bool askedForAccessibility_ = false;
    bool appliedMicReady_ = false; // "Keep the microphone ready" as the engine last followed it
    bool isShutDown_ = false;

    // One number per dictation, so that late timers and results of an earlier one are dropped.
    std::uint64_t dictationSerial_ = 0;
    std::uint64_t transcribingSerial_ = 0;
    std::int64_t utteranceStartNs_ = 0;
    std::size_t utterancePrerollSamples_ = 0; // heard before the press, at the utterance's head

    std::uint64_t loadSerial_ = 0;
    bool loadPending_ = false;
    bool lastLoadFailed_ = false;

    platform::Clock::TimerId maxDurationTimer_ = platform::Clock::noTimer;
    platform::Clock::TimerId stateWatchdog_ = platform::Clock::noTimer;
    platform::Clock::TimerId pendingFinalize_ = platform::Clock::noTimer;
    platform::Clock::TimerId levelPoll_ = platform::Clock::noTimer;
};

} // namespace tavik
