#pragma once

#include <span>
#include <vector>

namespace tavik {

// Window counts worked out from the detector's durations: milliseconds over 32 (one 512-sample
// window at 16 kHz), truncated toward zero.
struct VadCounts {
    int end = 21;
    int pause = 9;
    int start = 7;

    static VadCounts fromDurations(int silenceHoldMs, int speculativeHoldMs, int minSpeechMs);
};

enum class VadEvent { SpeechPause, SpeechResumed, SpeechEnd };

// Turns per-window speech probabilities into pause, resume and end events. Pure: the detector
// runs it on its queue, tests run it directly.
class VadStateMachine {
public:
    static constexpr double kFrameMs = 32.0;

    // Consumes the windows in order. After an end of speech the rest of the batch is not looked
    // at (its audio is already spent); the next batch starts from quiet.
    std::vector<VadEvent> consume(std::span<const float> probabilities, float threshold,
                                  const VadCounts& counts);

    // Windows heard before the recording began: their speech counts toward heardSpeech(), but
    // speaking (and so the silence that ends it) starts only with speech heard after them.
    void consumeHeardBefore(std::span<const float> probabilities, float threshold,
                            const VadCounts& counts);

    void reset();

    bool speaking() const { return speaking_; }
    int totalSpeechFrames() const { return totalSpeechFrames_; }
    // Speaking started at least once and at least ten speech windows were heard.
    bool heardSpeech() const { return everSpoke_ && totalSpeechFrames_ > 9; }
    double speechSeconds() const { return totalSpeechFrames_ * kFrameMs / 1000.0; }

private:
    bool speaking_ = false;
    int speechFrames_ = 0;
    int silenceFrames_ = 0;
    bool everSpoke_ = false;
    bool speculated_ = false;
    int totalSpeechFrames_ = 0;
    // The start count for the speech gate: like speechFrames_, but a word under way at the
    // press counts whole, its part before the press included.
    int gateFrames_ = 0;
};

} // namespace tavik
