// The history's figures over real entries, around midnight, week boundaries and changes of
// daylight-saving time in pinned time zones.
#include "app/stores/history_statistics.h"

#include "app/stores/history.h"
#include "tests/support/transforms_printers.h"

#include <QDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tavik {
namespace {

using Stats = HistoryStatistics;

HistoryEntry entry(const QString& text, const QDateTime& at, double duration = 2.0,
                   double latencyMs = 500.0, const QString& app = "Editor") {
    return HistoryEntry{
        QUuid::createUuid(), text, app, "org.example." + app.toLower(), "paste", at, duration,
        latencyMs,           true};
}

QDateTime local(const char* zone, int y, int m, int d, int h, int min = 0, int s = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min, s), QTimeZone(zone));
}

const QDateTime someNow = local("Europe/Berlin", 2026, 6, 17, 15, 30);
const DayCalendar berlin(QTimeZone("Europe/Berlin"));

TEST(StatisticsTest, AnEmptyHistoryHasNoFigures) {
    const Stats::Entries none;
    EXPECT_EQ(Stats::totalWords(none), 0);
    EXPECT_EQ(Stats::wordsThisWeek(none, someNow, berlin), 0);
    EXPECT_EQ(Stats::medianWPM(none), std::nullopt);
    EXPECT_EQ(Stats::medianLatencyMs(none), std::nullopt);
    EXPECT_EQ(Stats::dayStreak(none, someNow, berlin), 0);
    EXPECT_TRUE(Stats::topApps(none).isEmpty());
}

TEST(StatisticsTest, WordsCountAcrossEntriesAndTheLastSevenCalendarDays) {
    const Stats::Entries entries = {
        entry("one two three", someNow),
        entry(QString::fromUtf8("déjà  vu\n— encore"),
              someNow.addDays(-7)),                    // exactly at the cut-off
        entry("a b", someNow.addDays(-7).addSecs(-1)), // one second older
        entry("", someNow.addDays(-1)),
    };
    EXPECT_EQ(Stats::totalWords(entries), 3 + 4 + 2);
    EXPECT_EQ(Stats::wordsThisWeek(entries, someNow, berlin), 3 + 4);
}

TEST(StatisticsTest, TheWeekKeepsTheWallClockTimeAcrossADaylightSavingChange) {
    // Berlin moved to summer time on 29 March 2026: seven calendar days before noon on 1 April
    // is noon on 25 March, one hour further back than 7 × 24 hours.
    const QDateTime now = local("Europe/Berlin", 2026, 4, 1, 12);
    const QDateTime cutoff = local("Europe/Berlin", 2026, 3, 25, 12);
    ASSERT_EQ(cutoff.secsTo(now), 7 * 86400 - 3600);
    const Stats::Entries entries = {
        entry("inside the calendar week", cutoff.addSecs(1800)), // 4 words
        entry("at the cut-off", cutoff),                         // 3 words
        entry("just before", cutoff.addSecs(-1)),
    };
    EXPECT_EQ(Stats::wordsThisWeek(entries, now, berlin), 7);
    // The same instants seen from Tokyo, which keeps no summer time: seven days are a full
    // 168 hours, so the window reaches an hour further back and takes in all three.
    const DayCalendar tokyo(QTimeZone("Asia/Tokyo"));
    EXPECT_EQ(Stats::wordsThisWeek(entries, now, tokyo), 9);
}

TEST(StatisticsTest, MediansTakeTheUpperMiddleAndSkipWhatHasNoValue) {
    const QDateTime at = someNow;
    // Three words: 60, 90, 120 and 180 words per minute.
    Stats::Entries rates = {entry("a b c", at, 3.0, 1), entry("a b c", at, 2.0, 2),
                            entry("a b c", at, 1.5, 3), entry("a b c", at, 1.0, 4)};
    EXPECT_DOUBLE_EQ(Stats::medianWPM(rates).value(), 120.0);
    EXPECT_DOUBLE_EQ(Stats::medianLatencyMs(rates).value(), 3.0);

    // No rate: under a second, or fewer than three words, or a duration that is not a number.
    rates.append(entry("a b c", at, 0.5, 0));
    rates.append(entry("a b", at, 10.0, -20));
    rates.append(entry("a b c d", at, std::nan(""), std::nan("")));
    EXPECT_DOUBLE_EQ(Stats::medianWPM(rates).value(), 120.0);
    EXPECT_DOUBLE_EQ(Stats::medianLatencyMs(rates).value(), 3.0);

    const Stats::Entries single = {entry("x y z", at, 1.0, 812.5)};
    EXPECT_DOUBLE_EQ(Stats::medianWPM(single).value(), 180.0);
    EXPECT_DOUBLE_EQ(Stats::medianLatencyMs(single).value(), 812.5);

    const Stats::Entries without = {entry("hi", at, 0.2, 0.0)};
    EXPECT_EQ(Stats::medianWPM(without), std::nullopt);
    EXPECT_EQ(Stats::medianLatencyMs(without), std::nullopt);
}

TEST(StatisticsTest, TheStreakRunsBackFromTodayOrYesterday) {
    const QDateTime now = local("Europe/Berlin", 2026, 6, 17, 9);
    auto daysAgo = [&](int n, int hour = 12) {
        return entry("x", local("Europe/Berlin", 2026, 6, 17 - n, hour));
    };
    EXPECT_EQ(Stats::dayStreak({daysAgo(0, 8), daysAgo(1), daysAgo(3)}, now, berlin), 2);
    EXPECT_EQ(Stats::dayStreak({daysAgo(1)}, now, berlin), 1);
    EXPECT_EQ(Stats::dayStreak({daysAgo(2)}, now, berlin), 0);
    EXPECT_EQ(Stats::dayStreak({daysAgo(1), daysAgo(2), daysAgo(3)}, now, berlin), 3);
    EXPECT_EQ(Stats::dayStreak({daysAgo(0, 1), daysAgo(0, 8), daysAgo(1, 0), daysAgo(1, 23)}, now,
                               berlin),
              2);
}

TEST(StatisticsTest, DaysEndAtLocalMidnight) {
    const QDateTime midnight = local("Europe/Berlin", 2026, 6, 17, 0);
    const Stats::Entries entries = {entry("late", midnight.addSecs(-1)),
                                    entry("early", midnight.addSecs(1))};
    // In Berlin these are two days; in New York (six hours behind) both fall on the 16th.
    EXPECT_EQ(Stats::dayStreak(entries, midnight.addSecs(60), berlin), 2);
    const DayCalendar newYork(QTimeZone("America/New_York"));
    EXPECT_EQ(Stats::dayStreak(entries, midnight.addSecs(60), newYork), 1);
}

TEST(StatisticsTest, AMidnightDaylightSavingChangeDoesNotBreakTheStreak) {
    // Havana skips from 00:00 to 01:00 on 8 March 2026: that day starts at 01:00.
    const QTimeZone havana("America/Havana");
    if (!havana.isValid()) {
        GTEST_SKIP() << "the time zone database has no America/Havana";
    }
    const DayCalendar calendar(havana);
    ASSERT_EQ(calendar.startOfDay(local("America/Havana", 2026, 3, 8, 12)).time(), QTime(1, 0));
    Stats::Entries entries;
    for (int day = 5; day <= 9; ++day) {
        entries.append(entry("x", local("America/Havana", 2026, 3, day, 12)));
    }
    EXPECT_EQ(Stats::dayStreak(entries, local("America/Havana", 2026, 3, 9, 20), calendar), 5);
    EXPECT_EQ(Stats::dayStreak(entries, local("America/Havana", 2026, 3, 10, 0, 30), calendar), 5);
    EXPECT_EQ(Stats::dayStreak(entries, local("America/Havana", 2026, 3, 8, 1, 0), calendar), 4);
}

TEST(StatisticsTest, TopAppsCountExactNamesMostFirstWithStableTies) {
    const QDateTime at = someNow;
    const Stats::Entries entries = {
        entry("a", at, 1, 1, "Scratchpad"), entry("b", at, 1, 1, "Mail"),
        entry("c", at, 1, 1, "Editor"),     entry("d", at, 1, 1, "mail"),
        entry("e", at, 1, 1, "Editor"),     entry("f", at, 1, 1, "Scratchpad"),
        entry("g", at, 1, 1, "Editor"),     entry("h", at, 1, 1, "Mail"),
    };
    const QList<AppUsage> expected = {{"Editor", 3}, {"Scratchpad", 2}, {"Mail", 2}, {"mail", 1}};
    EXPECT_EQ(Stats::topApps(entries), expected);

    // Two applications that share a display name count as one, whatever their identifiers.
    Stats::Entries shared = {entry("x", at, 1, 1, "Notes"), entry("y", at, 1, 1, "Notes")};
    shared[1].bundleId = "org.other.notes";
    EXPECT_EQ(Stats::topApps(shared), (QList<AppUsage>{{"Notes", 2}}));
}

TEST(StatisticsTest, FiguresOfARealHistoryFollowItsEntries) {
    const QDateTime now = local("Asia/Kolkata", 2026, 11, 2, 10);
    const DayCalendar kolkata(QTimeZone("Asia/Kolkata"));
    History history(QDir::home().filePath(".local/share/Tavik-stats/history.json"),
                    [&] { return kolkata; });
    const HistoryStatistics stats(
        history, [&] { return kolkata; }, [&] { return now; });
    EXPECT_EQ(stats.dayStreak(), 0);

    history.add(entry("three little words", now.addDays(-9), 1.0, 300, "Mail"));
    history.add(entry("and four more words", now.addDays(-1), 2.0, 100, "Editor"));
    history.add(entry("two words", now.addSecs(-60), 1.0, 200, "Editor"));
    EXPECT_EQ(stats.totalWords(), 9);
    EXPECT_EQ(stats.wordsThisWeek(), 6);
    EXPECT_DOUBLE_EQ(stats.medianWPM().value(), 180.0); // rates 180 and 120: the upper one
    EXPECT_DOUBLE_EQ(stats.medianLatencyMs().value(), 200.0);
    EXPECT_EQ(stats.dayStreak(), 2);
    EXPECT_EQ(stats.topApps(), (QList<AppUsage>{{"Editor", 2}, {"Mail", 1}}));

    history.clear();
    EXPECT_EQ(stats.totalWords(), 0);
    EXPECT_TRUE(stats.topApps().isEmpty());
    history.flush(std::chrono::seconds(5));
}

} // namespace
} // namespace tavik
