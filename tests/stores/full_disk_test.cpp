// Every store on a real file system that fills up or turns read-only: the file on disk stays
// exactly as it was, the window is told what is not saved and why, and once the disk allows,
// the kept changes reach it without a restart.
#include "app/stores/audio_store.h"
#include "app/stores/diagnostic_log.h"
#include "app/stores/history.h"
#include "app/stores/history_file.h"
#include "app/stores/scratchpad.h"
#include "app/stores/shared_saves.h"
#include "app/stores/store_notices.h"
#include "app/stores/vocabulary.h"
#include "platform/defaults_store.h"
#include "platform/folders.h"
#include "tests/stores/history_support.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fixtures.h"
#include "tests/support/small_file_system.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cerrno>

namespace tavik {
namespace {

using namespace std::chrono_literals;

std::string bytesOf(const QString& path) {
    return test::readAll(path).toStdString();
}

QStringList temporariesIn(const QString& folder) {
    return QDir(folder).entryList({"*.??????"}, QDir::Files | QDir::Hidden);
}

// The settings and the data folders each on a small file system of their own; the log stays
// where the test can read it.
class FullDisk : public ::testing::Test {
protected:
    void SetUp() override {
        TAVIK_RUN_IN_PRIVATE_MOUNT_NAMESPACE();
        config = platform::Folders::fromEnvironment().config;
        data = platform::Folders::fromEnvironment().data;
        configDisk = std::make_unique<test::SmallFileSystem>(config, 256 * 1024);
        dataDisk = std::make_unique<test::SmallFileSystem>(data, 1024 * 1024);
        inChild = true;
    }

    void fill() {
        configDisk->fill();
        dataDisk->fill();
    }
    void release() {
        configDisk->release();
        dataDisk->release();
    }
    void setReadOnly(bool readOnly) {
        configDisk->setReadOnly(readOnly);
        dataDisk->setReadOnly(readOnly);
    }

    bool inChild = false;
    QString config, data;
    std::unique_ptr<test::SmallFileSystem> configDisk, dataDisk;
    test::FakeClock clock;
};

TEST_F(FullDisk, EveryStoreKeepsItsFileSaysWhyAndSavesOnceThereIsRoomAgain) {
    if (!inChild) {
        return;
    }
    StoreNotices notices(clock);
    platform::DefaultsStore defaults(config + "/defaults.json");
    Vocabulary vocabulary(defaults);
    History history(data + "/history.json");
    Scratchpad scratchpad(data);
    AudioStore archive(data);
    watchSaves(notices, defaults);
    watchSaves(notices, history);
    watchSaves(notices, scratchpad);

    vocabulary.setTerms({"Kubernetes"});
    history.add(test::makeEntry("kept from before"));
    scratchpad.setText("notes from before");
    const QUuid recording = QUuid::createUuid();
    ASSERT_TRUE(archive.save(std::vector<float>(8000, 0.25f), recording));
    ASSERT_TRUE(history.flush(5s));
    ASSERT_TRUE(scratchpad.flush(5s));
    const std::string defaultsBefore = bytesOf(defaults.path());
    const std::string historyBefore = bytesOf(history.filePath());
    const std::string recordingBefore = bytesOf(archive.url(recording));

    fill();
    vocabulary.setTerms({"Kubernetes", "Postgres"});
    const HistoryEntry spoken = test::makeEntry("said on a full disk");
    history.add(spoken);
    scratchpad.append("and more");
    const platform::FileWriteResult audio =
        archive.save(std::vector<float>(8000, -0.5f), recording);

    EXPECT_FALSE(history.flush(5s));
    EXPECT_FALSE(scratchpad.flush(5s));
    EXPECT_FALSE(defaults.flush());
    EXPECT_EQ(audio.error, ENOSPC);
    EXPECT_EQ(bytesOf(defaults.path()), defaultsBefore);
    EXPECT_EQ(bytesOf(history.filePath()), historyBefore);
    EXPECT_EQ(bytesOf(scratchpad.url()), "notes from before");
    EXPECT_EQ(bytesOf(archive.url(recording)), recordingBefore);
    EXPECT_TRUE(temporariesIn(config).isEmpty());
    EXPECT_TRUE(temporariesIn(data).isEmpty());
    EXPECT_TRUE(temporariesIn(archive.directory()).isEmpty());
    // Still in memory, where the panes read it.
    EXPECT_EQ(vocabulary.terms(), QStringList({"Kubernetes", "Postgres"}));
    EXPECT_EQ(Vocabulary(defaults).terms(), QStringList({"Kubernetes", "Postgres"}));

    ASSERT_TRUE(test::spinUntil([&] { return notices.unsaved().size() == 3; }, 5000));
    EXPECT_EQ(notices.unsavedText(),
              "Could not save your dictionary, your history and the scratchpad: No space left "
              "on device. Tavik keeps your changes while it runs and tries again.");

    // Room again: the periodic retry writes everything without another change.
    release();
    clock.advanceMs(StoreNotices::retryIntervalMs);
    EXPECT_TRUE(history.flush(5s));
    EXPECT_TRUE(scratchpad.flush(5s));
    ASSERT_TRUE(test::spinUntil([&] { return notices.unsaved().isEmpty(); }, 5000));
    EXPECT_TRUE(notices.unsavedText().isEmpty());
    platform::DefaultsStore nextRun(defaults.path());
    EXPECT_EQ(Vocabulary(nextRun).terms(), QStringList({"Kubernetes", "Postgres"}));
    EXPECT_EQ(History(history.filePath()).entries().first().id, spoken.id);
    EXPECT_EQ(bytesOf(scratchpad.url()), "notes from before and more");
    EXPECT_TRUE(archive.save(std::vector<float>(8000, -0.5f), recording));
    EXPECT_NE(bytesOf(archive.url(recording)), recordingBefore);
    EXPECT_EQ(clock.pendingTimers(), 0u) << "no retries once everything is saved";
}

TEST_F(FullDisk, AnUnreadableFileGoesAsideWholeAndTheNewOneFollowsOnceThereIsRoom) {
    if (!inChild) {
        return;
    }
    const QString path = data + "/history.json";
    const QByteArray damaged = "[{\"id\": \"cut off in the middle of a write";
    ASSERT_TRUE(platform::writeFileDurably(path, damaged));
    fill();

    QStringList moves;
    platform::setMovedAsideSink(
        [&moves](const QString& original, const QString& copy) { moves << original << copy; });
    History history(path);
    platform::setMovedAsideSink({});
    ASSERT_EQ(moves.size(), 2);
    EXPECT_EQ(moves[0], path);
    EXPECT_EQ(test::readAll(moves[1]), damaged);
    EXPECT_EQ(StoreNotices::movedAsideNote(moves[0], moves[1]),
              "history.json could not be read, so Tavik started without it and moved it aside "
              "to " +
                  moves[1] + ".");

    history.add(test::makeEntry("first on the new history"));
    EXPECT_FALSE(history.flush(5s));
    EXPECT_EQ(history.saveFailure(), "No space left on device");
    EXPECT_EQ(test::readAll(moves[1]), damaged);

    release();
    history.retrySave();
    EXPECT_TRUE(history.flush(5s));
    EXPECT_EQ(History(path).entries(), history.entries());
    EXPECT_EQ(test::readAll(moves[1]), damaged);
}

TEST_F(FullDisk, TheQuitTriesOnceMoreAndLogsWhatItCouldNotSave) {
    if (!inChild) {
        return;
    }
    History::shared().add(test::makeEntry("on disk"));
    ASSERT_TRUE(History::shared().flush(5s));
    setReadOnly(true);
    const HistoryEntry late = test::makeEntry("said just before quitting");
    History::shared().add(late);
    Scratchpad::shared().setText("a note");
    platform::DefaultsStore::shared().setInt("silenceHoldMs", 900);
    Vocabulary::shared().setTerms({"Kubernetes"});

    EXPECT_FALSE(saveSharedStoresAtQuit(5s));
    const QString log = QString::fromUtf8(test::readAll(DiagnosticLog::url()));
    for (const char* line :
         {"quit: could not save the history (Read-only file system) — the latest changes are "
          "lost",
          "quit: could not save the scratchpad (Read-only file system) — the latest changes are "
          "lost",
          "quit: could not save your settings, your dictionary (Read-only file system) — the "
          "latest changes are lost"}) {
        EXPECT_TRUE(log.contains(QString::fromUtf8(line))) << line;
    }

    // The disk came back before the quit: its one more try saves everything.
    setReadOnly(false);
    EXPECT_TRUE(saveSharedStoresAtQuit(5s));
    EXPECT_EQ(History(History::shared().filePath()).entries().first().id, late.id);
    EXPECT_EQ(bytesOf(Scratchpad::shared().url()), "a note");
    platform::DefaultsStore nextRun(platform::DefaultsStore::shared().path());
    EXPECT_EQ(nextRun.exactInt("silenceHoldMs"), 900);
}

} // namespace
} // namespace tavik
