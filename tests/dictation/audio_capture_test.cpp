#include "app/dictation/audio_capture.h"
#include "tests/support/audio_fakes.h"
#include "tests/support/audio_log.h"
#include "tests/support/fake_clock.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cmath>

namespace tavik {
namespace {

using Engine = test::FakeInputEngine;

// A capture on a fake engine, a fake server with two microphones and a fake clock.
class AudioCaptureTest : public ::testing::Test {
protected:
    AudioCaptureTest() : scope_(sources) {
        sources.add(1, "desk", "Desk Mic", 1, 48000, platform::transport::usb);
        sources.add(2, "internal", "Internal", 2, 44100, platform::transport::builtIn);
        sources.defaultName = "internal";
        capture = std::make_unique<AudioCapture>(std::make_unique<Engine>(engine), clock);
        capture->onStarted = [this] {
            ++started;
        };
        capture->onVerified = [this] {
            ++verified;
        };
        capture->onCaptureInterrupted = [this](CaptureInterruption why) {
            ++interrupted;
            interruptedBy = why;
        };
    }

    Error startError() {
        try {
            capture->start();
        } catch (const Error& error) {
            return error;
        }
        ADD_FAILURE() << "start() did not fail";
        return {};
    }

    void feed(std::size_t samples, float value = 0.25f) {
        test::deliver(*engine, std::vector<float>(samples, value));
    }

    test::FakeAudioSources sources;
    test::ScopedAudioSources scope_;
    std::shared_ptr<Engine::State> engine = std::make_shared<Engine::State>();
    test::FakeClock clock;
    std::unique_ptr<AudioCapture> capture;
    int started = 0;
    int verified = 0;
    int interrupted = 0;
    std::optional<CaptureInterruption> interruptedBy;
};

TEST_F(AudioCaptureTest, StartsOnTheDefaultAndIsQuietWhileHealthy) {
    capture->start();
    EXPECT_TRUE(capture->isRunning());
    EXPECT_TRUE(capture->isHealthy());
    ASSERT_TRUE(capture->activeDevice());
    EXPECT_EQ(capture->activeDevice()->uid, "internal");
    EXPECT_FALSE(capture->usingFallback());
    EXPECT_EQ(engine->selectedId, std::optional<std::uint32_t>(2));
    ASSERT_TRUE(engine->tapFormat);
    EXPECT_EQ(*engine->tapFormat, (platform::AudioTapFormat{44100, 2, 0}));
    EXPECT_EQ(started, 1);
    EXPECT_EQ(test::countLogged("audio: capturing from \"Internal\" 44100Hz 2ch"), 1);

    capture->start(); // healthy: nothing happens
    EXPECT_EQ(engine->starts, 1);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(test::loggedMessages().size(), 1);
    EXPECT_EQ(clock.pendingTimers(), 1u);

    // A changed default makes it unhealthy; so does a different rate or a vanished device.
    sources.defaultName = "desk";
    EXPECT_FALSE(capture->isHealthy());
    sources.defaultName = "internal";
    sources.list[1].sampleRate = 48000;
    EXPECT_FALSE(capture->isHealthy());
    sources.list[1].sampleRate = 44100;
    EXPECT_TRUE(capture->isHealthy());
    sources.remove(2);
    EXPECT_FALSE(capture->isHealthy());
}

TEST_F(AudioCaptureTest, FailuresCarryTheirCodesAndTexts) {
    sources.defaultName.reset();
    capture->preferredDeviceUID = "unplugged";
    Error error = startError();
    EXPECT_EQ(error.domain, "Tavik");
    EXPECT_EQ(error.code, 10);
    EXPECT_EQ(error.description, "No microphone is connected.");

    capture->preferredDeviceUID = "desk";
    engine->script.hasInputUnit = false;
    error = startError();
    EXPECT_EQ(error.code, 11);
    EXPECT_EQ(error.description, "The audio input could not be opened.");

    engine->script.hasInputUnit = true;
    engine->script.selectStatus = -50;
    error = startError();
    EXPECT_EQ(error.code, 12);
    EXPECT_EQ(error.description, "Could not switch to Desk Mic (-50).");

    engine->script.selectStatus = 0;
    sources.list[0].sampleRate = 0;
    error = startError();
    EXPECT_EQ(error.code, 13);
    EXPECT_EQ(error.description, "Desk Mic did not report a sample rate.");

    EXPECT_EQ(started, 0);
    EXPECT_FALSE(capture->activeDevice());
    EXPECT_FALSE(engine->tap);
    EXPECT_EQ(engine->starts, 0);
    EXPECT_EQ(clock.pendingTimers(), 0u);
}

TEST_F(AudioCaptureTest, AFailedEngineStartIsPassedOnAndClearedByTheNextStart) {
    engine->script.startError = Error{"PulseAudio", 5, "No such entity"};
    const Error error = startError();
    EXPECT_EQ(error.domain, "PulseAudio");
    EXPECT_EQ(error.code, 5);
    EXPECT_EQ(error.description, "No such entity");
    // Half-built: the tap stays, nothing runs, no device, no verification.
    EXPECT_TRUE(engine->tap);
    EXPECT_FALSE(capture->activeDevice());
    EXPECT_FALSE(capture->isHealthy());
    EXPECT_EQ(started, 0);
    EXPECT_EQ(clock.pendingTimers(), 0u);

    engine->script.startError.reset();
    capture->start();
    EXPECT_TRUE(capture->isHealthy());
    EXPECT_EQ(started, 1);
}

TEST_F(AudioCaptureTest, ManyChannelsAreTappedDiscretelyAndMixedFromThoseThatCarrySound) {
    sources.add(3, "quad", "Quad", 4, 48000);
    capture->preferredDeviceUID = "quad";
    capture->start();
    ASSERT_TRUE(engine->tapFormat);
    EXPECT_EQ(engine->tapFormat->channels, 4);
    EXPECT_EQ(engine->tapFormat->channelLayoutTag, (147u << 16) | 4u);
    EXPECT_EQ(test::countLogged("audio: capturing from \"Quad\" 48000Hz 4ch"), 1);

    capture->beginUtterance();
    // A silent first and third channel neither silence nor weaken the two that hear.
    test::deliver(*engine, {0, 0.3f, 0, 0.3f, 0, -0.6f, 0.00001f, -0.6f}, 4);
    EXPECT_EQ(capture->snapshot(), (std::vector<float>{0.3f, -0.6f}));
    // A channel that starts to carry sound joins the mix, and stays in it.
    test::deliver(*engine, {0.3f, 0.3f, 0, 0.3f, 0, 0.3f, 0, 0.3f}, 4);
    const auto heard = capture->endUtterance();
    ASSERT_EQ(heard.size(), 4u);
    EXPECT_FLOAT_EQ(heard[2], 0.3f);
    EXPECT_FLOAT_EQ(heard[3], 0.2f);
}

TEST_F(AudioCaptureTest, AStereoDeviceIsTappedWithBothChannelsAndAveragedHere) {
    capture->start(); // the stereo "Internal" is the default
    ASSERT_TRUE(engine->tapFormat);
    EXPECT_EQ(engine->tapFormat->channels, 2);
    EXPECT_EQ(engine->tapFormat->channelLayoutTag, 0u);

    capture->beginUtterance();
    // The same signal on both sides stays as loud as it was; one dead side halves it.
    test::deliver(*engine, {0.6f, 0.6f, -0.9f, -0.9f, 0.5f, 0.0f, 0.25f, -0.25f}, 2);
    EXPECT_EQ(capture->endUtterance(), (std::vector<float>{0.6f, -0.9f, 0.25f, 0.0f}));
    EXPECT_NEAR(capture->level(), 20 * std::log10(0.9f), 1e-4);
}

TEST_F(AudioCaptureTest, LevelIsThePeakOfTheNewestChunkInDecibels) {
    capture->start();
    EXPECT_FLOAT_EQ(capture->level(), -80.0f);
    test::deliver(*engine, {0.1f, -0.5f, 0.25f});
    EXPECT_NEAR(capture->level(), -6.0206f, 1e-3);
    feed(512, 0.0f);
    EXPECT_FLOAT_EQ(capture->level(), -80.0f);
    feed(512, 0.00001f);
    EXPECT_NEAR(capture->level(), -100.0f, 1e-3);
}

TEST_F(AudioCaptureTest, UtterancesBeginWithUpToFourTenthsOfPreroll) {
    std::vector<std::vector<float>> handedOut;
    capture->onSamples = [&](std::vector<float> samples) {
        handedOut.push_back(std::move(samples));
    };
    capture->start();

    feed(4800, 0.1f); // 0.3 s
    EXPECT_TRUE(handedOut.empty());
    EXPECT_DOUBLE_EQ(capture->prerollSeconds(), 0.3);
    capture->beginUtterance();
    EXPECT_EQ(capture->snapshot().size(), 4800u);
    feed(160, 0.2f);
    feed(160, 0.3f);
    // The listener hears what the utterance holds: the pre-roll goes out with the first chunk.
    ASSERT_EQ(handedOut.size(), 2u);
    std::vector<float> expected(4800, 0.1f);
    expected.resize(4960, 0.2f);
    EXPECT_EQ(handedOut[0], expected);
    EXPECT_EQ(handedOut[1], std::vector<float>(160, 0.3f));
    const auto first = capture->endUtterance();
    expected.resize(5120, 0.3f);
    EXPECT_EQ(first, expected);
    EXPECT_TRUE(capture->endUtterance().empty());

    // 2 s of numbered samples: the utterance starts with exactly the newest 6400, in order.
    std::vector<float> ramp(32000);
    for (std::size_t i = 0; i < ramp.size(); ++i) {
        ramp[i] = float(i);
    }
    for (std::size_t at = 0; at < ramp.size(); at += 1000) {
        test::deliver(*engine,
                      std::vector<float>(ramp.begin() + long(at), ramp.begin() + long(at + 1000)));
    }
    EXPECT_DOUBLE_EQ(capture->prerollSeconds(), 0.4);
    capture->beginUtterance();
    const auto second = capture->snapshot();
    ASSERT_EQ(second.size(), 6400u);
    EXPECT_EQ(second.front(), 25600.0f);
    EXPECT_EQ(second.back(), 31999.0f);
    EXPECT_EQ(handedOut.size(), 2u);
    feed(512, -1.0f);
    ASSERT_EQ(handedOut.size(), 3u);
    EXPECT_EQ(handedOut[2], capture->snapshot());
    EXPECT_EQ(handedOut[2].size(), 6912u);
}

TEST_F(AudioCaptureTest, StopCutsOffOnlyAnOpenUtterance) {
    capture->start();
    capture->stop();
    EXPECT_EQ(interrupted, 0);
    EXPECT_FALSE(capture->isRunning());
    EXPECT_FALSE(engine->tap);

    capture->start();
    feed(1000);
    capture->beginUtterance();
    feed(600);
    capture->stop();
    EXPECT_EQ(interrupted, 1);
    EXPECT_EQ(interruptedBy, CaptureInterruption::rebuilt);
    feed(300); // on its way before the tap came off: no longer the utterance's
    // What the utterance heard up to the cut is still handed out, once.
    EXPECT_EQ(capture->endUtterance(), std::vector<float>(1600, 0.25f));
    EXPECT_TRUE(capture->endUtterance().empty());
    EXPECT_DOUBLE_EQ(capture->prerollSeconds(), 0.0);
    EXPECT_FALSE(capture->activeDevice());
}

TEST_F(AudioCaptureTest, VerificationReportsTheFirstSecondOfTheNewestStartOnly) {
    capture->start();
    clock.advanceMs(400);
    capture->restart(); // a second start within the first second
    feed(512);
    clock.advanceMs(700); // the first start's verification is due now: it is stale
    EXPECT_EQ(verified, 0);
    clock.advanceMs(300);
    EXPECT_EQ(verified, 1);
    EXPECT_FALSE(capture->isSilent());
    EXPECT_EQ(
        test::countLogged("audio: verified — 512 samples in the first second from \"Internal\""),
        1);

    capture->restart();
    clock.advanceMs(1000);
    EXPECT_EQ(verified, 2);
    EXPECT_TRUE(capture->isSilent());
    EXPECT_EQ(test::countLogged("audio: \"Internal\" delivered NO audio in its first second"), 1);

    capture->restart();
    capture->stop(); // a verification after stop finds no device and stays quiet
    clock.advanceMs(1000);
    EXPECT_EQ(verified, 2);
}

TEST_F(AudioCaptureTest, AnEndedStreamIsRebuiltAtOnceAndOnlyWhileRunning) {
    // The server ends the stream 0.2 s after the press: the utterance is cut off, not kept
    // open on a dead stream.
    capture->start();
    capture->beginUtterance();
    clock.advanceMs(200);
    engine->configurationChanged(platform::StreamEnd::serverGone);
    QCoreApplication::processEvents();
    EXPECT_EQ(engine->starts, 2);
    EXPECT_EQ(interrupted, 1);
    EXPECT_EQ(interruptedBy, CaptureInterruption::soundServerGone);
    EXPECT_EQ(started, 2);
    EXPECT_EQ(test::countLogged("audio: hardware reconfigured — rebuilding the engine"), 1);

    // A failing rebuild is logged, not thrown.
    sources.list.clear();
    engine->configurationChanged(platform::StreamEnd::deviceGone);
    QCoreApplication::processEvents();
    EXPECT_EQ(test::countLogged("audio: rebuild failed — No microphone is connected."), 1);

    // After stop(), as at shutdown, a late notice never brings the microphone back.
    sources.add(2, "internal", "Internal", 2, 44100, platform::transport::builtIn);
    capture->start();
    engine->configurationChanged(platform::StreamEnd::deviceGone);
    capture->stop();
    QCoreApplication::processEvents();
    EXPECT_FALSE(capture->isRunning());
    EXPECT_EQ(engine->starts, 3);
}

TEST_F(AudioCaptureTest, AnUnavailableChoiceFallsBackToTheSystemDefault) {
    capture->preferredDeviceUID = "unplugged";
    auto resolved = capture->resolvedDevice();
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->first.uid, "internal");
    EXPECT_TRUE(resolved->second);
    capture->start();
    EXPECT_TRUE(capture->usingFallback());
    EXPECT_EQ(
        test::countLogged("audio: capturing from \"Internal\" 44100Hz 2ch — chosen microphone "
                          "unavailable, using the system default"),
        1);

    // The chosen device coming back makes the running capture unhealthy, and a start moves.
    sources.add(7, "unplugged", "Headset", 1, 16000, platform::transport::bluetooth);
    EXPECT_FALSE(capture->isHealthy());
    capture->start();
    EXPECT_EQ(capture->activeDevice()->uid, "unplugged");
    EXPECT_FALSE(capture->usingFallback());

    capture->preferredDeviceUID.reset();
    resolved = capture->resolvedDevice();
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->first.uid, "internal");
    EXPECT_FALSE(resolved->second);
}

} // namespace
} // namespace tavik
