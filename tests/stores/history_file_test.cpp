#include "app/stores/history_file.h"
#include "tests/stores/history_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace tavik {
namespace {

using history_file::decode;
using history_file::encode;
using history_file::parseInstant;

QDateTime utc(int h, int m, int s, int ms = 0) {
    return QDateTime(QDate(2026, 12, 8), QTime(h, m, s, ms), QTimeZone::utc());
}

TEST(HistoryFileDates, TheWrittenFormIsWholeSecondsInUtc) {
    EXPECT_EQ(history_file::formatInstant(utc(9, 5, 7, 999)), "2026-12-08T09:05:07Z");
    const QDateTime berlinMorning(QDate(2026, 7, 1), QTime(8, 0), QTimeZone("Europe/Berlin"));
    EXPECT_EQ(history_file::formatInstant(berlinMorning), "2026-07-01T06:00:00Z");
    // An instant the file cannot express still yields a readable file.
    EXPECT_EQ(history_file::formatInstant(QDateTime()), "1970-01-01T00:00:00Z");
}

TEST(HistoryFileDates, TheReaderTakesFractionsAndOffsetsButWantsAZone) {
    EXPECT_EQ(parseInstant("2026-12-08T09:05:07Z"), utc(9, 5, 7));
    EXPECT_EQ(parseInstant("2026-12-08t09:05:07z"), utc(9, 5, 7));
    EXPECT_EQ(parseInstant("2026-12-08T09:05:07.25Z"), utc(9, 5, 7, 250));
    EXPECT_EQ(parseInstant("2026-12-08T09:05:07.123456Z"), utc(9, 5, 7, 123));
    EXPECT_EQ(parseInstant("2026-12-08T11:05:07+02:00"), utc(9, 5, 7));
    EXPECT_EQ(parseInstant("2026-12-08T04:35:07-04:30"), utc(9, 5, 7));
    for (const char* bad :
         {"2026-12-08", "2026-12-08T09:05:07", "2026-12-08 09:05:07Z", "2026-13-08T09:05:07Z",
          "2026-02-30T09:05:07Z", "2026-12-08T24:00:00Z", "2026-12-08T09:05:07.Z",
          "2026-12-08T09:05:07+0200", "2026-12-08T09:05:07Z trailing", "", "yesterday"}) {
        EXPECT_FALSE(parseInstant(bad).has_value()) << bad;
    }
}

QJsonObject validObject() {
    return QJsonDocument::fromJson(encode({test::makeEntry("valid")})).array().at(0).toObject();
}

QByteArray fileWith(const QJsonObject& object) {
    return QJsonDocument(QJsonArray{validObject(), object}).toJson();
}

TEST(HistoryFileDecoding, EveryKeyIsRequiredWithItsJsonType) {
    ASSERT_TRUE(decode(fileWith(validObject())).has_value());
    for (const char* key :
         {"id", "text", "app", "bundleId", "via", "at", "duration", "latencyMs", "inserted"}) {
        QJsonObject missing = validObject();
        missing.remove(key);
        EXPECT_FALSE(decode(fileWith(missing))) << "without " << key;
        QJsonObject wrongType = validObject();
        wrongType[key] = QJsonValue(QJsonArray{});
        EXPECT_FALSE(decode(fileWith(wrongType))) << key << " as an array";
    }
    QJsonObject numberAsText = validObject();
    numberAsText["duration"] = "2.5";
    EXPECT_FALSE(decode(fileWith(numberAsText)));
    QJsonObject boolAsNumber = validObject();
    boolAsNumber["inserted"] = 1;
    EXPECT_FALSE(decode(fileWith(boolAsNumber)));
}

TEST(HistoryFileDecoding, IdsMustBeTheHyphenatedFormInEitherCase) {
    const QUuid id = QUuid::createUuid();
    for (const QString& good : {id.toString(QUuid::WithoutBraces).toUpper(),
                                id.toString(QUuid::WithoutBraces).toLower()}) {
        QJsonObject object = validObject();
        object["id"] = good;
        const auto decoded = decode(fileWith(object));
        ASSERT_TRUE(decoded) << good.toStdString();
        EXPECT_EQ(decoded->at(1).id, id);
    }
    for (const QString& bad : {id.toString(QUuid::WithBraces), id.toString(QUuid::Id128),
                               QString("not-a-uuid-at-all-but-36-characters!"), QString()}) {
        QJsonObject object = validObject();
        object["id"] = bad;
        EXPECT_FALSE(decode(fileWith(object))) << bad.toStdString();
    }
}

TEST(HistoryFileDecoding, OnlyATopLevelArrayOfObjectsIsAHistory) {
    EXPECT_EQ(decode("[]"), QList<HistoryEntry>{});
    EXPECT_FALSE(decode(""));
    EXPECT_FALSE(decode("{}"));
    EXPECT_FALSE(decode("[1]"));
    EXPECT_FALSE(decode("[{}]"));
    EXPECT_FALSE(decode("["));
}

TEST(HistoryFileDecoding, EncodingRoundTripsEveryField) {
    HistoryEntry entry =
        test::makeEntry("line one\nline \"two\" — ünïcødé 🎙", utc(1, 2, 3), "Scratchpad");
    entry.bundleId = "com.trelvanic.tavik";
    entry.via = "scratchpad";
    entry.duration = 0.123456789;
    entry.latencyMs = 1234.5;
    entry.inserted = false;
    const auto decoded = decode(encode({entry}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->value(0), entry);
}

} // namespace
} // namespace tavik
