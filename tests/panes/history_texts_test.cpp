// The history and insights panes' figures and texts: numbers as people read them, day captions
// across midnight, New Year and a daylight-saving change, and data shown exactly as written.
#include "app/panes/history/figure_text.h"
#include "app/panes/history/history_texts.h"
#include "app/stores/history.h"
#include "app/stores/preferences.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tavik::panes {
namespace {

using namespace history_texts;

TEST(FigureTextTest, TruncatesTowardZeroAndSurvivesValuesACastCannotHold) {
    EXPECT_EQ(truncToInt64(412.9), 412);
    EXPECT_EQ(truncToInt64(-412.9), -412);
    EXPECT_EQ(truncToInt64(142.9), 142);
    EXPECT_EQ(truncToInt64(std::nan("")), 0);
    EXPECT_EQ(truncToInt64(std::numeric_limits<double>::infinity()),
              std::numeric_limits<qint64>::max());
    EXPECT_EQ(truncToInt64(-std::numeric_limits<double>::infinity()),
              std::numeric_limits<qint64>::min());
    EXPECT_EQ(truncToInt64(1e300), std::numeric_limits<qint64>::max());

    EXPECT_EQ(integerText(1200), "1200");
    EXPECT_EQ(integerText(-7), "-7");
}

TEST(FigureTextTest, RoundsLikePrintfInEveryLocale) {
    // Exact binary halves go to even, as "%.1f" does; Qt's own formatting rounds them up.
    EXPECT_EQ(fixedText(1.25, 1), "1.2");
    EXPECT_EQ(fixedText(0.5, 0), "0");
    EXPECT_EQ(fixedText(2.5, 0), "2");
    EXPECT_EQ(fixedText(99.5, 0), "100");
    EXPECT_EQ(fixedText(66.666666, 0), "67");
    EXPECT_EQ(fixedText(40.5 / 40, 1), "1.0");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(fixedText(1.5, 1), "1.5");
    QLocale::setDefault(QLocale::c());
}

class DayLabelTest : public ::testing::Test {
protected:
    const DayCalendar berlin{QTimeZone("Europe/Berlin")};
    const QLocale english{QLocale::English, QLocale::UnitedKingdom};

    QDateTime local(int y, int m, int d, int h, int min) const {
        return QDateTime(QDate(y, m, d), QTime(h, min), berlin.zone());
    }
    QString labelOf(const QDateTime& entryAt, const QDateTime& now) const {
        return dayLabel(berlin.startOfDay(entryAt), now, berlin, english);
    }
};

TEST_F(DayLabelTest, NamesTodayYesterdayThenTheDateWithTheYearOnlyForEarlierYears) {
    const QDateTime now = local(2026, 3, 5, 0, 10); // ten past midnight
    EXPECT_EQ(labelOf(local(2026, 3, 5, 0, 0), now), "Today");
    EXPECT_EQ(labelOf(local(2026, 3, 4, 23, 59), now), "Yesterday");
    EXPECT_EQ(labelOf(local(2026, 3, 3, 12, 0), now), "Tuesday 3 March");
    EXPECT_EQ(labelOf(local(2024, 3, 3, 12, 0), now), "3 March 2024");

    // On New Year's Day the yesterday test comes before the year test.
    const QDateTime newYear = local(2026, 1, 1, 9, 0);
    EXPECT_EQ(labelOf(local(2025, 12, 31, 23, 0), newYear), "Yesterday");
    EXPECT_EQ(labelOf(local(2025, 12, 30, 8, 0), newYear), "30 December 2025");

    // Days are the calendar's: the same instant is "Today" in Berlin while it is already the
    // next day in Tokyo.
    const QDateTime lateEvening = local(2026, 6, 10, 22, 0);
    const DayCalendar tokyo{QTimeZone("Asia/Tokyo")};
    EXPECT_EQ(dayLabel(berlin.startOfDay(lateEvening), lateEvening, berlin, english), "Today");
    EXPECT_EQ(dayLabel(tokyo.startOfDay(local(2026, 6, 10, 12, 0)), lateEvening, tokyo, english),
              "Yesterday");
}

TEST_F(DayLabelTest, ADaylightSavingChangeKeepsItsDayWhole) {
    // 29 March 2026: Berlin skips from 02:00 to 03:00. Both ends of that 23-hour day group
    // together, and the next day is still "Today" a full day later.
    History history(qEnvironmentVariable("XDG_DATA_HOME") + "/dst/history.json",
                    [this] { return berlin; });
    const auto entry = [](const QDateTime& at) {
        return HistoryEntry{QUuid::createUuid(), "x", "App", "id", "paste", at, 1, 1, true};
    };
    const QList<HistoryEntry> entries = {
        entry(local(2026, 3, 30, 0, 5)), entry(local(2026, 3, 29, 23, 55)),
        entry(local(2026, 3, 29, 3, 30)), entry(local(2026, 3, 29, 0, 15)),
        entry(local(2026, 3, 28, 23, 59))};
    const QList<History::DayGroup> groups = history.grouped(entries);
    ASSERT_EQ(groups.size(), 3);
    EXPECT_EQ(groups[1].entries.size(), 3);
    const QDateTime now = local(2026, 3, 30, 12, 0);
    QStringList captions;
    for (const History::DayGroup& group : groups) {
        captions << dayLabel(group.day, now, berlin, english);
    }
    EXPECT_EQ(captions, QStringList({"Today", "Yesterday", "Saturday 28 March"}));
    EXPECT_EQ(timeText(entries[2].at, berlin, english), "03:30");
    EXPECT_EQ(timeText(entries[0].at, berlin, english), "00:05");
}

TEST(HistoryTextsTest, DataIsShownAsWrittenNeverReadAsAFormat) {
    HistoryEntry entry{
        QUuid::createUuid(), "x", "%2 & <b>Mail</b>", "id", "paste", {}, 1, 412.9, false};
    EXPECT_EQ(captionText(entry), "%2 & <b>Mail</b> · paste · 412ms");
    EXPECT_EQ(warningText(entry), "Could not type into %2 & <b>Mail</b> — copied to clipboard");
    entry.latencyMs = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(captionText(entry), "%2 & <b>Mail</b> · paste · 0ms");

    EXPECT_EQ(noMatchText("  <i>x "), "Nothing matches “  <i>x ”.");
    EXPECT_EQ(emptyHintText("—"),
              "Put your cursor in any text field, hold —, and say something. It will appear here.");
    EXPECT_EQ(appliedNotice("UPPERCASE"), "“UPPERCASE” applied — on your clipboard.");
    EXPECT_EQ(rewritingNotice("Formal %1"), "Rewriting with “Formal %1”…");
    EXPECT_EQ(rewriteDoneNotice("Formal"), "“Formal” done — the rewrite is on your clipboard.");
    EXPECT_EQ(aiItemTitle("R&D"), QString::fromUtf8("R&D  \u2197"));
}

TEST(HistoryTextsTest, TheGestureWordFollowsTheBindingTheKeyCapNames) {
    Preferences& prefs = Preferences::shared();
    prefs.setBindings(Preferences::defaultBindings());
    EXPECT_EQ(gestureWord(prefs), "Hold");
    EXPECT_EQ(prefs.primaryLabel(), "Right Alt");

    TriggerBindings bindings = prefs.bindings();
    bindings[DictationAction::pushToTalk].enabled = false;
    prefs.setBindings(bindings);
    EXPECT_EQ(gestureWord(prefs), "Double-tap");
    EXPECT_EQ(prefs.primaryLabel(), "Right Super");

    bindings[DictationAction::handsFree].enabled = false;
    prefs.setBindings(bindings);
    EXPECT_EQ(gestureWord(prefs), "Set a key");
    EXPECT_EQ(prefs.primaryLabel(), "—");
}

} // namespace
} // namespace tavik::panes
