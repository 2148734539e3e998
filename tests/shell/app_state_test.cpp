// The main window's state: its sections, and notices that clear themselves on the clock.
#include "app/shell/state/app_state.h"
#include "tests/support/fake_clock.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace tavik {
namespace {

using Section = AppState::Section;

TEST(AppStateSections, SevenSectionsInOrderWithTheirRawValuesTitlesAndGlyphs) {
    const QList<Section> all = AppState::allSections();
    ASSERT_EQ(all.size(), 7);
    const QStringList raw = {"dictation",  "insights",   "dictionary", "snippets",
                             "transforms", "scratchpad", "settings"};
    const QStringList titles = {"Dictation",  "Insights",   "Dictionary", "Snippets",
                                "Transforms", "Scratchpad", "Settings"};
    const QStringList icons = {
        "mic",       "chart.bar", "character.book.closed", "text.badge.plus", "wand.and.stars",
        "note.text", "gearshape"};
    for (int i = 0; i < all.size(); ++i) {
        EXPECT_EQ(AppState::rawValue(all[i]), raw[i]);
        EXPECT_EQ(AppState::title(all[i]), titles[i]);
        EXPECT_EQ(AppState::icon(all[i]), icons[i]);
        EXPECT_EQ(AppState::sectionFromRawValue(raw[i]), all[i]);
    }
    EXPECT_EQ(AppState::sectionFromRawValue("Settings"), std::nullopt);
    EXPECT_EQ(AppState::sectionFromRawValue("settings "), std::nullopt);
    EXPECT_EQ(AppState::sectionFromRawValue(""), std::nullopt);
}

TEST(AppStateNotices, PlainNoticeClearsAfterTwoAndAHalfSecondsAndAnErrorAfterEight) {
    test::FakeClock clock;
    AppState state(clock);
    state.say("Copied", false);
    EXPECT_EQ(state.notice(), QString("Copied"));
    EXPECT_FALSE(state.noticeIsError());
    clock.advanceMs(2499);
    EXPECT_TRUE(state.notice());
    clock.advanceMs(1);
    EXPECT_FALSE(state.notice());

    state.say("The rewrite failed.", true);
    clock.advanceMs(7999);
    EXPECT_EQ(state.notice(), QString("The rewrite failed."));
    clock.advanceMs(1);
    EXPECT_FALSE(state.notice());
    EXPECT_TRUE(state.noticeIsError()) << "the flag stays until the next notice sets it";
    state.say("Rewriting…", false);
    EXPECT_FALSE(state.noticeIsError());
}

TEST(AppStateNotices, ANewerNoticeGetsItsOwnFullDelay) {
    test::FakeClock clock;
    AppState state(clock);
    QSignalSpy changes(&state, &AppState::noticeChanged);
    state.say("first", false);
    clock.advanceMs(2000);
    state.say("second", false);
    clock.advanceMs(500); // the first notice's clear would be due now
    EXPECT_EQ(state.notice(), QString("second"));
    clock.advanceMs(1999);
    EXPECT_EQ(state.notice(), QString("second"));
    clock.advanceMs(1); // 4.5 s after the first
    EXPECT_FALSE(state.notice());
    EXPECT_EQ(changes.size(), 3); // two notices and one clear
}

TEST(AppStateNotices, AStateDestroyedWithAClearPendingLeavesNothingBehind) {
    test::FakeClock clock;
    {
        AppState state(clock);
        state.say("gone soon", true);
        EXPECT_EQ(clock.pendingTimers(), 1u);
    }
    EXPECT_EQ(clock.pendingTimers(), 0u);
    clock.advanceMs(10'000); // would reach a destroyed state if the clear were still queued
}

} // namespace
} // namespace tavik
