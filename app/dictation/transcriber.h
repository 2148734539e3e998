#pragma once

#include "app/dictation/ggml_backends.h"
#include "app/dictation/transcript_text.h"
#include "platform/serial_queue.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct whisper_context;

namespace tavik {

// One whisper.cpp speech model, loaded once, recognising finished utterances one at a time on
// its own queue "tavik.whisper". Callers block in transcribeScored until their turn has run, so
// it must be called from a background thread, never from the main thread or the queue.
//
// Keep it in a shared_ptr and let every task that calls it hold a copy: the destructor waits for
// the queue to finish and then frees the model.
class Transcriber {
public:
    // The application always lets whisper.cpp put the model on a GPU when there is one; a model
    // kept on the CPU beside it is for comparisons (tests, benchmarks).
    enum class Compute { preferGpu, cpuOnly };

    // No object when the file is missing, when no compute backend could be loaded, or when
    // whisper.cpp cannot make a context from the file.
    static std::shared_ptr<Transcriber> create(const QString& modelPath,
                                               Compute compute = Compute::preferGpu);
    ~Transcriber() = default;
    Transcriber(const Transcriber&) = delete;
    Transcriber& operator=(const Transcriber&) = delete;

    // One recognition of a second of silence, so the first real dictation does not pay for
    // whisper.cpp's first-run allocations. Blocks until done.
    void warmUp();

    // Recognises 16 kHz mono samples. Empty input, or a failed recognition, gives ("", 0).
    RecognitionResult transcribeScored(const std::vector<float>& samples);

    // The initial prompt that biases recognition towards the user's vocabulary. Written on the
    // main thread; each recognition takes its own copy when it starts.
    std::optional<QString> vocabularyPrompt() const;
    void setVocabularyPrompt(std::optional<QString> prompt);

    const QString& modelPath() const { return modelPath_; }

    // The GPU the model was put on; none when it runs on the CPU.
    const std::optional<GGMLBackends::ComputeDevice>& gpu() const { return gpu_; }

    static QString clean(const QString& text) { return TranscriptText::clean(text); }

    // How many times whisper_full has been run (warm-up included); lets tests see that empty
    // input never reaches the model.
    int whisperRuns() const { return whisperRuns_.load(std::memory_order_relaxed); }

private:
    Transcriber(QString modelPath, whisper_context* context,
                std::optional<GGMLBackends::ComputeDevice> gpu);
    RecognitionResult transcribeSerial(const std::vector<float>& samples);

    struct ContextDeleter {
        void operator()(whisper_context* context) const;
    };

    QString modelPath_;
    std::unique_ptr<whisper_context, ContextDeleter> ctx_;
    std::optional<GGMLBackends::ComputeDevice> gpu_;
    mutable std::mutex promptMutex_;
    std::optional<std::string> vocabularyPrompt_; // UTF-8, guarded by promptMutex_
    std::atomic<int> whisperRuns_{0};
    // Declared last so it is destroyed first: its destructor runs what is still queued and
    // joins, and only then is the context freed.
    platform::SerialQueue queue_{"tavik.whisper"};
};

} // namespace tavik
