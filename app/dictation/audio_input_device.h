#pragma once

#include "platform/audio_transport.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>

namespace tavik {

// One capture device as the dictation pipeline sees it. On this platform `id` is the sound
// server's source index and `uid` its persistent source name.
struct AudioInputDevice {
    std::uint32_t id = 0;
    QString uid;  // empty when the device reports none
    QString name; // "Unknown microphone" when the device reports none
    int channels = 0;
    std::uint32_t transport = 0; // four-character code; 0 when not reported

    bool isBuiltIn() const { return transport == platform::transport::builtIn; }
    bool isBluetooth() const {
        return transport == platform::transport::bluetooth ||
               transport == platform::transport::bluetoothLE;
    }
    bool isVirtual() const {
        return transport == platform::transport::virtualDevice ||
               transport == platform::transport::aggregate;
    }

    bool operator==(const AudioInputDevice&) const = default;
};

// Combines all five fields, in declaration order.
std::size_t qHash(const AudioInputDevice& device, std::size_t seed = 0) noexcept;

} // namespace tavik

template <> struct std::hash<tavik::AudioInputDevice> {
    std::size_t operator()(const tavik::AudioInputDevice& device) const noexcept {
        return tavik::qHash(device);
    }
};
