#pragma once

#include "platform/audio_playback.h"

#include <QObject>
#include <QUuid>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace tavik {

// Plays the archived audio of one past dictation at a time and says which one is playing.
// Lives on the main thread.
class Player : public QObject {
    Q_OBJECT

public:
    // The archived file of a dictation, or none when the archive holds nothing for it.
    using ArchivedFile = std::function<std::optional<QString>(const QUuid& id)>;

    Player(platform::AudioPlayback& playback, ArchivedFile archivedFile, QObject* parent = nullptr);
    ~Player() override;

    // The application's player, on the audio archive and the sound server.
    static Player& shared();

    // The dictation whose audio is playing, or none.
    std::optional<QUuid> playing() const { return playing_; }

    // Stops the entry `id` when it is the one playing; otherwise stops whatever plays and plays
    // `id` from the start. An entry without a readable file leaves nothing playing; so does a
    // play the sound server cannot start, which playbackFailed reports.
    void toggle(const QUuid& id);

    // Stops any play-back at once; `playing` becomes none.
    void stop();

signals:
    // Sent on every assignment of `playing`, also when the value stays the same.
    void playingChanged();
    // Play-back of `id` could not start, or the sound server broke it off; `reason` says why
    // ("no sound server is answering"). `playing` is none by then.
    void playbackFailed(const QUuid& id, const QString& reason);

private:
    void setPlaying(std::optional<QUuid> id);
    // A play of `generation` is over, heard to its end or not.
    void ended(std::uint64_t generation, const QUuid& id, const platform::PlaybackResult& end);

    platform::AudioPlayback& playback_;
    ArchivedFile archivedFile_;
    std::optional<QUuid> playing_;
    std::unique_ptr<platform::PlaybackSound> sound_;
    // Tags each play, so that an end notice already on its way from an earlier sound cannot
    // clear the one playing now.
    std::uint64_t generation_ = 0;
};

} // namespace tavik
