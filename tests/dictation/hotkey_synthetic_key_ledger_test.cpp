#include "platform/synthetic_key_ledger.h"

#include "tests/support/fake_clock.h"

#include <gtest/gtest.h>

namespace tavik::platform {
namespace {

TEST(SyntheticKeyLedger, EachNoteClaimsOneEventOfThatKeyAndDirection) {
    test::FakeClock clock;
    SyntheticKeyLedger ledger(clock);
    ledger.willPost(37, true);
    ledger.willPost(55, true);
    ledger.willPost(55, false);
    ledger.willPost(37, false);

    EXPECT_TRUE(ledger.claim(55, false));
    EXPECT_FALSE(ledger.claim(55, false)) << "one note stands for one event";
    EXPECT_FALSE(ledger.claim(108, true)) << "a key nobody noted is not ours";
    EXPECT_TRUE(ledger.claim(37, true));
    EXPECT_TRUE(ledger.claim(55, true));
    EXPECT_TRUE(ledger.claim(37, false));
    EXPECT_EQ(ledger.pendingNotes(), 0U);
    EXPECT_FALSE(ledger.claim(37, false));
}

TEST(SyntheticKeyLedger, UnclaimedNotesExpireAfterTheLastNoteSoTheyCannotSwallowLaterKeys) {
    test::FakeClock clock;
    SyntheticKeyLedger ledger(clock);
    ledger.willPost(50, true);
    clock.advanceNs(SyntheticKeyLedger::expiryNs - 1);
    // A long typing run keeps earlier notes alive while it goes on.
    ledger.willPost(38, true);
    clock.advanceNs(SyntheticKeyLedger::expiryNs);
    EXPECT_TRUE(ledger.claim(50, true));
    clock.advanceNs(1);
    EXPECT_FALSE(ledger.claim(38, true));
    EXPECT_EQ(ledger.pendingNotes(), 0U);
}

TEST(SyntheticKeyLedger, AnUnclaimedRunKeepsOnlyItsNewestNotes) {
    test::FakeClock clock;
    SyntheticKeyLedger ledger(clock);
    ledger.willPost(9, true); // the oldest note, pushed out by the run below
    for (std::size_t i = 1; i < SyntheticKeyLedger::maxNotes; ++i) {
        ledger.willPost(38, true);
    }
    ledger.willPost(40, true);
    EXPECT_EQ(ledger.pendingNotes(), SyntheticKeyLedger::maxNotes);
    EXPECT_FALSE(ledger.claim(9, true));
    EXPECT_TRUE(ledger.claim(40, true));
}

} // namespace
} // namespace tavik::platform
