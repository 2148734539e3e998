#include "app/dictation/audio_device_monitor.h"
#include "tests/support/audio_fakes.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fixtures.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace tavik {
namespace {

// The server's events reach the monitor through the main thread's queue.
void deliverQueued() {
    QCoreApplication::processEvents();
}

TEST(AudioDeviceMonitor, ABurstOfEventsGivesOneChangeAfterTheLast) {
    test::FakeAudioSources fake;
    test::ScopedAudioSources scope(fake);
    test::FakeClock clock;
    AudioDeviceMonitor monitor(clock);
    int changes = 0;
    monitor.onChange = [&] {
        ++changes;
    };
    EXPECT_EQ(monitor.listenerCount(), 1u);

    for (int i = 0; i < 10; ++i) { // ten events, 20 ms apart: 180 ms in all
        fake.announceChange();
        deliverQueued();
        clock.advanceMs(20);
    }
    EXPECT_EQ(changes, 0);
    clock.advanceMs(300 - 20 - 1); // 1 ms before 0.3 s after the last event
    EXPECT_EQ(changes, 0);
    clock.advanceMs(1);
    EXPECT_EQ(changes, 1);
    clock.advanceMs(5000);
    EXPECT_EQ(changes, 1);

    fake.announceChange(); // a later, separate event is reported again
    deliverQueued();
    clock.advanceMs(300);
    EXPECT_EQ(changes, 2);
}

TEST(AudioDeviceMonitor, StopsListeningWhenDestroyed) {
    test::FakeAudioSources fake;
    test::ScopedAudioSources scope(fake);
    test::FakeClock clock;
    int changes = 0;
    {
        AudioDeviceMonitor monitor(clock);
        monitor.onChange = [&] {
            ++changes;
        };
        EXPECT_EQ(fake.watcherCount(), 1u);
        fake.announceChange();
        deliverQueued();
    }
    EXPECT_EQ(fake.watcherCount(), 0u);
    EXPECT_EQ(clock.pendingTimers(), 0u);
    clock.advanceMs(1000);
    EXPECT_EQ(changes, 0);
}

TEST(AudioDeviceMonitor, ARefusedRegistrationIsSkippedQuietly) {
    test::FakeAudioSources fake;
    fake.refuseWatch = true;
    test::ScopedAudioSources scope(fake);
    test::FakeClock clock;
    AudioDeviceMonitor monitor(clock);
    int changes = 0;
    monitor.onChange = [&] {
        ++changes;
    };
    EXPECT_EQ(monitor.listenerCount(), 0u);
    fake.announceChange();
    deliverQueued();
    clock.advanceMs(1000);
    EXPECT_EQ(changes, 0);
}

} // namespace
} // namespace tavik
