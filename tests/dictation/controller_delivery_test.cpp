// Recognition and delivery: the confidence gate, correction and snippets, the scratchpad,
// the clipboard fallback, the audio archive and failures of recognition.
#include "app/stores/audio_store.h"
#include "app/stores/history.h"
#include "app/stores/preferences.h"
#include "platform/activation_policy.h"
#include "platform/defaults_store.h"
#include "platform/folders.h"
#include "platform/main_thread.h"
#include "platform/private_files.h"
#include "tests/support/controller_harness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>
#include <mutex>

namespace tavik::test {
namespace {

using dictation::Action;
using dictation::State;

void dictateOnce(ControllerStage& stage) {
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.release(1.0);
    stage.runJobs();
}

TEST(ControllerDelivery, ConfidenceBelowTheGateIsDroppedAndTheGateItselfIsAccepted) {
    ControllerStage stage;
    stage.recogniser->fallback = {QStringLiteral("uh"), 0.34};
    stage.start();
    stage.takeLog();
    dictateOnce(stage);
    const QStringList lines = stage.takeLog();
    EXPECT_TRUE(
        lines.contains(QStringLiteral("discarded low-confidence transcript (0.34): \"uh\"")));
    EXPECT_TRUE(lines.contains(QStringLiteral("transcribed in 0ms (confidence 0.34): \"\"")));
    EXPECT_EQ(lines.last(), QStringLiteral("empty transcript — nothing to insert"));
    EXPECT_EQ(stage.state(), State::idle());
    EXPECT_TRUE(stage.record->events.isEmpty()); // no audio, history, sound or insertion

    stage.recogniser->fallback = {QStringLiteral("okay"), 0.35};
    dictateOnce(stage);
    ASSERT_EQ(stage.record->history.size(), 1u);
    EXPECT_EQ(stage.record->history[0].text, QStringLiteral("okay"));
}

TEST(ControllerDelivery, CorrectionRunsBeforeSnippetsAndSnippetsOnlyOnText) {
    ControllerStage stage;
    stage.recogniser->fallback = {QStringLiteral("my adress"), 0.9};
    stage.record->corrections[QStringLiteral("my adress")] = QStringLiteral("my address");
    stage.record->snippets[QStringLiteral("my address")] = QStringLiteral("1 Main Street");
    stage.start();
    dictateOnce(stage);
    ASSERT_EQ(stage.record->history.size(), 1u);
    EXPECT_EQ(stage.record->history[0].text, QStringLiteral("1 Main Street"));

    // Correction that empties a confident text: logged like a low-confidence drop.
    stage.recogniser->fallback = {QStringLiteral("erm"), 0.9};
    stage.record->corrections[QStringLiteral("erm")] = QString();
    stage.takeLog();
    dictateOnce(stage);
    EXPECT_TRUE(stage.takeLog().contains(
        QStringLiteral("discarded low-confidence transcript (0.90): \"erm\"")));
    EXPECT_EQ(stage.record->history.size(), 1u);
}

TEST(ControllerDelivery, WithoutVocabularyOrSnippetsTheTextGoesOutAsRecognised) {
    ControllerStage stage;
    stage.withTextSteps = false;
    stage.recogniser->fallback = {QStringLiteral("my adress"), 0.9};
    stage.record->corrections[QStringLiteral("my adress")] = QStringLiteral("my address");
    stage.start();
    EXPECT_EQ(stage.recogniser->prompt, QString());
    dictateOnce(stage);
    ASSERT_EQ(stage.record->history.size(), 1u);
    EXPECT_EQ(stage.record->history[0].text, QStringLiteral("my adress"));
    stage.controller().reloadVocabulary();
    EXPECT_EQ(stage.log().last(), QStringLiteral("vocabulary: 0 terms"));
}

TEST(ControllerDelivery, ScratchpadModeAppendsInsteadOfInserting) {
    ControllerStage stage;
    stage.settings->dictateToScratchpad = true;
    stage.start();
    dictateOnce(stage);
    EXPECT_EQ(stage.record->scratchpad, QStringLiteral("hello world"));
    ASSERT_EQ(stage.record->history.size(), 1u);
    const auto& entry = stage.record->history[0];
    EXPECT_EQ(entry.app, QStringLiteral("Scratchpad"));
    EXPECT_EQ(entry.bundleId, QStringLiteral("com.trelvanic.tavik"));
    EXPECT_EQ(entry.via, QStringLiteral("scratchpad"));
    EXPECT_TRUE(entry.inserted);
    EXPECT_EQ(stage.record->events.mid(2),
              QStringList(
                  {QStringLiteral("scratchpad:hello world"), QStringLiteral("sound:Pop"),
                   QStringLiteral("history:scratchpad"),
                   QStringLiteral("makeAudioDurable:") + entry.id.toString(QUuid::WithoutBraces)}));
    EXPECT_FALSE(stage.log().join('\n').contains(QStringLiteral("insert ->")));
    EXPECT_EQ(stage.state(), State::idle());
}

TEST(ControllerDelivery, FailedInsertionFallsBackToTheClipboard) {
    ControllerStage stage;
    stage.settings->keepAudio = false;
    stage.start();
    stage.record->insertResults.push_back(
        {false, QStringLiteral("none"), QStringLiteral("paste refused\nall mechanisms exhausted\n"),
         QString()});
    stage.takeLog();
    dictateOnce(stage);
    EXPECT_TRUE(stage.takeLog().contains(
        QStringLiteral("insert -> FAILED via none [paste refused; all mechanisms exhausted; ]")));
    EXPECT_EQ(stage.record->clipboard, QStringLiteral("hello world"));
    ASSERT_EQ(stage.record->history.size(), 1u);
    EXPECT_EQ(stage.record->history[0].via, QStringLiteral("clipboard"));
    EXPECT_FALSE(stage.record->history[0].inserted);
    EXPECT_EQ(stage.controller().lastError(),
              QStringLiteral("Could not type into Editor — copied to clipboard instead"));
    EXPECT_EQ(stage.record->events,
              QStringList({QStringLiteral("insert:hello world->org.example.editor"),
                           QStringLiteral("clipboard:hello world"),
                           QStringLiteral("history:clipboard"), QStringLiteral("sound:Basso")}));
    EXPECT_TRUE(stage.record->audio.empty()); // keepAudio off: nothing archived

    // Without accessibility the message says what to grant; the prompt is asked for once.
    stage.record->trusted = false;
    stage.record->insertResults.push_back({false, QStringLiteral("none"), QString(), QString()});
    dictateOnce(stage);
    EXPECT_EQ(stage.controller().lastError(),
              QStringLiteral("Tavik needs the desktop's accessibility to type into other apps. "
                             "Turn it on in Tavik's Settings. Your text is on the clipboard."));
    dictateOnce(stage); // succeeds, and clears the message
    EXPECT_FALSE(stage.controller().lastError().has_value());
    EXPECT_EQ(stage.record->trustRequests, 1);
}

TEST(ControllerDelivery, TheTextIsOnlyDeliveredIntoTheWindowInFrontAtTheRelease) {
    ControllerStage stage;
    stage.settings->keepAudio = false;
    stage.start();
    stage.record->frontmost.window = 0x400007;
    const auto dictateWhileFocusMovesTo = [&](const dictation::TargetApp& other) {
        stage.press(Action::pushToTalk);
        stage.speak(1.0);
        stage.release(1.0);
        const dictation::TargetApp atRelease = stage.record->frontmost;
        stage.record->frontmost = other;
        stage.runJobs();
        stage.record->frontmost = atRelease;
    };
    // Another application, then another window of the same one: neither gets a key, the text
    // is on the clipboard, and the engine is not asked (so it learns nothing about either).
    const dictation::TargetApp elsewhere[] = {
        {QStringLiteral("Chat"), QStringLiteral("org.example.chat"), 99, 0x600003},
        {QStringLiteral("Editor"), QStringLiteral("org.example.editor"), 4242, 0x400123}};
    for (const dictation::TargetApp& other : elsewhere) {
        stage.record->events.clear();
        stage.takeLog();
        dictateWhileFocusMovesTo(other);
        EXPECT_TRUE(stage.takeLog().contains(
            QStringLiteral("insert -> FAILED via none [target no longer in front; ]")));
        EXPECT_EQ(stage.record->events, QStringList({QStringLiteral("clipboard:hello world"),
                                                     QStringLiteral("history:clipboard"),
                                                     QStringLiteral("sound:Basso")}));
        ASSERT_FALSE(stage.record->history.empty());
        EXPECT_EQ(stage.record->history.back().app, QStringLiteral("Editor"));
        EXPECT_FALSE(stage.record->history.back().inserted);
        EXPECT_EQ(stage.controller().lastError(),
                  QStringLiteral("Could not type into Editor — copied to clipboard instead"));
    }

    // Typing that stopped part-way leaves only its untyped end on the clipboard.
    stage.record->insertResults.push_back({false, QStringLiteral("none"),
                                           QStringLiteral("type -> Failed\n"),
                                           QStringLiteral("world")});
    dictateOnce(stage);
    EXPECT_EQ(stage.record->clipboard, QStringLiteral("world"));
    EXPECT_FALSE(stage.record->history.back().inserted);
}

TEST(ControllerDelivery, SoundsFollowTheSetting) {
    ControllerStage stage;
    stage.settings->playSounds = false;
    stage.start();
    dictateOnce(stage);
    EXPECT_FALSE(stage.record->events.join('\n').contains(QStringLiteral("sound:")));
}

TEST(ControllerDelivery, TheFloatingButtonTargetsTheApplicationInFrontBefore) {
    ControllerStage stage;
    stage.start();
    stage.record->frontmost = {QStringLiteral("Tavik"), QStringLiteral("com.trelvanic.tavik"), 1};
    stage.record->lastExternal =
        dictation::TargetApp{QStringLiteral("Mail"), QStringLiteral("org.example.mail"), 77};
    stage.controller().toggleFromOrb();
    EXPECT_EQ(stage.controller().ending(), DictationController::Ending::voiceActivity);
    stage.speak(1.0);
    stage.takeLog();
    stage.controller().toggleFromOrb();
    EXPECT_TRUE(stage.takeLog().contains(
        QStringLiteral("orb: targeting org.example.mail rather than ourselves")));
    stage.runJobs();
    ASSERT_EQ(stage.record->history.size(), 1u);
    EXPECT_EQ(stage.record->history[0].app, QStringLiteral("Mail"));
    EXPECT_EQ(stage.record->history[0].bundleId, QStringLiteral("org.example.mail"));

    // The tracker may still hold ourselves: no pretend retargeting then.
    stage.record->lastExternal = stage.record->frontmost;
    stage.controller().toggleFromOrb();
    stage.speak(1.0);
    stage.takeLog();
    stage.controller().toggleFromOrb();
    EXPECT_FALSE(stage.takeLog().join('\n').contains(QStringLiteral("orb: targeting")));
}

// The inserter hears whether a modifier key began the recording: released alone, it may have
// opened the target's menu.
TEST(ControllerDelivery, TheInserterHearsWhetherAModifierKeyBeganTheRecording) {
    ControllerStage stage;
    stage.shortcut->modifierKey = true;
    stage.start();
    dictateOnce(stage);
    stage.controller().toggleFromOrb();
    stage.speak(1.0);
    stage.controller().toggleFromOrb();
    stage.runJobs();
    EXPECT_EQ(stage.record->recordingsBegun, (std::vector<bool>{true, false}));
}

TEST(ControllerDelivery, ARecognitionFailureReturnsToRestAtOnce) {
    ControllerStage stage;
    stage.recogniser->throwOnRecognise = true;
    stage.start();
    stage.takeLog();
    dictateOnce(stage);
    EXPECT_EQ(stage.state(), State::idle());
    const QStringList lines = stage.takeLog();
    EXPECT_TRUE(lines.contains(QStringLiteral("recognition failed: out of memory")));
    EXPECT_EQ(lines.last(), QStringLiteral("empty transcript — nothing to insert"));
}

TEST(ControllerDelivery, DebugAudioIsSavedUnderItsOwnIdForUtterancesThatPassTheGates) {
    ControllerStage stage;
    stage.environment.insert(QStringLiteral("TAVIK_DEBUG_AUDIO"));
    stage.start();
    stage.press(Action::pushToTalk);
    stage.speak(0.05); // too short: nothing saved
    stage.release(1.0);
    EXPECT_TRUE(stage.record->audio.empty());
    dictateOnce(stage);
    ASSERT_EQ(stage.record->audio.size(), 2u); // the debug copy and the archived one
    const auto debugLine = stage.log().filter(QStringLiteral("debug audio: "));
    ASSERT_EQ(debugLine.size(), 1);
    EXPECT_TRUE(debugLine[0].startsWith(QStringLiteral("debug audio: /archive/")));
    EXPECT_TRUE(debugLine[0].endsWith(QStringLiteral(".wav")));
}

TEST(ControllerDelivery, WithoutAModelTheDictationReturnsToIdle) {
    ControllerStage stage;
    stage.modelLoads = false;
    stage.start();
    EXPECT_EQ(stage.state(), State::loading());
    EXPECT_EQ(stage.controller().lastError(),
              QStringLiteral("Could not load /models/ggml-base.en.bin"));
    // SIGUSR1 is refused while loading; there is no way to dictate.
    stage.signal(SIGUSR1);
    EXPECT_EQ(stage.state(), State::loading());
}

// A budget edited by hand to a huge number means "keep everything": no path from the setting to
// the archive may wrap it into a limit of zero or less.
TEST(ControllerDelivery, AHugeAudioBudgetKeepsEveryRecording) {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Tavik";
    QDir().mkpath(config);
    AudioStore& archive = AudioStore::shared();
    QList<QUuid> kept;
    for (int i = 0; i < 3; ++i) {
        kept << QUuid::createUuid();
        ASSERT_TRUE(archive.save(std::vector<float>(16'000, 0.1f), kept.last()));
    }
    for (const char* budget : {"1000000000000", "1e12", "4294967296", "9223372036854775807"}) {
        SCOPED_TRACE(budget);
        QFile file(config + "/defaults.json");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("{\"audioBudgetMB\": ") + budget + "}");
        file.close();
        platform::ActivationPolicyHook policy;
        Preferences prefs({platform::DefaultsStore::shared(), platform::Folders::fromEnvironment(),
                           QString(), policy, archive});
        ControllerStage stage;
        stage.preferences = &prefs;
        stage.sharedStores = true;
        stage.start();
        dictateOnce(stage);
        ASSERT_EQ(stage.state(), State::idle());
        kept << History::shared().entries().first().id;
        for (const QUuid& id : kept) {
            EXPECT_TRUE(archive.exists(id)) << id.toString().toStdString();
        }
    }
}

// Between the key's release and the text nothing waits for the disk: the recording is written
// (and pruned) before the insertion, but synced after it, off the main thread.
TEST(ControllerDelivery, TheRecordingIsSyncedOnlyAfterTheTextIsOutAndNeverOnTheMainThread) {
    // The history's own writer may still be syncing when the test ends: what it reports to
    // must outlive the test.
    struct Seen {
        std::mutex mutex;
        QStringList onMain, elsewhere;
    };
    const auto seen = std::make_shared<Seen>();
    std::mutex& mutex = seen->mutex;
    QStringList& syncedOnMain = seen->onMain;
    QStringList& synced = seen->elsewhere;
    platform::setSyncObserver([seen](const QString& path) {
        std::lock_guard lock(seen->mutex);
        (platform::isMainThread() ? seen->onMain : seen->elsewhere) << path;
    });
    ControllerStage stage;
    stage.sharedStores = true;
    stage.start();
    qsizetype syncsBeforeTheText = -1;
    stage.record->onInsert = [&] {
        // Whatever was asked for before the insertion has had its chance to run by now.
        ASSERT_TRUE(platform::drainSyncs(std::chrono::seconds(10)));
        std::lock_guard lock(mutex);
        syncsBeforeTheText = syncedOnMain.size() + synced.size();
    };
    dictateOnce(stage);
    ASSERT_EQ(stage.state(), State::idle());
    ASSERT_TRUE(platform::drainSyncs(std::chrono::seconds(10)));
    platform::setSyncObserver({});

    const QString file = AudioStore::shared().url(History::shared().entries().first().id);
    EXPECT_TRUE(QFileInfo(file).isFile());
    std::lock_guard lock(mutex);
    EXPECT_EQ(syncsBeforeTheText, 0);
    EXPECT_TRUE(syncedOnMain.isEmpty()) << syncedOnMain.join(", ").toStdString();
    EXPECT_TRUE(synced.contains(file)) << synced.join(", ").toStdString();
    EXPECT_TRUE(synced.contains(AudioStore::shared().directory()));
}

} // namespace
} // namespace tavik::test
