#include "app/insertion/insertion_engine.h"
#include "tests/support/insertion_fakes.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

using test::FakeDesktop;

TEST(InsertionEngine, EmptyTextTriesNothing) {
    FakeDesktop desktop;
    InsertionEngine engine;
    const auto result = engine.insert("", "org.example.Editor");
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.winner, "none");
    EXPECT_EQ(result.attempts, 0);
    EXPECT_EQ(result.skipped, 0);
    EXPECT_EQ(result.trace, "");
    EXPECT_EQ(engine.profileCount(), 0);
}

TEST(InsertionEngine, TextIsCutAtItsFirstNul) {
    FakeDesktop desktop;
    InsertionEngine engine;
    // Starting with NUL the library would see an empty text: nothing is tried at all.
    const auto leading = engine.insert(QString(QChar(0)) + "abc", "org.example.Editor");
    EXPECT_EQ(leading.attempts, 0);
    EXPECT_EQ(engine.profileCount(), 0);
    EXPECT_TRUE(desktop.accessibility.focused->calls.empty());

    const auto embedded = engine.insert(QString("ab") + QChar(0) + "cd", "org.example.Editor");
    EXPECT_TRUE(embedded.succeeded);
    EXPECT_EQ(embedded.winner, "accessibility");
    EXPECT_EQ(desktop.accessibility.focused->content, "ab");
}

TEST(InsertionEngine, AccessibilityWinsWhenTheFieldTakesTheText) {
    FakeDesktop desktop;
    InsertionEngine engine;
    const auto result = engine.insert("hello", "org.example.Editor");
    EXPECT_TRUE(result.succeeded);
    EXPECT_EQ(result.winner, "accessibility");
    EXPECT_EQ(result.attempts, 1);
    EXPECT_EQ(result.trace, "accessibility -> Succeeded\ninserted via accessibility\n");
    EXPECT_EQ(engine.profileCount(), 1);
}

TEST(InsertionEngine, SecureInputRefusesEverything) {
    FakeDesktop desktop;
    desktop.accessibility.focused->password = true;
    InsertionEngine engine;
    const auto result = engine.insert("secret", "org.example.Editor");
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.winner, "none");
    EXPECT_EQ(result.attempts, 1);
    EXPECT_EQ(result.trace, "accessibility -> Refused\nall mechanisms exhausted\n");
    EXPECT_TRUE(desktop.accessibility.focused->content.isEmpty());
    EXPECT_TRUE(desktop.keys.chords.empty());
    EXPECT_TRUE(desktop.keys.batches.empty());
}

TEST(InsertionEngine, WithoutAccessibilityPasteTakesOverAndNothingIsLearned) {
    FakeDesktop desktop;
    desktop.accessibility.isTrusted = false;
    desktop.accessibility.focused->countable = false;
    InsertionEngine engine;
    const auto first = engine.insert("hello", "org.example.Editor");
    EXPECT_TRUE(first.succeeded);
    EXPECT_EQ(first.winner, "paste");
    EXPECT_EQ(first.trace,
              "accessibility -> Failed\npaste -> SucceededUnverified\ninserted via paste\n");
    // Switching accessibility on later lets it be tried again.
    desktop.accessibility.isTrusted = true;
    const auto second = engine.insert("again", "org.example.Editor");
    EXPECT_EQ(second.winner, "accessibility");
    EXPECT_EQ(second.skipped, 0);
}

TEST(InsertionEngine, AnUnsupportedFieldIsSkippedNextTime) {
    FakeDesktop desktop;
    desktop.accessibility.focused->writable = false;
    desktop.accessibility.focused->countable = false;
    InsertionEngine engine;
    const auto first = engine.insert("one", "org.example.Viewer");
    EXPECT_EQ(first.winner, "paste");
    EXPECT_EQ(first.attempts, 2);
    const auto second = engine.insert("two", "org.example.Viewer");
    EXPECT_EQ(second.skipped, 1);
    EXPECT_EQ(second.trace,
              "skip accessibility (profile)\npaste -> SucceededUnverified\ninserted via paste\n");
}

TEST(InsertionEngine, AnApplicationSlowToAnswerIsTriedAgainNextTime) {
    FakeDesktop desktop;
    desktop.accessibility.focused->answers = false;
    desktop.accessibility.focused->countable = false; // the paste is taken on trust
    InsertionEngine engine;
    const auto first = engine.insert("one", "org.example.Editor");
    EXPECT_EQ(first.winner, "paste");
    EXPECT_TRUE(first.trace.startsWith("accessibility -> Failed\npaste -> "))
        << first.trace.toStdString();

    desktop.accessibility.focused->answers = true;
    const auto second = engine.insert("two", "org.example.Editor");
    EXPECT_EQ(second.skipped, 0);
    EXPECT_EQ(second.winner, "accessibility");
    EXPECT_EQ(desktop.accessibility.focused->content, "two");
}

TEST(InsertionEngine, AllMechanismsFailing) {
    FakeDesktop desktop;
    desktop.accessibility.focused->failsInsert = true;
    desktop.clipboard.failsSet = true;
    desktop.keys.capacity = 0;
    InsertionEngine engine;
    const auto result = engine.insert("lost", "");
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.winner, "none");
    EXPECT_EQ(result.attempts, 3);
    EXPECT_TRUE(result.trace.endsWith("all mechanisms exhausted\n"));
    EXPECT_EQ(engine.profileCount(), 1); // the empty key is an ordinary key
}

TEST(InsertionEngine, IsNeverReenteredFromItsOwnCallback) {
    FakeDesktop desktop;
    desktop.accessibility.isTrusted = false;
    InsertionEngine engine;
    std::optional<InsertionEngine::Result> nested;
    desktop.keys.onPaste = [&] {
        nested = engine.insert("inner", "org.example.Other");
    };
    const auto outer = engine.insert("outer", "org.example.Editor");
    EXPECT_TRUE(outer.succeeded);
    ASSERT_TRUE(nested.has_value());
    EXPECT_FALSE(nested->succeeded);
    EXPECT_EQ(nested->attempts, 0);
    EXPECT_EQ(engine.profileCount(), 1);
}

} // namespace
} // namespace tavik
