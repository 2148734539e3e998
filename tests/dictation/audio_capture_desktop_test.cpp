// The capture engine on the test desktop's sound server, fed through pipe sources.
#include "app/dictation/audio_capture.h"
#include "app/dictation/audio_devices.h"
#include "tests/support/audio_desktop.h"
#include "tests/support/audio_log.h"
#include "tests/support/fixtures.h"
#include "tests/support/sound_server.h"

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
    { test::MicFeeder feeder(test::desktopMicFifo(), test::withTrailingSilence(speech)); }
    // Every sample spoken, in order; the server may have filled the time around it with silence,
    // and may still hold the last of an earlier test's words.
    ASSERT_TRUE(test::spinUntil(
        [&] { return test::findAfterEarlierAudio(capture.snapshot(), speech, 1e-4f).has_value(); },
        15000))
        << "got " << capture.snapshot().size();
    const std::vector<float> utterance = capture.endUtterance();
    EXPECT_TRUE(test::findAfterEarlierAudio(utterance, speech, 1e-4f));
    // All of it went out to the listener, a chunk still on its way at the end included.
    EXPECT_TRUE(test::spinUntil([&] { return handedOut.load() == utterance.size(); }, 2000))
        << handedOut.load() << " of " << utterance.size();

    // The utterance is closed: more audio only refills the pre-roll.
    { test::MicFeeder feeder(test::desktopMicFifo(), std::vector<float>(3200, 0.5f)); }
    ASSERT_TRUE(
        test::spinUntil([&] { return std::fabs(capture.level() - -6.0206f) < 1e-3f; }, 5000));
    EXPECT_EQ(handedOut.load(), utterance.size());
    capture.stop();
}

TEST(AudioCaptureDesktop, PrerollHoldsExactlyTheNewestFourTenths) {
    TAVIK_REQUIRE_DESKTOP();
    AudioCapture capture;
    capture.start();
    // Its top is a value no other test speaks: a server may still hold some of their audio.
    const std::vector<float> second = ramp(16000, 0.4375f);
    { test::MicFeeder feeder(test::desktopMicFifo(), test::withTrailingSilence(second)); }
    // Once the pre-roll holds the ramp's loudest (last) sample, all of the second has arrived.
    std::vector<float> utterance;
    ASSERT_TRUE(test::spinUntil(
        [&] {
            capture.beginUtterance();
            utterance = capture.endUtterance();
            return std::find(utterance.begin(), utterance.end(), second.back()) != utterance.end();
        },
        5000));
    EXPECT_DOUBLE_EQ(capture.prerollSeconds(), 0.4);
    ASSERT_EQ(utterance.size(), 6400u);
    // The newest 0.4 s: the end of the ramp, and whatever silence the server has added since.
    const auto ramped =
        std::size_t(std::find(utterance.begin(), utterance.end(), 0.0f) - utterance.begin());
    ASSERT_GT(ramped, 0u);
    const std::vector<float> ending(second.end() - std::ptrdiff_t(ramped), second.end());
    EXPECT_EQ(test::findAmidSilence(utterance, ending, 0.0f), std::optional<std::size_t>(0));
    capture.stop();
}

TEST(AudioCaptureDesktop, FirstSecondVerificationTellsSilentFromLiveSources) {
    TAVIK_REQUIRE_DESKTOP();
    if (test::soundServerIsPipeWire()) {
        GTEST_SKIP() << "PipeWire fills every source's silence with samples: no source on it "
                        "delivers nothing in its first second";
    }
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

// Array microphones and some laptops' built-in ones offer four channels, not all of them live.
TEST(AudioCaptureDesktop, AFourChannelMicrophoneWithASilentFirstChannelIsHeard) {
    TAVIK_REQUIRE_DESKTOP();
    TAVIK_REQUIRE_FIXTURE(jfkPath, "audio/jfk.wav");
    const std::vector<float> speech = test::readMonoSamples(jfkPath);
    ASSERT_EQ(speech.size(), 176000u);
    const std::vector<float> words(speech.begin() + 16000, speech.begin() + 32000);
    test::PipeMicrophone quad("tavik_quad4", 4);
    ASSERT_TRUE(quad.loaded());
    AudioCapture capture;
    int verified = 0;
    capture.onVerified = [&] {
        ++verified;
    };
    capture.preferredDeviceUID = "tavik_quad4";
    capture.start();
    EXPECT_EQ(test::countLogged("audio: capturing from \"tavik_quad4\" 16000Hz 4ch"), 1);
    // Nothing heard in its first second (PipeWire delivers silence, PulseAudio nothing): the
    // microphone is reported as giving no sound, which the settings show as a note.
    ASSERT_TRUE(test::spinUntil([&] { return verified == 1; }, 5000));
    EXPECT_TRUE(capture.isSilent());

    // The first channel stays silent, as an unused capsule does; the other three hear the words.
    capture.beginUtterance();
    std::vector<float> frames;
    for (const float sample : test::withTrailingSilence(words)) {
        frames.insert(frames.end(), {0.0f, sample, sample, sample});
    }
    { test::MicFeeder feeder(quad.fifo(), frames); }
    ASSERT_TRUE(test::spinUntil(
        [&] { return test::findAmidSilence(capture.snapshot(), words, 1e-6f).has_value(); }, 5000));
    // Heard at their own level, and the note goes once sound arrives.
    ASSERT_TRUE(test::spinUntil([&] { return verified == 2; }, 5000));
    EXPECT_FALSE(capture.isSilent());
}

// What a capture on `uid` hears of `spoken`, fed to its FIFO on every channel.
std::vector<float> heardFrom(const QString& uid, const QString& fifo, int channels,
                             const std::vector<float>& spoken) {
    AudioCapture capture;
    capture.preferredDeviceUID = uid;
    capture.start();
    EXPECT_EQ(capture.activeDevice()->uid, uid);
    capture.beginUtterance();
    std::vector<float> frames;
    for (const float sample : test::withTrailingSilence(spoken)) {
        frames.insert(frames.end(), std::size_t(channels), sample);
    }
    { test::MicFeeder feeder(fifo, frames); }
    const auto audible = [](const std::vector<float>& samples) {
        return std::count_if(samples.begin(), samples.end(), [](float v) { return v != 0.0f; });
    };
    EXPECT_TRUE(
        test::spinUntil([&] { return audible(capture.snapshot()) >= audible(spoken); }, 10000));
    return capture.endUtterance();
}

float peakDecibels(const std::vector<float>& samples) {
    float peak = 0;
    for (const float sample : samples) {
        peak = std::max(peak, std::fabs(sample));
    }
    return 20 * std::log10(std::max(peak, 1e-6f));
}

TEST(AudioCaptureDesktop, AStereoMicrophoneIsAsLoudAsAMonoOneSayingTheSame) {
    TAVIK_REQUIRE_DESKTOP();
    TAVIK_REQUIRE_FIXTURE(jfkPath, "audio/jfk.wav");
    // A loud second of speech: its peak at 0.7, where a +3 dB downmix would clip it.
    std::vector<float> loud = test::readMonoSamples(jfkPath);
    ASSERT_EQ(loud.size(), 176000u);
    loud = std::vector<float>(loud.begin() + 16000, loud.begin() + 32000);
    const float gain = 0.7f / std::pow(10.0f, peakDecibels(loud) / 20);
    for (float& sample : loud) {
        sample *= gain;
    }
    test::PipeMicrophone mono("tavik_mono", 1);
    test::PipeMicrophone stereo("tavik_stereo", 2);
    ASSERT_TRUE(mono.loaded() && stereo.loaded());

    const auto fromMono = heardFrom("tavik_mono", mono.fifo(), 1, loud);
    const auto fromStereo = heardFrom("tavik_stereo", stereo.fifo(), 2, loud);
    EXPECT_EQ(test::countLogged("audio: capturing from \"tavik_stereo\" 16000Hz 2ch"), 1);
    EXPECT_NEAR(peakDecibels(fromMono), peakDecibels(loud), 0.01);
    EXPECT_NEAR(peakDecibels(fromStereo), peakDecibels(fromMono), 0.5);
    // Both sides alike: their average is the very signal.
    EXPECT_TRUE(test::findAmidSilence(fromStereo, loud, 1e-5f));
}

TEST(AudioCaptureDesktop, UnpluggingTheActiveSourceCutsTheUtteranceAndMovesToTheDefault) {
    TAVIK_REQUIRE_DESKTOP();
    test::PipeMicrophone usb("tavik_usb", 1, "device.bus=usb");
    ASSERT_TRUE(usb.loaded());
    AudioCapture capture;
    int interrupted = 0;
    int started = 0;
    capture.onCaptureInterrupted = [&](CaptureInterruption why) {
        ++interrupted;
        EXPECT_EQ(why, CaptureInterruption::microphoneGone);
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
        ~Restore() { test::setDefaultSource("tavik_pipe"); }
    } restore;
    ASSERT_TRUE(test::setDefaultSource("tavik_null.monitor"));
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

// The health check at a dictation's start reads the sources as the server last announced them;
// a microphone plugged in or out must still count from its announcement on.
TEST(AudioCaptureDesktop, TheHealthCheckFollowsTheChosenMicrophoneComingAndGoing) {
    TAVIK_REQUIRE_DESKTOP();
    AudioCapture capture;
    capture.preferredDeviceUID = "tavik_usb";
    capture.start();
    ASSERT_TRUE(capture.usingFallback());
    ASSERT_TRUE(capture.isHealthy());
    ASSERT_TRUE(capture.isHealthy());
    {
        test::PipeMicrophone usb("tavik_usb", 1, "device.bus=usb");
        ASSERT_TRUE(usb.loaded());
        // The chosen microphone is back: the default standing in for it is no longer right.
        EXPECT_TRUE(test::spinUntil([&] { return !capture.isHealthy(); }, 5000));
    }
    EXPECT_TRUE(test::spinUntil([&] { return capture.isHealthy(); }, 5000));
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
