#include "app/dictation/vad_model.h"

#include "app/dictation/ggml_backends.h"
#include "app/dictation/whisper_model_check.h"

#include "app/stores/diagnostic_log.h"

#include <QFile>
#include <QFileInfo>

#include <whisper.h>

namespace tavik {

std::unique_ptr<WhisperVadModel> WhisperVadModel::load(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        return nullptr;
    }
    if (const QString problem = vadModelProblem(path); !problem.isEmpty()) {
        slog("VAD model " + path + " unusable — " + problem);
        return nullptr;
    }
    GGMLBackends::ensureLoaded();
    // whisper.cpp aborts the whole process when asked for a context with no CPU backend.
    if (!GGMLBackends::cpuAvailable()) {
        return nullptr;
    }
    whisper_vad_context_params params = whisper_vad_default_context_params();
    // One thread: the model is tiny, and ggml's threads meet at a spinning barrier after every
    // operation. On a busy machine a second thread made each window cost tens of milliseconds
    // instead of a fraction of one, slower than the audio arrives.
    params.n_threads = 1;
    params.use_gpu = false;
    const QByteArray encoded = QFile::encodeName(path);
    whisper_vad_context* context = nullptr;
    try {
        context = whisper_vad_init_from_file_with_params(encoded.constData(), params);
    } catch (...) {
        context = nullptr; // the detector loader has no guard of its own against a bad header
    }
    if (context == nullptr) {
        return nullptr;
    }
    // The recurrent state starts as uninitialised memory; the streaming call never clears it.
    whisper_vad_reset_state(context);
    return std::unique_ptr<WhisperVadModel>(new WhisperVadModel(context));
}

WhisperVadModel::~WhisperVadModel() {
    whisper_vad_free(ctx_);
}

std::optional<std::span<const float>> WhisperVadModel::detect(const float* samples, int count) {
    if (!whisper_vad_detect_speech_no_reset(ctx_, samples, count)) {
        return std::nullopt;
    }
    const int probabilities = whisper_vad_n_probs(ctx_);
    if (probabilities < 1) {
        return std::nullopt;
    }
    const float* values = whisper_vad_probs(ctx_);
    if (values == nullptr) {
        return std::nullopt;
    }
    return std::span<const float>(values, static_cast<size_t>(probabilities));
}

void WhisperVadModel::resetState() {
    whisper_vad_reset_state(ctx_);
}

} // namespace tavik
