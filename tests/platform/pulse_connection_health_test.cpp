// When the sound-server connection is tried again, and which of its turns are told.
#include "platform/linux/pulse_connection_health.h"

#include <gtest/gtest.h>

namespace tavik::platform::pulse {
namespace {

using namespace std::chrono_literals;
using Turn = ConnectionHealth::Turn;

TEST(PulseConnectionHealth, BacksOffByDoublingUpToItsCap) {
    const ConnectionHealth health(ReconnectPacing{250ms, 1500ms});
    EXPECT_EQ(health.delayAfter(1), 250ms);
    EXPECT_EQ(health.delayAfter(2), 500ms);
    EXPECT_EQ(health.delayAfter(3), 1000ms);
    EXPECT_EQ(health.delayAfter(4), 1500ms);
    EXPECT_EQ(health.delayAfter(400), 1500ms);
}

TEST(PulseConnectionHealth, TellsEachTurnOnceAndWaitsItsTurnBetweenAttempts) {
    ConnectionHealth health(ReconnectPacing{250ms, 1500ms});
    const auto start = ConnectionHealth::Clock::time_point{} + 1h;
    EXPECT_TRUE(health.attemptDue(start));

    // Not there at the start: told once, however often it fails again.
    EXPECT_EQ(health.failed(start), Turn::unavailable);
    EXPECT_FALSE(health.attemptDue(start + 249ms));
    EXPECT_TRUE(health.attemptDue(start + 250ms));
    EXPECT_EQ(health.failed(start + 250ms), Turn::none);
    EXPECT_EQ(health.nextAttempt(), start + 750ms);
    EXPECT_EQ(health.ready(), Turn::connected);
    EXPECT_TRUE(health.isReady());
    EXPECT_TRUE(health.attemptDue(start + 250ms)); // a new failure may retry at once
    EXPECT_EQ(health.ready(), Turn::none);

    // Lost while ready: the pace starts again from its first step.
    const auto later = start + 10s;
    EXPECT_EQ(health.failed(later), Turn::lost);
    EXPECT_EQ(health.nextAttempt(), later + 250ms);
    for (int i = 1; i < 20; ++i) {
        EXPECT_EQ(health.failed(later + std::chrono::seconds(i)), Turn::none);
    }
    EXPECT_FALSE(health.isReady());
    EXPECT_EQ(health.ready(), Turn::regained);

    // Ready at the first try: nothing to tell.
    ConnectionHealth fresh;
    EXPECT_EQ(fresh.ready(), Turn::none);
}

} // namespace
} // namespace tavik::platform::pulse
