// Voice-activity cost per 512-sample window through the streaming path, on the real Silero model
// and real speech.
#include "app/dictation/vad_model.h"

#include <QCoreApplication>
#include <QFile>

#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <whisper.h>

#include <vector>

namespace {

const char* kModel = TAVIK_SOURCE_DIR "/resources/models/ggml-silero.bin";
const char* kSpeech = TAVIK_SOURCE_DIR "/tests/fixtures/audio/jfk.wav";

std::vector<float> speech() {
    SF_INFO info{};
    SNDFILE* file = sf_open(kSpeech, SFM_READ, &info);
    std::vector<float> samples;
    if (file != nullptr) {
        samples.resize(static_cast<size_t>(info.frames));
        sf_readf_float(file, samples.data(), info.frames);
        sf_close(file);
    }
    samples.resize(samples.size() / 512 * 512);
    return samples;
}

// The detector's own model wrapper, fed `batch` windows per call.
void BM_DetectorModelPerWindow(benchmark::State& state) {
    const auto samples = speech();
    auto model = tavik::WhisperVadModel::load(QString::fromUtf8(kModel));
    if (!model || samples.empty()) {
        state.SkipWithError("the Silero model or jfk.wav is missing");
        return;
    }
    const size_t batch = static_cast<size_t>(state.range(0)) * 512;
    size_t offset = 0;
    for (auto _ : state) {
        if (offset + batch > samples.size()) {
            offset = 0;
        }
        benchmark::DoNotOptimize(model->detect(samples.data() + offset, static_cast<int>(batch)));
        offset += batch;
    }
    state.SetItemsProcessed(state.iterations() * state.range(0)); // items are windows
}
BENCHMARK(BM_DetectorModelPerWindow)->Arg(1)->Arg(2)->Arg(16)->Unit(benchmark::kMillisecond);

// The same streaming call with a chosen thread count, for comparison.
void BM_StreamingThreads(benchmark::State& state) {
    const auto samples = speech();
    whisper_vad_context_params params = whisper_vad_default_context_params();
    params.n_threads = static_cast<int>(state.range(0));
    params.use_gpu = false;
    whisper_vad_context* ctx = whisper_vad_init_from_file_with_params(kModel, params);
    if (ctx == nullptr || samples.empty()) {
        state.SkipWithError("the Silero model or jfk.wav is missing");
        return;
    }
    whisper_vad_reset_state(ctx);
    const size_t batch = 2 * 512;
    size_t offset = 0;
    for (auto _ : state) {
        if (offset + batch > samples.size()) {
            offset = 0;
        }
        benchmark::DoNotOptimize(whisper_vad_detect_speech_no_reset(ctx, samples.data() + offset,
                                                                    static_cast<int>(batch)));
        offset += batch;
    }
    whisper_vad_free(ctx);
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_StreamingThreads)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // the backend folder is found from the program's place
    whisper_log_set([](ggml_log_level, const char*, void*) {}, nullptr);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
