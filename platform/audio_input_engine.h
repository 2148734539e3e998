#pragma once

#include "platform/error.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace tavik::platform {

// The format a device is tapped in: its own rate and channel count. A non-zero layout tag says
// the channels are discrete and in order (more than two channels), so none is mixed into another.
struct AudioTapFormat {
    double sampleRate = 0;
    int channels = 1;
    std::uint32_t channelLayoutTag = 0;

    bool operator==(const AudioTapFormat&) const = default;
};

// Tag for "discrete channels in order", combined with the channel count in its low 16 bits.
constexpr std::uint32_t discreteInOrderLayoutTag(int channels) {
    return (147u << 16) | (std::uint32_t(channels) & 0xFFFFu);
}

// Why a running stream ended by itself: its device went away, or the sound server did.
enum class StreamEnd { deviceGone, serverGone };

// The capture stream under the audio capture: one device, delivered at 16 kHz float32 with all its
// channels interleaved, untouched: the caller makes its own mono of them, the same whatever the
// sound server would have made.
class AudioInputEngine {
public:
    static constexpr double deliveredRate = 16000.0;

    // Runs on the capture thread for every delivered chunk of interleaved frames.
    using Tap = std::function<void(const float* samples, std::size_t frames, int channels)>;

    virtual ~AudioInputEngine() = default;

    // A start is about to be asked for by someone waiting on it: a sound server that was away
    // is tried again at once, not at its next turn of the back-off.
    virtual void retryServerNow() {}
    // Whether there is an input to configure at all (the sound server answers).
    virtual bool hasInputUnit() = 0;
    // Points the input at one device; 0 on success, else the server's status code.
    virtual int selectDevice(std::uint32_t id, const QString& uid) = 0;
    virtual void installTap(const AudioTapFormat& format, Tap tap) = 0;
    virtual void removeTap() = 0;
    // Starts delivering; on failure gives the engine's own error.
    virtual std::optional<Error> start() = 0;
    // After stop() returns the tap is never called again.
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
    // Called on an arbitrary thread when the running stream's device went away or changed, or
    // the server went. Only raised while a stream runs.
    virtual void setConfigurationChangeHandler(std::function<void(StreamEnd)> handler) = 0;

    // The engine backed by the desktop's sound server.
    static std::unique_ptr<AudioInputEngine> create();
};

} // namespace tavik::platform
