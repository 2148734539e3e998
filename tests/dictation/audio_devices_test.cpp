#include "app/dictation/audio_devices.h"
#include "tests/support/audio_fakes.h"

#include <QSet>

#include <gtest/gtest.h>

namespace tavik {
namespace {

using platform::transport::aggregate;
using platform::transport::bluetooth;
using platform::transport::bluetoothLE;
using platform::transport::builtIn;
using platform::transport::usb;
using platform::transport::virtualDevice;

std::vector<QString> names(const std::vector<AudioInputDevice>& devices) {
    std::vector<QString> result;
    for (const auto& d : devices) {
        result.push_back(d.name);
    }
    return result;
}

TEST(AudioInputDevice, FlagsFollowTheTransportOnly) {
    const AudioInputDevice internal{1, "a", "A", 2, builtIn};
    const AudioInputDevice headset{2, "b", "B", 1, bluetooth};
    const AudioInputDevice earbuds{3, "c", "C", 1, bluetoothLE};
    const AudioInputDevice loop{4, "d", "D", 1, virtualDevice};
    const AudioInputDevice combined{5, "e", "E", 4, aggregate};
    const AudioInputDevice desk{6, "f", "F", 1, usb};
    EXPECT_TRUE(internal.isBuiltIn());
    EXPECT_FALSE(internal.isBluetooth() || internal.isVirtual());
    EXPECT_TRUE(headset.isBluetooth() && earbuds.isBluetooth());
    EXPECT_TRUE(loop.isVirtual() && combined.isVirtual());
    EXPECT_FALSE(desk.isBuiltIn() || desk.isBluetooth() || desk.isVirtual());
}

TEST(AudioInputDevice, EqualityAndHashCoverEveryField) {
    const AudioInputDevice base{7, "uid", "Mic", 2, usb};
    QSet<AudioInputDevice> set{base};
    EXPECT_TRUE(set.contains(AudioInputDevice{7, "uid", "Mic", 2, usb}));
    for (const AudioInputDevice& other :
         {AudioInputDevice{8, "uid", "Mic", 2, usb}, AudioInputDevice{7, "uid2", "Mic", 2, usb},
          AudioInputDevice{7, "uid", "Mic 2", 2, usb}, AudioInputDevice{7, "uid", "Mic", 1, usb},
          AudioInputDevice{7, "uid", "Mic", 2, builtIn}}) {
        EXPECT_NE(base, other);
        EXPECT_FALSE(set.contains(other));
    }
    EXPECT_EQ(std::hash<AudioInputDevice>{}(base), qHash(base));
}

TEST(AudioDevices, SortsBuiltInFirstVirtualLastAndNamesByNumericValue) {
    test::FakeAudioSources fake;
    test::ScopedAudioSources scope(fake);
    fake.add(10, "grp", "Combined", 4, 48000, aggregate);
    fake.add(11, "bt", "Headset", 1, 16000, bluetooth);
    fake.add(12, "usb", "Desk Mic", 1, 48000, usb);
    fake.add(13, "int", "Internal", 2, 48000, builtIn);
    fake.add(14, "m10", "Mic 10", 1);
    fake.add(15, "m2", "Mic 2", 1);
    fake.add(16, "lower", "mic 2", 1); // equal to "Mic 2" without case: keeps the server order
    EXPECT_EQ(names(AudioDevices::inputs()),
              (std::vector<QString>{"Internal", "Desk Mic", "Headset", "Mic 2", "mic 2", "Mic 10",
                                    "Combined"}));
}

TEST(AudioDevices, IdenticalNamesKeepTheServerOrder) {
    test::FakeAudioSources fake;
    test::ScopedAudioSources scope(fake);
    fake.add(3, "second", "Built-in", 2, 48000, builtIn);
    fake.add(1, "first", "Built-in", 2, 48000, builtIn);
    const auto devices = AudioDevices::inputs();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].uid, "second");
    EXPECT_EQ(devices[1].uid, "first");
}

TEST(AudioDevices, EmptyServerGivesNothing) {
    test::FakeAudioSources fake;
    test::ScopedAudioSources scope(fake);
    EXPECT_TRUE(AudioDevices::inputs().empty());
    EXPECT_FALSE(AudioDevices::device(QStringLiteral("anything")));
    EXPECT_FALSE(AudioDevices::device(0u));
    EXPECT_FALSE(AudioDevices::defaultInputID());
    EXPECT_FALSE(AudioDevices::isAlive(0));
    EXPECT_FALSE(AudioDevices::nominalSampleRate(0));
    EXPECT_EQ(AudioDevices::inputChannelCount(0), 0);
}

TEST(AudioDevices, HiddenChannelLessAndNamelessSources) {
    test::FakeAudioSources fake;
    test::ScopedAudioSources scope(fake);
    fake.add(0, "speakers.monitor", "Monitor of Speakers", 2).monitor = true;
    fake.add(1, "silent", "Output only", 0);
    fake.add(2, "mic", "", 1, 44100);
    fake.add(3, "", "No uid", 1);

    const auto devices = AudioDevices::inputs();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].name, "No uid");
    EXPECT_EQ(devices[1].name, "Unknown microphone");

    // The monitor is hidden from the list but still reachable by its id.
    const auto monitor = AudioDevices::device(0u);
    ASSERT_TRUE(monitor);
    EXPECT_EQ(monitor->uid, "speakers.monitor");
    EXPECT_EQ(monitor->channels, 2);
    EXPECT_FALSE(AudioDevices::device(QStringLiteral("speakers.monitor")));

    EXPECT_FALSE(AudioDevices::device(1u));
    EXPECT_EQ(AudioDevices::inputChannelCount(1), 0);
    EXPECT_FALSE(AudioDevices::device(QStringLiteral("silent")));

    EXPECT_FALSE(AudioDevices::device(QStringLiteral("mic2")));
    ASSERT_TRUE(AudioDevices::device(QStringLiteral("mic")));
    EXPECT_EQ(AudioDevices::device(QStringLiteral("mic"))->id, 2u);
    EXPECT_EQ(AudioDevices::nominalSampleRate(2), 44100.0);
    EXPECT_TRUE(AudioDevices::isAlive(2));
    EXPECT_FALSE(AudioDevices::isAlive(9));
}

TEST(AudioDevices, DefaultInputIsNeverAMonitor) {
    test::FakeAudioSources fake;
    test::ScopedAudioSources scope(fake);
    fake.add(0, "speakers.monitor", "Monitor of Speakers", 2).monitor = true;
    fake.add(1, "mic", "Mic", 1);

    fake.defaultName = "mic";
    EXPECT_EQ(AudioDevices::defaultInputID(), std::optional<std::uint32_t>(1));
    // Index 0 is a real source on this server, not "no device".
    fake.list[0].monitor = false;
    fake.defaultName = "speakers.monitor";
    EXPECT_EQ(AudioDevices::defaultInputID(), std::optional<std::uint32_t>(0));
    fake.list[0].monitor = true;
    EXPECT_FALSE(AudioDevices::defaultInputID());
    fake.defaultName = "gone";
    EXPECT_FALSE(AudioDevices::defaultInputID());
}

} // namespace
} // namespace tavik
