// The insights pane's figures and texts, from chosen figures and from a real seeded history.
#include "app/panes/insights/insights_figures.h"
#include "app/stores/history.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace tavik::panes {
namespace {

HistoryFigures figures(qint64 count, qint64 words, std::optional<double> wpm) {
    HistoryFigures f;
    f.count = count;
    f.totalWords = words;
    f.medianWPM = wpm;
    f.topApps = {{"Mail", int(count)}};
    return f;
}

TEST(InsightsTextsTest, NoDictationShowsOnlyTheEmptyText) {
    const InsightsTexts texts = insightsTexts(HistoryFigures{});
    EXPECT_TRUE(texts.empty);
    EXPECT_TRUE(texts.apps.isEmpty());
    EXPECT_FALSE(texts.timeSentence);
    EXPECT_EQ(InsightsTexts::emptyText(),
              "Nothing to measure yet. Dictate something and this fills in.");
}

TEST(InsightsTextsTest, CardsAndTheTimeBlockFollowTheMedianSpeed) {
    InsightsTexts texts = insightsTexts(figures(12, 1200, std::nullopt));
    EXPECT_FALSE(texts.empty);
    EXPECT_EQ(texts.cards[0].value, "1200");
    EXPECT_EQ(texts.cards[0].label, "words dictated");
    EXPECT_EQ(texts.cards[0].glyph, "text.alignleft");
    EXPECT_EQ(texts.cards[1].value, "12");
    EXPECT_EQ(texts.cards[1].label, "dictations");
    EXPECT_EQ(texts.cards[2].value, "—");
    EXPECT_EQ(texts.cards[2].label, "words per minute");
    EXPECT_EQ(texts.cards[3].label, "day streak");
    EXPECT_EQ(texts.cards[3].glyph, "flame");
    EXPECT_FALSE(texts.timeSentence);

    EXPECT_FALSE(insightsTexts(figures(12, 1200, 40.0)).timeSentence); // strictly above 40

    texts = insightsTexts(figures(12, 81, 40.5));
    EXPECT_EQ(texts.cards[2].value, "40");
    ASSERT_TRUE(texts.timeSentence);
    // 81/40 − 81/40.5 = 0.025 minutes.
    EXPECT_EQ(*texts.timeSentence,
              "At 40 words per minute you are roughly 1.0× faster than typing at 40wpm — about "
              "under a minute saved so far.");

    texts = insightsTexts(figures(3, 7200, 80));
    EXPECT_EQ(*texts.timeSentence,
              "At 80 words per minute you are roughly 2.0× faster than typing at 40wpm — about "
              "1.5 hours saved so far.");
    EXPECT_EQ(InsightsTexts::timeNote(),
              "40wpm is a rough average for everyday typing, not a measurement of yours.");
}

TEST(InsightsTextsTest, TimeSavedReadsInMinutesThenHoursRoundedLikePrintf) {
    EXPECT_EQ(savingText(0.9), "under a minute");
    EXPECT_EQ(savingText(1.0), "1 minutes");
    EXPECT_EQ(savingText(1.9), "1 minutes");
    EXPECT_EQ(savingText(59.99), "59 minutes");
    EXPECT_EQ(savingText(60), "1.0 hours");
    EXPECT_EQ(savingText(90), "1.5 hours");
    EXPECT_EQ(savingText(75), "1.2 hours"); // 1.25 is an exact half: to even
}

TEST(InsightsTextsTest, ReliabilityColourAndSentences) {
    HistoryFigures f = figures(20, 100, std::nullopt);
    f.failed = 1; // exactly 5 %: not above it
    InsightsTexts texts = insightsTexts(f);
    EXPECT_EQ(texts.success, "95%");
    EXPECT_FALSE(texts.successIsWarning);
    EXPECT_EQ(*texts.failedSentence,
              "1 went to the clipboard because no insertion mechanism worked in that app.");
    EXPECT_FALSE(texts.latency);

    f.count = 19; // 5.26 %
    texts = insightsTexts(f);
    EXPECT_EQ(texts.success, "95%");
    EXPECT_TRUE(texts.successIsWarning);

    f.count = 3; // 66.67 % success
    f.medianLatencyMs = 412.9;
    texts = insightsTexts(f);
    EXPECT_EQ(texts.success, "67%");
    EXPECT_EQ(*texts.latency, "412ms");

    f.failed = 0;
    texts = insightsTexts(f);
    EXPECT_EQ(texts.success, "100%");
    EXPECT_FALSE(texts.successIsWarning);
    EXPECT_FALSE(texts.failedSentence);

    f.count = 200; // 99.5 % rounds to even: 100 %, and the failure still shows
    f.failed = 1;
    texts = insightsTexts(f);
    EXPECT_EQ(texts.success, "100%");
    EXPECT_TRUE(texts.failedSentence);
}

TEST(InsightsTextsTest, FiguresOfASeededHistory) {
    // Seven applications, speeds 100 and 120 (the upper middle wins), one failure in twelve.
    History history(qEnvironmentVariable("XDG_DATA_HOME") + "/insights/history.json");
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QStringList apps = {"Mail",  "Mail", "Mail", "Mail", "Notes",    "Notes",
                              "Notes", "Chat", "Chat", "Docs", "Terminal", "Browser"};
    for (int i = 0; i < apps.size(); ++i) {
        // Ten words in 6 s (100 wpm) or 5 s (120 wpm); the rest too short to count.
        const bool timed = i < 2;
        history.add(HistoryEntry{QUuid::createUuid(),
                                 "one two three four five six seven eight "
                                 "nine ten",
                                 apps[i], "id", "paste", now, timed ? (i == 0 ? 6.0 : 5.0) : 0.5,
                                 300.0 + i, i != 5});
    }
    history.add(HistoryEntry{QUuid::createUuid(), "hi", "Editor", "id", "type", now, 0.5, 0, true});
    const HistoryStatistics statistics(history);
    const InsightsTexts texts =
        insightsTexts(HistoryFigures::of(statistics, history.entries(), now));
    EXPECT_EQ(texts.cards[0].value, "121");
    EXPECT_EQ(texts.cards[1].value, "13");
    EXPECT_EQ(texts.cards[2].value, "120");
    EXPECT_EQ(texts.cards[3].value, "1");
    ASSERT_EQ(texts.apps.size(), 6); // the seventh application is not shown
    EXPECT_EQ(texts.apps[0].app, "Mail");
    EXPECT_EQ(texts.apps[0].count, "4");
    EXPECT_DOUBLE_EQ(*texts.apps[0].barFraction, 1.0);
    EXPECT_EQ(texts.apps[1].app, "Notes");
    EXPECT_DOUBLE_EQ(*texts.apps[1].barFraction, 0.75);
    EXPECT_DOUBLE_EQ(*texts.apps[5].barFraction, 0.25);
    EXPECT_EQ(texts.success, "92%"); // 1 of 13
    EXPECT_TRUE(texts.successIsWarning);
    EXPECT_EQ(*texts.latency, "306ms"); // latencies above 0: 300…311, upper middle
}

} // namespace
} // namespace tavik::panes
