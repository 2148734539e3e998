#include "app/insertion/insertion_codes.h"
#include "app/insertion/mechanisms.h"
#include "tests/support/insertion_fakes.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

using test::FakeDesktop;

TEST(LeadingSpace, FollowsALetterOnly) {
    EXPECT_TRUE(needsLeadingSpace("world", "o"));
    EXPECT_TRUE(needsLeadingSpace("Über", "9"));
    EXPECT_FALSE(needsLeadingSpace("world", " "));
    EXPECT_FALSE(needsLeadingSpace("world", "\n"));
    EXPECT_FALSE(needsLeadingSpace("world", QString(QChar(0x00A0)))); // no-break space
    EXPECT_FALSE(needsLeadingSpace("world", ""));
    EXPECT_FALSE(needsLeadingSpace("", "o"));
}

TEST(LeadingSpace, NeverBeforePunctuationOrWhitespace) {
    for (const QChar c : QStringLiteral(",.!?;:)]}")) {
        EXPECT_FALSE(needsLeadingSpace(QString(c) + "x", "o")) << QString(c).toStdString();
    }
    EXPECT_FALSE(needsLeadingSpace(" word", "o"));
    EXPECT_FALSE(needsLeadingSpace("\tword", "o"));
    EXPECT_TRUE(needsLeadingSpace("(aside", "o")); // only closing brackets are exempt
    EXPECT_TRUE(needsLeadingSpace("-", "o"));
}

TEST(AccessibilityMechanism, InsertsAtTheCaretWithASpaceAfterALetter) {
    FakeDesktop desktop;
    desktop.accessibility.focused->content = "Hello";
    desktop.accessibility.focused->caret = 5;
    EXPECT_EQ(runAccessibility("world"), OUTCOME_SUCCEEDED);
    EXPECT_EQ(desktop.accessibility.focused->content, "Hello world");
}

TEST(AccessibilityMechanism, NoSpaceAtTheStartOrAfterWhitespace) {
    FakeDesktop desktop;
    auto& field = *desktop.accessibility.focused;
    field.content = "";
    field.caret = 0;
    EXPECT_EQ(runAccessibility("first"), OUTCOME_SUCCEEDED);
    EXPECT_EQ(field.content, "first");
    field.content = "line\n";
    field.caret = 5;
    EXPECT_EQ(runAccessibility("next"), OUTCOME_SUCCEEDED);
    EXPECT_EQ(field.content, "line\nnext");
    field.content = "end";
    field.caret = 3;
    EXPECT_EQ(runAccessibility(", and more"), OUTCOME_SUCCEEDED);
    EXPECT_EQ(field.content, "end, and more");
}

TEST(AccessibilityMechanism, SpaceIsDecidedAtTheSelectionStartNotTheCaret) {
    FakeDesktop desktop;
    auto& field = *desktop.accessibility.focused;
    field.content = "one two";
    field.caret = 0;    // the caret sits at the start…
    field.select(4, 7); // …but "two" is selected, after a space
    EXPECT_EQ(runAccessibility("three"), OUTCOME_SUCCEEDED);
    EXPECT_EQ(field.content, "one three");
}

TEST(AccessibilityMechanism, ReplacingASelectionInsertsBeforeItDeletes) {
    FakeDesktop desktop;
    auto& field = *desktop.accessibility.focused;
    field.content = "say hello";
    field.select(4, 9);
    EXPECT_EQ(runAccessibility("world"), OUTCOME_SUCCEEDED);
    EXPECT_EQ(field.content, "say world");
    ASSERT_EQ(field.calls.size(), 2u);
    EXPECT_EQ(field.calls[0], "insert 9 world");
    EXPECT_EQ(field.calls[1], "delete 4 9");
}

TEST(AccessibilityMechanism, AFailedInsertKeepsTheSelectedText) {
    FakeDesktop desktop;
    auto& field = *desktop.accessibility.focused;
    field.content = "keep this";
    field.select(5, 9);
    field.failsInsert = true;
    EXPECT_EQ(runAccessibility("that"), OUTCOME_FAILED);
    EXPECT_EQ(field.content, "keep this");
}

TEST(AccessibilityMechanism, EqualLengthReplacementIsNotADiscard) {
    FakeDesktop desktop;
    auto& field = *desktop.accessibility.focused;
    field.content = "hello";
    field.select(0, 5);
    EXPECT_EQ(runAccessibility("world"), OUTCOME_SUCCEEDED);
    EXPECT_EQ(field.content, "world");
}

TEST(AccessibilityMechanism, UnchangedCountWithoutSelectionIsADiscard) {
    FakeDesktop desktop;
    auto& field = *desktop.accessibility.focused;
    field.content = "abc";
    field.caret = 3;
    field.dropsWrites = true;
    EXPECT_EQ(runAccessibility("def"), OUTCOME_DISCARDED);
}

TEST(AccessibilityMechanism, NoCountMeansSucceededAfterTheWrite) {
    FakeDesktop desktop;
    auto& field = *desktop.accessibility.focused;
    field.countable = false;
    field.dropsWrites = true; // even so: nothing to compare
    EXPECT_EQ(runAccessibility("text"), OUTCOME_SUCCEEDED);
}

TEST(AccessibilityMechanism, OnlyTheApplicationsOwnAnswerIsUnsupported) {
    FakeDesktop desktop;
    auto& field = *desktop.accessibility.focused;
    field.writable = false; // it answered: the focused object takes no text
    EXPECT_EQ(runAccessibility("text"), OUTCOME_UNSUPPORTED);

    // Moments that pass say nothing about the application: a field that did not answer in
    // time, no focused element found (a timeout, the search's bound, no active window), the
    // focus still cached in an application no longer in front, nothing in front at all.
    field.writable = true;
    field.answers = false;
    EXPECT_EQ(runAccessibility("text"), OUTCOME_FAILED);
    field.answers = true;
    desktop.accessibility.ownerPid = 777;
    EXPECT_EQ(runAccessibility("text"), OUTCOME_FAILED);
    desktop.accessibility.ownerPid = 4242;
    desktop.frontmost.app.reset();
    EXPECT_EQ(runAccessibility("text"), OUTCOME_FAILED);
    desktop.frontmost.app = platform::RunningApp{"Editor", "org.example.Editor", 4242, "Editor"};
    auto kept = desktop.accessibility.focused;
    desktop.accessibility.focused = nullptr;
    EXPECT_EQ(runAccessibility("text"), OUTCOME_FAILED);
    EXPECT_TRUE(kept->calls.empty());
    EXPECT_TRUE(kept->content.isEmpty());
}

TEST(AccessibilityMechanism, NoCaretFails) {
    FakeDesktop desktop;
    desktop.accessibility.focused->failsCaret = true;
    EXPECT_EQ(runAccessibility("text"), OUTCOME_FAILED);
    EXPECT_TRUE(desktop.accessibility.focused->content.isEmpty());
}

} // namespace
} // namespace tavik
