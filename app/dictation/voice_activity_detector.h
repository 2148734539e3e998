#pragma once

#include "app/dictation/vad_model.h"
#include "app/dictation/vad_state_machine.h"
#include "platform/serial_queue.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tavik {

// Listens to the microphone stream (16 kHz mono) for speech and tells its owner, on the main
// thread, when the speaker pauses, resumes and stops. All counting runs on the queue
// "tavik.vad"; feed() may be called from any thread, everything else from the main thread.
class VoiceActivityDetector : public QObject {
    Q_OBJECT
public:
    // No detector when the file is missing or the model cannot be loaded.
    static std::unique_ptr<VoiceActivityDetector> create(const QString& modelPath);

    // Runs on any model; create() hands it the Silero one.
    explicit VoiceActivityDetector(std::unique_ptr<VadModel> model, QObject* parent = nullptr);
    // Drops work not yet started, waits for the batch in progress, then frees the model.
    // Notifications already posted are dropped with the object.
    ~VoiceActivityDetector() override;

    // Hands a copy to the queue and returns at once.
    void feed(std::vector<float> samples);
    // Starts afresh after everything fed so far: counters, pending samples, model state.
    // Notifications from before the reset that have not yet been delivered are dropped. The
    // first `heardBefore` samples fed after it were heard before the recording began: windows
    // that start in them count toward heardSpeech() but never start speaking.
    void reset(std::size_t heardBefore = 0);

    // Answer after every chunk fed before the call has been processed; they block until then.
    bool heardSpeech();
    double speechSeconds();

    float threshold() const { return threshold_.load(std::memory_order_relaxed); }
    void setThreshold(float value) { threshold_.store(value, std::memory_order_relaxed); }
    int silenceHoldMs() const { return silenceHoldMs_.load(std::memory_order_relaxed); }
    void setSilenceHoldMs(int value) { silenceHoldMs_.store(value, std::memory_order_relaxed); }
    int minSpeechMs() const { return minSpeechMs_.load(std::memory_order_relaxed); }
    void setMinSpeechMs(int value) { minSpeechMs_.store(value, std::memory_order_relaxed); }
    int speculativeHoldMs() const { return speculativeHoldMs_.load(std::memory_order_relaxed); }
    void setSpeculativeHoldMs(int value) {
        speculativeHoldMs_.store(value, std::memory_order_relaxed);
    }

    // Called on the main thread; read when the notification runs, so they may change any time.
    std::function<void()> onSpeechEnd;
    std::function<void()> onSpeechPause;
    std::function<void()> onSpeechResumed;

private:
    void process(std::vector<float> samples);
    void resetOnQueue();
    void post(VadEvent event, std::uint64_t epoch);

    std::unique_ptr<VadModel> model_;
    // Queue-only state.
    std::vector<float> pending_;
    VadStateMachine machine_;
    std::uint64_t queueEpoch_ = 0;
    std::size_t earlierWindowsLeft_ = 0; // windows still to come from before the recording

    std::atomic<float> threshold_{0.5f};
    std::atomic<int> silenceHoldMs_{700};
    std::atomic<int> minSpeechMs_{250};
    std::atomic<int> speculativeHoldMs_{300};
    std::atomic<bool> stopping_{false};
    std::uint64_t mainEpoch_ = 0; // main thread only

    std::unique_ptr<platform::SerialQueue> queue_;
};

} // namespace tavik
