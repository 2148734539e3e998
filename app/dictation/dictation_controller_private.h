#pragma once

// The records the controller's three source files share: a speculative pass and one dictation
// on its way to delivery.
#include "app/dictation/dictation_controller.h"

#include <atomic>
#include <mutex>

namespace tavik {

struct DictationController::Speculation {
    std::uint64_t generation = 0;
    std::size_t samples = 0;
    // The detector's speech total when the snapshot was taken: any speech heard after it
    // makes the early result incomplete.
    double speechSecondsAtStart = 0;
    // Set when the speculation leaves the field unused, so a pass that has not begun is skipped
    // and the final pass never waits behind it.
    std::atomic<bool> dropped{false};

    std::mutex mutex;
    bool finished = false;
    std::optional<dictation::RecognitionResult> result; // empty when the pass failed or was skipped
};

struct DictationController::RecognitionJob {
    std::uint64_t serial = 0;
    dictation::Samples samples;
    dictation::Samples archive; // kept for the audio archive (keepAudio)
    dictation::TargetApp target;
    std::shared_ptr<dictation::Recogniser> transcriber;
    std::shared_ptr<Speculation> reused;
    std::int64_t startNs = 0;     // when the recording began, on the monotonic clock
    std::int64_t recogniseNs = 0; // when recognition was asked for: its time includes any wait
    double duration = 0;          // seconds, pre-roll included
    // Why the recording was cut short, shown once the words are delivered; none when the user
    // ended it.
    std::optional<QString> cutShort;
    // Recordings written for this dictation whose syncs wait until its text is out.
    QList<QUuid> unsyncedAudio;

    QString text; // the result, corrected and expanded; empty when there is nothing to deliver
};

namespace dictation {
inline double samplesToSeconds(std::size_t count) {
    return static_cast<double>(count) / DictationController::sampleRate;
}
} // namespace dictation

} // namespace tavik
