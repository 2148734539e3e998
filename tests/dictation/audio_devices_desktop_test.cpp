// The device queries and the monitor against the test desktop's own sound server.
#include "app/dictation/audio_device_monitor.h"
#include "app/dictation/audio_devices.h"
#include "tests/support/audio_desktop.h"
#include "tests/support/fixtures.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace tavik {
namespace {

using namespace platform::transport;

std::optional<AudioInputDevice> listed(const QString& uid) {
    for (const auto& device : AudioDevices::inputs()) {
        if (device.uid == uid) {
            return device;
        }
    }
    return std::nullopt;
}

// Restores the test server's default source however the test ends.
struct DefaultSourceGuard {
    ~DefaultSourceGuard() { test::setDefaultSource("tavik_pipe"); }
};

// Spins the event loop for a while so that late, unwanted events would have arrived.
void settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    test::spinUntil([&] { return timer.elapsed() >= ms; }, ms + 1000);
}

TEST(AudioDevicesDesktop, ListsTheServersMicrophonesWithTheirKinds) {
    TAVIK_REQUIRE_DESKTOP();
    test::PipeMicrophone headset("tavik_bt", 1, "device.bus=bluetooth device.api=bluez");
    test::PipeMicrophone laptop("tavik_internal", 1, "device.form_factor=internal");
    const auto quad = test::loadNullSource("tavik_quad", 4, 48000, "aux0,aux1,aux2,aux3", "Quad");
    ASSERT_TRUE(headset.loaded() && laptop.loaded() && quad->loaded());

    const auto devices = AudioDevices::inputs();
    ASSERT_GE(devices.size(), 4u);
    EXPECT_EQ(devices.front().uid, "tavik_internal"); // built-in first
    EXPECT_EQ(devices.back().uid, "tavik_quad");      // virtual last
    EXPECT_TRUE(devices.front().isBuiltIn());

    const auto pipe = listed("tavik_pipe");
    ASSERT_TRUE(pipe);
    EXPECT_EQ(pipe->name, "Tavik-Test-Microphone");
    EXPECT_EQ(pipe->channels, 1);
    EXPECT_EQ(pipe->transport, 0u);
    EXPECT_EQ(AudioDevices::nominalSampleRate(pipe->id), 16000.0);
    EXPECT_TRUE(AudioDevices::isAlive(pipe->id));

    const auto bt = listed("tavik_bt");
    ASSERT_TRUE(bt);
    EXPECT_EQ(bt->transport, bluetooth);
    EXPECT_TRUE(bt->isBluetooth());

    const auto four = listed("tavik_quad");
    ASSERT_TRUE(four);
    EXPECT_EQ(four->transport, virtualDevice);
    EXPECT_EQ(four->channels, 4);
    EXPECT_EQ(AudioDevices::inputChannelCount(four->id), 4);
    EXPECT_EQ(AudioDevices::nominalSampleRate(four->id), 48000.0);
    EXPECT_EQ(AudioDevices::device(four->id), four);
    EXPECT_EQ(AudioDevices::device(QStringLiteral("tavik_quad")), four);

    // The sink's monitor is no microphone, yet its id still names a device.
    EXPECT_FALSE(listed("tavik_null.monitor"));
    EXPECT_FALSE(AudioDevices::device(QStringLiteral("tavik_null.monitor")));
    bool monitorFound = false;
    for (std::uint32_t id = 0; id < 64 && !monitorFound; ++id) {
        const auto device = AudioDevices::device(id);
        monitorFound = device && device->uid == "tavik_null.monitor";
    }
    EXPECT_TRUE(monitorFound);

    // Unplugged: gone from the list, not alive, no rate.
    const std::uint32_t gone = bt->id;
    headset.unload();
    EXPECT_FALSE(listed("tavik_bt"));
    EXPECT_FALSE(AudioDevices::isAlive(gone));
    EXPECT_FALSE(AudioDevices::nominalSampleRate(gone));
    EXPECT_FALSE(AudioDevices::device(gone));
}

TEST(AudioDevicesDesktop, DefaultInputFollowsTheServerButNeverAMonitor) {
    TAVIK_REQUIRE_DESKTOP();
    DefaultSourceGuard restore;
    const auto pipe = listed("tavik_pipe");
    ASSERT_TRUE(pipe);
    EXPECT_EQ(AudioDevices::defaultInputID(), std::optional<std::uint32_t>(pipe->id));

    test::PipeMicrophone other("tavik_other");
    ASSERT_TRUE(other.loaded());
    ASSERT_TRUE(test::setDefaultSource("tavik_other"));
    EXPECT_EQ(AudioDevices::defaultInputID(), listed("tavik_other")->id);

    ASSERT_TRUE(test::setDefaultSource("tavik_null.monitor"));
    EXPECT_FALSE(AudioDevices::defaultInputID());
}

TEST(AudioDevicesDesktop, MonitorReportsEachSettledBurstOnce) {
    TAVIK_REQUIRE_DESKTOP();
    DefaultSourceGuard restore;
    AudioDeviceMonitor monitor;
    int changes = 0;
    monitor.onChange = [&] {
        ++changes;
    };
    EXPECT_EQ(monitor.listenerCount(), 1u);
    settle(500); // nothing happens by itself
    EXPECT_EQ(changes, 0);

    test::PipeMicrophone other("tavik_other");
    ASSERT_TRUE(other.loaded());
    ASSERT_TRUE(test::spinUntil([&] { return changes >= 1; }, 5000));
    settle(600);
    EXPECT_EQ(changes, 1);

    ASSERT_TRUE(test::setDefaultSource("tavik_other"));
    ASSERT_TRUE(test::spinUntil([&] { return changes >= 2; }, 5000));
    settle(600);
    EXPECT_EQ(changes, 2);

    { // plugged and unplugged at once: one report
        test::PipeMicrophone brief("tavik_brief");
        ASSERT_TRUE(brief.loaded());
    }
    ASSERT_TRUE(test::spinUntil([&] { return changes >= 3; }, 5000));
    settle(600);
    EXPECT_EQ(changes, 3);

    // A source's own changes (its volume here, or a stream starting on it) are no device change.
    test::PipeMicrophone idle("tavik_idle");
    ASSERT_TRUE(test::spinUntil([&] { return changes >= 4; }, 5000));
    settle(600);
    test::pactl({"set-source-volume", "tavik_idle", "50%"});
    settle(800);
    EXPECT_EQ(changes, 4);
}

} // namespace
} // namespace tavik
