// Play-back state: which entry plays, switching, stopping and end notices. The sound server is
// replaced where a test must decide when a sound ends; files come from a real audio archive.
#include "app/stores/player.h"

#include "app/stores/audio_store.h"
#include "tests/support/fixtures.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace tavik {
namespace {

// Sounds that end when the test says so, from a thread of the test's choosing.
class ControlledPlayback : public platform::AudioPlayback {
public:
    struct Sound : platform::PlaybackSound {
        Sound(ControlledPlayback& owner, QString path) : owner(owner), path(std::move(path)) {}
        platform::PlaybackResult play(Ended ended) override {
            owner.started << path;
            owner.finishers.push_back(std::move(ended));
            return {};
        }
        void stop() override { owner.stopped << path; }
        ControlledPlayback& owner;
        QString path;
    };

    std::unique_ptr<platform::PlaybackSound> open(const QString& path) override {
        if (!QFile::exists(path)) {
            return nullptr;
        }
        return std::make_unique<Sound>(*this, path);
    }

    // Sends the end notice of the n-th sound started, from another thread.
    void finish(std::size_t n) {
        std::thread([notice = finishers.at(n)] { notice(platform::PlaybackResult{}); }).join();
    }

    QStringList started;
    QStringList stopped;
    std::vector<platform::PlaybackSound::Ended> finishers;
};

class PlayerTest : public ::testing::Test {
protected:
    PlayerTest() : archive(QDir::home().filePath(".local/share/Tavik")) {}

    QUuid archived(float seconds) {
        const QUuid id = QUuid::createUuid();
        std::vector<float> samples(static_cast<std::size_t>(seconds * 16000), 0.25f);
        EXPECT_TRUE(archive.save(samples, id));
        return id;
    }

    Player::ArchivedFile lookup() {
        return [this](const QUuid& id) -> std::optional<QString> {
            return archive.exists(id) ? std::optional<QString>(archive.url(id)) : std::nullopt;
        };
    }

    AudioStore archive;
    ControlledPlayback playback;
};

TEST_F(PlayerTest, PlaysAnEntryUntilItsEndNoticeArrives) {
    Player player(playback, lookup());
    QSignalSpy changes(&player, &Player::playingChanged);
    EXPECT_FALSE(player.playing().has_value());

    const QUuid a = archived(0.2f);
    player.toggle(a);
    EXPECT_EQ(player.playing(), a);
    EXPECT_EQ(playback.started, QStringList{archive.url(a)});

    playback.finish(0);
    // The notice hops to the main thread before it changes anything.
    EXPECT_EQ(player.playing(), a);
    ASSERT_TRUE(test::spinUntil([&] { return !player.playing().has_value(); }, 5000));

    // Played to its end, the same entry plays again from the start.
    player.toggle(a);
    EXPECT_EQ(player.playing(), a);
    EXPECT_EQ(playback.started.size(), 2);
    // stop + play, notice, stop + play: every assignment is announced.
    EXPECT_EQ(changes.count(), 5);
}

TEST_F(PlayerTest, TogglingThePlayingEntryStopsIt) {
    Player player(playback, lookup());
    const QUuid a = archived(0.2f);
    player.toggle(a);
    player.toggle(a);
    EXPECT_FALSE(player.playing().has_value());
    EXPECT_EQ(playback.stopped, QStringList{archive.url(a)});
    EXPECT_EQ(playback.started.size(), 1);
}

TEST_F(PlayerTest, AnotherEntryCutsOffTheOneThatPlays) {
    Player player(playback, lookup());
    const QUuid a = archived(0.2f);
    const QUuid b = archived(0.3f);
    player.toggle(a);
    player.toggle(b);
    EXPECT_EQ(player.playing(), b);
    EXPECT_EQ(playback.stopped, QStringList{archive.url(a)});

    // A's end notice was already on its way when B started: it must not end B.
    playback.finish(0);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(player.playing(), b);

    playback.finish(1);
    ASSERT_TRUE(test::spinUntil([&] { return !player.playing().has_value(); }, 5000));
}

TEST_F(PlayerTest, AnEntryWithoutAPlayableFileStopsWhatPlaysAndPlaysNothing) {
    Player player(playback, lookup());
    const QUuid a = archived(0.2f);
    player.toggle(a);
    player.toggle(QUuid::createUuid()); // nothing archived for it
    EXPECT_FALSE(player.playing().has_value());
    EXPECT_EQ(playback.stopped.size(), 1);

    // The archive claims a file the sound server cannot open.
    Player broken(playback, [](const QUuid&) -> std::optional<QString> {
        return QDir::home().filePath("gone.wav");
    });
    broken.toggle(a);
    EXPECT_FALSE(broken.playing().has_value());
}

TEST_F(PlayerTest, UnreadableFilesDoNotOpenForPlayBack) {
    platform::AudioPlayback& system = platform::AudioPlayback::system();
    const QUuid good = archived(0.1f);
    EXPECT_NE(system.open(archive.url(good)), nullptr);
    // An empty dictation is still a valid file.
    EXPECT_NE(system.open(archive.url(archived(0.0001f))), nullptr);

    EXPECT_EQ(system.open(QDir::home().filePath("missing.wav")), nullptr);
    QFile text(QDir::home().filePath("not-audio.wav"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("RIFF this is not a wave file at all, just text pretending");
    text.close();
    EXPECT_EQ(system.open(text.fileName()), nullptr);

    // A file cut short in its header.
    QFile whole(archive.url(good));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    QFile cut(QDir::home().filePath("cut.wav"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(whole.read(30));
    cut.close();
    EXPECT_EQ(system.open(cut.fileName()), nullptr);

    // A real archive entry played through the real player without a file: nothing plays.
    Player player(system, lookup());
    player.toggle(QUuid::createUuid());
    EXPECT_FALSE(player.playing().has_value());
}

} // namespace
} // namespace tavik
