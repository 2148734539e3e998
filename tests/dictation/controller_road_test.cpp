// The road of one dictation: push-to-talk, taps and double taps, hands-free, the gates,
// speculation, Escape, the cap and the watchdogs.
#include "tests/support/controller_harness.h"

#include <algorithm>
#include <csignal>

namespace tavik::test {
namespace {

using dictation::Action;
using dictation::State;

TEST(ControllerRoad, PushToTalkFromPressToDeliveredText) {
    ControllerStage stage;
    stage.start();
    ASSERT_EQ(stage.state(), State::idle());
    stage.takeLog();

    stage.press(Action::pushToTalk);
    EXPECT_EQ(stage.state(), State::recording());
    EXPECT_EQ(stage.detector->resets, 1);
    stage.speak(1.0);
    stage.advance(0.1);
    EXPECT_FLOAT_EQ(stage.controller().level(), -20.0f); // the level follows the microphone
    stage.release(1.0);
    EXPECT_EQ(stage.state(), State::transcribing());
    EXPECT_FLOAT_EQ(stage.controller().level(), -80.0f);
    stage.runJobs();

    EXPECT_EQ(stage.state(), State::idle());
    const QStringList expected{
        QStringLiteral("hotkey pressed (state=idle)"),
        QStringLiteral("recording (preroll 0.40s)"),
        QStringLiteral("started pushToTalk"),
        QStringLiteral("end of utterance (state=recording)"),
        QStringLiteral("captured 22400 samples (1.40s) peak -20.0dB target=org.example.editor"),
        QStringLiteral("transcribed in 0ms (confidence 0.87): \"hello world\""),
        QStringLiteral("insert -> OK via accessibility [a; b; ]"),
    };
    EXPECT_EQ(stage.takeLog(), expected);
    EXPECT_EQ(stage.recogniser->calls, std::vector<std::size_t>({22400}));

    ASSERT_EQ(stage.record->history.size(), 1u);
    const auto& entry = stage.record->history.front();
    EXPECT_EQ(entry.text, QStringLiteral("hello world"));
    EXPECT_EQ(entry.app, QStringLiteral("Editor"));
    EXPECT_EQ(entry.bundleId, QStringLiteral("org.example.editor"));
    EXPECT_EQ(entry.via, QStringLiteral("accessibility"));
    EXPECT_TRUE(entry.inserted);
    EXPECT_DOUBLE_EQ(entry.duration, 1.4);
    EXPECT_DOUBLE_EQ(entry.latencyMs, 100.0);
    // The audio goes under the entry's id, saved and pruned before the text is inserted; it is
    // made durable only once the text is out.
    const QString id = entry.id.toString(QUuid::WithoutBraces);
    EXPECT_EQ(
        stage.record->events,
        QStringList({QStringLiteral("saveAudio:") + id, QStringLiteral("pruneAudio:250000000"),
                     QStringLiteral("insert:hello world->org.example.editor"),
                     QStringLiteral("sound:Pop"), QStringLiteral("history:accessibility"),
                     QStringLiteral("makeAudioDurable:") + id}));
    EXPECT_EQ(stage.record->audio.at(entry.id).size(), 22400u);
    EXPECT_FALSE(stage.controller().lastError().has_value());
    // The 90 s watchdog was disarmed by the return to idle.
    stage.advance(91);
    EXPECT_FALSE(stage.controller().lastError().has_value());
}

TEST(ControllerRoad, TapEndsAfterTheDoubleTapWindowAndHoldEndsAtOnce) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.release(0.2);
    stage.advance(0.34);
    EXPECT_EQ(stage.state(), State::recording());
    stage.advance(0.02);
    EXPECT_EQ(stage.state(), State::transcribing());
    stage.runJobs();

    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.release(0.25);
    EXPECT_EQ(stage.state(), State::transcribing());
}

TEST(ControllerRoad, TapThenDoubleTapSwitchesToHandsFreeAndRestartsTheCap) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.advance(10);
    stage.release(0.1);
    stage.takeLog();
    stage.press(Action::handsFree);
    EXPECT_EQ(stage.takeLog(), QStringList{QStringLiteral("switched to handsFree")});
    stage.advance(1); // the tap's finalize would have fired by now
    EXPECT_EQ(stage.state(), State::recording());
    stage.release(1.0); // a hold end in hands-free mode is ignored
    EXPECT_EQ(stage.state(), State::recording());
    stage.advance(28.9); // 30 s from the start have passed, not 30 s from the switch
    EXPECT_EQ(stage.state(), State::recording());
    stage.advance(0.2);
    EXPECT_EQ(stage.state(), State::transcribing());
    EXPECT_TRUE(stage.log().contains(QStringLiteral("hit the 30s cap")));
}

TEST(ControllerRoad, HandsFreeEndsAtTheEndOfSpeechButPushToTalkIgnoresIt) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.endOfSpeechEvent();
    stage.drain();
    EXPECT_EQ(stage.state(), State::recording());
    stage.release(1.0);
    stage.runJobs();

    stage.press(Action::handsFree);
    stage.speak(1.0);
    stage.takeLog();
    stage.endOfSpeechEvent();
    stage.drain();
    EXPECT_EQ(stage.state(), State::transcribing());
    EXPECT_EQ(stage.takeLog().mid(0, 2),
              QStringList({QStringLiteral("VAD: end of speech"),
                           QStringLiteral("end of utterance (state=recording)")}));
}

TEST(ControllerRoad, GatesDropShortSilentAndSpeechlessUtterancesQuietly) {
    ControllerStage stage;
    stage.capture->preroll = 0;
    stage.start();

    // 8000 samples is too short; 8001 is kept.
    stage.press(Action::pushToTalk);
    stage.speak(0.5);
    stage.release(1.0);
    EXPECT_EQ(stage.state(), State::idle());
    EXPECT_TRUE(stage.log().contains(QStringLiteral("too short — ignoring")));
    stage.press(Action::pushToTalk);
    stage.speak(8001.0 / 16000);
    stage.release(1.0);
    EXPECT_EQ(stage.state(), State::transcribing());
    stage.runJobs();
    stage.record->events.clear();
    stage.record->history.clear();

    // All zeros: peak -120.
    stage.press(Action::pushToTalk);
    stage.speak(1.0, 0.0f);
    stage.takeLog();
    stage.release(1.0);
    EXPECT_TRUE(stage.takeLog().contains(
        QStringLiteral("no speech — discarding 1.00s (speech 1.00s, peak -120.0dB)")));
    // Just under -55 dB is silence; exactly -55 dB is not.
    stage.press(Action::pushToTalk);
    stage.speak(1.0, static_cast<float>(std::pow(10.0, -55.01 / 20)));
    stage.release(1.0);
    EXPECT_EQ(stage.state(), State::idle());
    stage.press(Action::pushToTalk);
    stage.speak(1.0, static_cast<float>(std::pow(10.0, -54.99 / 20)));
    stage.release(1.0);
    EXPECT_EQ(stage.state(), State::transcribing());
    stage.runJobs();
    // The detector heard nothing, however loud the audio.
    stage.detector->heardSpeech = false;
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.release(1.0);
    EXPECT_EQ(stage.state(), State::idle());

    // Only the two utterances that passed reached the recogniser and the history.
    EXPECT_EQ(stage.recogniser->calls.size(), 2u);
    EXPECT_EQ(stage.record->history.size(), 1u);
    EXPECT_FALSE(stage.controller().lastError().has_value());
}

TEST(ControllerRoad, WithoutADetectorTheSpeechGateIsSkipped) {
    ControllerStage stage;
    stage.settings->vadModelPath.reset();
    stage.start();
    EXPECT_TRUE(
        stage.log().contains(QStringLiteral("VAD model not found — hands-free unavailable")));
    EXPECT_FALSE(stage.capture->onSamples);
    stage.press(Action::pushToTalk);
    stage.speak(1.0, 0.0f);
    stage.release(1.0);
    EXPECT_EQ(stage.state(), State::transcribing());
}

TEST(ControllerRoad, ASpeculationIsReusedWhenNothingWasSaidAfterIt) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.takeLog();
    stage.pauseEvent();
    stage.drain();
    EXPECT_EQ(stage.takeLog(), QStringList{QStringLiteral("speculating on 1.40s")});
    stage.speak(0.2, 0.0f); // silence after the pause
    stage.release(1.0);
    stage.runJobs();
    const QStringList lines = stage.takeLog();
    EXPECT_TRUE(lines.contains(QStringLiteral("using speculation (22400 of 25600 samples)")));
    EXPECT_TRUE(lines.contains(
        QStringLiteral("transcribed in 0ms speculative (confidence 0.87): \"hello world\"")));
    EXPECT_EQ(stage.recogniser->calls, std::vector<std::size_t>({22400}));
}

TEST(ControllerRoad, TheLoggedRecognitionTimeIncludesTheWaitForTheSpeculation) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.pauseEvent();
    stage.drain();
    stage.release(1.0);
    stage.advance(0.25); // the speculative pass is still running
    stage.runJobs();
    EXPECT_TRUE(stage.log().contains(
        QStringLiteral("transcribed in 250ms speculative (confidence 0.87): \"hello world\"")));
}

TEST(ControllerRoad, SpeechResumedDiscardsTheSpeculationAndSkipsItsPass) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.pauseEvent();
    stage.drain();
    stage.speak(1.0);
    stage.takeLog();
    stage.resumedEvent();
    stage.drain();
    EXPECT_EQ(stage.takeLog(),
              QStringList{QStringLiteral("speech resumed — discarding speculation")});
    stage.detector->speechSeconds = 2.0;
    stage.release(1.0);
    stage.runJobs();
    // The abandoned pass never ran; the final pass saw the whole utterance.
    EXPECT_EQ(stage.recogniser->calls, std::vector<std::size_t>({38400}));
}

TEST(ControllerRoad, WordsAfterAnEndOfSpeechInPushToTalkAreNotLost) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.pauseEvent();
    stage.drain();
    stage.endOfSpeechEvent(); // ignored in push-to-talk; no resumed event follows new speech
    stage.drain();
    stage.speak(0.5);
    stage.detector->speechSeconds = 1.5; // the detector heard the later words
    stage.release(1.0);
    stage.runJobs();
    EXPECT_FALSE(stage.log().join('\n').contains(QStringLiteral("using speculation")));
    EXPECT_EQ(stage.recogniser->calls, std::vector<std::size_t>({30400}));
}

TEST(ControllerRoad, AResumedEventStillQueuedAtTheReleaseCannotSaveAStaleSpeculation) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.pauseEvent();
    stage.drain();
    stage.speak(0.3);
    stage.detector->speechSeconds = 1.3;
    stage.resumedEvent(); // still in the queue when the release is handled
    stage.shortcut->onHoldEnd(Action::pushToTalk, 1.0);
    stage.mainQueue.drain();
    stage.runJobs();
    EXPECT_EQ(stage.recogniser->calls, std::vector<std::size_t>({27200}));
}

TEST(ControllerRoad, SpeculationLimits) {
    ControllerStage stage;
    stage.capture->preroll = 0;
    stage.start();
    stage.press(Action::pushToTalk);
    stage.speak(0.5); // 8000 samples: too few to speculate on, silently
    stage.takeLog();
    stage.pauseEvent();
    stage.drain();
    EXPECT_TRUE(stage.takeLog().isEmpty());
    stage.speak(29.6); // beyond 480,000 samples
    stage.pauseEvent();
    stage.drain();
    EXPECT_EQ(stage.takeLog(),
              QStringList{QStringLiteral("skipping speculation — buffer beyond the 30s window")});
    EXPECT_TRUE(stage.recognitionJobs->empty());
}

TEST(ControllerRoad, ANewRecordingDropsALeftoverSpeculation) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.pauseEvent();
    stage.drain();
    stage.escape();
    EXPECT_EQ(stage.state(), State::idle());
    EXPECT_FLOAT_EQ(stage.controller().level(), -80.0f);
    EXPECT_EQ(stage.log().last(), QStringLiteral("cancelled"));
    stage.runJobs(); // the cancelled speculation's pass is skipped
    EXPECT_TRUE(stage.recogniser->calls.empty());
    stage.escape(); // Escape at rest does nothing
    EXPECT_EQ(stage.log().last(), QStringLiteral("cancelled"));
}

TEST(ControllerRoad, AStaleTapCannotEndALaterRecording) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.release(0.1); // a tap: finalize armed for 0.35 s
    stage.escape();
    stage.advance(0.1);
    stage.signal(SIGUSR1);
    EXPECT_EQ(stage.state(), State::recording());
    stage.speak(1.0);
    stage.advance(0.5);
    EXPECT_EQ(stage.state(), State::recording());
    stage.takeLog();
    stage.signal(SIGUSR2);
    EXPECT_EQ(stage.state(), State::transcribing());
    stage.runJobs();
    stage.takeLog();
    stage.signal(SIGUSR2);
    EXPECT_EQ(stage.takeLog(), QStringList({QStringLiteral("signal USR2 (end)"),
                                            QStringLiteral("end of utterance (state=idle)")}));
}

TEST(ControllerRoad, PressesWhileBusyAreLoggedAndIgnored) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.release(1.0);
    stage.takeLog();
    stage.press(Action::handsFree);
    EXPECT_EQ(stage.takeLog(), QStringList({QStringLiteral("hotkey pressed (state=transcribing)"),
                                            QStringLiteral("ignored — not idle"),
                                            QStringLiteral("started handsFree")}));
    stage.controller().toggleFromOrb();
    EXPECT_EQ(stage.takeLog(), QStringList({QStringLiteral("hotkey pressed (state=transcribing)"),
                                            QStringLiteral("ignored — not idle")}));
}

TEST(ControllerRoad, WatchdogsReturnToIdleWithTheirMessage) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.release(1.0);
    stage.advance(89.9);
    EXPECT_EQ(stage.state(), State::transcribing());
    stage.advance(0.2);
    EXPECT_EQ(stage.state(), State::idle());
    EXPECT_TRUE(stage.log().contains(
        QStringLiteral("watchdog: still transcribing after 90s — returning to idle")));
    EXPECT_EQ(stage.controller().lastError(),
              QStringLiteral("That dictation did not finish. Ready again."));

    // The late result arrives while a newer recording runs: it is dropped, and the newer
    // recording ends normally with its own audio.
    stage.press(Action::pushToTalk);
    stage.speak(2.0);
    stage.runNextJob();
    EXPECT_EQ(stage.state(), State::recording());
    EXPECT_TRUE(stage.log().contains(QStringLiteral("late transcript — dropped")));
    EXPECT_TRUE(stage.record->history.empty());
    stage.release(1.0);
    stage.runJobs();
    ASSERT_EQ(stage.record->history.size(), 1u);
    EXPECT_EQ(stage.record->audio.at(stage.record->history[0].id).size(), 38400u);
}

TEST(ControllerRoad, AFailedEngineStartIsShownAndClearedByTheWatchdogOrARecovery) {
    ControllerStage stage;
    stage.settings->micAlwaysReady = false;
    stage.start();
    stage.capture->startError = Error::tavik(10, QStringLiteral("No microphone is connected."));
    stage.takeLog();
    stage.press(Action::pushToTalk);
    const State failed = State::failed(QStringLiteral("Microphone unavailable"));
    EXPECT_EQ(stage.state(), failed);
    EXPECT_EQ(stage.controller().lastError(), QStringLiteral("No microphone is connected."));
    EXPECT_TRUE(stage.takeLog().contains(
        QStringLiteral("audio engine failed: No microphone is connected.")));
    stage.press(Action::pushToTalk);
    EXPECT_EQ(stage.takeLog().first(),
              QStringLiteral("hotkey pressed (state=failed(\"Microphone unavailable\"))"));
    stage.advance(10.1);
    EXPECT_EQ(stage.state(), State::idle());
    EXPECT_TRUE(stage.log().contains(QStringLiteral(
        "watchdog: still failed(\"Microphone unavailable\") after 10s — returning to idle")));

    stage.press(Action::pushToTalk);
    EXPECT_EQ(stage.state(), failed);
    stage.capture->startError.reset();
    stage.signal(SIGHUP); // a successful rebuild reports a start
    EXPECT_EQ(stage.state(), State::idle());
    EXPECT_FALSE(stage.controller().lastError().has_value());
    EXPECT_TRUE(stage.log().contains(
        QStringLiteral("audio recovered — cleared the earlier start-up failure")));
    // A running but unhealthy engine is rebuilt on the next press.
    stage.capture->healthy = false;
    stage.takeLog();
    stage.press(Action::pushToTalk);
    EXPECT_TRUE(stage.takeLog().contains(QStringLiteral("audio engine is stale — rebuilding")));
    EXPECT_EQ(stage.state(), State::recording());
}

TEST(ControllerRoad, TheMicrophoneIsReleasedAfterADictationUnlessKeptReady) {
    ControllerStage stage;
    stage.settings->micAlwaysReady = false;
    stage.start();
    EXPECT_FALSE(stage.capture->running);
    stage.press(Action::pushToTalk);
    EXPECT_TRUE(stage.capture->running);
    stage.speak(1.0);
    stage.release(1.0);
    EXPECT_FALSE(stage.capture->running);
    stage.runJobs();
    EXPECT_EQ(stage.record->history.size(), 1u);

    ControllerStage ready;
    ready.start();
    EXPECT_TRUE(ready.capture->running);
    ready.press(Action::pushToTalk);
    ready.speak(1.0);
    ready.release(1.0);
    EXPECT_TRUE(ready.capture->running);
}

TEST(ControllerRoad, RecognitionHearsOneWindowAtMostAndThePrerollGivesWayFirst) {
    // Marks the pre-roll (0.4 s) so the test can see which samples reached recognition.
    const auto speakAfterMarkedPreroll = [](ControllerStage& stage, double seconds) {
        stage.press(Action::pushToTalk);
        std::fill(stage.capture->utterance.begin(), stage.capture->utterance.end(), 0.9f);
        stage.speak(seconds);
    };
    const auto prerollKept = [](const Samples& audio) {
        return std::find_if(audio.begin(), audio.end(), [](float s) { return s != 0.9f; }) -
               audio.begin();
    };

    // Released 29.8 s after the press: 30.2 s in all, so half of the pre-roll goes.
    ControllerStage stage;
    stage.start();
    speakAfterMarkedPreroll(stage, 29.8);
    stage.release(29.8);
    stage.runJobs();
    EXPECT_EQ(stage.recogniser->calls, std::vector<std::size_t>({480000}));
    ASSERT_EQ(stage.record->history.size(), 1u);
    const Samples& kept = stage.record->audio.at(stage.record->history.back().id);
    ASSERT_EQ(kept.size(), 480000u);
    EXPECT_EQ(prerollKept(kept), 3200);
    EXPECT_DOUBLE_EQ(stage.record->history.back().duration, 30.0);

    // The cap after 30 s of speech: none of the pre-roll is left, and none of the speech is lost.
    ControllerStage capped;
    capped.start();
    speakAfterMarkedPreroll(capped, 30.0);
    capped.advance(30.0);
    ASSERT_TRUE(capped.log().contains(QStringLiteral("hit the 30s cap")));
    capped.runJobs();
    EXPECT_EQ(capped.recogniser->calls, std::vector<std::size_t>({480000}));
    ASSERT_EQ(capped.record->history.size(), 1u);
    const Samples& heard = capped.record->audio.at(capped.record->history.back().id);
    EXPECT_EQ(prerollKept(heard), 0);
    Samples speech(480000);
    for (std::size_t i = 0; i < speech.size(); ++i) {
        speech[i] = i % 2 == 0 ? 0.3f : -0.3f;
    }
    EXPECT_TRUE(heard == speech); // every sample said after the press, in order
}

TEST(ControllerRoad, AHoldSwitchedToHandsFreeIsRecognisedAndKeptWhole) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::pushToTalk);
    // The detector is told how much of the utterance was heard before the press.
    EXPECT_EQ(stage.detector->heardBefore, 6400u);
    stage.speak(20.0);
    stage.advance(20.0);
    stage.press(Action::handsFree); // the cap starts again: 0.4 s + 20 s + up to 30 s
    stage.speak(15.0);
    stage.advance(15.0);
    ASSERT_EQ(stage.state(), State::recording());
    stage.endOfSpeechEvent();
    stage.drain();
    ASSERT_TRUE(stage.log().contains(QStringLiteral("captured 566400 samples (35.40s) peak -20.0dB "
                                                    "target=org.example.editor")));
    stage.runJobs();
    EXPECT_EQ(stage.recogniser->calls, std::vector<std::size_t>({566400}));
    ASSERT_EQ(stage.record->history.size(), 1u);
    EXPECT_EQ(stage.record->audio.at(stage.record->history.back().id).size(), 566400u);
    EXPECT_DOUBLE_EQ(stage.record->history.back().duration, 35.4);
}

} // namespace
} // namespace tavik::test
