#include "app/dictation/vad_state_machine.h"

#include <algorithm>

namespace tavik {

VadCounts VadCounts::fromDurations(int silenceHoldMs, int speculativeHoldMs, int minSpeechMs) {
    const auto windows = [](int ms) {
        return static_cast<int>(ms / VadStateMachine::kFrameMs);
    };
    return {windows(silenceHoldMs), windows(speculativeHoldMs), windows(minSpeechMs)};
}

std::vector<VadEvent> VadStateMachine::consume(std::span<const float> probabilities,
                                               float threshold, const VadCounts& counts) {
    std::vector<VadEvent> events;
    for (const float probability : probabilities) {
        if (probability >= threshold) {
            ++speechFrames_;
            ++totalSpeechFrames_;
            if (++gateFrames_ >= counts.start) {
                everSpoke_ = true;
            }
            silenceFrames_ = 0;
            if (speculated_) {
                speculated_ = false;
                events.push_back(VadEvent::SpeechResumed);
            }
            if (!speaking_ && speechFrames_ >= counts.start) {
                speaking_ = true;
                everSpoke_ = true;
            }
        } else if (speaking_) {
            ++silenceFrames_;
            if (!speculated_ && silenceFrames_ >= counts.pause && counts.pause < counts.end) {
                speculated_ = true;
                events.push_back(VadEvent::SpeechPause);
            }
            if (silenceFrames_ >= counts.end) {
                speaking_ = false;
                speculated_ = false;
                speechFrames_ = 0;
                silenceFrames_ = 0;
                gateFrames_ = 0;
                events.push_back(VadEvent::SpeechEnd);
                return events;
            }
        } else {
            speechFrames_ = std::max(speechFrames_ - 1, 0);
            gateFrames_ = std::max(gateFrames_ - 1, 0);
        }
    }
    return events;
}

void VadStateMachine::consumeHeardBefore(std::span<const float> probabilities, float threshold,
                                         const VadCounts& counts) {
    for (const float probability : probabilities) {
        if (probability >= threshold) {
            ++totalSpeechFrames_;
            if (++gateFrames_ >= counts.start) {
                everSpoke_ = true;
            }
        } else {
            gateFrames_ = std::max(gateFrames_ - 1, 0);
        }
    }
}

void VadStateMachine::reset() {
    *this = VadStateMachine();
}

} // namespace tavik
