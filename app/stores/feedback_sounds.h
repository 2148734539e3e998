#pragma once

#include "platform/audio_playback.h"

#include <QString>

#include <map>
#include <memory>

namespace tavik {

// The short feedback sounds ("Pop" on success, "Basso" on failure) from the application's
// resources, played through the sound server. Each sound is decoded once and kept; playing it
// again cuts off the play still running. Feedback only: a sound that cannot play is skipped
// silently. Main thread.
class FeedbackSounds {
public:
    // Sounds read from `folder` (<name>.wav) and played through `playback`.
    FeedbackSounds(platform::AudioPlayback& playback, QString folder);
    ~FeedbackSounds();
    FeedbackSounds(const FeedbackSounds&) = delete;
    FeedbackSounds& operator=(const FeedbackSounds&) = delete;

    // The application's sounds: <resources>/sounds on the desktop's sound server.
    static FeedbackSounds& shared();

    // The file a sound name is read from.
    QString path(const QString& name) const;

    // Plays the named sound from its start; false when it could not be opened or started.
    bool play(const QString& name);

private:
    platform::AudioPlayback& playback_;
    QString folder_;
    // A sound that could not be opened stays absent, so the next play tries the file again.
    std::map<QString, std::unique_ptr<platform::PlaybackSound>> sounds_;
};

} // namespace tavik
