#include "app/insertion/insertion_codes.h"
#include "app/insertion/mechanisms.h"
#include "tests/support/insertion_fakes.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

using test::FakeDesktop;

std::vector<int> unitsPerBatch(const std::vector<std::u32string>& batches) {
    std::vector<int> units;
    for (const auto& batch : batches) {
        int count = 0;
        for (char32_t cp : batch) {
            count += cp > 0xFFFF ? 2 : 1;
        }
        units.push_back(count);
    }
    return units;
}

TEST(TypeMechanism, FortyFiveUnitsGoInThreeBatchesWithTwoPauses) {
    FakeDesktop desktop;
    desktop.keys.capacity = 64;
    const QString text = QString("abcdefghi ").repeated(4) + "jklmn"; // 45 units
    ASSERT_EQ(text.size(), 45);
    EXPECT_EQ(runType(text), OUTCOME_SUCCEEDED);
    EXPECT_EQ(unitsPerBatch(desktop.keys.batches), (std::vector<int>{20, 20, 5}));
    EXPECT_EQ(desktop.keys.pauseMs, typingPauseMs);
    EXPECT_TRUE(desktop.sleeper.sleeps.empty()); // the pauses are the display server's to keep
    EXPECT_EQ(desktop.keys.typed(), text);
}

TEST(TypeMechanism, AnEmojiAtTheBatchBorderStaysWhole) {
    FakeDesktop desktop;
    desktop.keys.capacity = 64;
    const QString text = QString(19, 'a') + QString::fromUtf8("🎉") + "bc";
    EXPECT_EQ(runType(text), OUTCOME_SUCCEEDED);
    ASSERT_EQ(desktop.keys.batches.size(), 2u);
    EXPECT_EQ(unitsPerBatch(desktop.keys.batches), (std::vector<int>{19, 4}));
    EXPECT_EQ(desktop.keys.batches[1].front(), U'🎉');
    EXPECT_EQ(desktop.keys.typed(), text);
}

TEST(TypeMechanism, BatchesHoldNoMoreDistinctCharactersThanSpareKeys) {
    const auto batches = typingChunks(U"abcdefgh", 3);
    EXPECT_EQ(batches, (std::vector<std::u32string>{U"abc", U"def", U"gh"}));
    // Repeats of a character already in the batch cost nothing.
    EXPECT_EQ(typingChunks(U"aaabbbccc", 2), (std::vector<std::u32string>{U"aaabbb", U"ccc"}));
}

TEST(TypeMechanism, LineBreaksAndControls) {
    EXPECT_EQ(typeableText("a\r\nb"), U"a\nb");
    EXPECT_EQ(typeableText("a\rb\n\tc"), U"a\nb\n\tc");
    EXPECT_EQ(typeableText(QString("x") + QChar(0x07) + QChar(0x7F) + QChar(0x85) + "y"), U"xy");
}

TEST(TypeMechanism, NothingIsTypedWhenTypingIsImpossible) {
    FakeDesktop desktop;
    desktop.keys.capacity = 0;
    EXPECT_EQ(runType("hello"), OUTCOME_FAILED);
    EXPECT_TRUE(desktop.keys.batches.empty());

    FakeDesktop noDisplay;
    noDisplay.keys.isAvailable = false;
    EXPECT_EQ(runType("hello"), OUTCOME_FAILED);
    EXPECT_EQ(runType(""), OUTCOME_FAILED); // no event source comes before the empty check
    EXPECT_TRUE(noDisplay.keys.batches.empty());
}

TEST(TypeMechanism, EmptyTextSucceedsWithoutKeys) {
    FakeDesktop desktop;
    EXPECT_EQ(runType(""), OUTCOME_SUCCEEDED);
    EXPECT_EQ(runType(QString(QChar(0x07))), OUTCOME_SUCCEEDED);
    EXPECT_TRUE(desktop.keys.batches.empty());
}

} // namespace
} // namespace tavik

namespace tavik {
namespace {

TEST(TypeMechanism, ALongTextIsOnlyWantedWhileItsApplicationStaysInFront) {
    test::FakeDesktop desktop;
    desktop.keys.capacity = 64;
    EXPECT_EQ(runType(QString(50, 'x')), OUTCOME_SUCCEEDED);
    ASSERT_TRUE(desktop.keys.stillWanted);
    EXPECT_TRUE(desktop.keys.stillWanted());
    desktop.frontmost.activate(
        platform::RunningApp{"Chat", "org.example.Chat", 99, QStringLiteral("Chat")});
    EXPECT_FALSE(desktop.keys.stillWanted());

    // The front changes once the first batch is out: typing fails and keeps what it did not type.
    test::FakeDesktop moving;
    moving.keys.afterBatch = [&](std::size_t typed) {
        if (typed == 1) {
            moving.frontmost.activate(
                platform::RunningApp{"Chat", "org.example.Chat", 99, QStringLiteral("Chat")});
        }
    };
    EXPECT_EQ(runType(QString(30, 'y')), OUTCOME_FAILED);
    EXPECT_EQ(moving.keys.typed(), QString(20, 'y'));
    EXPECT_EQ(takeUntypedText(), QString(10, 'y'));
    EXPECT_EQ(takeUntypedText(), QString());
}

TEST(TypeMechanism, ARefusalOfTheKeyboardIsAFailure) {
    test::FakeDesktop desktop;
    desktop.keys.typingFails = true; // the person's keys cannot be set aside
    EXPECT_EQ(runType("hello"), OUTCOME_FAILED);
}

} // namespace
} // namespace tavik
