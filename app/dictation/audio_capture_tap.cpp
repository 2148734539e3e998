// The capture-thread side of AudioCapture and the utterance operations that share its lock.
#include "app/dictation/audio_capture.h"

#include <algorithm>
#include <cmath>

namespace tavik {

std::vector<float> AudioMonoConverter::convert(const float* interleaved, std::size_t frames,
                                               int channels) const {
    if (channels <= 1) {
        return std::vector<float>(interleaved, interleaved + frames);
    }
    std::vector<float> mono(frames);
    if (channels == 2) {
        for (std::size_t frame = 0; frame < frames; ++frame) {
            mono[frame] = 0.5f * (interleaved[2 * frame] + interleaved[2 * frame + 1]);
        }
        return mono;
    }
    const auto stride = std::size_t(channels);
    const auto offset = std::size_t(std::clamp(sourceChannel, 0, channels - 1));
    for (std::size_t frame = 0; frame < frames; ++frame) {
        mono[frame] = interleaved[frame * stride + offset];
    }
    return mono;
}

void AudioCapture::handle(const float* samples, std::size_t frames, int channels) {
    // Our own reference: start() may swap the converter while this chunk is being converted.
    const auto converter = converter_.load();
    if (converter == nullptr || samples == nullptr || frames == 0) {
        return;
    }
    std::vector<float> chunk = converter->convert(samples, frames, channels);
    if (chunk.empty()) {
        return;
    }
    float peak = 0.0f;
    for (const float sample : chunk) {
        peak = std::max(peak, std::fabs(sample));
    }
    level_.store(peak > 0.0f ? 20.0f * std::log10(peak) : silentLevel, std::memory_order_relaxed);

    bool capturing = false;
    {
        std::lock_guard guard(lock_);
        framesReceived_ += chunk.size();
        capturing = capturing_;
        preroll_.push(chunk.data(), chunk.size());
        if (capturing) {
            buffer_.insert(buffer_.end(), chunk.begin(), chunk.end());
            if (handedOut_ + chunk.size() < buffer_.size()) {
                // The first chunk of an utterance: the pre-roll goes out ahead of it.
                chunk.assign(buffer_.begin() + std::ptrdiff_t(handedOut_), buffer_.end());
            }
            handedOut_ = buffer_.size();
        }
    }
    if (capturing) {
        onSamples(std::move(chunk));
    }
}

void AudioCapture::beginUtterance() {
    std::lock_guard guard(lock_);
    buffer_ = preroll_.inOrder();
    handedOut_ = 0;
    capturing_ = true;
}

double AudioCapture::prerollSeconds() const {
    std::lock_guard guard(lock_);
    return double(preroll_.size()) / targetSampleRate;
}

std::vector<float> AudioCapture::snapshot() const {
    std::lock_guard guard(lock_);
    return buffer_;
}

std::vector<float> AudioCapture::endUtterance() {
    std::lock_guard guard(lock_);
    capturing_ = false;
    return std::exchange(buffer_, {});
}

} // namespace tavik
