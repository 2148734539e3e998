#include "app/stores/audio_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <limits>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

namespace tavik {
namespace {

class AudioStoreTest : public ::testing::Test {
protected:
    QTemporaryDir root{QDir::homePath() + "/audio-XXXXXX"};
    QString dataFolder = root.path() + "/Tavik";
    AudioStore store{dataFolder};

    QString folder() const { return dataFolder + "/audio"; }

    // A file of `size` bytes whose modification time is `age` seconds in the past.
    void makeFile(const QString& name, qint64 size, int age) {
        const QString path = store.directory() + "/" + name;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(size, 'x'));
        file.close();
        const timespec now{::time(nullptr) - age, 0};
        const timespec times[2] = {now, now};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    }

    // The name the archive gives recording `n`.
    static QString rec(int n) {
        return QStringLiteral("%1-ABCD-4000-8000-00000000000F.wav").arg(n, 8, 10, QChar('0'));
    }

    QStringList remaining() const {
        return QDir(folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint16 sampleAt(const QByteArray& wav, int index) {
    return qFromLittleEndian<qint16>(wav.constData() + 44 + 2 * index);
}

TEST_F(AudioStoreTest, FileIsNamedByTheUpperCaseIdInsideThePrivateFolder) {
    const QUuid id = QUuid::fromString(QStringLiteral("{0f8fad5b-d9cb-469f-a165-70867728950e}"));
    EXPECT_EQ(store.url(id), folder() + "/0F8FAD5B-D9CB-469F-A165-70867728950E.wav");
    EXPECT_FALSE(store.exists(id));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(folder()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(AudioStoreTest, WritesAPlainSixteenBitMonoWave) {
    const std::vector<float> samples{0.0f, 0.5f, -0.5f, 1.0f, -1.0f};
    const QUuid id = QUuid::createUuid();
    ASSERT_TRUE(store.save(samples, id));
    EXPECT_TRUE(store.exists(id));

    const QByteArray wav = readAll(store.url(id));
    ASSERT_EQ(wav.size(), 44 + 2 * 5);
    const auto u32 = [&](int at) {
        return qFromLittleEndian<quint32>(wav.constData() + at);
    };
    const auto u16 = [&](int at) {
        return qFromLittleEndian<quint16>(wav.constData() + at);
    };
    EXPECT_EQ(wav.left(4), "RIFF");
    EXPECT_EQ(u32(4), quint32(wav.size() - 8));
    EXPECT_EQ(wav.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(u32(16), 16u);
    EXPECT_EQ(u16(20), 1u);     // integer PCM
    EXPECT_EQ(u16(22), 1u);     // one channel
    EXPECT_EQ(u32(24), 16000u); // samples per second
    EXPECT_EQ(u32(28), 32000u); // bytes per second
    EXPECT_EQ(u16(32), 2u);     // block align
    EXPECT_EQ(u16(34), 16u);    // bits per sample
    EXPECT_EQ(wav.mid(36, 4), "data");
    EXPECT_EQ(u32(40), 10u);

    EXPECT_EQ(sampleAt(wav, 0), 0);
    EXPECT_NEAR(sampleAt(wav, 1), 16384, 1);
    EXPECT_NEAR(sampleAt(wav, 2), -16384, 1);
    EXPECT_GE(sampleAt(wav, 3), 32767);
    EXPECT_LE(sampleAt(wav, 4), -32767);

    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(store.url(id)).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(AudioStoreTest, OutOfRangeSamplesClipAndNanIsSilence) {
    const std::vector<float> samples{
        1.5f, -1.5f, 40.0f, -1e9f, std::numeric_limits<float>::quiet_NaN(), 1.0f, -1.0f};
    const QUuid id = QUuid::createUuid();
    ASSERT_TRUE(store.save(samples, id));
    const QByteArray wav = readAll(store.url(id));
    ASSERT_EQ(wav.size(), 44 + 2 * 7);
    EXPECT_EQ(sampleAt(wav, 0), sampleAt(wav, 5)); // never wrapped round to a negative value
    EXPECT_EQ(sampleAt(wav, 2), sampleAt(wav, 5));
    EXPECT_EQ(sampleAt(wav, 1), sampleAt(wav, 6));
    EXPECT_EQ(sampleAt(wav, 3), sampleAt(wav, 6));
    EXPECT_GT(sampleAt(wav, 5), 32000);
    EXPECT_LT(sampleAt(wav, 6), -32000);
    EXPECT_EQ(sampleAt(wav, 4), 0);
}

TEST_F(AudioStoreTest, ASavedFileReadsBackThroughADecoder) {
    std::vector<float> tone(1600);
    for (size_t i = 0; i < tone.size(); ++i) {
        tone[i] = 0.25f * std::sin(2.0f * 3.14159265f * 440.0f * float(i) / 16000.0f);
    }
    const QUuid id = QUuid::createUuid();
    ASSERT_TRUE(store.save(tone, id));

    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(store.url(id)).constData(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(info.samplerate, 16000);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    ASSERT_EQ(info.frames, 1600);
    std::vector<float> decoded(1600);
    EXPECT_EQ(sf_readf_float(file, decoded.data(), 1600), 1600);
    sf_close(file);
    for (size_t i = 0; i < tone.size(); ++i) {
        ASSERT_NEAR(decoded[i], tone[i], 1.0 / 16384) << i;
    }
}

TEST_F(AudioStoreTest, SavingNothingCreatesNoFileAndSavingAgainReplaces) {
    const QUuid id = QUuid::createUuid();
    EXPECT_FALSE(store.save({}, id));
    EXPECT_FALSE(store.exists(id));

    ASSERT_TRUE(store.save(std::vector<float>(100, 0.1f), id));
    ASSERT_TRUE(store.save(std::vector<float>(10, 0.2f), id));
    EXPECT_EQ(QFileInfo(store.url(id)).size(), 44 + 20);
    EXPECT_EQ(remaining().size(), 1); // no temporary left behind
}

TEST_F(AudioStoreTest, PruneKeepsTheNewestRunThatFitsAndCountsDeletedSizes) {
    makeFile(rec(1), 100, 10); // newest
    makeFile(rec(2), 100, 20);
    makeFile(rec(3), 60, 30);
    makeFile(rec(4), 1, 40); // oldest
    EXPECT_EQ(store.totalBytes(), 261);
    store.prune(250);
    EXPECT_EQ(remaining(), (QStringList{rec(1), rec(2)}));
    EXPECT_EQ(store.totalBytes(), 200);
}

TEST_F(AudioStoreTest, PruneBoundaries) {
    makeFile(rec(5), 500, 1); // newest, alone over the limit
    makeFile(rec(6), 200, 2);
    makeFile(rec(7), 50, 3); // running total now exactly 250
    makeFile(rec(8), 1, 4);  // one byte over: goes
    store.prune(250);
    EXPECT_EQ(remaining(), QStringList{})
        << "the huge newest file starts the total above the limit";

    makeFile(rec(6), 200, 2);
    makeFile(rec(7), 50, 3);
    makeFile(rec(8), 1, 4);
    store.prune(250);
    EXPECT_EQ(remaining(), (QStringList{rec(6), rec(7)}));

    makeFile(rec(9), 0, 0); // newest: the running total is still 0 there
    store.prune(0);
    EXPECT_EQ(remaining(), QStringList{rec(9)});
}

TEST_F(AudioStoreTest, OnlyItsOwnRecordingsCountAgeAndGo) {
    makeFile(rec(3), 100, 3);
    makeFile("notes.txt", 100, 1);
    makeFile(".hidden", 100, 2);
    makeFile(rec(1).toLower(), 100, 1); // not a name the archive writes
    ASSERT_TRUE(QDir(folder()).mkpath("sub"));
    QFile inner(folder() + "/sub/" + rec(4));
    ASSERT_TRUE(inner.open(QIODevice::WriteOnly));
    inner.write(QByteArray(1000, 'x'));
    inner.close();
    ASSERT_TRUE(QFile::link(folder() + "/notes.txt", folder() + "/" + rec(5)));

    EXPECT_EQ(store.totalBytes(), 100);
    store.prune(0);
    store.deleteAll();
    EXPECT_EQ(remaining(), (QStringList{".hidden", rec(1).toLower(), rec(5), "notes.txt"}));
    EXPECT_EQ(QFileInfo(folder() + "/sub/" + rec(4)).size(), 1000);
}

// Recordings moved to a bigger disk through a linked folder that also holds the person's music.
TEST_F(AudioStoreTest, ALinkedFolderKeepsEverythingThatIsNotARecording) {
    const QString music = root.path() + "/Music";
    ASSERT_TRUE(QDir().mkpath(music + "/album/disc1"));
    const QStringList theirs = {"a.mp3",
                                "b.mp3",
                                "c.mp3",
                                "d.mp3",
                                "e.mp3",
                                "readme.txt",
                                "album/disc1/01.flac",
                                "album/disc1/02.flac"};
    for (const QString& name : theirs) {
        QFile file(music + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(400'000, 'm'));
        file.close();
        const timespec old{::time(nullptr) - 86'400, 0};
        const timespec times[2] = {old, old};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(file.fileName()).constData(), times, 0),
                  0);
    }
    ASSERT_TRUE(QDir().mkpath(dataFolder));
    ASSERT_TRUE(QFile::link(music, folder()));

    const QUuid first = QUuid::createUuid();
    const QUuid second = QUuid::createUuid();
    ASSERT_TRUE(store.save(std::vector<float>(300'000, 0.1f), first));
    ASSERT_TRUE(store.save(std::vector<float>(300'000, 0.1f), second));
    EXPECT_EQ(store.totalBytes(), 2 * 600'044);
    store.prune(1'000'000);
    EXPECT_EQ(store.exists(first) + store.exists(second), 1) << "one recording fits the budget";

    store.deleteAll();
    EXPECT_FALSE(store.exists(first) || store.exists(second));
    EXPECT_TRUE(QFileInfo(folder()).isSymLink());
    for (const QString& name : theirs) {
        EXPECT_EQ(QFileInfo(music + "/" + name).size(), 400'000) << name.toStdString();
    }
}

TEST_F(AudioStoreTest, TheNextStartRemovesRecordingsAKillCutShortAndNothingElse) {
    const QString recording = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    makeFile("." + recording + ".wav.tavik-save-Xy12Zw", 300'000, 1);
    makeFile(recording + ".wav.Xy12Zw", 10, 1); // the person's own copy
    makeFile(".notes.txt.tavik-save-Xy12Zw", 10, 1);
    makeFile("kept.wav", 10, 1);
    AudioStore nextStart{dataFolder};
    EXPECT_EQ(remaining(),
              QStringList({".notes.txt.tavik-save-Xy12Zw", recording + ".wav.Xy12Zw", "kept.wav"}));
}

TEST_F(AudioStoreTest, NeverTouchesAFolderThatIsNotTavikAudio) {
    const QString elsewhere = root.path() + "/Documents";
    ASSERT_TRUE(QDir().mkpath(elsewhere + "/audio"));
    const QString precious = elsewhere + "/audio/precious.wav";
    QFile file(precious);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();

    AudioStore misplaced(elsewhere);
    misplaced.prune(0);
    misplaced.deleteAll();
    EXPECT_FALSE(misplaced.save(std::vector<float>(4, 0.0f), QUuid::createUuid()));
    EXPECT_EQ(QDir(elsewhere + "/audio").entryList(QDir::Files), QStringList{"precious.wav"});

    // An empty data folder would mean a folder relative to wherever the program runs.
    const QString workingFolder = root.path() + "/cwd";
    ASSERT_TRUE(QDir().mkpath(workingFolder));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(workingFolder));
    AudioStore relative{QString()};
    relative.directory();
    const bool saved = relative.save(std::vector<float>(4, 0.0f), QUuid::createUuid()).ok();
    QDir::setCurrent(before);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(QDir(workingFolder).isEmpty());
}

TEST_F(AudioStoreTest, AnUnlistableFolderPrunesNothingAndTotalsZero) {
    ASSERT_TRUE(QDir().mkpath(dataFolder));
    QFile blocker(folder()); // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("x");
    blocker.close();
    EXPECT_EQ(store.totalBytes(), 0);
    store.prune(0);
    EXPECT_TRUE(QFileInfo(folder()).isFile());
    EXPECT_FALSE(store.save(std::vector<float>(4, 0.0f), QUuid::createUuid()));
}

TEST(AudioBudget, IsDecimalMegabytesSaturatingAndNeverNegative) {
    EXPECT_EQ(AudioStore::budgetBytes(250), 250'000'000);
    EXPECT_EQ(AudioStore::budgetBytes(0), 0);
    EXPECT_EQ(AudioStore::budgetBytes(-5), 0);
    constexpr qint64 largest = std::numeric_limits<qint64>::max();
    EXPECT_EQ(AudioStore::budgetBytes(largest / 1'000'000), largest / 1'000'000 * 1'000'000);
    EXPECT_EQ(AudioStore::budgetBytes(largest / 1'000'000 + 1), largest);
    EXPECT_EQ(AudioStore::budgetBytes(largest), largest);
}

} // namespace
} // namespace tavik
