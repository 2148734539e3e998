#include "app/dictation/transcriber.h"

#include "app/dictation/ggml_backends.h"
#include "app/dictation/whisper_model_check.h"

#include "app/stores/diagnostic_log.h"

#include <QFile>
#include <QFileInfo>

#include <whisper.h>

#include <cassert>
#include <unistd.h>

namespace tavik {
namespace {

class WhisperReader final : public RecognitionReader {
public:
    explicit WhisperReader(whisper_context* context) : ctx_(context) {}
    int segmentCount() const override { return whisper_full_n_segments(ctx_); }
    std::string segmentText(int segment) const override {
        const char* text = whisper_full_get_segment_text(ctx_, segment);
        return text != nullptr ? std::string(text) : std::string();
    }
    int tokenCount(int segment) const override { return whisper_full_n_tokens(ctx_, segment); }
    int tokenId(int segment, int token) const override {
        return whisper_full_get_token_data(ctx_, segment, token).id;
    }
    float tokenProbability(int segment, int token) const override {
        return whisper_full_get_token_p(ctx_, segment, token);
    }
    int endOfTextToken() const override { return whisper_token_eot(ctx_); }

private:
    whisper_context* ctx_;
};

int activeProcessors() {
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
}

} // namespace

std::shared_ptr<Transcriber> Transcriber::create(const QString& modelPath, Compute compute) {
    if (!QFileInfo(modelPath).isFile()) {
        return nullptr;
    }
    if (const QString problem = whisperModelProblem(modelPath); !problem.isEmpty()) {
        slog("model " + modelPath + " unusable — " + problem);
        return nullptr;
    }
    GGMLBackends::ensureLoaded();
    // whisper.cpp aborts the whole process when asked for a context with no CPU backend.
    if (!GGMLBackends::cpuAvailable()) {
        return nullptr;
    }
    whisper_context_params params = whisper_context_default_params();
    params.use_gpu = compute == Compute::preferGpu;
    std::optional<GGMLBackends::ComputeDevice> gpu;
    if (params.use_gpu) {
        gpu = GGMLBackends::recognitionGpu();
    }
    const QByteArray path = QFile::encodeName(modelPath);
    whisper_context* context = nullptr;
    try {
        context = whisper_init_from_file_with_params(path.constData(), params);
    } catch (...) {
        context = nullptr; // a damaged header can make the loader throw
    }
    if (context == nullptr) {
        return nullptr;
    }
    // whisper.cpp says which device it took only at its info level, which the log leaves out;
    // a GPU changes the speed of every dictation, so it is worth one line.
    if (gpu) {
        slog("speech model on the " + gpu->backend + " backend, device " + gpu->name + ": " +
             gpu->description);
    }
    return std::shared_ptr<Transcriber>(new Transcriber(modelPath, context, std::move(gpu)));
}

Transcriber::Transcriber(QString modelPath, whisper_context* context,
                         std::optional<GGMLBackends::ComputeDevice> gpu)
    : modelPath_(std::move(modelPath)), ctx_(context), gpu_(std::move(gpu)) {}

void Transcriber::ContextDeleter::operator()(whisper_context* context) const {
    whisper_free(context);
}

void Transcriber::warmUp() {
    assert(!queue_.isCurrent());
    const std::vector<float> silence(16000, 0.0f);
    queue_.sync([&] { transcribeSerial(silence); });
}

RecognitionResult Transcriber::transcribeScored(const std::vector<float>& samples) {
    assert(!queue_.isCurrent());
    RecognitionResult result;
    queue_.sync([&] { result = transcribeSerial(samples); });
    return result;
}

std::optional<QString> Transcriber::vocabularyPrompt() const {
    std::lock_guard lock(promptMutex_);
    if (!vocabularyPrompt_) {
        return std::nullopt;
    }
    return QString::fromStdString(*vocabularyPrompt_);
}

void Transcriber::setVocabularyPrompt(std::optional<QString> prompt) {
    std::optional<std::string> utf8;
    if (prompt) {
        utf8 = prompt->toStdString();
    }
    std::lock_guard lock(promptMutex_);
    vocabularyPrompt_ = std::move(utf8);
}

RecognitionResult Transcriber::transcribeSerial(const std::vector<float>& samples) {
    if (!ctx_ || samples.empty()) {
        return {};
    }
    // Private copies: whisper keeps the pointers for the whole call.
    std::optional<std::string> prompt;
    {
        std::lock_guard lock(promptMutex_);
        prompt = vocabularyPrompt_;
    }
    const std::string language = "en";

    whisper_full_params params = whisper_full_default_params(WHISPER_SAMPLING_GREEDY);
    params.n_threads = TranscriptText::threadCount(activeProcessors());
    params.translate = false;
    params.no_context = true;
    params.single_segment = false;
    params.print_special = false;
    params.print_progress = false;
    params.print_realtime = false;
    params.print_timestamps = false;
    if (prompt) {
        params.initial_prompt = prompt->c_str();
        params.carry_initial_prompt = true;
    }
    params.language = language.c_str();
    params.suppress_blank = true;
    params.no_speech_thold = 0.45f;

    whisperRuns_.fetch_add(1, std::memory_order_relaxed);
    if (whisper_full(ctx_.get(), params, samples.data(), static_cast<int>(samples.size())) != 0) {
        return {};
    }
    RecognitionResult result = TranscriptText::aggregate(WhisperReader(ctx_.get()));
    result.text = clean(result.text);
    return result;
}

} // namespace tavik
