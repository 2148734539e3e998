#include "app/stores/history_entry.h"
#include "tests/stores/history_support.h"

#include <gtest/gtest.h>

#include <limits>

namespace tavik {
namespace {

int words(const QString& text) {
    return test::makeEntry(text).wordCount();
}

TEST(HistoryEntryWords, RunsOfNonBlankCharactersAreWords) {
    EXPECT_EQ(words(""), 0);
    EXPECT_EQ(words(" \t\n\u00A0\u3000"), 0);
    EXPECT_EQ(words("one"), 1);
    EXPECT_EQ(words("  one   two\tthree\nfour  "), 4);
    EXPECT_EQ(words("one\r\ntwo"), 2);
    EXPECT_EQ(words("no\u00A0break and\u3000ideographic"), 4);
    EXPECT_EQ(words("hello, world !"), 3); // punctuation alone is a word
    EXPECT_EQ(words("don't re-deploy"), 2);
    EXPECT_EQ(words("cafe\u0301 noir"), 2);
    // A combining mark after a space belongs to the space's character, which is blank.
    EXPECT_EQ(words("a \u0301 b"), 2);
    EXPECT_EQ(words("🎙️ 👩‍👩‍👧 ok"), 3);
}

TEST(HistoryEntryWords, RateNeedsASecondOfAudioAndThreeWords) {
    HistoryEntry entry = test::makeEntry("three short words");
    entry.duration = 1.0;
    ASSERT_TRUE(entry.wordsPerMinute().has_value());
    EXPECT_DOUBLE_EQ(*entry.wordsPerMinute(), 180.0);
    entry.duration = 30.0;
    EXPECT_DOUBLE_EQ(*entry.wordsPerMinute(), 6.0);
    entry.duration = 0.9;
    EXPECT_FALSE(entry.wordsPerMinute().has_value());
    entry.duration = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(entry.wordsPerMinute().has_value());
    entry.text = "two words";
    entry.duration = 10.0;
    EXPECT_FALSE(entry.wordsPerMinute().has_value());
}

TEST(HistoryEntryEquality, AllNineFieldsCount) {
    const HistoryEntry base = test::makeEntry("same");
    EXPECT_EQ(base, base);
    HistoryEntry other = base;
    other.inserted = !base.inserted;
    EXPECT_NE(other, base);
    other = base;
    other.latencyMs += 1;
    EXPECT_NE(other, base);
    other = base;
    other.at = base.at.addMSecs(1);
    EXPECT_NE(other, base);
    other = base;
    other.at = base.at.toTimeZone(QTimeZone("Asia/Tokyo")); // same instant
    EXPECT_EQ(other, base);
}

} // namespace
} // namespace tavik
