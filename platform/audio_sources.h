#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace tavik::platform {

// One capture source of the sound server, as the device layer needs it.
struct AudioSource {
    std::uint32_t index = 0; // the server's id for it; a re-plugged device gets a new one
    QString name;            // persistent across runs and re-plugs (the device's unique ID)
    QString description;     // the human name; may be empty
    int channels = 0;
    std::uint32_t sampleRate = 0;
    bool monitor = false;        // the loopback of an output: never a microphone
    std::uint32_t transport = 0; // four-character code, see audio_transport.h
};

// The sound server's sources and its default source. Every query is synchronous and bounded;
// a server that does not answer in time counts as a failed read. Never call a query from
// inside a change handler.
class AudioSourcesApi {
public:
    using WatchId = std::uint64_t;
    static constexpr WatchId noWatch = 0;

    virtual ~AudioSourcesApi() = default;

    // In the server's own order; empty when the server cannot be read.
    virtual std::vector<AudioSource> sources() = 0;
    virtual std::optional<AudioSource> source(std::uint32_t index) = 0;
    virtual std::optional<AudioSource> source(const QString& name) = 0;
    // The name of the server's default source, when it has one.
    virtual std::optional<QString> defaultSourceName() = 0;

    // `changed` runs on an arbitrary thread whenever a source appears or disappears, the default
    // source changes, or the server connection is lost or regained. After unwatch() returns it
    // is never called again. Returns noWatch when the registration failed.
    virtual WatchId watch(std::function<void()> changed) = 0;
    virtual void unwatch(WatchId id) = 0;

    // The process-wide instance backed by the desktop's sound server.
    static AudioSourcesApi& system();
};

} // namespace tavik::platform
