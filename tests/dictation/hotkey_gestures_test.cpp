// The gesture state machine of the shortcut monitor, fed with key events at chosen times.
#include "app/dictation/hotkey_gestures.h"

#include "tests/support/fake_clock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace tavik {
namespace {

using namespace std::chrono_literals;
using Kind = HotkeyNotice::Kind;

constexpr auto pushToTalk = DictationAction::pushToTalk;
constexpr auto handsFree = DictationAction::handsFree;

TriggerBindings defaultBindings() {
    return {{pushToTalk, {TriggerKey::rightOption, TriggerGesture::hold, true}},
            {handsFree, {TriggerKey::rightCommand, TriggerGesture::doubleTap, true}}};
}

class HotkeyGesturesTest : public ::testing::Test {
protected:
    std::optional<HotkeyNotice> press(TriggerKey key) { return event(key, true); }
    std::optional<HotkeyNotice> release(TriggerKey key) { return event(key, false); }
    std::optional<HotkeyNotice> event(TriggerKey key, bool pressed) {
        return gestures.handle(key, pressed, clock.monotonicNs(), bindings, {250ms, 350ms});
    }
    void waitMs(std::int64_t ms) { clock.advanceMs(ms); }

    test::FakeClock clock;
    TriggerBindings bindings = defaultBindings();
    HotkeyGestures gestures;
};

HotkeyNotice started(DictationAction action) {
    return {Kind::start, action, 0};
}
HotkeyNotice holdEnded(DictationAction action, double seconds) {
    return {Kind::holdEnd, action, seconds};
}

TEST_F(HotkeyGesturesTest, HoldStartsAtThePressAndEndsAtTheReleaseWithTheSecondsHeld) {
    EXPECT_EQ(press(TriggerKey::rightOption), started(pushToTalk));
    EXPECT_TRUE(gestures.isDown(TriggerKey::rightOption));
    waitMs(2000);
    EXPECT_EQ(release(TriggerKey::rightOption), holdEnded(pushToTalk, 2.0));
    EXPECT_FALSE(gestures.isDown(TriggerKey::rightOption));
}

TEST_F(HotkeyGesturesTest, KeysWithoutAnEnabledBindingAreNotTrackedAndPostNothing) {
    EXPECT_EQ(press(TriggerKey::rightOption), started(pushToTalk));
    for (const TriggerKey key : {TriggerKey::leftOption, TriggerKey::f13, TriggerKey::fn}) {
        EXPECT_EQ(press(key), std::nullopt);
        EXPECT_FALSE(gestures.isDown(key));
        EXPECT_EQ(release(key), std::nullopt);
    }
    waitMs(500);
    EXPECT_EQ(release(TriggerKey::rightOption), holdEnded(pushToTalk, 0.5));
}

TEST_F(HotkeyGesturesTest, DoubleTapWithoutHoldBindingStartsOnlyAtTheSecondPressInTheWindow) {
    EXPECT_EQ(press(TriggerKey::rightCommand), std::nullopt);
    waitMs(100);
    EXPECT_EQ(release(TriggerKey::rightCommand), std::nullopt);
    waitMs(200);
    EXPECT_EQ(press(TriggerKey::rightCommand), started(handsFree));
    waitMs(100);
    EXPECT_EQ(release(TriggerKey::rightCommand), std::nullopt);
    // A third quick press follows the second press's short release: a double tap again.
    waitMs(300);
    EXPECT_EQ(press(TriggerKey::rightCommand), started(handsFree));
    waitMs(100);
    EXPECT_EQ(release(TriggerKey::rightCommand), std::nullopt);
    waitMs(500);
    EXPECT_EQ(press(TriggerKey::rightCommand), std::nullopt);
}

TEST_F(HotkeyGesturesTest, TheTapAndDoubleTapBoundariesAreExact) {
    // Held exactly the tap threshold: not a tap, so a quick second press is no double tap.
    press(TriggerKey::rightCommand);
    waitMs(250);
    release(TriggerKey::rightCommand);
    waitMs(10);
    EXPECT_EQ(press(TriggerKey::rightCommand), std::nullopt);
    // One nanosecond under the threshold is a tap; a press exactly at the window's end counts.
    clock.advanceNs(250'000'000 - 1);
    release(TriggerKey::rightCommand);
    waitMs(350);
    EXPECT_EQ(press(TriggerKey::rightCommand), started(handsFree));
    // One nanosecond past the window is too late.
    waitMs(100);
    release(TriggerKey::rightCommand);
    clock.advanceNs(350'000'001);
    EXPECT_EQ(press(TriggerKey::rightCommand), std::nullopt);
}

TEST_F(HotkeyGesturesTest, FirstPressIsNeverADoubleTapEvenWhenTheClockStartsNearZero) {
    test::FakeClock early;
    early.advanceNs(-early.monotonicNs() + 100'000'000); // 0.1 s after the clock's origin
    EXPECT_EQ(gestures.handle(TriggerKey::rightCommand, true, early.monotonicNs(), bindings,
                              {250ms, 350ms}),
              std::nullopt);
}

TEST_F(HotkeyGesturesTest, OneKeyWithHoldAndDoubleTapReportsTheHoldActionAtEveryRelease) {
    bindings[handsFree] = {TriggerKey::rightOption, TriggerGesture::doubleTap, true};
    EXPECT_EQ(press(TriggerKey::rightOption), started(pushToTalk));
    waitMs(100);
    EXPECT_EQ(release(TriggerKey::rightOption), holdEnded(pushToTalk, 0.1));
    waitMs(200);
    EXPECT_EQ(press(TriggerKey::rightOption), started(handsFree));
    waitMs(3000);
    EXPECT_EQ(release(TriggerKey::rightOption), holdEnded(pushToTalk, 3.0));
}

TEST_F(HotkeyGesturesTest, HoldOnlyKeyTappedTwiceStartsOnEachPress) {
    EXPECT_EQ(press(TriggerKey::rightOption), started(pushToTalk));
    waitMs(50);
    EXPECT_EQ(release(TriggerKey::rightOption), holdEnded(pushToTalk, 0.05));
    waitMs(50);
    EXPECT_EQ(press(TriggerKey::rightOption), started(pushToTalk));
}

TEST_F(HotkeyGesturesTest, RepeatedPressesAndStrayReleasesChangeNothing) {
    EXPECT_EQ(release(TriggerKey::rightOption), std::nullopt);
    EXPECT_EQ(press(TriggerKey::rightOption), started(pushToTalk));
    waitMs(400);
    EXPECT_EQ(press(TriggerKey::rightOption), std::nullopt); // auto-repeat
    waitMs(600);
    // The hold is measured from the first press, not the repeat.
    EXPECT_EQ(release(TriggerKey::rightOption), holdEnded(pushToTalk, 1.0));
}

TEST_F(HotkeyGesturesTest, TwoBoundKeysDownAtOnceAreTrackedApart) {
    bindings[handsFree] = {TriggerKey::f13, TriggerGesture::hold, true};
    EXPECT_EQ(press(TriggerKey::rightOption), started(pushToTalk));
    waitMs(300);
    EXPECT_EQ(press(TriggerKey::f13), started(handsFree));
    waitMs(200);
    EXPECT_EQ(release(TriggerKey::rightOption), holdEnded(pushToTalk, 0.5));
    waitMs(100);
    EXPECT_EQ(release(TriggerKey::f13), holdEnded(handsFree, 0.3));
}

TEST_F(HotkeyGesturesTest, LeftAndRightOfOneModifierAreSeparateKeys) {
    // Right Alt released while left Alt is still held ends the push-to-talk.
    bindings[handsFree] = {TriggerKey::leftOption, TriggerGesture::doubleTap, true};
    EXPECT_EQ(press(TriggerKey::leftOption), std::nullopt);
    EXPECT_EQ(press(TriggerKey::rightOption), started(pushToTalk));
    waitMs(700);
    EXPECT_EQ(release(TriggerKey::rightOption), holdEnded(pushToTalk, 0.7));
    EXPECT_TRUE(gestures.isDown(TriggerKey::leftOption));
}

TEST_F(HotkeyGesturesTest, DisabledBindingsLeaveTheirKeyUnwatchedUnlessAnotherUsesIt) {
    bindings[pushToTalk].enabled = false;
    EXPECT_EQ(press(TriggerKey::rightOption), std::nullopt);
    EXPECT_FALSE(gestures.isDown(TriggerKey::rightOption));
    release(TriggerKey::rightOption);

    // Same key, other action enabled: the key is watched, only the enabled gesture fires.
    bindings[handsFree] = {TriggerKey::rightOption, TriggerGesture::doubleTap, true};
    EXPECT_EQ(press(TriggerKey::rightOption), std::nullopt);
    EXPECT_TRUE(gestures.isDown(TriggerKey::rightOption));
    waitMs(100);
    EXPECT_EQ(release(TriggerKey::rightOption), std::nullopt);
    waitMs(100);
    EXPECT_EQ(press(TriggerKey::rightOption), started(handsFree));
}

TEST_F(HotkeyGesturesTest, ConflictingBindingsAlwaysGoToTheFirstActionInCaseOrder) {
    bindings[handsFree] = {TriggerKey::rightOption, TriggerGesture::hold, true};
    EXPECT_EQ(actionFor(bindings, TriggerKey::rightOption, TriggerGesture::hold), pushToTalk);
    EXPECT_EQ(press(TriggerKey::rightOption), started(pushToTalk));
    bindings[pushToTalk].enabled = false;
    EXPECT_EQ(actionFor(bindings, TriggerKey::rightOption, TriggerGesture::hold), handsFree);
    EXPECT_EQ(actionFor(bindings, TriggerKey::rightOption, TriggerGesture::doubleTap),
              std::nullopt);
}

TEST_F(HotkeyGesturesTest, BindingsChangedWhileAKeyIsDownAreReadAtTheRelease) {
    EXPECT_EQ(press(TriggerKey::rightOption), started(pushToTalk));
    // Push-to-talk moves to F13 while right Alt is held: its release is no longer watched.
    bindings[pushToTalk] = {TriggerKey::f13, TriggerGesture::hold, true};
    waitMs(400);
    EXPECT_EQ(release(TriggerKey::rightOption), std::nullopt);
    // Moved back without a restart, the key is still marked down from the first press, so the
    // next release ends the hold that began there.
    bindings[pushToTalk] = {TriggerKey::rightOption, TriggerGesture::hold, true};
    EXPECT_EQ(press(TriggerKey::rightOption), std::nullopt);
    waitMs(100);
    EXPECT_EQ(release(TriggerKey::rightOption), holdEnded(pushToTalk, 0.5));
}

TEST_F(HotkeyGesturesTest, ForgettingDownKeysDropsTheReleaseButKeepsTapTimes) {
    press(TriggerKey::rightCommand);
    waitMs(100);
    release(TriggerKey::rightCommand); // a tap
    EXPECT_EQ(press(TriggerKey::rightOption), started(pushToTalk));
    gestures.forgetDownKeys();
    waitMs(100);
    EXPECT_EQ(release(TriggerKey::rightOption), std::nullopt);
    EXPECT_EQ(press(TriggerKey::rightOption), started(pushToTalk)); // a fresh press
    // The tap before the restart still counts.
    EXPECT_EQ(press(TriggerKey::rightCommand), started(handsFree));
}

} // namespace
} // namespace tavik
