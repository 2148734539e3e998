// The capture-thread side of AudioCapture and the utterance operations that share its lock.
#include "app/dictation/audio_capture.h"

#include "platform/main_thread.h"

#include <algorithm>
#include <cmath>

namespace tavik {

std::vector<float> AudioMonoConverter::convert(const float* interleaved, std::size_t frames,
                                               int channels) {
    if (channels <= 1) {
        return std::vector<float>(interleaved, interleaved + frames);
    }
    const auto stride = std::size_t(channels);
    carriesSound_.resize(stride, false);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        for (std::size_t channel = 0; channel < stride; ++channel) {
            if (!carriesSound_[channel] &&
                std::fabs(interleaved[frame * stride + channel]) > soundFloor) {
                carriesSound_[channel] = true;
            }
        }
    }
    std::vector<std::size_t> mixed;
    for (std::size_t channel = 0; channel < stride; ++channel) {
        if (carriesSound_[channel]) {
            mixed.push_back(channel);
        }
    }
    if (mixed.empty()) { // nothing but silence yet: all of it, as quiet as it is
        for (std::size_t channel = 0; channel < stride; ++channel) {
            mixed.push_back(channel);
        }
    }
    const float share = 1.0f / float(mixed.size());
    std::vector<float> mono(frames);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        float sum = 0.0f;
        for (const std::size_t channel : mixed) {
            sum += interleaved[frame * stride + channel];
        }
        mono[frame] = sum * share;
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
    bool firstSound = false;
    std::uint64_t generation = 0;
    {
        std::lock_guard guard(lock_);
        framesReceived_ += chunk.size();
        if (peak > AudioMonoConverter::soundFloor && !heardSound_) {
            heardSound_ = true;
            firstSound = silenceReported_.load();
            generation = startGeneration_;
        }
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
    if (firstSound) {
        // The microphone was reported silent: the settings' note goes once it is heard.
        platform::postToMain(this, [this, generation] { soundArrived(generation); });
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
