// The capture engine on the test desktop's sound server, fed through pipe sources.
#include "app/dictation/audio_capture.h"
#include "app/dictation/audio_devices.h"
#include "tests/support/audio_desktop.h"
#include "tests/support/audio_log.h"
#include "tests/support/fixtures.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

namespace tavik {
namespace {

void settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    test::spinUntil([&] { return timer.elapsed() >= ms; }, ms + 1000);
}

std::vector<float> ramp(std::size_t count, float top) {
    std::vector<float> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = top * float(i + 1) / float(count);
    }
    return samples;
}

TEST(AudioCaptureDesktop, DeliversTheSpokenSamplesIntoTheUtterance) {
    TAVIK_REQUIRE_DESKTOP();
    TAVIK_REQUIRE_FIXTURE(jfkPath, "audio/jfk.wav");
    const std::vector<float> speech = test::readMonoSamples(jfkPath);
    ASSERT_EQ(speech.size(), 176000u);

    AudioCapture capture;
    std::atomic<std::size_t> handedOut{0};
    capture.onSamples = [&](std::vector<float> chunk) {
        handedOut += chunk.size();
    };
    capture.start();
    ASSERT_TRUE(capture.isRunning());
    ASSERT_TRUE(capture.activeDevice());
    EXPECT_EQ(capture.activeDevice()->uid, "tavik_pipe");
    EXPECT_EQ(test::countLogged("audio: capturing from \"Tavik-Test-Microphone\" 16000Hz 1ch"), 1);

    capture.beginUtterance();
    { test::MicFeeder feeder(test::desktopMicFifo(), speech); }
    ASSERT_TRUE(test::spinUntil([&] { return capture.snapshot().size() >= speech.size(); }, 15000))
        << "got " << capture.snapshot().size();
    const std::vector<float> utterance = capture.endUtterance();
    ASSERT_EQ(utterance.size(), speech.size());
    float worst = 0;
    for (std::size_t i = 0; i < speech.size(); ++i) {
        worst = std::max(worst, std::fabs(utterance[i] - speech[i]));
    }
    EXPECT_LT(worst, 1e-4f);
    EXPECT_EQ(handedOut.load(), speech.size());

    // The utterance is closed: more audio only refills the pre-roll.
    { test::MicFeeder feeder(test::desktopMicFifo(), std::vector<float>(3200, 0.5f)); }
    ASSERT_TRUE(test::spinUntil([&] { return capture.level() > -6.03f; }, 5000));
    EXPECT_NEAR(capture.level(), -6.0206f, 1e-3);
    EXPECT_EQ(handedOut.load(), speech.size());
    capture.stop();
}

TEST(AudioCaptureDesktop, PrerollHoldsExactlyTheNewestFourTenths) {
    TAVIK_REQUIRE_DESKTOP();
    AudioCapture capture;
    capture.start();
    const std::vector<float> second = ramp(16000, 0.5f);
    { test::MicFeeder feeder(test::desktopMicFifo(), second); }
    // The newest chunk holds the loudest sample of the ramp: once the level shows it, all of
    // the second has arrived.
    ASSERT_TRUE(test::spinUntil([&] { return capture.level() > -6.03f; }, 5000));
    EXPECT_DOUBLE_EQ(capture.prerollSeconds(), 0.4);
    capture.beginUtterance();
    const auto utterance = capture.endUtterance();
    ASSERT_EQ(utterance.size(), 6400u);
    EXPECT_EQ(utterance.front(), second[16000 - 6400]);
    EXPECT_EQ(utterance.back(), second.back());
    capture.stop();
}

TEST(AudioCaptureDesktop, FirstSecondVerificationTellsSilentFromLiveSources) {
    TAVIK_REQUIRE_DESKTOP();
    test::PipeMicrophone mute("tavik_mute");
    ASSERT_TRUE(mute.loaded());
    AudioCapture capture;
    int verified = 0;
    capture.onVerified = [&] {
        ++verified;
    };

    capture.preferredDeviceUID = "tavik_mute";
    capture.start();
    EXPECT_EQ(capture.activeDevice()->uid, "tavik_mute");
    ASSERT_TRUE(test::spinUntil([&] { return verified == 1; }, 5000));
    EXPECT_TRUE(capture.isSilent());
    EXPECT_EQ(test::countLogged("audio: \"tavik_mute\" delivered NO audio in its first second"), 1);

    capture.preferredDeviceUID.reset();
    capture.start(); // unhealthy now (a preference no longer names it): moves to the default
    EXPECT_EQ(capture.activeDevice()->uid, "tavik_pipe");
    { test::MicFeeder feeder(test::desktopMicFifo(), std::vector<float>(8000, 0.1f)); }
    ASSERT_TRUE(test::spinUntil([&] { return verified == 2; }, 5000));
    EXPECT_FALSE(capture.isSilent());
    EXPECT_EQ(
        test::countLogged(
            "audio: verified — 8000 samples in the first second from \"Tavik-Test-Microphone\""),
        1);
}

TEST(AudioCaptureDesktop, KeepsOnlyTheFirstChannelOfAManyChannelDevice) {
    TAVIK_REQUIRE_DESKTOP();
    test::PipeMicrophone quad("tavik_quad4", 4);
    ASSERT_TRUE(quad.loaded());
    AudioCapture capture;
    capture.preferredDeviceUID = "tavik_quad4";
    capture.start();
    EXPECT_EQ(test::countLogged("audio: capturing from \"tavik_quad4\" 16000Hz 4ch"), 1);
    capture.beginUtterance();
    std::vector<float> frames;
    for (int i = 0; i < 1600; ++i) {
        frames.insert(frames.end(), {0.5f, -0.25f, 0.125f, -0.75f});
    }
    { test::MicFeeder feeder(quad.fifo(), frames); }
    ASSERT_TRUE(test::spinUntil([&] { return capture.snapshot().size() >= 1600; }, 5000));
    const auto utterance = capture.endUtterance();
    ASSERT_EQ(utterance.size(), 1600u);
    EXPECT_EQ(std::count(utterance.begin(), utterance.end(), 0.5f), 1600);
}

TEST(AudioCaptureDesktop, UnpluggingTheActiveSourceCutsTheUtteranceAndMovesToTheDefault) {
    TAVIK_REQUIRE_DESKTOP();
    test::PipeMicrophone usb("tavik_usb", 1, "device.bus=usb");
    ASSERT_TRUE(usb.loaded());
    AudioCapture capture;
    int interrupted = 0;
    int started = 0;
    capture.onCaptureInterrupted = [&] {
        ++interrupted;
    };
    capture.onStarted = [&] {
        ++started;
    };
    capture.preferredDeviceUID = "tavik_usb";
    capture.start();
    ASSERT_EQ(capture.activeDevice()->uid, "tavik_usb");
    EXPECT_FALSE(capture.usingFallback());
    settle(600); // past the quiet window after a start
    capture.beginUtterance();

    usb.unload();
    ASSERT_TRUE(test::spinUntil([&] { return started == 2; }, 5000));
    EXPECT_EQ(interrupted, 1);
    EXPECT_TRUE(capture.isRunning());
    EXPECT_EQ(capture.activeDevice()->uid, "tavik_pipe");
    EXPECT_TRUE(capture.usingFallback());
    EXPECT_EQ(test::countLogged("audio: hardware reconfigured — rebuilding the engine"), 1);
    EXPECT_EQ(test::countLogged("audio: capturing from \"Tavik-Test-Microphone\" 16000Hz 1ch — "
                                "chosen microphone unavailable, using the system default"),
              1);
    EXPECT_TRUE(capture.isHealthy());
}

TEST(AudioCaptureDesktop, AnUnplugNoticedAfterStopNeverRestartsTheMicrophone) {
    TAVIK_REQUIRE_DESKTOP();
    const QString rebuilding =
        QStringLiteral("audio: hardware reconfigured — rebuilding the engine");
    const auto rebuildsBefore = test::countLogged(rebuilding);
    test::PipeMicrophone usb("tavik_usb", 1, "device.bus=usb");
    ASSERT_TRUE(usb.loaded());
    AudioCapture capture;
    capture.preferredDeviceUID = "tavik_usb";
    capture.start();
    settle(600);
    usb.unload();
    // Wait, without running the main loop, until the stream has ended: its notice is queued.
    for (int i = 0; i < 500 && capture.isRunning(); ++i) {
        QThread::msleep(10);
    }
    ASSERT_FALSE(capture.isRunning());
    capture.stop(); // as the controller's shutdown does
    settle(300);
    EXPECT_FALSE(capture.isRunning());
    EXPECT_FALSE(capture.activeDevice());
    EXPECT_EQ(test::countLogged(rebuilding), rebuildsBefore);
}

TEST(AudioCaptureDesktop, AMonitorAsTheOnlyDefaultIsNoMicrophone) {
    TAVIK_REQUIRE_DESKTOP();
    struct Restore {
        ~Restore() { test::pactl({"set-default-source", "tavik_pipe"}); }
    } restore;
    ASSERT_TRUE(test::pactl({"set-default-source", "tavik_null.monitor"}));
    AudioCapture capture;
    try {
        capture.start();
        FAIL() << "started on " << capture.activeDevice()->uid.toStdString();
    } catch (const Error& error) {
        EXPECT_EQ(error.code, 10);
        EXPECT_EQ(error.description, "No microphone is connected.");
    }
    EXPECT_FALSE(capture.isRunning());
}

TEST(AudioCaptureDesktop, AVanishedChoiceFailsToSelectWithTheServersStatus) {
    TAVIK_REQUIRE_DESKTOP();
    auto engine = platform::AudioInputEngine::create();
    ASSERT_TRUE(engine->hasInputUnit());
    const auto pipe = AudioDevices::device(QStringLiteral("tavik_pipe"));
    ASSERT_TRUE(pipe);
    EXPECT_EQ(engine->selectDevice(pipe->id, pipe->uid), 0);
    EXPECT_NE(engine->selectDevice(pipe->id + 1000, pipe->uid), 0);
    EXPECT_NE(engine->selectDevice(pipe->id, QStringLiteral("tavik_nowhere")), 0);
}

} // namespace
} // namespace tavik
