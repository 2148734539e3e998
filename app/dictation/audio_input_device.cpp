#include "app/dictation/audio_input_device.h"

#include <QHashFunctions>

namespace tavik {

std::size_t qHash(const AudioInputDevice& device, std::size_t seed) noexcept {
    QtPrivate::QHashCombine combine;
    seed = combine(seed, device.id);
    seed = combine(seed, device.uid);
    seed = combine(seed, device.name);
    seed = combine(seed, device.channels);
    seed = combine(seed, device.transport);
    return seed;
}

} // namespace tavik
