// Play-back of archived dictations through the test desktop's private PulseAudio server, whose
// default sink is the null sink "tavik_null".
#include "app/stores/player.h"

#include "app/stores/audio_store.h"
#include "tests/support/fixtures.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>
#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>

#include <chrono>
#include <cmath>
#include <vector>

namespace tavik {
namespace {

QStringList pactlLines(const QStringList& arguments) {
    QProcess pactl;
    pactl.start("pactl", arguments);
    if (!pactl.waitForFinished(5000)) {
        return {};
    }
    return QString::fromUtf8(pactl.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// The index of the null sink, as pactl shows it.
QString nullSinkIndex() {
    for (const QString& line : pactlLines({"list", "short", "sinks"})) {
        const QStringList columns = line.split('\t');
        if (columns.value(1) == "tavik_null") {
            return columns.value(0);
        }
    }
    return {};
}

// Ends a playing stream from outside, as the desktop's sound settings can (pactl cannot).
bool killStream(const QString& index) {
    pa_mainloop* loop = pa_mainloop_new();
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "tavik-test");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    const auto iterateUntil = [&](const std::function<bool()>& done) {
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            pa_mainloop_iterate(loop, 0, nullptr);
            QThread::msleep(2);
        }
        return done();
    };
    bool killed = false;
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 &&
        iterateUntil([&] { return pa_context_get_state(context) == PA_CONTEXT_READY; })) {
        pa_operation* kill = pa_context_kill_sink_input(
            context, index.toUInt(),
            [](pa_context*, int success, void* done) { *static_cast<bool*>(done) = success; },
            &killed);
        iterateUntil([&] { return pa_operation_get_state(kill) != PA_OPERATION_RUNNING; });
        pa_operation_unref(kill);
    }
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_mainloop_free(loop);
    return killed;
}

// Streams playing now, one line each: index, sink, client, driver, sample spec.
QStringList playingStreams() {
    return pactlLines({"list", "short", "sink-inputs"});
}

class PlayerDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        TAVIK_REQUIRE_DESKTOP();
        sink = nullSinkIndex();
        ASSERT_FALSE(sink.isEmpty());
        ASSERT_TRUE(playingStreams().isEmpty());
    }

    // A 440 Hz tone of the given length in the archive.
    QUuid archivedTone(double seconds) {
        const QUuid id = QUuid::createUuid();
        std::vector<float> samples(static_cast<std::size_t>(seconds * 16000));
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = 0.3f * static_cast<float>(std::sin(2 * M_PI * 440 * double(i) / 16000));
        }
        EXPECT_TRUE(archive.save(samples, id));
        return id;
    }

    Player::ArchivedFile lookup() {
        return [this](const QUuid& id) -> std::optional<QString> {
            return archive.exists(id) ? std::optional<QString>(archive.url(id)) : std::nullopt;
        };
    }

    // The index of the one stream playing, when there is exactly one and it plays the archive's
    // format into the null sink.
    std::optional<QString> theStreamOnTheNullSink() {
        const QStringList streams = playingStreams();
        if (streams.size() != 1) {
            return std::nullopt;
        }
        const QStringList columns = streams.front().split('\t');
        if (columns.value(1) != sink || !columns.value(4).contains("s16le 1ch 16000Hz")) {
            return std::nullopt;
        }
        return columns.value(0);
    }

    bool oneStreamOnTheNullSink() { return theStreamOnTheNullSink().has_value(); }

    AudioStore archive{QDir::home().filePath(".local/share/Tavik")};
    QString sink;
};

TEST_F(PlayerDesktopTest, PlaysAnArchivedDictationToItsEndAndAgain) {
    Player player(platform::AudioPlayback::system(), lookup());
    const QUuid id = archivedTone(0.4);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        player.toggle(id);
        EXPECT_EQ(player.playing(), id);
        EXPECT_TRUE(test::spinUntil([&] { return oneStreamOnTheNullSink(); }, 5000));
        ASSERT_TRUE(test::spinUntil([&] { return !player.playing().has_value(); }, 10'000));
        EXPECT_TRUE(test::spinUntil([&] { return playingStreams().isEmpty(); }, 5000));
    }
}

TEST_F(PlayerDesktopTest, StoppingEndsPlayBackAtOnceWithNoLateEndNotice) {
    Player player(platform::AudioPlayback::system(), lookup());
    QSignalSpy changes(&player, &Player::playingChanged);
    const QUuid id = archivedTone(0.6);
    player.toggle(id);
    ASSERT_TRUE(test::spinUntil([&] { return oneStreamOnTheNullSink(); }, 5000));
    player.toggle(id);
    EXPECT_FALSE(player.playing().has_value());
    EXPECT_TRUE(test::spinUntil([&] { return playingStreams().isEmpty(); }, 5000));
    const int afterStop = changes.count();
    // Well past the sound's own end: an end notice would have arrived by now.
    test::spinUntil([] { return false; }, 1500);
    EXPECT_EQ(changes.count(), afterStop);
}

TEST_F(PlayerDesktopTest, ASecondDictationReplacesTheFirst) {
    Player player(platform::AudioPlayback::system(), lookup());
    const QUuid first = archivedTone(5.0);
    const QUuid second = archivedTone(0.4);
    player.toggle(first);
    std::optional<QString> firstStream;
    ASSERT_TRUE(test::spinUntil(
        [&] { return (firstStream = theStreamOnTheNullSink()).has_value(); }, 5000));

    player.toggle(second);
    EXPECT_EQ(player.playing(), second);
    EXPECT_TRUE(test::spinUntil(
        [&] {
            const std::optional<QString> now = theStreamOnTheNullSink();
            return now.has_value() && now != firstStream;
        },
        5000));
    // The second plays to its end well before the first would have.
    ASSERT_TRUE(test::spinUntil([&] { return !player.playing().has_value(); }, 4000));
    EXPECT_TRUE(test::spinUntil([&] { return playingStreams().isEmpty(); }, 5000));
}

TEST_F(PlayerDesktopTest, AStreamTheServerEndsIsNoLongerShownAsPlaying) {
    Player player(platform::AudioPlayback::system(), lookup());
    QSignalSpy failures(&player, &Player::playbackFailed);
    const QUuid id = archivedTone(5.0);
    player.toggle(id);
    std::optional<QString> stream;
    ASSERT_TRUE(
        test::spinUntil([&] { return (stream = theStreamOnTheNullSink()).has_value(); }, 5000));

    ASSERT_TRUE(killStream(*stream));
    ASSERT_TRUE(test::spinUntil([&] { return !player.playing().has_value(); }, 5000));
    ASSERT_EQ(failures.count(), 1);
    EXPECT_EQ(failures[0][0].value<QUuid>(), id);
    EXPECT_EQ(failures[0][1].toString(), QStringLiteral("the sound server stopped it"));

    // The next play goes on to its end.
    const QUuid shortOne = archivedTone(0.3);
    player.toggle(shortOne);
    EXPECT_EQ(player.playing(), shortOne);
    ASSERT_TRUE(test::spinUntil([&] { return !player.playing().has_value(); }, 10'000));
    EXPECT_EQ(failures.count(), 1);
}

} // namespace
} // namespace tavik
