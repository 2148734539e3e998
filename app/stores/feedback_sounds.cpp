#include "app/stores/feedback_sounds.h"

#include "platform/folders.h"

namespace tavik {

FeedbackSounds::FeedbackSounds(platform::AudioPlayback& playback, QString folder)
    : playback_(playback), folder_(std::move(folder)) {}

FeedbackSounds::~FeedbackSounds() = default;

FeedbackSounds& FeedbackSounds::shared() {
    // Kept for the life of the process: a sound may still be playing when statics are torn down.
    static auto* instance = new FeedbackSounds(
        platform::AudioPlayback::system(),
        platform::joinPath(platform::resourcesFolder(), QStringLiteral("sounds")));
    return *instance;
}

QString FeedbackSounds::path(const QString& name) const {
    return platform::joinPath(folder_, name + QStringLiteral(".wav"));
}

bool FeedbackSounds::play(const QString& name) {
    auto& sound = sounds_[name];
    if (!sound) {
        sound = playback_.open(path(name));
    }
    if (!sound) {
        sounds_.erase(name);
        return false;
    }
    sound->stop();
    return sound->play([](const platform::PlaybackResult&) {}).ok;
}

} // namespace tavik
