// Start-up wiring, model loading and reloads, microphones, interruptions and shutdown.
#include "tests/support/controller_harness.h"

#include <csignal>

namespace tavik::test {
namespace {

using dictation::Action;
using dictation::State;

TEST(ControllerStartup, StartLogsTheArmedShortcutAndLoadsTheModel) {
    ControllerStage stage;
    stage.start(false);
    EXPECT_EQ(stage.state(), State::loading());
    EXPECT_EQ(stage.log(),
              QStringList({QStringLiteral("VAD ready (hold 700ms)"),
                           QStringLiteral("audio engine started"),
                           QStringLiteral("hotkey armed : handsFree=doubleTap rightCommand, "
                                          "pushToTalk=hold rightOption axTrusted=true "
                                          "inputMonitoring=true")}));
    EXPECT_EQ(stage.detector->speculativeHoldMs, 300);
    EXPECT_EQ(stage.detector->silenceHoldMs, 700);
    EXPECT_TRUE(stage.signalHandler);
    ASSERT_EQ(stage.loadJobs->size(), 1u);
    stage.loadJobs->front()();
    stage.drain();
    EXPECT_EQ(stage.state(), State::idle());
    EXPECT_EQ(stage.log().last(), QStringLiteral("model ready"));
    EXPECT_EQ(stage.recogniser->warmUps, 1);
    EXPECT_EQ(stage.recogniser->prompt, QStringLiteral("Tavik, Qt"));
    // The detector hears what the microphone captures.
    stage.loadJobs->clear();
    stage.press(Action::pushToTalk);
    stage.speak(0.5);
    EXPECT_EQ(stage.detector->fedSamples, 8000u);
}

TEST(ControllerStartup, MissingPermissionsAndAFailedTapAreReported) {
    ControllerStage stage;
    stage.shortcut->inputMonitoring = false;
    stage.shortcut->startResult = false;
    stage.record->trusted = false;
    stage.start(false);
    const QStringList lines = stage.log();
    EXPECT_TRUE(lines.contains(QStringLiteral(
        "hotkey FAILED TO ARM : handsFree=doubleTap rightCommand, pushToTalk=hold rightOption "
        "axTrusted=false inputMonitoring=false")));
    EXPECT_TRUE(lines.contains(
        QStringLiteral("input monitoring NOT granted — the shortcut will only fire inside Tavik")));
    EXPECT_EQ(
        stage.controller().lastError(),
        QStringLiteral("Could not listen for the shortcut — restart Tavik in an X11 session."));
    EXPECT_EQ(stage.shortcut->inputMonitoringRequests, 1);

    // Armed, but keys from other applications do not reach Tavik (a Wayland session).
    ControllerStage wayland;
    wayland.shortcut->inputMonitoring = false;
    wayland.start(false);
    EXPECT_EQ(wayland.controller().lastError(),
              QStringLiteral("Tavik can only hear your shortcut in X11 windows. Log in to an X11 "
                             "session to use it everywhere."));
}

TEST(ControllerStartup, AnEarlyEngineFailureStillEndsInLoading) {
    ControllerStage stage;
    stage.capture->startError =
        Error::tavik(11, QStringLiteral("The audio input could not be opened."));
    stage.start(false);
    EXPECT_EQ(stage.state(), State::loading());
    EXPECT_TRUE(stage.log().contains(
        QStringLiteral("audio engine failed: The audio input could not be opened.")));
    stage.advance(11); // the failed state's watchdog was disarmed by loading
    EXPECT_EQ(stage.state(), State::loading());
}

TEST(ControllerStartup, ADetectorThatFailsToLoadLeavesPushToTalkWorking) {
    ControllerStage stage;
    stage.detectorLoads = false;
    stage.start();
    EXPECT_TRUE(
        stage.log().contains(QStringLiteral("VAD failed to load from /models/ggml-silero.bin")));
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.release(1.0);
    stage.runJobs();
    EXPECT_EQ(stage.record->history.size(), 1u);
}

TEST(ControllerStartup, LoadingAModelMidDictationNeverOrphansTheRecording) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.controller().loadModel();
    EXPECT_EQ(stage.state(), State::recording());
    stage.release(1.0);
    EXPECT_EQ(stage.state(), State::transcribing());
    stage.runJobs();
    // The dictation completed; it rests in loading because the new model is not ready.
    EXPECT_EQ(stage.record->history.size(), 1u);
    EXPECT_EQ(stage.state(), State::loading());
    stage.loadJobs->front()();
    stage.loadJobs->pop_front();
    stage.drain();
    EXPECT_EQ(stage.state(), State::idle());

    // A load finishing during a recording swaps the model but leaves the recording alone.
    stage.press(Action::pushToTalk);
    stage.controller().loadModel();
    stage.loadJobs->front()();
    stage.loadJobs->pop_front();
    stage.drain();
    EXPECT_EQ(stage.state(), State::recording());
    stage.speak(1.0);
    stage.release(1.0);
    stage.runJobs();
    EXPECT_EQ(stage.state(), State::idle());
}

TEST(ControllerStartup, OnlyTheLatestModelLoadCounts) {
    ControllerStage stage;
    stage.start();
    stage.controller().loadModel(); // first choice
    stage.modelLoads = false;
    stage.settings->modelPath = QStringLiteral("/models/ggml-small.en.bin");
    stage.controller().loadModel(); // second choice, which fails
    ASSERT_EQ(stage.loadJobs->size(), 2u);
    // The second finishes first: its failure stands.
    auto first = std::move(stage.loadJobs->front());
    stage.loadJobs->pop_front();
    stage.loadJobs->front()();
    stage.drain();
    EXPECT_EQ(stage.controller().lastError(),
              QStringLiteral("Could not load /models/ggml-small.en.bin"));
    stage.modelLoads = true;
    first();
    stage.drain();
    EXPECT_EQ(stage.state(), State::loading());
    EXPECT_EQ(stage.controller().lastError(),
              QStringLiteral("Could not load /models/ggml-small.en.bin"));
}

TEST(ControllerStartup, ACaptureCutShortDeliversWhatWasSaidAndSaysWhy) {
    ControllerStage stage;
    stage.start();
    stage.signal(SIGHUP); // at rest: a rebuild, nothing cut
    EXPECT_EQ(stage.state(), State::idle());
    EXPECT_FALSE(stage.controller().lastError().has_value());
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.takeLog();
    stage.signal(SIGHUP);
    const QStringList lines = stage.takeLog();
    EXPECT_EQ(lines.first(), QStringLiteral("signal HUP — forcing an audio rebuild"));
    EXPECT_TRUE(lines.contains(QStringLiteral(
        "audio interrupted mid-utterance (microphone restarted) — keeping what was heard")));
    EXPECT_TRUE(lines.contains(QStringLiteral("captured 22400 samples (1.40s) peak -20.0dB "
                                              "target=org.example.editor")));
    stage.runJobs();
    ASSERT_EQ(stage.record->history.size(), 1u);
    EXPECT_DOUBLE_EQ(stage.record->history.front().duration, 1.4);
    // Delivered, and still told: the recording did not end where the user meant it to.
    EXPECT_EQ(stage.controller().lastError(),
              QStringLiteral("Recording cut short — the microphone was restarted."));
}

TEST(ControllerStartup, DeviceChangesWaitForTheRecordingToEnd) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::pushToTalk);
    stage.capture->healthy = false; // the planned device changed
    stage.capture->onDevicesChanged();
    stage.drain();
    EXPECT_EQ(stage.capture->restarts, 0);
    EXPECT_EQ(stage.state(), State::recording());
    stage.speak(1.0);
    stage.release(1.0);
    stage.runJobs();
    stage.takeLog();
    stage.capture->onDevicesChanged();
    stage.drain();
    EXPECT_EQ(stage.capture->restarts, 1);
    EXPECT_EQ(
        stage.takeLog().first(),
        QStringLiteral("audio devices changed — moving to the microphone that should be in use"));
}

TEST(ControllerStartup, SelectingAMicrophoneStoresAndAppliesIt) {
    ControllerStage stage;
    stage.capture->status.devices = {
        {7, QStringLiteral("usb-mic"), QStringLiteral("USB Mic"), 1, platform::transport::usb}};
    stage.start();
    EXPECT_EQ(stage.controller().microphone().devices.size(), 1);
    stage.controller().selectMicrophone(stage.capture->status.devices[0]);
    EXPECT_EQ(stage.settings->microphoneUID, QStringLiteral("usb-mic"));
    EXPECT_EQ(stage.settings->microphoneName, QStringLiteral("USB Mic"));
    EXPECT_EQ(stage.capture->preferredUID, QStringLiteral("usb-mic"));
    EXPECT_EQ(stage.capture->restarts, 1);
    EXPECT_TRUE(stage.log().contains(QStringLiteral("microphone selected: USB Mic")));

    stage.capture->startError =
        Error::tavik(12, QStringLiteral("Could not switch to USB Mic (-1)."));
    stage.controller().selectMicrophone(std::nullopt);
    EXPECT_FALSE(stage.settings->microphoneUID.has_value());
    EXPECT_TRUE(stage.log().contains(QStringLiteral("microphone selected: system default")));
    EXPECT_TRUE(stage.log().contains(
        QStringLiteral("microphone switch failed: Could not switch to USB Mic (-1).")));
    EXPECT_EQ(stage.controller().lastError(), QStringLiteral("Could not switch to USB Mic (-1)."));
}

TEST(ControllerStartup, ReloadsReachTheirComponents) {
    ControllerStage stage;
    stage.start();
    stage.settings->silenceHoldMs = 1200;
    stage.controller().reloadVAD();
    EXPECT_EQ(stage.detector->silenceHoldMs, 1200);
    stage.shortcut->startResult = false;
    EXPECT_FALSE(stage.controller().reloadHotkey());
    EXPECT_EQ(stage.shortcut->bindingsApplied, 2);
    stage.controller().reloadVocabulary();
    EXPECT_EQ(stage.log().last(), QStringLiteral("vocabulary: 2 terms"));
}

TEST(ControllerStartup, ShutdownStopsEverythingAndLaterWorkIsIgnored) {
    ControllerStage stage;
    stage.start();
    stage.press(Action::handsFree);
    stage.speak(1.0);
    stage.pauseEvent();
    stage.drain();
    stage.controller().shutdown();
    EXPECT_EQ(stage.shortcut->stops, 1);
    EXPECT_FALSE(stage.capture->running);
    EXPECT_TRUE(stage.record->events.contains(QStringLiteral("drainWriters")));
    const auto before = stage.log().size();
    stage.advance(31); // the cap and the interruption posted by the stop find nothing to do
    stage.runJobs();
    EXPECT_EQ(stage.log().size(), before);
    EXPECT_TRUE(stage.recogniser->calls.empty());
}

} // namespace
} // namespace tavik::test
