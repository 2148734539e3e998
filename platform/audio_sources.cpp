#include "platform/audio_sources.h"

namespace tavik::platform {

const AudioSource* AudioSourcesApi::Listing::find(std::uint32_t index) const {
    for (const AudioSource& source : sources) {
        if (source.index == index) {
            return &source;
        }
    }
    return nullptr;
}

const AudioSource* AudioSourcesApi::Listing::find(const QString& name) const {
    if (name.isEmpty()) {
        return nullptr;
    }
    for (const AudioSource& source : sources) {
        if (source.name == name) {
            return &source;
        }
    }
    return nullptr;
}

std::optional<AudioSourcesApi::Listing> AudioSourcesApi::listing() {
    return Listing{sources(), defaultSourceName()};
}

} // namespace tavik::platform
