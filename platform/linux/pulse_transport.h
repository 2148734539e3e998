#pragma once

#include <QHash>
#include <QString>

#include <cstdint>

namespace tavik::platform::pulse {

// What the sound server says about a source, as far as its kind is concerned.
struct SourceTraits {
    QString name;                       // e.g. "bluez_input.…", "alsa_input.pci-…"
    QString driver;                     // the module that made it, e.g. "module-null-source.c"
    QHash<QString, QString> properties; // device.bus, device.api, device.class, …
};

// Whether a source only loops back what an output plays (never a microphone).
bool isMonitorSource(const SourceTraits& traits, bool monitorOfSink);

// The transport four-character code for a source (see platform/audio_transport.h); 0 when the
// properties do not tell.
std::uint32_t classifyTransport(const SourceTraits& traits);

} // namespace tavik::platform::pulse
