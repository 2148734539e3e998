#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace tavik::platform {

// One sound file, decoded into memory, ready to play through the sound server.
class PlaybackSound {
public:
    virtual ~PlaybackSound() = default; // stops first

    // Starts from the beginning, cutting off a play that is still running. `finished` runs once
    // when the sound has played to its end, on a thread of the sound server's client; it never
    // runs after stop() or destruction. False when play-back could not start.
    virtual bool play(std::function<void()> finished) = 0;

    // Ends play-back at once; no end notice follows.
    virtual void stop() = 0;
};

class AudioPlayback {
public:
    virtual ~AudioPlayback() = default;

    // Reads and decodes the whole file now; none when it cannot be opened or decoded. The
    // sound keeps no hold on the file, so deleting it during play-back is harmless.
    virtual std::unique_ptr<PlaybackSound> open(const QString& path) = 0;

    // Play-back through the desktop's sound server.
    static AudioPlayback& system();
};

} // namespace tavik::platform
