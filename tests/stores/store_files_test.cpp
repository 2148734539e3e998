// What sits where a store's file should be is the person's business: their own copies survive a
// start, a pipe, a device link or a runaway file never hangs, exhausts or gets written through,
// and a settings file broken while Tavik runs loses no setting.
#include "app/stores/audio_store.h"
#include "app/stores/history.h"
#include "app/stores/scratchpad.h"
#include "app/stores/shared_saves.h"
#include "app/stores/snippets.h"
#include "app/stores/transforms.h"
#include "app/stores/vocabulary.h"
#include "platform/defaults_store.h"
#include "platform/log_sink.h"
#include "platform/main_thread.h"
#include "platform/private_files.h"
#include "tests/stores/history_support.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik::test {
namespace {

const QString dataFolder() {
    return qEnvironmentVariable("XDG_DATA_HOME") + "/Tavik";
}

const QString configFolder() {
    return qEnvironmentVariable("XDG_CONFIG_HOME") + "/Tavik";
}

mode_t typeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

// The copies a start moved aside, by name.
QStringList movedAside(const QString& path) {
    const QFileInfo info(path);
    return QDir(info.absolutePath())
        .entryList({info.fileName() + ".unreadable-*"}, QDir::AllEntries | QDir::System);
}

// Opens a pipe's writing end now and then, so a reader stuck opening the pipe is let go at
// once with nothing to read: a store that opens it fails the checks instead of hanging the test.
class PipeReleaser {
public:
    explicit PipeReleaser(const QString& path) : path_(QFile::encodeName(path)) {
        thread_ = std::thread([this] {
            while (!stop_) {
                const int fd = ::open(path_.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    ~PipeReleaser() {
        stop_ = true;
        thread_.join();
    }

private:
    QByteArray path_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A person's copies beside every store and the archive: six-character suffixes included.
TEST(StoreFiles, APersonsOwnCopiesSurviveAStartAndOnlyCutShortSavesAreCleared) {
    const QString audio = dataFolder() + "/audio";
    ASSERT_TRUE(platform::ensurePrivateFolder(audio));
    ASSERT_TRUE(platform::ensurePrivateFolder(configFolder()));
    const QString recording = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QStringList copies = {
        dataFolder() + "/history.json.backup",    dataFolder() + "/history.json.201912",
        dataFolder() + "/scratchpad.txt.backup",  dataFolder() + "/scratchpad.txt.a1B2c3",
        configFolder() + "/defaults.json.backup", configFolder() + "/defaults.json.ZZ1999",
        audio + "/" + recording + ".wav.backup",  audio + "/" + recording + ".wav.old123"};
    const QStringList leftovers = {dataFolder() + "/.history.json.tavik-save-q7W2e9",
                                   dataFolder() + "/.scratchpad.txt.tavik-save-000000",
                                   configFolder() + "/.defaults.json.tavik-save-AbCdEf",
                                   audio + "/." + recording + ".wav.tavik-save-x1y2z3"};
    for (const QString& path : copies + leftovers) {
        writeAll(path, "a copy");
    }

    History history(dataFolder() + "/history.json");
    Scratchpad pad(dataFolder());
    platform::DefaultsStore defaults(configFolder() + "/defaults.json");
    AudioStore archive(qEnvironmentVariable("XDG_DATA_HOME") + "/Tavik");
    for (const QString& path : copies) {
        EXPECT_EQ(readAll(path), "a copy") << path.toStdString();
    }
    for (const QString& path : leftovers) {
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
    }

    // A save leaves nothing of its own beside the file it replaced.
    history.add(makeEntry("kept"));
    ASSERT_TRUE(history.flush(std::chrono::seconds(10)));
    defaults.setInt("silenceHoldMs", 900);
    ASSERT_TRUE(archive.save(std::vector<float>(1600, 0.1f), QUuid::createUuid()));
    for (const QString& folder : {dataFolder(), configFolder(), audio}) {
        EXPECT_TRUE(QDir(folder).entryList({"*tavik-save*"}, QDir::Files | QDir::Hidden).isEmpty())
            << folder.toStdString();
    }
}

// Each store's file as a pipe, a link to /dev/zero and a link to /dev/null: the start ends (in
// bounded time, the pipe let go if it is opened), reads nothing, moves the thing aside as it is
// and writes a regular file in its place with the next change; /dev/null stays a device.
TEST(StoreFiles, APipeOrDeviceWhereAStoreShouldBeIsMovedAsideAndNeverReadOrWrittenThrough) {
    const auto link = [](const char* device) {
        return [device](const QString& path) {
            return QFile::link(device, path);
        };
    };
    const std::vector<std::pair<std::function<bool(const QString&)>, mode_t>> kinds = {
        {[](const QString& path) { return ::mkfifo(QFile::encodeName(path), 0600) == 0; }, S_IFIFO},
        {link("/dev/zero"), S_IFLNK},
        {link("/dev/null"), S_IFLNK}};
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const auto& [make, type] = kinds[i];
        const QString data = dataFolder() + "-" + QString::number(i);
        SCOPED_TRACE(data.toStdString());
        ASSERT_TRUE(platform::ensurePrivateFolder(data));
        const QString settings = data + "/defaults.json";
        const QString historyFile = data + "/history.json";
        const QString padFile = data + "/scratchpad.txt";
        for (const QString& path : {settings, historyFile, padFile}) {
            ASSERT_TRUE(make(path));
        }
        {
            PipeReleaser settingsPipe(settings), historyPipe(historyFile), padPipe(padFile);
            platform::DefaultsStore defaults(settings);
            EXPECT_FALSE(defaults.contains("silenceHoldMs"));
            History history(historyFile);
            Scratchpad pad(data);
            EXPECT_TRUE(history.entries().isEmpty());
            EXPECT_TRUE(pad.text().isEmpty());
            for (const QString& path : {settings, historyFile, padFile}) {
                const QStringList copies = movedAside(path);
                ASSERT_EQ(copies.size(), 1) << path.toStdString();
                EXPECT_EQ(typeOf(data + "/" + copies[0]), type) << path.toStdString();
            }

            defaults.setInt("silenceHoldMs", 900);
            history.add(makeEntry("after the pipe"));
            pad.append("after the pipe");
            ASSERT_TRUE(history.flush(std::chrono::seconds(10)));
            ASSERT_TRUE(pad.flush(std::chrono::seconds(10)));
        }
        for (const QString& path : {settings, historyFile, padFile}) {
            EXPECT_EQ(typeOf(path), S_IFREG) << path.toStdString();
        }
        EXPECT_EQ(platform::DefaultsStore(settings).exactInt("silenceHoldMs"), 900);
        EXPECT_EQ(readAll(padFile), "after the pipe");
        EXPECT_EQ(typeOf("/dev/null"), S_IFCHR);
    }

    // A write never goes through a link to something that is not a regular file.
    ASSERT_TRUE(platform::ensurePrivateFolder(dataFolder()));
    const QString linked = dataFolder() + "/linked.json";
    ASSERT_TRUE(QFile::link("/dev/null", linked));
    EXPECT_EQ(platform::writeFileDurably(linked, "{}").error, EINVAL);
    EXPECT_EQ(typeOf(linked), S_IFLNK);
}

// A settings file grown to 200 MB (sparse here) is not read whole at start or at each change:
// it is moved aside, private like every other file of Tavik's, and the settings carry on.
TEST(StoreFiles, AHugeSettingsFileIsMovedAsidePrivatelyInsteadOfBeingReadAtEveryChange) {
    const QString settings = configFolder() + "/defaults.json";
    ASSERT_TRUE(platform::ensurePrivateFolder(configFolder()));
    writeAll(settings, "{\"silenceHoldMs\": 900, \"padding\": \"");
    ASSERT_EQ(::truncate(QFile::encodeName(settings).constData(), 200'000'000), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(settings).constData(), 0644), 0);

    platform::DefaultsStore defaults(settings);
    EXPECT_FALSE(defaults.contains("silenceHoldMs"));
    const QStringList copies = movedAside(settings);
    ASSERT_EQ(copies.size(), 1);
    const QFileInfo copy(configFolder() + "/" + copies[0]);
    EXPECT_EQ(copy.size(), 200'000'000);
    EXPECT_EQ(copy.permissions() & 0x0077, 0) << "the moved-aside copy is private";
    defaults.setInt("audioBudgetMB", 100);
    EXPECT_LT(QFileInfo(settings).size(), 1000);
    EXPECT_EQ(platform::DefaultsStore(settings).exactInt("audioBudgetMB"), 100);
}

// Broken by hand while Tavik runs, then one change: every key written before is still there
// with the change, the broken file is moved aside, and each unreadable list keeps its own copy.
TEST(StoreFiles, ASettingsFileBrokenWhileRunningKeepsEveryKeyAtTheNextChange) {
    const QString settings = configFolder() + "/defaults.json";
    {
        platform::DefaultsStore running(settings);
        running.setString("model", "ggml-small.en.bin");
        running.setInt("silenceHoldMs", 1200);
        running.setStringArray("vocabulary", {"Tavik", "Qt"});
        running.setData("transforms", "[]");
        EXPECT_EQ(running.exactInt("silenceHoldMs"), 1200);

        writeAll(settings, "{\"model\": \"ggml-small.en.bin\", broken by hand");
        EXPECT_EQ(running.string("model"), "ggml-small.en.bin") << "the last good contents";
        running.setBool("playSounds", false);
    }
    const QJsonObject after = QJsonDocument::fromJson(readAll(settings)).object();
    EXPECT_EQ(after.value("model").toString(), "ggml-small.en.bin");
    EXPECT_EQ(after.value("silenceHoldMs").toInt(), 1200);
    EXPECT_EQ(after.value("vocabulary").toArray().size(), 2);
    EXPECT_TRUE(after.contains("transforms"));
    EXPECT_EQ(after.value("playSounds").toBool(true), false);
    const QStringList copies = movedAside(settings);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(readAll(configFolder() + "/" + copies[0]),
              "{\"model\": \"ggml-small.en.bin\", broken by hand");

    // Two runs each find the lists unreadable (another program's format): both copies stay.
    for (const QByteArray& foreign : {QByteArray("first run"), QByteArray("second run")}) {
        platform::DefaultsStore defaults(settings);
        defaults.setString("vocabulary", foreign);
        defaults.setString("snippets", foreign);
        defaults.setString(Transforms::defaultsKey, foreign);
        Vocabulary vocabulary(defaults);
        Snippets snippets(defaults);
        Transforms transforms(defaults);
        vocabulary.setTerms({"Tavik"});
        snippets.setItems({});
        transforms.setItems({});
    }
    platform::DefaultsStore reread(settings);
    for (const QString& key : {QString("vocabulary.unreadable"), QString("snippets.unreadable"),
                               Transforms::unreadableKey}) {
        EXPECT_EQ(reread.string(key), "first run") << key.toStdString();
        EXPECT_EQ(reread.string(key + "-2"), "second run") << key.toStdString();
    }
}

// Each slider step rewrites the settings: the main thread must not wait for the disk, and the
// quit must still leave the last value synced.
TEST(StoreFiles, SettingsAreSyncedOffTheMainThreadAndTheLastValueIsSyncedByTheQuit) {
    std::mutex mutex;
    QStringList syncedOnMain, synced;
    platform::setSyncObserver([&](const QString& path) {
        std::lock_guard lock(mutex);
        (platform::isMainThread() ? syncedOnMain : synced) << path;
    });
    platform::DefaultsStore& defaults = platform::DefaultsStore::shared();
    for (int megabytes = 100; megabytes <= 120; ++megabytes) {
        defaults.setInt("audioBudgetMB", megabytes);
    }
    ASSERT_TRUE(saveSharedStoresAtQuit(quitSaveLimit));
    platform::setSyncObserver({});
    EXPECT_TRUE(syncedOnMain.isEmpty()) << syncedOnMain.join(", ").toStdString();
    EXPECT_TRUE(synced.contains(defaults.path()));
    EXPECT_TRUE(synced.contains(configFolder()));
    EXPECT_EQ(platform::DefaultsStore(defaults.path()).exactInt("audioBudgetMB"), 120);
}

// A program that ends while a sync is still on its way (a quit that could not wait, a program
// that just returns) lets the sync finish first, with the log it may write to still there.
TEST(StoreFiles, ASyncStillRunningAtExitFinishesBeforeTheProgramEnds) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            platform::setSyncObserver([](const QString&) {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                platform::logLine("slow sync done");
            });
            platform::DefaultsStore::shared().setInt("audioBudgetMB", 321);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "slow sync done");
}

} // namespace
} // namespace tavik::test
