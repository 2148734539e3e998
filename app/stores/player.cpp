#include "app/stores/player.h"

#include "app/stores/audio_store.h"
#include "platform/main_thread.h"

namespace tavik {

Player::Player(platform::AudioPlayback& playback, ArchivedFile archivedFile, QObject* parent)
    : QObject(parent), playback_(playback), archivedFile_(std::move(archivedFile)) {}

Player::~Player() {
    // Stopping waits out a notice being delivered, so none can reach this object afterwards.
    sound_.reset();
}

Player& Player::shared() {
    static Player* instance = new Player(
        platform::AudioPlayback::system(), [](const QUuid& id) -> std::optional<QString> {
            const AudioStore& archive = AudioStore::shared();
            return archive.exists(id) ? std::optional<QString>(archive.url(id)) : std::nullopt;
        });
    return *instance;
}

void Player::setPlaying(std::optional<QUuid> id) {
    playing_ = id;
    emit playingChanged();
}

void Player::stop() {
    ++generation_;
    if (sound_ != nullptr) {
        sound_->stop();
        sound_.reset();
    }
    setPlaying(std::nullopt);
}

void Player::toggle(const QUuid& id) {
    if (playing_ == id) {
        stop();
        return;
    }
    stop();
    const std::optional<QString> file = archivedFile_(id);
    if (!file) {
        return;
    }
    std::unique_ptr<platform::PlaybackSound> sound = playback_.open(*file);
    if (sound == nullptr) {
        return;
    }
    const std::uint64_t generation = ++generation_;
    const platform::PlaybackResult started =
        sound->play([this, generation, id](const platform::PlaybackResult& end) {
            platform::postToMain(this, [this, generation, id, end] { ended(generation, id, end); });
        });
    if (!started.ok) {
        // Nothing plays, so nothing may look as if it did.
        emit playbackFailed(id, started.failure);
        return;
    }
    sound_ = std::move(sound);
    setPlaying(id);
}

void Player::ended(std::uint64_t generation, const QUuid& id, const platform::PlaybackResult& end) {
    if (generation != generation_) {
        return; // an earlier play, already stopped or replaced
    }
    setPlaying(std::nullopt);
    if (!end.ok) {
        emit playbackFailed(id, end.failure);
    }
}

} // namespace tavik
