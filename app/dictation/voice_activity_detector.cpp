#include "app/dictation/voice_activity_detector.h"

#include "platform/main_thread.h"

#include <algorithm>
#include <cassert>
#include <span>
#include <utility>

namespace tavik {

std::unique_ptr<VoiceActivityDetector> VoiceActivityDetector::create(const QString& modelPath) {
    auto model = WhisperVadModel::load(modelPath);
    if (!model) {
        return nullptr;
    }
    return std::make_unique<VoiceActivityDetector>(std::move(model));
}

VoiceActivityDetector::VoiceActivityDetector(std::unique_ptr<VadModel> model, QObject* parent)
    : QObject(parent), model_(std::move(model)),
      queue_(std::make_unique<platform::SerialQueue>("tavik.vad")) {}

VoiceActivityDetector::~VoiceActivityDetector() {
    stopping_.store(true, std::memory_order_relaxed);
    queue_.reset(); // queued batches see stopping_ and return; the running one finishes
    model_.reset();
}

void VoiceActivityDetector::feed(std::vector<float> samples) {
    queue_->async([this, samples = std::move(samples)]() mutable {
        if (!stopping_.load(std::memory_order_relaxed)) {
            process(std::move(samples));
        }
    });
}

void VoiceActivityDetector::reset(std::size_t heardBefore) {
    const std::uint64_t epoch = ++mainEpoch_;
    queue_->async([this, epoch, heardBefore] {
        if (!stopping_.load(std::memory_order_relaxed)) {
            queueEpoch_ = epoch;
            resetOnQueue();
            // A window that begins before the press is mostly what was said before it.
            constexpr auto windowSamples = static_cast<std::size_t>(VadModel::kWindowSamples);
            earlierWindowsLeft_ = (heardBefore + windowSamples - 1) / windowSamples;
        }
    });
}

bool VoiceActivityDetector::heardSpeech() {
    assert(!queue_->isCurrent());
    bool heard = false;
    queue_->sync([&] { heard = machine_.heardSpeech(); });
    return heard;
}

double VoiceActivityDetector::speechSeconds() {
    assert(!queue_->isCurrent());
    double seconds = 0.0;
    queue_->sync([&] { seconds = machine_.speechSeconds(); });
    return seconds;
}

void VoiceActivityDetector::resetOnQueue() {
    if (model_) {
        model_->resetState();
    }
    pending_.clear();
    machine_.reset();
    earlierWindowsLeft_ = 0;
}

void VoiceActivityDetector::process(std::vector<float> samples) {
    if (!model_) {
        return;
    }
    pending_.insert(pending_.end(), samples.begin(), samples.end());
    const std::size_t whole = pending_.size() / VadModel::kWindowSamples * VadModel::kWindowSamples;
    if (whole == 0) {
        return;
    }
    std::vector<float> batch(pending_.begin(), pending_.begin() + static_cast<long>(whole));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(whole));

    const auto probabilities = model_->detect(batch.data(), static_cast<int>(batch.size()));
    if (!probabilities) {
        return; // the batch is dropped; the counters stay as they were
    }
    const VadCounts counts =
        VadCounts::fromDurations(silenceHoldMs_.load(std::memory_order_relaxed),
                                 speculativeHoldMs_.load(std::memory_order_relaxed),
                                 minSpeechMs_.load(std::memory_order_relaxed));
    const float threshold = threshold_.load(std::memory_order_relaxed);
    std::span<const float> windows(*probabilities);
    const std::size_t earlier = std::min(earlierWindowsLeft_, windows.size());
    machine_.consumeHeardBefore(windows.first(earlier), threshold, counts);
    earlierWindowsLeft_ -= earlier;
    const auto events = machine_.consume(windows.subspan(earlier), threshold, counts);
    for (const VadEvent event : events) {
        post(event, queueEpoch_);
    }
}

void VoiceActivityDetector::post(VadEvent event, std::uint64_t epoch) {
    platform::postToMain(this, [this, event, epoch] {
        if (epoch != mainEpoch_) {
            return; // from audio before the latest reset
        }
        const std::function<void()>* callback = nullptr;
        switch (event) {
        case VadEvent::SpeechPause:
            callback = &onSpeechPause;
            break;
        case VadEvent::SpeechResumed:
            callback = &onSpeechResumed;
            break;
        case VadEvent::SpeechEnd:
            callback = &onSpeechEnd;
            break;
        }
        // A copy: the callback may replace itself, or drop the detector, while it runs.
        const std::function<void()> run = callback != nullptr ? *callback : nullptr;
        if (run) {
            run();
        }
    });
}

} // namespace tavik
