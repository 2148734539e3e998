#include "app/stores/history.h"
#include "app/stores/history_file.h"
#include "tests/stores/history_support.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tavik {
namespace {

using namespace std::chrono_literals;
using test::historyPathFor;
using test::makeEntry;
using test::readAll;
using test::writeAll;

QJsonArray fileArray(const QString& path) {
    return QJsonDocument::fromJson(readAll(path)).array();
}

QList<HistoryEntry> numbered(int count, const QString& prefix) {
    QList<HistoryEntry> list;
    for (int i = 0; i < count; ++i) {
        list.append(makeEntry(prefix + QString::number(i)));
    }
    return list;
}

TEST(HistoryStore, AddPutsTheNewestFirstAndWritesThePrettyPrintedFile) {
    const QString path = historyPathFor("add");
    History history(path);
    const HistoryEntry first = makeEntry("first dictation");
    const HistoryEntry second = makeEntry("second dictation");
    history.add(first);
    history.add(second);
    ASSERT_EQ(history.entries(), (QList<HistoryEntry>{second, first}));
    ASSERT_TRUE(history.flush(5s));

    const QByteArray bytes = readAll(path);
    EXPECT_TRUE(bytes.contains("\n    {")) << "expected an indented file:\n" << bytes.data();
    const QJsonArray array = fileArray(path);
    ASSERT_EQ(array.size(), 2);
    const QJsonObject newest = array.at(0).toObject();
    EXPECT_EQ(newest.size(), 9);
    EXPECT_EQ(newest.value("id").toString(), second.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(newest.value("text").toString(), "second dictation");
    EXPECT_EQ(newest.value("at").toString(), "2026-12-08T09:30:00Z");
    EXPECT_EQ(newest.value("duration").toDouble(), 2.5);
    EXPECT_EQ(newest.value("latencyMs").toDouble(), 840.0);
    EXPECT_TRUE(newest.value("inserted").isBool());

    // The folder and the file hold what the user said.
    EXPECT_EQ(QFileInfo(path).permissions() & 0x0077, 0);
    EXPECT_EQ(QFile::permissions(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadUser | QFileDevice::WriteUser);

    History reloaded(path);
    EXPECT_EQ(reloaded.entries(), history.entries());
}

TEST(HistoryStore, LoadingNeitherWritesNorCreatesTheFile) {
    const QString path = historyPathFor("nowrite");
    History history(path);
    EXPECT_TRUE(history.entries().isEmpty());
    ASSERT_TRUE(history.flush(5s));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(QFileInfo(QFileInfo(path).absolutePath()).isDir());
}

TEST(HistoryStore, TheCapDropsTheOldestOnAddButABiggerFileLoadsWhole) {
    const QString path = historyPathFor("cap");
    const QList<HistoryEntry> stored = numbered(5010, "old ");
    writeAll(path, history_file::encode(stored));

    History history(path);
    ASSERT_EQ(history.entries().size(), 5010);
    history.add(makeEntry("newest"));
    ASSERT_EQ(history.entries().size(), History::maxEntries);
    EXPECT_EQ(history.entries().first().text, "newest");
    EXPECT_EQ(history.entries().last(), stored.at(4998));

    writeAll(path, history_file::encode(numbered(5000, "full ")));
    History full(path);
    const HistoryEntry lastBefore = full.entries().at(4998);
    full.add(makeEntry("one more"));
    EXPECT_EQ(full.entries().size(), 5000);
    EXPECT_EQ(full.entries().last(), lastBefore);
    ASSERT_TRUE(full.flush(10s));
    EXPECT_EQ(fileArray(path).size(), 5000);
}

TEST(HistoryStore, RemoveTakesEveryEntryWithTheIdAndAlwaysRewritesTheFile) {
    const QString path = historyPathFor("remove");
    HistoryEntry kept = makeEntry("kept");
    HistoryEntry twin = makeEntry("twin one");
    HistoryEntry twinSibling = makeEntry("twin two");
    twinSibling.id = twin.id;
    // Written by hand: lower-case ids and an extra key are accepted on read.
    QJsonArray array;
    for (const HistoryEntry& entry : {twin, kept, twinSibling}) {
        QJsonObject object =
            QJsonDocument::fromJson(history_file::encode({entry})).array().at(0).toObject();
        object["id"] = entry.id.toString(QUuid::WithoutBraces).toLower();
        object["mood"] = "cheerful";
        array.append(object);
    }
    writeAll(path, QJsonDocument(array).toJson(QJsonDocument::Compact));

    History history(path);
    ASSERT_EQ(history.entries(), (QList<HistoryEntry>{twin, kept, twinSibling}));

    history.remove(makeEntry("absent"));
    ASSERT_TRUE(history.flush(5s));
    EXPECT_EQ(history.entries().size(), 3);
    const QJsonArray rewritten = fileArray(path);
    ASSERT_EQ(rewritten.size(), 3);
    EXPECT_FALSE(rewritten.at(0).toObject().contains("mood")) << "the file was not rewritten";

    history.remove(twinSibling);
    EXPECT_EQ(history.entries(), QList<HistoryEntry>{kept});
    ASSERT_TRUE(history.flush(5s));
    EXPECT_EQ(History(path).entries(), QList<HistoryEntry>{kept});
}

TEST(HistoryStore, ClearLeavesAnEmptyArrayAndEveryChangeIsAnnounced) {
    const QString path = historyPathFor("clear");
    History history(path);
    QSignalSpy changes(&history, &History::entriesChanged);
    history.add(makeEntry("one"));
    history.remove(makeEntry("nobody"));
    history.clear();
    EXPECT_EQ(changes.count(), 3);
    EXPECT_TRUE(history.entries().isEmpty());
    ASSERT_TRUE(history.flush(5s));
    const QJsonDocument document = QJsonDocument::fromJson(readAll(path));
    EXPECT_TRUE(document.isArray());
    EXPECT_TRUE(document.array().isEmpty());
}

TEST(HistoryStore, RapidAddsLeaveTheLastListOnDisk) {
    const QString path = historyPathFor("rapid");
    History history(path);
    for (int i = 0; i < 100; ++i) {
        QDateTime at = QDateTime(QDate(2026, 12, 8), QTime(10, 0), QTimeZone::utc()).addSecs(i);
        history.add(makeEntry("dictation " + QString::number(i), at));
    }
    ASSERT_TRUE(history.flush(10s));
    EXPECT_EQ(History(path).entries(), history.entries());
}

TEST(HistoryStore, DatesComeBackAsWholeSeconds) {
    const QString path = historyPathFor("seconds");
    const QDateTime precise(QDate(2026, 3, 1), QTime(23, 59, 58, 987), QTimeZone::utc());
    HistoryEntry entry = makeEntry("precise", precise);
    {
        History history(path);
        history.add(entry);
    } // the destructor runs the queued write
    const History reloaded(path);
    ASSERT_EQ(reloaded.entries().size(), 1);
    const HistoryEntry& back = reloaded.entries().first();
    EXPECT_EQ(back.at, QDateTime(QDate(2026, 3, 1), QTime(23, 59, 58), QTimeZone::utc()));
    EXPECT_NE(back, entry);
    entry.at = back.at;
    EXPECT_EQ(back, entry);
}

TEST(HistoryStore, NumbersJsonCannotHoldAreWrittenAsZeroSoLaterSavesStillLand) {
    const QString path = historyPathFor("nan");
    History history(path);
    HistoryEntry odd = makeEntry("odd numbers");
    odd.duration = std::numeric_limits<double>::quiet_NaN();
    odd.latencyMs = std::numeric_limits<double>::infinity();
    history.add(odd);
    history.add(makeEntry("after it"));
    ASSERT_TRUE(history.flush(5s));

    const History reloaded(path);
    ASSERT_EQ(reloaded.entries().size(), 2);
    EXPECT_EQ(reloaded.entries().at(0).text, "after it");
    EXPECT_EQ(reloaded.entries().at(1).duration, 0.0);
    EXPECT_EQ(reloaded.entries().at(1).latencyMs, 0.0);
}

QStringList asideFiles(const QString& path) {
    return QDir(QFileInfo(path).absolutePath())
        .entryList({"history.json.unreadable-*"}, QDir::Files, QDir::Name);
}

TEST(HistoryStore, AnUnreadableFileIsMovedAsideWhenLoaded) {
    const QString path = historyPathFor("unreadable");
    QList<HistoryEntry> stored = numbered(3, "precious ");
    QJsonArray array = QJsonDocument::fromJson(history_file::encode(stored)).array();
    QJsonObject damaged = array.at(1).toObject();
    damaged.remove("inserted");
    array[1] = damaged;
    const QByteArray original = QJsonDocument(array).toJson();
    writeAll(path, original);

    History history(path);
    EXPECT_TRUE(history.entries().isEmpty());
    ASSERT_TRUE(history.flush(5s));
    EXPECT_FALSE(QFileInfo::exists(path)) << "aside at once, so the window can say where";
    EXPECT_EQ(asideFiles(path).size(), 1);

    const HistoryEntry fresh = makeEntry("fresh start");
    history.add(fresh);
    history.add(makeEntry("and another"));
    ASSERT_TRUE(history.flush(5s));
    EXPECT_EQ(History(path).entries(), history.entries());
    const QStringList aside = asideFiles(path);
    ASSERT_EQ(aside.size(), 1) << "moved aside once, not on every save";
    EXPECT_EQ(readAll(QFileInfo(path).absolutePath() + "/" + aside.first()), original);
}

TEST(HistoryStore, FilesThatAreNotAHistoryAreKeptAsWell) {
    const QList<QByteArray> damaged = {
        "{\"not\": \"an array\"}",
        "[{\"id\": \"nope\"}",
        "garbage \xff\xfe",
    };
    int round = 0;
    for (const QByteArray& bytes : damaged) {
        const QString path = historyPathFor("damaged" + QString::number(round++));
        writeAll(path, bytes);
        History history(path);
        EXPECT_TRUE(history.entries().isEmpty());
        history.clear();
        ASSERT_TRUE(history.flush(5s));
        const QStringList aside = asideFiles(path);
        ASSERT_EQ(aside.size(), 1) << bytes.data();
        EXPECT_EQ(readAll(QFileInfo(path).absolutePath() + "/" + aside.first()), bytes);
        EXPECT_TRUE(QJsonDocument::fromJson(readAll(path)).isArray());
    }
}

TEST(HistoryStore, AnEmptyFileIsSimplyReplaced) {
    const QString path = historyPathFor("empty");
    writeAll(path, "");
    History history(path);
    history.add(makeEntry("first"));
    ASSERT_TRUE(history.flush(5s));
    EXPECT_TRUE(asideFiles(path).isEmpty());
    EXPECT_EQ(fileArray(path).size(), 1);
}

TEST(HistoryStore, TheSharedHistoryLivesInTheDataFolderAndCanBeFlushed) {
    EXPECT_TRUE(History::flushShared(1s)) << "nothing to flush before first use";
    History& history = History::shared();
    EXPECT_EQ(&history, &History::shared());
    EXPECT_EQ(history.filePath(), qEnvironmentVariable("XDG_DATA_HOME") + "/Tavik/history.json");
    history.add(makeEntry("kept at shutdown"));
    ASSERT_TRUE(History::flushShared(5s));
    EXPECT_EQ(fileArray(history.filePath()).size(), history.entries().size());
}

} // namespace
} // namespace tavik
