#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace tavik::platform {

// How a play went: started, or heard to its end (`ok`); otherwise why not, in words for the
// person who pressed play ("no sound server is answering").
struct PlaybackResult {
    bool ok = true;
    QString failure;

    static PlaybackResult failed(QString why) { return {false, std::move(why)}; }
};

// One sound file, decoded into memory, ready to play through the sound server.
class PlaybackSound {
public:
    // Runs once when a play that started is over, on a thread of the sound server's client:
    // ok when the sound was heard to its end, the failure when the server broke it off.
    using Ended = std::function<void(const PlaybackResult& end)>;

    virtual ~PlaybackSound() = default; // stops first

    // Starts from the beginning, cutting off a play that is still running; the result says
    // whether it started. `ended` never runs after stop() or destruction, nor for a play that
    // did not start.
    virtual PlaybackResult play(Ended ended) = 0;

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
