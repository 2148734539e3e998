#include "platform/linux/pulse_transport.h"

#include "platform/audio_transport.h"

#include <array>

namespace tavik::platform::pulse {
namespace {

QString property(const SourceTraits& traits, const char* key) {
    return traits.properties.value(QString::fromLatin1(key));
}

bool isBluetooth(const SourceTraits& traits) {
    return property(traits, "device.bus") == QLatin1String("bluetooth") ||
           property(traits, "device.api") == QLatin1String("bluez") ||
           traits.name.startsWith(QLatin1String("bluez_"));
}

bool isVirtual(const SourceTraits& traits) {
    const QString deviceClass = property(traits, "device.class");
    if (deviceClass == QLatin1String("abstract") || deviceClass == QLatin1String("filter")) {
        return true;
    }
    if (property(traits, "media.class").contains(QLatin1String("Virtual")) ||
        property(traits, "node.virtual") == QLatin1String("true")) {
        return true;
    }
    // Software sources made by the server's own modules rather than by a sound card.
    static constexpr std::array<const char*, 6> virtualDrivers{
        "module-null-source", "module-remap-source", "module-virtual-source",
        "module-echo-cancel", "module-loopback",     "module-sine-source"};
    for (const char* driver : virtualDrivers) {
        if (traits.driver.contains(QLatin1String(driver))) {
            return true;
        }
    }
    return false;
}

} // namespace

bool isMonitorSource(const SourceTraits& traits, bool monitorOfSink) {
    return monitorOfSink || property(traits, "device.class") == QLatin1String("monitor");
}

std::uint32_t classifyTransport(const SourceTraits& traits) {
    if (isBluetooth(traits)) {
        return property(traits, "api.bluez5.profile").startsWith(QLatin1String("bap"))
                   ? transport::bluetoothLE
                   : transport::bluetooth;
    }
    if (isVirtual(traits)) {
        return transport::virtualDevice;
    }
    const QString bus = property(traits, "device.bus");
    if (property(traits, "device.form_factor") == QLatin1String("internal") ||
        bus == QLatin1String("pci") || bus == QLatin1String("platform")) {
        return transport::builtIn;
    }
    if (bus == QLatin1String("usb")) {
        return transport::usb;
    }
    return transport::unknown;
}

} // namespace tavik::platform::pulse
