// The dictation controller on the test desktop's sound server: the real capture engine and, where
// it matters, the real voice-activity detector; recognition, insertion and the stores are the
// stage's stand-ins, since what is judged here is what the microphone and the gate do.
#include "app/dictation/dictation_wiring.h"
#include "tests/support/audio_desktop.h"
#include "tests/support/audio_log.h"
#include "tests/support/controller_harness.h"
#include "tests/support/fixtures.h"
#include "tests/support/sound_server.h"

#include <algorithm>
#include <mutex>

namespace tavik::test {
namespace {

using dictation::Action;
using dictation::State;

// One controller over the desktop's microphone, with its log kept for the test.
class MicrophoneStage {
public:
    explicit MicrophoneStage(std::shared_ptr<SettingsScript> settings, bool realDetector)
        : settings_(std::move(settings)) {
        DictationParts parts;
        parts.clock = &clock_; // the controller's own timers (cap, watchdogs) stay still
        auto audio = dictation::makeCaptureEngine();
        audio_ = audio.get();
        parts.audio = std::move(audio);
        if (realDetector) {
            parts.makeDetector = dictation::detectorFactory();
        }
        parts.makeRecogniser = [recogniser = recogniser_](const QString&) {
            return std::make_shared<FakeRecogniser>(recogniser);
        };
        parts.hotkey = std::make_unique<FakeShortcut>(shortcut_);
        parts.inserter = std::make_unique<FakeInserter>(record_);
        parts.desktop = std::make_unique<FakeDesktop>(record_);
        parts.settings = std::make_unique<FakeSettings>(settings_);
        parts.stores = std::make_unique<RecordingStores>(record_);
        parts.recognitionJobs = dictation::makeSerialJobQueue("tavik.recognition");
        parts.loadJobs = dictation::makeSerialJobQueue("tavik.model-load");
        parts.signalSource = std::make_unique<FakeSignals>(&signalHandler_);
        parts.log = [this](const QString& line) {
            std::lock_guard lock(logMutex_);
            log_ << line;
        };
        controller_ = std::make_unique<DictationController>(std::move(parts));
        controller_->start();
    }
    ~MicrophoneStage() { controller_.reset(); }

    DictationController& controller() { return *controller_; }
    dictation::CaptureEngine& audio() { return *audio_; }
    StageRecord& record() { return *record_; }
    bool logged(const QString& line) const {
        std::lock_guard lock(logMutex_);
        return log_.contains(line);
    }
    QString log() const {
        std::lock_guard lock(logMutex_);
        return log_.join('\n');
    }

    void press() { shortcut_->onStart(Action::pushToTalk); }
    void release() { shortcut_->onHoldEnd(Action::pushToTalk, 1.0); }

private:
    FakeClock clock_;
    std::shared_ptr<SettingsScript> settings_;
    std::shared_ptr<RecogniserScript> recogniser_ = std::make_shared<RecogniserScript>();
    std::shared_ptr<ShortcutScript> shortcut_ = std::make_shared<ShortcutScript>();
    std::shared_ptr<StageRecord> record_ = std::make_shared<StageRecord>();
    std::function<void(int)> signalHandler_;
    mutable std::mutex logMutex_;
    QStringList log_;
    dictation::CaptureEngine* audio_ = nullptr;
    std::unique_ptr<DictationController> controller_;
};

std::vector<float> slice(const std::vector<float>& samples, double from, double to) {
    return {samples.begin() + std::ptrdiff_t(from * 16000),
            samples.begin() + std::ptrdiff_t(to * 16000)};
}

TEST(ControllerMicrophoneDesktop, AMicrophoneThatDiesAtThePressEndsTheRecordingAndSaysWhy) {
    TAVIK_REQUIRE_DESKTOP();
    PipeMicrophone dying(QStringLiteral("tavik_dying"));
    ASSERT_TRUE(dying.loaded());
    auto settings = std::make_shared<SettingsScript>();
    settings->micAlwaysReady = false; // the stream starts at the press
    settings->microphoneUID = QStringLiteral("tavik_dying");
    settings->vadModelPath.reset();
    MicrophoneStage stage(settings, /*realDetector=*/false);
    ASSERT_TRUE(spinUntil([&] { return stage.controller().state() == State::idle(); }, 10000));
    ASSERT_FALSE(stage.audio().isRunning());

    stage.press();
    ASSERT_TRUE(spinUntil([&] { return stage.controller().state() == State::recording(); }, 10000));
    ASSERT_TRUE(stage.audio().isRunning());
    // The sound server ends the stream at once, well inside the first half second.
    dying.unload();

    ASSERT_TRUE(spinUntil(
        [&] {
            return stage.logged(
                "audio interrupted mid-utterance (microphone gone) — keeping what was heard");
        },
        10000))
        << stage.log().toStdString();
    EXPECT_EQ(stage.controller().lastError(),
              QStringLiteral("Recording cut short — the microphone was disconnected."));
    EXPECT_EQ(stage.controller().state(), State::idle());
    EXPECT_TRUE(stage.logged("too short — ignoring"));
    EXPECT_EQ(countLogged("audio: hardware reconfigured — rebuilding the engine"), 1);
    // Nothing was recognised or delivered, and the microphone is not left open.
    EXPECT_TRUE(stage.record().history.empty());
    EXPECT_TRUE(spinUntil([&] { return !stage.audio().isRunning(); }, 5000));
}

TEST(ControllerMicrophoneDesktop, AWordSaidAsTheKeyGoesDownPassesTheSpeechGate) {
    TAVIK_REQUIRE_DESKTOP();
    TAVIK_REQUIRE_FIXTURE(silero, "models/ggml-silero-v6.2.0.bin");
    TAVIK_REQUIRE_FIXTURE(jfk, "audio/jfk.wav");
    const std::vector<float> speech = readMonoSamples(jfk);
    ASSERT_EQ(speech.size(), 176000u);
    PipeMicrophone word(QStringLiteral("tavik_word"));
    ASSERT_TRUE(word.loaded());
    auto settings = std::make_shared<SettingsScript>();
    settings->micAlwaysReady = true; // heard before the press: the pre-roll
    settings->microphoneUID = QStringLiteral("tavik_word");
    settings->vadModelPath = silero;
    MicrophoneStage stage(settings, /*realDetector=*/true);
    ASSERT_TRUE(spinUntil([&] { return stage.controller().state() == State::idle(); }, 10000));
    ASSERT_TRUE(stage.logged("VAD ready (hold 700ms)")) << stage.log().toStdString();
    ASSERT_TRUE(stage.audio().isRunning());

    // "ask" (3.20 s to 3.70 s of the recording): the key goes down as the word is under way, so
    // most of it is heard before the press, which comes as it arrives. (On PipeWire the source
    // runs on in silence after it, so the moment matters, and holds back its last few samples
    // until more come.)
    const double press = 3.50;
    const std::vector<float> before = slice(speech, 3.10, press); // 0.4 s: the whole pre-roll
    { MicFeeder feeder(word.fifo(), before); }
    const std::vector<float> lastOfIt(before.end() - 576, before.end() - 512);
    ASSERT_TRUE(spinUntil(
        [&] {
            // A look at the pre-roll while idle; the press resets what the detector heard.
            stage.audio().beginUtterance();
            const auto held = stage.audio().endUtterance();
            return std::search(held.begin(), held.end(), lastOfIt.begin(), lastOfIt.end()) !=
                   held.end();
        },
        10000))
        << stage.audio().prerollSeconds();

    stage.press();
    ASSERT_TRUE(spinUntil([&] { return stage.controller().state() == State::recording(); }, 10000));
    const std::vector<float> rest = slice(speech, press, 3.70);
    std::vector<float> after = rest;
    after.resize(after.size() + 6400, 0.0f); // then 0.4 s of quiet before the release
    { MicFeeder feeder(word.fifo(), after); }
    const std::size_t total = before.size() + after.size();
    ASSERT_TRUE(spinUntil([&] { return stage.audio().snapshot().size() >= total; }, 10000));
    stage.release();

    ASSERT_TRUE(spinUntil([&] { return !stage.record().history.empty(); }, 20000))
        << stage.log().toStdString();
    EXPECT_FALSE(stage.log().contains("no speech — discarding")) << stage.log().toStdString();
    EXPECT_EQ(stage.record().history.front().text, QStringLiteral("hello world"));
}

TEST(ControllerMicrophoneDesktop, ASoundServerThatComesLateOpensTheMicrophoneKeptReady) {
    TAVIK_REQUIRE_DESKTOP();
    // Tavik first, as when it starts from autostart at login before the sound server does.
    PrivateSoundServer server;
    qputenv("PULSE_SERVER", server.address());
    auto settings = std::make_shared<SettingsScript>();
    settings->micAlwaysReady = true;
    settings->vadModelPath.reset();
    MicrophoneStage stage(settings, /*realDetector=*/false);
    ASSERT_TRUE(spinUntil([&] { return stage.controller().state() == State::idle(); }, 10000));
    EXPECT_FALSE(stage.audio().isRunning());
    EXPECT_FALSE(stage.controller().microphone().active);
    spinUntil([] { return false; }, 3000);
    // Told once, however often it was looked for meanwhile.
    EXPECT_EQ(countLoggedStartingWith("audio: sound server unavailable — "), 1);
    EXPECT_EQ(countLogged("audio: sound server connected"), 0);

    ASSERT_TRUE(server.start()) << server.log().toStdString();
    // Kept ready as it would have been at launch, and shown so to the settings and sidebar.
    ASSERT_TRUE(spinUntil(
        [&] {
            const auto active = stage.controller().microphone().active;
            return active && active->uid == QStringLiteral("tavik_pipe");
        },
        5000))
        << stage.log().toStdString() << '\n'
        << loggedMessages().join('\n').toStdString();
    EXPECT_TRUE(stage.audio().isRunning());
    EXPECT_EQ(stage.controller().state(), State::idle());
    EXPECT_EQ(stage.controller().microphone().planned->uid, QStringLiteral("tavik_pipe"));
    EXPECT_EQ(countLogged("audio: sound server connected"), 1);
    EXPECT_EQ(countLogged("audio: capturing from \"Tavik-Test-Microphone\" 16000Hz 1ch"), 1);

    // What is said before the next press is kept for it.
    { MicFeeder feeder(server.micFifo(), withTrailingSilence(std::vector<float>(8000, 0.25f))); }
    EXPECT_TRUE(spinUntil([&] { return stage.audio().prerollSeconds() >= 0.4; }, 5000));
}

// Two seconds of speech, then the microphone or the whole sound server goes: what was said is
// recognised and delivered, and the user is told the recording was cut short, and by what.
void speakThenLose(const QString& uid, const QString& fifo, const std::function<void()>& lose,
                   const QString& cause, const QString& notice) {
    TAVIK_REQUIRE_FIXTURE(jfk, "audio/jfk.wav");
    const std::vector<float> words = slice(readMonoSamples(jfk), 0.0, 2.0);
    auto settings = std::make_shared<SettingsScript>();
    settings->microphoneUID = uid;
    settings->vadModelPath.reset();
    MicrophoneStage stage(settings, /*realDetector=*/false);
    ASSERT_TRUE(spinUntil([&] { return stage.controller().state() == State::idle(); }, 10000));
    ASSERT_TRUE(stage.audio().isRunning()) << stage.log().toStdString();

    stage.press();
    ASSERT_TRUE(spinUntil([&] { return stage.controller().state() == State::recording(); }, 10000));
    { MicFeeder feeder(fifo, withTrailingSilence(words)); }
    const auto holdsWords = [&] {
        return findAmidSilence(stage.audio().snapshot(), words, 1e-6f).has_value();
    };
    ASSERT_TRUE(spinUntil(holdsWords, 10000)) << stage.log().toStdString();
    lose();

    ASSERT_TRUE(spinUntil([&] { return !stage.record().history.empty(); }, 20000))
        << stage.log().toStdString();
    EXPECT_TRUE(
        stage.logged("audio interrupted mid-utterance (" + cause + ") — keeping what was heard"))
        << stage.log().toStdString();
    EXPECT_EQ(stage.record().history.front().text, QStringLiteral("hello world"));
    const auto& kept = stage.record().audio.at(stage.record().history.front().id);
    EXPECT_TRUE(findAmidSilence(kept, words, 1e-6f).has_value());
    EXPECT_GE(stage.record().history.front().duration, 2.0);
    EXPECT_EQ(stage.controller().lastError(), notice);
    EXPECT_EQ(stage.controller().state(), State::idle());
}

TEST(ControllerMicrophoneDesktop, AnUnpluggedMicrophoneMidDictationDeliversTheWordsBeforeIt) {
    TAVIK_REQUIRE_DESKTOP();
    PipeMicrophone headset(QStringLiteral("tavik_headset"), 1, QStringLiteral("device.bus=usb"));
    ASSERT_TRUE(headset.loaded());
    speakThenLose(
        QStringLiteral("tavik_headset"), headset.fifo(), [&] { headset.unload(); },
        QStringLiteral("microphone gone"),
        QStringLiteral("Recording cut short — the microphone was disconnected."));
}

TEST(ControllerMicrophoneDesktop, ASoundServerOutageMidDictationDeliversTheWordsBeforeIt) {
    TAVIK_REQUIRE_DESKTOP();
    PrivateSoundServer server;
    ASSERT_TRUE(server.start()) << server.log().toStdString();
    qputenv("PULSE_SERVER", server.address());
    speakThenLose(
        QStringLiteral("tavik_pipe"), server.micFifo(), [&] { server.stop(); },
        QStringLiteral("sound server gone"),
        QStringLiteral("Recording cut short — the sound server stopped."));
}

TEST(ControllerMicrophoneDesktop, APressAsTheSoundServerReturnsConnectsThen) {
    TAVIK_REQUIRE_DESKTOP();
    PrivateSoundServer server;
    ASSERT_TRUE(server.start()) << server.log().toStdString();
    qputenv("PULSE_SERVER", server.address());
    auto settings = std::make_shared<SettingsScript>();
    settings->micAlwaysReady = false; // the press starts the stream
    settings->vadModelPath.reset();
    MicrophoneStage stage(settings, /*realDetector=*/false);
    ASSERT_TRUE(spinUntil([&] { return stage.controller().state() == State::idle(); }, 10000));
    ASSERT_TRUE(stage.controller().microphone().planned);

    server.stop();
    // Away, there is nothing to record from: what the sidebar shows in place of "Ready".
    ASSERT_TRUE(spinUntil([&] { return !stage.controller().microphone().planned; }, 10000))
        << stage.log().toStdString();
    spinUntil([] { return false; }, 1000); // the back-off has grown past a second
    ASSERT_TRUE(server.start()) << server.log().toStdString();
    stage.press(); // at once, before the client's own next try
    ASSERT_TRUE(spinUntil([&] { return stage.controller().state() == State::recording(); }, 5000))
        << stage.log().toStdString();
    EXPECT_FALSE(stage.controller().lastError()) << stage.log().toStdString();
}

} // namespace
} // namespace tavik::test
