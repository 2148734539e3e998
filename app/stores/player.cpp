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
    sound_ = std::move(sound);
    const std::uint64_t generation = ++generation_;
    setPlaying(id);
    // A sound that cannot start still names the entry until the user toggles again.
    sound_->play([this, generation] {
        platform::postToMain(this, [this, generation] {
            if (generation == generation_) {
                setPlaying(std::nullopt);
            }
        });
    });
}

} // namespace tavik
