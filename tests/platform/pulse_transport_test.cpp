#include "platform/audio_transport.h"
#include "platform/linux/pulse_transport.h"

#include <gtest/gtest.h>

namespace tavik::platform::pulse {
namespace {

SourceTraits traits(const QString& name, const QString& driver,
                    std::initializer_list<std::pair<QString, QString>> properties) {
    SourceTraits result{name, driver, {}};
    for (const auto& [key, value] : properties) {
        result.properties.insert(key, value);
    }
    return result;
}

TEST(PulseTransport, FourCharCodesAreBigEndianAscii) {
    EXPECT_EQ(transport::builtIn, 0x626C746Eu);
    EXPECT_EQ(transport::bluetooth, 0x626C7565u);
    EXPECT_EQ(transport::bluetoothLE, 0x626C6561u);
    EXPECT_EQ(transport::virtualDevice, 0x76697274u);
    EXPECT_EQ(transport::aggregate, 0x67727570u);
    EXPECT_EQ(transport::usb, 0x75736220u);
}

TEST(PulseTransport, ClassifiesSourcesFromTheirProperties) {
    struct Case {
        SourceTraits traits;
        std::uint32_t expected;
    };
    const std::vector<Case> cases{
        {traits("bluez_input.00_11", "module-bluez5-device.c", {}), transport::bluetooth},
        {traits("headset", "module-pipe-source.c", {{"device.bus", "bluetooth"}}),
         transport::bluetooth},
        {traits("headset", "", {{"device.api", "bluez"}, {"api.bluez5.profile", "bap-duplex"}}),
         transport::bluetoothLE},
        {traits("sine", "module-sine-source.c", {{"device.class", "abstract"}}),
         transport::virtualDevice},
        {traits("echo", "module-echo-cancel.c", {{"device.class", "filter"}}),
         transport::virtualDevice},
        {traits("pw", "", {{"media.class", "Audio/Source/Virtual"}}), transport::virtualDevice},
        {traits("pw", "", {{"node.virtual", "true"}}), transport::virtualDevice},
        {traits("nothing", "module-null-source.c", {}), transport::virtualDevice},
        {traits("remapped", "module-remap-source.c", {}), transport::virtualDevice},
        {traits("alsa_input.pci-0000_00_1f.3.analog-stereo", "module-alsa-card.c",
                {{"device.bus", "pci"}, {"device.api", "alsa"}}),
         transport::builtIn},
        {traits("soc", "", {{"device.bus", "platform"}}), transport::builtIn},
        {traits("laptop", "", {{"device.form_factor", "internal"}}), transport::builtIn},
        {traits("alsa_input.usb-Desk_Mic", "module-alsa-card.c", {{"device.bus", "usb"}}),
         transport::usb},
        {traits("tavik_pipe", "module-pipe-source.c", {{"device.string", "/tmp/mic.fifo"}}),
         transport::unknown},
        // Bluetooth wins over the virtual driver: a pipe standing in for a headset is a headset.
        {traits("pipe", "module-pipe-source.c",
                {{"device.bus", "bluetooth"}, {"device.class", "abstract"}}),
         transport::bluetooth},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(classifyTransport(c.traits), c.expected) << c.traits.name.toStdString();
    }
}

TEST(PulseTransport, MonitorsAreRecognisedByOwnerOrClass) {
    EXPECT_TRUE(isMonitorSource(traits("x.monitor", "module-null-sink.c", {}), true));
    EXPECT_TRUE(isMonitorSource(traits("x", "", {{"device.class", "monitor"}}), false));
    EXPECT_FALSE(isMonitorSource(traits("mic", "", {{"device.class", "sound"}}), false));
}

} // namespace
} // namespace tavik::platform::pulse
