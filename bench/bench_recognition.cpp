// Recognition of 5 s of speech on a model shaped like base.en (made-up weights: the cost depends
// on the shapes, not the values). Compares the application's Transcriber with whisper.cpp's own
// whisper-cli on the same file and model (set WHISPER_CLI to its path), runs it on the first
// Vulkan device when one is visible, and records the cost of a reduced audio context.
#include "app/dictation/ggml_backends.h"
#include "app/dictation/transcriber.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <whisper.h>

#include <cstdlib>
#include <unistd.h>

namespace {

// What 5 s of real speech decodes to, so decoding costs what it would.
const char* kPhrase = "and so my fellow americans ask not what your country can do";

struct Fixture {
    QTemporaryDir folder;
    QString model;
    QString audio;
    std::vector<float> samples;

    static Fixture& get() {
        static Fixture fixture;
        return fixture;
    }

private:
    Fixture() {
        tavik::GGMLBackends::ensureLoaded();
        SF_INFO info{};
        SNDFILE* in = sf_open(TAVIK_SHARED_DIR "/audio/jfk.wav", SFM_READ, &info);
        if (in == nullptr) {
            return;
        }
        samples.resize(80000);
        samples.resize(static_cast<size_t>(sf_readf_float(in, samples.data(), 80000)));
        sf_close(in);
        audio = folder.filePath("speech-5s.wav");
        SF_INFO outInfo{};
        outInfo.samplerate = 16000;
        outInfo.channels = 1;
        outInfo.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* out = sf_open(audio.toUtf8().constData(), SFM_WRITE, &outInfo);
        sf_writef_float(out, samples.data(), static_cast<sf_count_t>(samples.size()));
        sf_close(out);

        const QString tool = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                             "/../tools/test-model/tavik-test-model");
        const QString path = folder.filePath("ggml-base.en-shaped.bin");
        if (QProcess::execute(tool, {"--shape", "base.en", "--phrase", kPhrase, path}) == 0) {
            model = path;
        }
    }
};

int recognitionThreads() {
    const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
    return n > 7 ? static_cast<int>(n / 2) : 4;
}

// On the CPU even where a GPU is visible, so that both rows come from one run.
void BM_TranscriberBaseShaped5s(benchmark::State& state) {
    Fixture& f = Fixture::get();
    auto transcriber =
        f.model.isEmpty()
            ? nullptr
            : tavik::Transcriber::create(f.model, tavik::Transcriber::Compute::cpuOnly);
    if (!transcriber || f.samples.empty()) {
        state.SkipWithError("no model or no speech");
        return;
    }
    transcriber->warmUp();
    for (auto _ : state) {
        benchmark::DoNotOptimize(transcriber->transcribeScored(f.samples));
    }
}
BENCHMARK(BM_TranscriberBaseShaped5s)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same on the first Vulkan device, as the application would run it; the row is labelled with
// the device. Software renderers are only seen when GGML_VK_VISIBLE_DEVICES names them, and their
// figure says nothing about a GPU.
void BM_TranscriberBaseShaped5sVulkan(benchmark::State& state) {
    Fixture& f = Fixture::get();
    const auto gpu = tavik::GGMLBackends::recognitionGpu();
    if (!gpu || gpu->backend != "Vulkan") {
        state.SkipWithError("no Vulkan device visible (GGML_VK_VISIBLE_DEVICES=0 shows the first "
                            "one, software renderers included)");
        return;
    }
    auto transcriber = f.model.isEmpty() ? nullptr : tavik::Transcriber::create(f.model);
    if (!transcriber || !transcriber->gpu() || f.samples.empty()) {
        state.SkipWithError("no model or no speech");
        return;
    }
    state.SetLabel((gpu->name + ": " + gpu->description).toStdString());
    transcriber->warmUp();
    for (auto _ : state) {
        benchmark::DoNotOptimize(transcriber->transcribeScored(f.samples));
    }
}
BENCHMARK(BM_TranscriberBaseShaped5sVulkan)->Unit(benchmark::kMillisecond)->UseRealTime();

// whisper-cli with the same decoding: greedy, same threads, same no-speech threshold. Its own
// timing report gives the recognition time without the process start and the model load. It
// looks for the CPU backend modules beside itself or in the current folder.
void BM_WhisperCliBaseShaped5s(benchmark::State& state) {
    Fixture& f = Fixture::get();
    const QString cli = qEnvironmentVariable("WHISPER_CLI");
    if (cli.isEmpty() || f.model.isEmpty()) {
        state.SkipWithError("set WHISPER_CLI to whisper.cpp's whisper-cli to compare");
        return;
    }
    static const QRegularExpression total("total time =\\s*([0-9.]+) ms");
    static const QRegularExpression load("load time =\\s*([0-9.]+) ms");
    for (auto _ : state) {
        QProcess process;
        process.start(cli,
                      {"-m", f.model, "-f", f.audio, "-t", QString::number(recognitionThreads()),
                       "-bs", "1", "-l", "en", "-nth", "0.45"});
        process.waitForFinished(-1);
        const QString report = QString::fromUtf8(process.readAllStandardError());
        const auto t = total.match(report);
        const auto l = load.match(report);
        if (!t.hasMatch() || !l.hasMatch()) {
            state.SkipWithError("whisper-cli gave no timings");
            return;
        }
        state.SetIterationTime((t.captured(1).toDouble() - l.captured(1).toDouble()) / 1000.0);
    }
}
BENCHMARK(BM_WhisperCliBaseShaped5s)->Unit(benchmark::kMillisecond)->UseManualTime();

// The same recognition with an audio context cut to the audio's length (50 per second + 64),
// for the record: the application keeps the full context.
void BM_WhisperFullAudioContext(benchmark::State& state) {
    Fixture& f = Fixture::get();
    if (f.model.isEmpty() || f.samples.empty()) {
        state.SkipWithError("no model or no speech");
        return;
    }
    whisper_context_params onCpu = whisper_context_default_params();
    onCpu.use_gpu = false;
    whisper_context* ctx = whisper_init_from_file_with_params(f.model.toUtf8().constData(), onCpu);
    whisper_full_params params = whisper_full_default_params(WHISPER_SAMPLING_GREEDY);
    params.n_threads = recognitionThreads();
    params.print_progress = false;
    params.print_timestamps = false;
    params.language = "en";
    params.suppress_blank = true;
    params.no_speech_thold = 0.45f;
    params.audio_ctx = static_cast<int>(state.range(0));
    whisper_full(ctx, params, f.samples.data(), static_cast<int>(f.samples.size()));
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            whisper_full(ctx, params, f.samples.data(), static_cast<int>(f.samples.size())));
    }
    whisper_free(ctx);
}
BENCHMARK(BM_WhisperFullAudioContext)
    ->Arg(0)
    ->Arg(5 * 50 + 64)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    // whisper.cpp's warnings go to the diagnostic log; keep them out of the user's own.
    QTemporaryDir state;
    ::setenv("XDG_STATE_HOME", state.path().toUtf8().constData(), 1);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
