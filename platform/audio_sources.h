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

    // The sources and the default source's name, read together.
    struct Listing {
        std::vector<AudioSource> sources;
        std::optional<QString> defaultSourceName;

        const AudioSource* find(std::uint32_t index) const;
        const AudioSource* find(const QString& name) const;
    };
    // Read now; none when the server cannot be read.
    virtual std::optional<Listing> listing();
    // As the server last told it, asked again only once the server has announced a change since
    // (a source came, went or changed, the default moved, the connection went or came back).
    // For the check at the start of every dictation, which should not wait on a busy server
    // each time. A change made a moment ago may not be announced yet; its announcement follows
    // at once, and whoever watches for changes acts on it then.
    virtual std::optional<Listing> lastAnnounced() { return listing(); }

    // `changed` runs on an arbitrary thread whenever a source appears or disappears, the default
    // source changes, or the server connection is lost or regained. After unwatch() returns it
    // is never called again. Returns noWatch when the registration failed.
    virtual WatchId watch(std::function<void()> changed) = 0;
    virtual void unwatch(WatchId id) = 0;

    // The process-wide instance backed by the desktop's sound server.
    static AudioSourcesApi& system();
};

} // namespace tavik::platform
