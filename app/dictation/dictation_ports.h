#pragma once

#include "app/dictation/audio_input_device.h"
#include "app/dictation/capture_interruption.h"
#include "platform/error.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The narrow faces through which the dictation controller drives its components. Production
// wires each to the real component (dictation_wiring.cpp); tests replace only the seams they
// must control.
namespace tavik::dictation {

using Samples = std::vector<float>;

enum class Action { pushToTalk, handsFree };

QString actionRawValue(Action action);

// The application a dictation is delivered to.
struct TargetApp {
    QString name;
    QString bundleId;
    qint64 pid = 0;
    quint64 window = 0; // the window in front; 0 when unknown

    // The same application, and the same window when both are known.
    bool sameAs(const TargetApp& other) const {
        return bundleId == other.bundleId && pid == other.pid &&
               (window == 0 || other.window == 0 || window == other.window);
    }
};

struct RecognitionResult {
    QString text;
    double confidence = 0;
};

struct MicrophoneStatus {
    QList<AudioInputDevice> devices;
    std::optional<AudioInputDevice> active;
    std::optional<AudioInputDevice> planned;
    bool usingFallback = false;
    std::optional<QString> systemDefaultName;
    bool silent = false;
    bool operator==(const MicrophoneStatus&) const = default;
};

// The microphone engine. Callbacks may fire on any thread, including synchronously inside
// start(), restart() and stop(); onSamples fires on the capture thread.
class CaptureEngine {
public:
    virtual ~CaptureEngine() = default;
    virtual double prerollSeconds() const = 0;
    virtual void beginUtterance() = 0;
    virtual Samples snapshot() const = 0;
    virtual Samples endUtterance() = 0;
    virtual float level() const = 0;
    virtual bool isRunning() const = 0;
    virtual bool isHealthy() const = 0;
    virtual std::optional<Error> start() = 0;
    virtual std::optional<Error> restart() = 0;
    virtual void stop() = 0;
    virtual void setPreferredDeviceUID(const std::optional<QString>& uid) = 0;
    // The device list, the planned and active device and the silence flag, read now.
    virtual MicrophoneStatus microphoneStatus() const = 0;

    virtual void setOnSamples(std::function<void(const Samples&)> handler) = 0;
    // What the cut utterance held stays for endUtterance().
    virtual void setOnCaptureInterrupted(std::function<void(CaptureInterruption)> handler) = 0;
    virtual void setOnStarted(std::function<void()> handler) = 0;
    virtual void setOnVerified(std::function<void()> handler) = 0;
    // Debounced changes of the device list or the system default.
    virtual void setOnDevicesChanged(std::function<void()> handler) = 0;
};

// The voice-activity detector. Notifications arrive on the main thread.
class SpeechDetector {
public:
    virtual ~SpeechDetector() = default;
    // Starts afresh. The first `heardBefore` samples fed after it were heard before the
    // recording began (the pre-roll): they count toward heardSpeech, but speech in them cannot
    // start the utterance whose end ends a hands-free recording.
    virtual void reset(std::size_t heardBefore) = 0;
    virtual void feed(const Samples& chunk) = 0; // any thread
    virtual bool heardSpeech() = 0;              // waits for what was fed before
    virtual double speechSeconds() = 0;          // waits for what was fed before
    virtual void setSilenceHoldMs(int ms) = 0;
    virtual void setSpeculativeHoldMs(int ms) = 0;
    virtual void setOnSpeechPause(std::function<void()> handler) = 0;
    virtual void setOnSpeechResumed(std::function<void()> handler) = 0;
    virtual void setOnSpeechEnd(std::function<void()> handler) = 0;
};

// The speech recogniser for one model. transcribeScored blocks until its turn on the
// recogniser's own queue; any thread may call it.
class Recogniser {
public:
    virtual ~Recogniser() = default;
    virtual RecognitionResult transcribeScored(const Samples& samples) = 0;
    virtual void setVocabularyPrompt(const QString& prompt) = 0;
    virtual void warmUp() = 0;
};

// The global shortcut. Notifications arrive on the main thread.
class ShortcutMonitor {
public:
    virtual ~ShortcutMonitor() = default;
    virtual void applyBindings() = 0; // takes the settings' bindings
    virtual bool start() = 0;
    virtual void stop() = 0;
    virtual double tapThreshold() const = 0;
    virtual double doubleTapWindow() const = 0;
    // Whether keys pressed in other applications reach the monitor.
    virtual bool inputMonitoringGranted() = 0;
    virtual void requestInputMonitoring() = 0;
    virtual void setOnStart(std::function<void(Action)> handler) = 0;
    virtual void setOnHoldEnd(std::function<void(Action, double held)> handler) = 0;
    virtual void setOnEscape(std::function<void()> handler) = 0;
    // Whether the key bound to `action` is a modifier key (released alone, it opens some
    // applications' menu bars).
    virtual bool boundToModifierKey(Action) const { return false; }
};

struct InsertOutcome {
    bool succeeded = false;
    QString winner;
    QString trace;
    QString untyped; // after a failure: what typing did not reach when it stopped part-way
};

class TextInserter {
public:
    virtual ~TextInserter() = default;
    virtual InsertOutcome insert(const QString& text, const QString& bundleId) = 0;
    // A recording begins; `byModifierKey` when a modifier key of the shortcut started it.
    virtual void recordingBegins(bool byModifierKey) { (void)byModifierKey; }
};

// What the desktop answers about applications, permissions, the clipboard and sounds.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual TargetApp frontmostApp() = 0;
    virtual std::optional<TargetApp> lastExternal() = 0;
    virtual QString ownBundleId() const = 0;
    virtual bool accessibilityTrusted() = 0;
    // The same, without asking anyone again while nothing announced a change: for the start of
    // every dictation.
    virtual bool accessibilityStillTrusted() { return accessibilityTrusted(); }
    virtual void requestAccessibilityTrust() = 0;
    virtual void setClipboardText(const QString& text) = 0;
    virtual void playSound(const QString& name) = 0;
};

// The settings the controller reads, and the one it writes (the microphone choice).
class DictationSettings {
public:
    virtual ~DictationSettings() = default;
    virtual int silenceHoldMs() const = 0;
    virtual bool micAlwaysReady() const = 0;
    virtual std::optional<QString> microphoneUID() const = 0;
    virtual void setMicrophone(const std::optional<QString>& uid,
                               const std::optional<QString>& name) = 0;
    virtual bool keepAudio() const = 0;
    // The archive's budget in bytes (the setting × 1,000,000), saturating, never below 0.
    virtual qint64 audioBudgetBytes() const = 0;
    virtual bool dictateToScratchpad() const = 0;
    virtual bool playSounds() const = 0;
    virtual QString modelPath() const = 0;
    virtual std::optional<QString> vadModelPath() const = 0;
    // "action=gesture key" for every binding, disabled ones included, in any order.
    virtual QStringList bindingSummaryParts() const = 0;
    virtual QString primaryLabel() const = 0;
    virtual QString modeDescription() const = 0;
};

struct HistoryRecord {
    QUuid id;
    QString text;
    QString app;
    QString bundleId;
    QString via;
    QDateTime at;
    double duration = 0;
    double latencyMs = 0;
    bool inserted = false;
};

// The stores a dictation reaches.
class DictationStores {
public:
    virtual ~DictationStores() = default;
    // Writes the recording now (before the text goes out) but leaves its syncs for
    // makeAudioDurable, which the controller calls once the text is out.
    virtual void saveAudio(const Samples& samples, const QUuid& id) = 0;
    virtual void makeAudioDurable(const QUuid& id) = 0;
    virtual void pruneAudio(qint64 bytes) = 0;
    virtual QString audioPath(const QUuid& id) const = 0;
    virtual void appendToScratchpad(const QString& text) = 0;
    virtual void addHistory(const HistoryRecord& record) = 0;
    // Waits (bounded) for the history and scratchpad writers at shutdown.
    virtual void drainWriters() = 0;
};

// The user's vocabulary and snippets. correct and applySnippets run off the main thread and
// must be safe there.
class TextSteps {
public:
    virtual ~TextSteps() = default;
    virtual QString correct(const QString& text) = 0;
    virtual QString applySnippets(const QString& text) = 0;
    virtual QString vocabularyPrompt() = 0;
    virtual int vocabularyTermCount() = 0;
};

// Runs background work one job at a time, in order.
class JobQueue {
public:
    virtual ~JobQueue() = default;
    virtual void run(std::function<void()> job) = 0;
};

// SIGUSR1, SIGUSR2 and SIGHUP, delivered on the main thread.
class SignalSource {
public:
    virtual ~SignalSource() = default;
    virtual void install(std::function<void(int signalNumber)> handler) = 0;
};

using DetectorFactory = std::function<std::unique_ptr<SpeechDetector>(const QString& path)>;
using RecogniserFactory = std::function<std::shared_ptr<Recogniser>(const QString& path)>;
using MainPoster = std::function<void(std::function<void()>)>;

} // namespace tavik::dictation
