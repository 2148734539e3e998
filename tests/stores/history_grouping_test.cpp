#include "app/stores/history.h"
#include "tests/stores/history_support.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

HistoryEntry at(const QString& text, const QDateTime& when) {
    return test::makeEntry(text, when);
}

QStringList texts(const QList<HistoryEntry>& entries) {
    QStringList out;
    for (const HistoryEntry& entry : entries) {
        out.append(entry.text);
    }
    return out;
}

TEST(HistoryGrouping, LocalMidnightSeparatesDaysAndTheZoneDecides) {
    QTimeZone zone("Europe/Berlin");
    History history(test::historyPathFor("grouping"), [&zone] { return DayCalendar(zone); });
    const QDateTime beforeMidnight(QDate(2026, 12, 7), QTime(23, 59, 59), zone);
    const QDateTime afterMidnight(QDate(2026, 12, 8), QTime(0, 0, 1), zone);
    const QList<HistoryEntry> list = {at("late", beforeMidnight), at("early", afterMidnight)};

    const QList<History::DayGroup> berlin = history.grouped(list);
    ASSERT_EQ(berlin.size(), 2);
    EXPECT_EQ(berlin[0].day, QDateTime(QDate(2026, 12, 8), QTime(0, 0), zone));
    EXPECT_EQ(texts(berlin[0].entries), QStringList{"early"});
    EXPECT_EQ(berlin[1].day, QDateTime(QDate(2026, 12, 7), QTime(0, 0), zone));
    EXPECT_EQ(texts(berlin[1].entries), QStringList{"late"});

    // The calendar is asked on every call: the user moved to New York, six hours behind.
    zone = QTimeZone("America/New_York");
    const QList<History::DayGroup> newYork = history.grouped(list);
    ASSERT_EQ(newYork.size(), 1);
    EXPECT_EQ(newYork[0].day, QDateTime(QDate(2026, 12, 7), QTime(0, 0), zone));
    EXPECT_EQ(texts(newYork[0].entries), (QStringList{"early", "late"}));
}

TEST(HistoryGrouping, WithinADayLatestFirstAndTiesKeepTheGivenOrder) {
    const QTimeZone zone = QTimeZone::utc();
    History history(test::historyPathFor("ties"), [&zone] { return DayCalendar(zone); });
    const QDateTime noon(QDate(2026, 5, 4), QTime(12, 0), zone);
    const QList<HistoryEntry> list = {at("morning", noon.addSecs(-3600)), at("tie A", noon),
                                      at("other day", noon.addDays(-3)), at("tie B", noon),
                                      at("evening", noon.addSecs(3600))};
    const QList<History::DayGroup> groups = history.grouped(list);
    ASSERT_EQ(groups.size(), 2);
    EXPECT_EQ(texts(groups[0].entries), (QStringList{"evening", "tie A", "tie B", "morning"}));
    EXPECT_EQ(texts(groups[1].entries), QStringList{"other day"});
    EXPECT_TRUE(history.grouped({}).isEmpty());
}

TEST(HistoryGrouping, ADayWithoutMidnightStartsAtItsFirstMoment) {
    // Clocks in São Paulo jumped from 00:00 to 01:00 on 4 November 2018.
    const QTimeZone zone("America/Sao_Paulo");
    History history(test::historyPathFor("dst"), [&zone] { return DayCalendar(zone); });
    const QDateTime morning(QDate(2018, 11, 4), QTime(9, 0), zone);
    const QList<History::DayGroup> groups = history.grouped({at("spring", morning)});
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0].day, QDateTime(QDate(2018, 11, 4), QTime(1, 0), zone));
    EXPECT_EQ(groups[0].day.toUTC(), QDateTime(QDate(2018, 11, 4), QTime(3, 0), QTimeZone::utc()));

    // Hour after hour across that day and across 16 February 2019, when 23:00 came twice: every
    // entry falls in the day of its own instant.
    QList<HistoryEntry> hourly;
    for (const QDate first : {QDate(2018, 11, 3), QDate(2019, 2, 15)}) {
        for (int hour = 0; hour < 72; ++hour) {
            hourly.prepend(at("hourly", QDateTime(first, QTime(0, 30), zone).addSecs(hour * 3600)));
        }
    }
    qsizetype grouped = 0;
    for (const History::DayGroup& group : history.grouped(hourly)) {
        for (const HistoryEntry& entry : group.entries) {
            EXPECT_EQ(group.day, DayCalendar(zone).startOfDay(entry.at)) << grouped;
            ++grouped;
        }
    }
    EXPECT_EQ(grouped, hourly.size());
}

} // namespace
} // namespace tavik
