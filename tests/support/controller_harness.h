#pragma once

// A deterministic stage for the dictation controller: a main queue the test drains, virtual
// time, background jobs the test runs when it wants, and components whose behaviour each
// scenario scripts.
#include "app/dictation/dictation_controller.h"
#include "app/stores/audio_store.h"
#include "tests/support/fake_clock.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>

namespace tavik::dictation {
inline void PrintTo(const State& state, std::ostream* out) {
    *out << state.toLogString().toStdString();
}
} // namespace tavik::dictation

namespace tavik {
class Preferences;
}

namespace tavik::test {

using dictation::Samples;

class FakeMainQueue {
public:
    void post(std::function<void()> work) {
        std::lock_guard lock(mutex_);
        work_.push_back(std::move(work));
    }
    // Runs until empty, including work posted meanwhile.
    void drain() {
        for (;;) {
            std::function<void()> next;
            {
                std::lock_guard lock(mutex_);
                if (work_.empty()) {
                    return;
                }
                next = std::move(work_.front());
                work_.pop_front();
            }
            next();
        }
    }
    std::size_t pending() {
        std::lock_guard lock(mutex_);
        return work_.size();
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> work_;
};

class ManualJobs final : public dictation::JobQueue {
public:
    explicit ManualJobs(std::shared_ptr<std::deque<std::function<void()>>> jobs)
        : jobs_(std::move(jobs)) {}
    void run(std::function<void()> job) override { jobs_->push_back(std::move(job)); }

private:
    std::shared_ptr<std::deque<std::function<void()>>> jobs_;
};

struct CaptureScript {
    bool running = false;
    bool healthy = false;
    std::optional<Error> startError;
    double preroll = 0.4;
    float level = -20;
    bool utteranceOpen = false;
    Samples utterance;
    int starts = 0;
    int restarts = 0;
    int stops = 0;
    std::optional<QString> preferredUID;
    // A microphone to record from, as on most desktops; a test empties it to take it away.
    dictation::MicrophoneStatus status = [] {
        dictation::MicrophoneStatus planned;
        planned.planned = AudioInputDevice{1, QStringLiteral("builtin_mic"),
                                           QStringLiteral("Built-in Microphone"), 1, 0};
        return planned;
    }();
    std::function<void(const Samples&)> onSamples;
    std::function<void(CaptureInterruption)> onInterrupted;
    std::function<void()> onStarted, onVerified, onDevicesChanged;
};

class FakeCapture final : public dictation::CaptureEngine {
public:
    explicit FakeCapture(std::shared_ptr<CaptureScript> s) : s_(std::move(s)) {}
    double prerollSeconds() const override { return s_->preroll; }
    void beginUtterance() override {
        s_->utteranceOpen = true;
        s_->utterance.assign(static_cast<std::size_t>(s_->preroll * 16000), 0.0f);
    }
    Samples snapshot() const override { return s_->utterance; }
    Samples endUtterance() override {
        Samples out = std::move(s_->utterance);
        s_->utterance.clear();
        s_->utteranceOpen = false;
        return out;
    }
    float level() const override { return s_->level; }
    bool isRunning() const override { return s_->running; }
    bool isHealthy() const override { return s_->running && s_->healthy; }
    std::optional<Error> start() override {
        ++s_->starts;
        if (s_->startError) {
            return s_->startError;
        }
        s_->running = true;
        s_->healthy = true;
        if (s_->onStarted) {
            s_->onStarted();
        }
        return std::nullopt;
    }
    std::optional<Error> restart() override {
        ++s_->restarts;
        stop();
        return start();
    }
    // As the capture does: what the cut utterance held stays for endUtterance().
    void stop() override {
        ++s_->stops;
        const bool wasOpen = std::exchange(s_->utteranceOpen, false);
        s_->running = false;
        s_->healthy = false;
        if (wasOpen && s_->onInterrupted) {
            s_->onInterrupted(CaptureInterruption::rebuilt);
        }
    }
    void setPreferredDeviceUID(const std::optional<QString>& uid) override {
        s_->preferredUID = uid;
    }
    dictation::MicrophoneStatus microphoneStatus() const override { return s_->status; }
    void setOnSamples(std::function<void(const Samples&)> h) override { s_->onSamples = h; }
    void setOnCaptureInterrupted(std::function<void(CaptureInterruption)> h) override {
        s_->onInterrupted = h;
    }
    void setOnStarted(std::function<void()> h) override { s_->onStarted = h; }
    void setOnVerified(std::function<void()> h) override { s_->onVerified = h; }
    void setOnDevicesChanged(std::function<void()> h) override { s_->onDevicesChanged = h; }

private:
    std::shared_ptr<CaptureScript> s_;
};

struct DetectorScript {
    bool heardSpeech = true;
    double speechSeconds = 1.0;
    int resets = 0;
    std::size_t heardBefore = 0;
    int silenceHoldMs = 0;
    int speculativeHoldMs = 0;
    std::size_t fedSamples = 0;
    std::function<void()> onPause, onResumed, onEnd;
};

class FakeDetector final : public dictation::SpeechDetector {
public:
    explicit FakeDetector(std::shared_ptr<DetectorScript> s) : s_(std::move(s)) {}
    void reset(std::size_t heardBefore) override {
        ++s_->resets;
        s_->heardBefore = heardBefore;
    }
    void feed(const Samples& chunk) override { s_->fedSamples += chunk.size(); }
    bool heardSpeech() override { return s_->heardSpeech; }
    double speechSeconds() override { return s_->speechSeconds; }
    void setSilenceHoldMs(int ms) override { s_->silenceHoldMs = ms; }
    void setSpeculativeHoldMs(int ms) override { s_->speculativeHoldMs = ms; }
    void setOnSpeechPause(std::function<void()> h) override { s_->onPause = h; }
    void setOnSpeechResumed(std::function<void()> h) override { s_->onResumed = h; }
    void setOnSpeechEnd(std::function<void()> h) override { s_->onEnd = h; }

private:
    std::shared_ptr<DetectorScript> s_;
};

struct RecogniserScript {
    // Result by sample count; anything else gets `fallback`.
    std::map<std::size_t, dictation::RecognitionResult> bySamples;
    dictation::RecognitionResult fallback{QStringLiteral("hello world"), 0.87};
    std::vector<std::size_t> calls; // sample counts, in order
    int warmUps = 0;
    QString prompt;
    bool throwOnRecognise = false;
};

class FakeRecogniser final : public dictation::Recogniser {
public:
    explicit FakeRecogniser(std::shared_ptr<RecogniserScript> s) : s_(std::move(s)) {}
    dictation::RecognitionResult transcribeScored(const Samples& samples) override {
        s_->calls.push_back(samples.size());
        if (s_->throwOnRecognise) {
            throw std::runtime_error("out of memory");
        }
        const auto found = s_->bySamples.find(samples.size());
        return found != s_->bySamples.end() ? found->second : s_->fallback;
    }
    void setVocabularyPrompt(const QString& prompt) override { s_->prompt = prompt; }
    void warmUp() override { ++s_->warmUps; }

private:
    std::shared_ptr<RecogniserScript> s_;
};

struct ShortcutScript {
    bool startResult = true;
    bool inputMonitoring = true;
    int inputMonitoringRequests = 0;
    int starts = 0;
    int stops = 0;
    int bindingsApplied = 0;
    bool modifierKey = false; // every action is bound to a modifier key
    std::function<void(dictation::Action)> onStart;
    std::function<void(dictation::Action, double)> onHoldEnd;
    std::function<void()> onEscape;
};

class FakeShortcut final : public dictation::ShortcutMonitor {
public:
    explicit FakeShortcut(std::shared_ptr<ShortcutScript> s) : s_(std::move(s)) {}
    void applyBindings() override { ++s_->bindingsApplied; }
    bool start() override {
        ++s_->starts;
        return s_->startResult;
    }
    void stop() override { ++s_->stops; }
    double tapThreshold() const override { return 0.25; }
    double doubleTapWindow() const override { return 0.35; }
    bool inputMonitoringGranted() override { return s_->inputMonitoring; }
    void requestInputMonitoring() override { ++s_->inputMonitoringRequests; }
    void setOnStart(std::function<void(dictation::Action)> h) override { s_->onStart = h; }
    void setOnHoldEnd(std::function<void(dictation::Action, double)> h) override {
        s_->onHoldEnd = h;
    }
    void setOnEscape(std::function<void()> h) override { s_->onEscape = h; }
    bool boundToModifierKey(dictation::Action) const override { return s_->modifierKey; }

private:
    std::shared_ptr<ShortcutScript> s_;
};

// Everything the stage records, in the order it happened.
struct StageRecord {
    QStringList events; // "insert:<text>", "sound:Pop", "clipboard:<text>", "saveAudio:<id>", …
    std::vector<dictation::HistoryRecord> history;
    std::map<QUuid, Samples> audio;
    QString scratchpad;
    std::vector<dictation::InsertOutcome> insertResults; // consumed in order; default succeeds
    bool trusted = true;
    int trustRequests = 0;
    dictation::TargetApp frontmost{QStringLiteral("Editor"), QStringLiteral("org.example.editor"),
                                   4242};
    std::optional<dictation::TargetApp> lastExternal;
    QString clipboard;
    std::map<QString, QString> corrections; // whole-text corrections
    std::map<QString, QString> snippets;
    std::function<void()> onInsert;    // runs inside each insertion, as the text goes out
    std::vector<bool> recordingsBegun; // by a modifier key or not, as the inserter heard
};

class FakeInserter final : public dictation::TextInserter {
public:
    explicit FakeInserter(std::shared_ptr<StageRecord> r) : r_(std::move(r)) {}
    dictation::InsertOutcome insert(const QString& text, const QString& bundleId) override {
        r_->events << QStringLiteral("insert:%1->%2").arg(text, bundleId);
        if (r_->onInsert) {
            r_->onInsert();
        }
        if (r_->insertResults.empty()) {
            return {true, QStringLiteral("accessibility"), QStringLiteral("a\nb\n"), QString()};
        }
        auto next = r_->insertResults.front();
        r_->insertResults.erase(r_->insertResults.begin());
        return next;
    }
    void recordingBegins(bool byModifierKey) override {
        r_->recordingsBegun.push_back(byModifierKey);
    }

private:
    std::shared_ptr<StageRecord> r_;
};

class FakeDesktop final : public dictation::Desktop {
public:
    explicit FakeDesktop(std::shared_ptr<StageRecord> r) : r_(std::move(r)) {}
    dictation::TargetApp frontmostApp() override { return r_->frontmost; }
    std::optional<dictation::TargetApp> lastExternal() override { return r_->lastExternal; }
    QString ownBundleId() const override { return QStringLiteral("com.trelvanic.tavik"); }
    bool accessibilityTrusted() override { return r_->trusted; }
    void requestAccessibilityTrust() override { ++r_->trustRequests; }
    void setClipboardText(const QString& text) override {
        r_->clipboard = text;
        r_->events << QStringLiteral("clipboard:") + text;
    }
    void playSound(const QString& name) override { r_->events << QStringLiteral("sound:") + name; }

private:
    std::shared_ptr<StageRecord> r_;
};

struct SettingsScript {
    int silenceHoldMs = 700;
    bool micAlwaysReady = true;
    std::optional<QString> microphoneUID;
    std::optional<QString> microphoneName;
    bool keepAudio = true;
    qint64 audioBudgetMB = 250;
    bool dictateToScratchpad = false;
    bool playSounds = true;
    QString modelPath = QStringLiteral("/models/ggml-base.en.bin");
    std::optional<QString> vadModelPath = QStringLiteral("/models/ggml-silero.bin");
    QStringList summary{QStringLiteral("pushToTalk=hold rightOption"),
                        QStringLiteral("handsFree=doubleTap rightCommand")};
    // What the real settings say of the default bindings.
    QString modeDescription =
        QStringLiteral("hold Right Alt to talk · double-tap Right Super for hands-free");
};

class FakeSettings final : public dictation::DictationSettings {
public:
    explicit FakeSettings(std::shared_ptr<SettingsScript> s) : s_(std::move(s)) {}
    int silenceHoldMs() const override { return s_->silenceHoldMs; }
    bool micAlwaysReady() const override { return s_->micAlwaysReady; }
    std::optional<QString> microphoneUID() const override { return s_->microphoneUID; }
    void setMicrophone(const std::optional<QString>& uid,
                       const std::optional<QString>& name) override {
        s_->microphoneUID = uid;
        s_->microphoneName = name;
    }
    bool keepAudio() const override { return s_->keepAudio; }
    qint64 audioBudgetBytes() const override { return AudioStore::budgetBytes(s_->audioBudgetMB); }
    bool dictateToScratchpad() const override { return s_->dictateToScratchpad; }
    bool playSounds() const override { return s_->playSounds; }
    QString modelPath() const override { return s_->modelPath; }
    std::optional<QString> vadModelPath() const override { return s_->vadModelPath; }
    QStringList bindingSummaryParts() const override { return s_->summary; }
    QString primaryLabel() const override { return QStringLiteral("Right Alt"); }
    QString modeDescription() const override { return s_->modeDescription; }

private:
    std::shared_ptr<SettingsScript> s_;
};

class RecordingStores final : public dictation::DictationStores {
public:
    explicit RecordingStores(std::shared_ptr<StageRecord> r) : r_(std::move(r)) {}
    void saveAudio(const Samples& samples, const QUuid& id) override {
        r_->audio[id] = samples;
        r_->events << QStringLiteral("saveAudio:") + id.toString(QUuid::WithoutBraces);
    }
    void makeAudioDurable(const QUuid& id) override {
        r_->events << QStringLiteral("makeAudioDurable:") + id.toString(QUuid::WithoutBraces);
    }
    void pruneAudio(qint64 bytes) override {
        r_->events << QStringLiteral("pruneAudio:%1").arg(bytes);
    }
    QString audioPath(const QUuid& id) const override {
        return QStringLiteral("/archive/") + id.toString(QUuid::WithoutBraces).toUpper() +
               QStringLiteral(".wav");
    }
    void appendToScratchpad(const QString& text) override {
        r_->scratchpad += text;
        r_->events << QStringLiteral("scratchpad:") + text;
    }
    void addHistory(const dictation::HistoryRecord& record) override {
        r_->history.push_back(record);
        r_->events << QStringLiteral("history:") + record.via;
    }
    void drainWriters() override { r_->events << QStringLiteral("drainWriters"); }

private:
    std::shared_ptr<StageRecord> r_;
};

class RecordingTextSteps final : public dictation::TextSteps {
public:
    explicit RecordingTextSteps(std::shared_ptr<StageRecord> r) : r_(std::move(r)) {}
    QString correct(const QString& text) override {
        const auto found = r_->corrections.find(text);
        return found != r_->corrections.end() ? found->second : text;
    }
    QString applySnippets(const QString& text) override {
        const auto found = r_->snippets.find(text);
        return found != r_->snippets.end() ? found->second : text;
    }
    QString vocabularyPrompt() override { return QStringLiteral("Tavik, Qt"); }
    int vocabularyTermCount() override { return 2; }

private:
    std::shared_ptr<StageRecord> r_;
};

class FakeSignals final : public dictation::SignalSource {
public:
    explicit FakeSignals(std::function<void(int)>* slot) : slot_(slot) {}
    void install(std::function<void(int)> handler) override { *slot_ = std::move(handler); }

private:
    std::function<void(int)>* slot_;
};

// One controller on the stage, with helpers named after what the user does.
class ControllerStage {
public:
    ControllerStage();
    ~ControllerStage();

    // Builds the controller (after the test has adjusted the scripts) and starts it.
    void start(bool loadModel = true);
    // Builds the controller without starting it, for whoever starts it (the application's
    // delegate); loadModels() then runs the model loads that start() queued.
    void build();
    void loadModels();

    DictationController& controller() { return *controller_; }
    dictation::State state() const { return controller_->state(); }

    void drain() { mainQueue.drain(); }
    void advance(double seconds); // virtual time in 10 ms steps, draining after each
    void runJobs();               // background jobs, and whatever they post
    bool runNextJob();

    void press(dictation::Action action);
    void release(double heldSeconds);
    void escape();
    void speak(double seconds, float amplitude = 0.3f); // appends to the open utterance
    void pauseEvent();
    void resumedEvent();
    void endOfSpeechEvent();
    void signal(int signalNumber);

    // Log lines written since the last call.
    QStringList takeLog();
    QStringList log() const;

    FakeClock clock;
    FakeMainQueue mainQueue;
    std::shared_ptr<std::deque<std::function<void()>>> recognitionJobs =
        std::make_shared<std::deque<std::function<void()>>>();
    std::shared_ptr<std::deque<std::function<void()>>> loadJobs =
        std::make_shared<std::deque<std::function<void()>>>();
    std::shared_ptr<CaptureScript> capture = std::make_shared<CaptureScript>();
    std::shared_ptr<DetectorScript> detector = std::make_shared<DetectorScript>();
    std::shared_ptr<RecogniserScript> recogniser = std::make_shared<RecogniserScript>();
    std::shared_ptr<ShortcutScript> shortcut = std::make_shared<ShortcutScript>();
    std::shared_ptr<SettingsScript> settings = std::make_shared<SettingsScript>();
    // When set, the controller reads and writes these real settings instead of the script.
    Preferences* preferences = nullptr;
    // The application's own stores (audio archive, history, scratchpad) instead of the record.
    bool sharedStores = false;
    // When set, the microphone the controller drives instead of the scripted one.
    std::function<std::unique_ptr<dictation::CaptureEngine>()> makeAudio;
    std::shared_ptr<StageRecord> record = std::make_shared<StageRecord>();
    // Real worker threads and the Qt event loop in place of the manual queues.
    bool realQueues = false;
    bool withTextSteps = true;
    // The user's real vocabulary and snippets (the shared stores) in place of the recorded ones.
    bool storedTextSteps = false;
    bool detectorLoads = true;
    bool modelLoads = true;
    std::set<QString> environment;
    std::function<void(int)> signalHandler;

private:
    mutable std::mutex logMutex_;
    QStringList log_;
    int logTaken_ = 0;
    std::unique_ptr<DictationController> controller_;
};

} // namespace tavik::test
