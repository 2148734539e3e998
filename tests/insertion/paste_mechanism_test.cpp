#include "app/insertion/insertion_codes.h"
#include "app/insertion/mechanisms.h"
#include "tests/support/insertion_fakes.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

using platform::KeySynth;
using test::FakeDesktop;

// The target pastes whatever the clipboard holds the moment the chord arrives.
void targetPastesAtOnce(FakeDesktop& desktop) {
    desktop.keys.onPaste = [&desktop] {
        auto& field = *desktop.accessibility.focused;
        field.content.insert(field.caret, desktop.clipboard.text());
    };
}

TEST(PasteMechanism, UnverifiedWithoutTrustAndWithoutWaiting) {
    FakeDesktop desktop;
    desktop.clipboard.userCopies("old");
    EXPECT_EQ(runPaste("dictated", 200, false), OUTCOME_SUCCEEDED_UNVERIFIED);
    EXPECT_TRUE(desktop.sleeper.sleeps.empty());
    EXPECT_EQ(desktop.clipboard.text(), "dictated");
    ASSERT_EQ(desktop.keys.chords.size(), 1u);
    EXPECT_EQ(desktop.keys.chords[0], KeySynth::PasteChord::controlV);
}

TEST(PasteMechanism, RestoresTheClipboardAfterTheDelay) {
    FakeDesktop desktop;
    desktop.clipboard.userCopies("old");
    const int pendingBefore = pendingPasteRestores();
    EXPECT_EQ(runPaste("dictated", 200, false), OUTCOME_SUCCEEDED_UNVERIFIED);
    EXPECT_EQ(pendingPasteRestores(), pendingBefore + 1);
    desktop.clock.advanceMs(199);
    EXPECT_EQ(desktop.clipboard.text(), "dictated");
    desktop.clock.advanceMs(1);
    EXPECT_EQ(desktop.clipboard.text(), "old");
    EXPECT_EQ(pendingPasteRestores(), pendingBefore);
}

TEST(PasteMechanism, ACopyMadeMeanwhileIsKept) {
    FakeDesktop desktop;
    desktop.clipboard.userCopies("old");
    const int pendingBefore = pendingPasteRestores();
    runPaste("dictated", 200, false);
    desktop.clock.advanceMs(100);
    desktop.clipboard.userCopies("newer");
    desktop.clock.advanceMs(200);
    EXPECT_EQ(desktop.clipboard.text(), "newer");
    EXPECT_EQ(desktop.clipboard.restores, 0);
    EXPECT_EQ(pendingPasteRestores(), pendingBefore);
}

TEST(PasteMechanism, AnEmptyClipboardIsEmptyAgain) {
    FakeDesktop desktop;
    runPaste("dictated", 200, false);
    desktop.clock.advanceMs(200);
    EXPECT_TRUE(desktop.clipboard.content.empty());
}

TEST(PasteMechanism, EveryFormatComesBack) {
    FakeDesktop desktop;
    const platform::ClipboardSnapshot rich = {{{"text/plain", "plain"},
                                               {"text/html", "<b>rich</b>"},
                                               {"image/png", QByteArray("\x89PNG\0\1", 6)}}};
    desktop.clipboard.content = rich;
    runPaste("dictated", 200, false);
    desktop.clock.advanceMs(200);
    EXPECT_EQ(desktop.clipboard.content, rich);
}

TEST(PasteMechanism, AFailedWriteRestoresAtOnce) {
    FakeDesktop desktop;
    desktop.clipboard.userCopies("old");
    desktop.clipboard.failsSet = true;
    EXPECT_EQ(runPaste("dictated", 200, true), OUTCOME_FAILED);
    EXPECT_EQ(desktop.clipboard.text(), "old");
    EXPECT_TRUE(desktop.keys.chords.empty());
    EXPECT_EQ(desktop.clock.pendingTimers(), 0u);
}

TEST(PasteMechanism, AChordThatCannotBePostedRestoresAtOnce) {
    FakeDesktop desktop;
    desktop.clipboard.userCopies("old");
    desktop.keys.chordFails = true;
    EXPECT_EQ(runPaste("dictated", 200, true), OUTCOME_FAILED);
    EXPECT_EQ(desktop.clipboard.text(), "old");
    EXPECT_EQ(desktop.clock.pendingTimers(), 0u);
}

TEST(PasteMechanism, VerifiedWhenTheCountChanges) {
    FakeDesktop desktop;
    auto& field = *desktop.accessibility.focused;
    field.content = "ab";
    field.caret = 2;
    targetPastesAtOnce(desktop);
    EXPECT_EQ(runPaste("cd", 200, true), OUTCOME_SUCCEEDED);
    EXPECT_EQ(field.content, "abcd");
    EXPECT_EQ(desktop.sleeper.total(), 0);
}

TEST(PasteMechanism, APasteThatLandsLateIsStillSeen) {
    FakeDesktop desktop;
    auto& field = *desktop.accessibility.focused;
    desktop.sleeper.onSleep = [&](int) {
        if (desktop.sleeper.total() == 60) {
            field.content += "late";
        }
    };
    EXPECT_EQ(runPaste("late", 200, true), OUTCOME_SUCCEEDED);
    EXPECT_EQ(desktop.sleeper.total(), 60);
}

TEST(PasteMechanism, AFetchedPasteIsReceivedEvenWhenNothingShows) {
    FakeDesktop desktop;
    auto& field = *desktop.accessibility.focused;
    field.content = "hello";
    field.select(0, 5);
    desktop.keys.onPaste = [&] {
        field.content = "world"; // same length over a selection
    };
    EXPECT_EQ(runPaste("world", 200, true), OUTCOME_SUCCEEDED_UNVERIFIED);
    field.select(-1, -1);
    desktop.keys.onPaste = nullptr; // no echo: the count never moves
    EXPECT_EQ(runPaste("cd", 200, true), OUTCOME_SUCCEEDED_UNVERIFIED);
    EXPECT_LT(pasteFetchLimitMs + pasteCheckLimitMs, 1000);
}

TEST(PasteMechanism, NeverFetchedIsDiscardedAndTheClipboardComesBackAtOnce) {
    FakeDesktop desktop;
    desktop.clipboard.userCopies("old");
    desktop.clipboard.fetchesOnSet = false;
    desktop.frontmost.app->window = 0x500001;
    // A clipboard manager's fetch is not the target's.
    desktop.keys.onPaste = [&] {
        desktop.clipboard.fetch(0x700002);
    };
    EXPECT_EQ(runPaste("dictated", 200, true), OUTCOME_DISCARDED);
    EXPECT_EQ(desktop.sleeper.total(), pasteFetchLimitMs);
    EXPECT_EQ(desktop.clipboard.text(), "old");
    EXPECT_EQ(desktop.clock.pendingTimers(), 0u);

    // Another window came to the front meanwhile: nothing is known about this one's paste.
    desktop.keys.onPaste = [&] {
        desktop.frontmost.app->window = 0x500099;
    };
    EXPECT_EQ(runPaste("dictated", 200, true), OUTCOME_FAILED);
    EXPECT_EQ(desktop.clipboard.text(), "old");

    desktop.frontmost.app->window = 0x500001;
    desktop.keys.onPaste = [&] {
        desktop.clipboard.fetch(0x500001);
    };
    EXPECT_EQ(runPaste("dictated", 200, false), OUTCOME_SUCCEEDED_UNVERIFIED);
}

TEST(PasteMechanism, UncountableOrMovedFocusIsNotJudged) {
    FakeDesktop desktop;
    desktop.accessibility.focused->countable = false;
    EXPECT_EQ(runPaste("x", 200, true), OUTCOME_SUCCEEDED_UNVERIFIED);
    EXPECT_TRUE(desktop.sleeper.sleeps.empty());

    FakeDesktop moved;
    moved.keys.onPaste = [&] {
        moved.accessibility.focused = std::make_shared<test::FakeField>();
    };
    EXPECT_EQ(runPaste("x", 200, true), OUTCOME_SUCCEEDED_UNVERIFIED);
}

// What the desktop test cannot make a real xterm do: never fetch the selection. It is the
// person's again at once, before typing begins. urxvt's refusal of a line break teaches nothing.
TEST(PasteMechanism, AnUnfetchedPrimaryPasteGivesTheSelectionBackAtOnce) {
    FakeDesktop desktop;
    desktop.frontmost.app->windowClass = "XTerm";
    desktop.primary.userCopies("selected");
    desktop.primary.fetchesOnSet = false;
    EXPECT_EQ(runPaste("pwd", 200, false), OUTCOME_DISCARDED);
    ASSERT_EQ(desktop.keys.chords.size(), 1u);
    EXPECT_EQ(desktop.keys.chords[0], KeySynth::PasteChord::shiftInsert);
    EXPECT_EQ(desktop.primary.text(), "selected");
    EXPECT_EQ(desktop.clipboard.restores, 0);

    desktop.frontmost.app->windowClass = "URxvt";
    EXPECT_EQ(runPaste("ls\n", 200, false), OUTCOME_FAILED);
    EXPECT_EQ(desktop.keys.chords.size(), 1u);
}

TEST(PasteMechanism, TerminalsGetControlShiftV) {
    FakeDesktop desktop;
    desktop.frontmost.app->windowClass = "Gnome-terminal";
    runPaste("ls", 200, false);
    ASSERT_EQ(desktop.keys.chords.size(), 1u);
    EXPECT_EQ(desktop.keys.chords[0], KeySynth::PasteChord::controlShiftV);
}

} // namespace
} // namespace tavik

namespace tavik {
namespace {

TEST(PasteMechanism, ASecondPasteBeforeTheRestoreStillGivesBackTheUsersClipboard) {
    test::FakeDesktop desktop;
    desktop.clipboard.userCopies("the user's");
    runPaste("first", 200, false);
    desktop.clock.advanceMs(50);
    runPaste("second", 200, false); // the clipboard holds "first": our text, not the user's
    desktop.clock.advanceMs(200);
    EXPECT_EQ(desktop.clipboard.text(), "the user's");
    // Once the user's clipboard is back, a later paste takes a fresh snapshot again.
    desktop.clipboard.userCopies("copied later");
    runPaste("third", 200, false);
    desktop.clock.advanceMs(200);
    EXPECT_EQ(desktop.clipboard.text(), "copied later");
}

} // namespace
} // namespace tavik
