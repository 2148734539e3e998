// Recognition of 5 s of speech on a model shaped like base.en (made-up weights: the cost depends
// on the shapes, not the values). Compares the application's Transcriber with whisper.cpp's own
// whisper-cli built for this processor on the same file and model, runs it on the first Vulkan
// device when one is visible, and records the cost of a reduced audio context.
#include "app/dictation/ggml_backends.h"
#include "app/dictation/transcriber.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <whisper.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
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
        SNDFILE* in = sf_open(TAVIK_SOURCE_DIR "/tests/fixtures/audio/jfk.wav", SFM_READ, &info);
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

// The model on the CPU even where a GPU is visible, warmed up; none (and the row skipped) without
// a model or speech.
std::shared_ptr<tavik::Transcriber> warmCpuTranscriber(benchmark::State& state, const Fixture& f) {
    auto transcriber =
        f.model.isEmpty()
            ? nullptr
            : tavik::Transcriber::create(f.model, tavik::Transcriber::Compute::cpuOnly);
    if (!transcriber || f.samples.empty()) {
        state.SkipWithError("no model or no speech");
        return nullptr;
    }
    transcriber->warmUp();
    return transcriber;
}

// On the CPU even where a GPU is visible, so that both rows come from one run.
void BM_TranscriberBaseShaped5s(benchmark::State& state) {
    Fixture& f = Fixture::get();
    auto transcriber = warmCpuTranscriber(state, f);
    if (!transcriber) {
        return;
    }
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

// whisper.cpp's whisper-cli built by scripts/whisper-cache from the same source, unpatched, for
// this processor alone (-march=native, no loadable modules); WHISPER_CLI names another.
QString nativeWhisperCli() {
    const QString chosen = qEnvironmentVariable("WHISPER_CLI");
    return chosen.isEmpty() ? QString::fromUtf8(TAVIK_NATIVE_WHISPER_CLI) : chosen;
}

// What one whisper-cli process costs per recognition when it recognises the file `runs` times over
// one model load, with the Transcriber's decoding (greedy, same threads, language and no-speech
// threshold). Its own report sums each phase over the runs (mel, sampling, encoding, decoding,
// batches, prompts); their sum per run leaves out the process start, the model load and reading
// the file, and the one cold first run is shared by all. None when it fails or says other words.
std::optional<double> whisperCliMsPerRecognition(const QString& cli, const Fixture& f, int runs) {
    QStringList arguments{"-m", f.model, "-t", QString::number(recognitionThreads())};
    arguments.append({"-bs", "1", "-l", "en", "-nth", "0.45"});
    for (int i = 0; i < runs; ++i) {
        arguments << "-f" << f.audio;
    }
    QProcess process;
    process.start(cli, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0 ||
        QString::fromUtf8(process.readAllStandardOutput()).count(kPhrase) != runs) {
        return std::nullopt;
    }
    static const QRegularExpression phase(
        "(?:mel|sample|encode|decode|batchd|prompt) time =\\s*([0-9.]+) ms");
    double sum = 0;
    int phases = 0;
    for (auto it = phase.globalMatch(QString::fromUtf8(process.readAllStandardError()));
         it.hasNext(); ++phases) {
        sum += it.next().captured(1).toDouble();
    }
    if (phases != 6) {
        return std::nullopt;
    }
    return sum / runs;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The Transcriber on the CPU against whisper-cli built for this processor, in turns within one run
// so that both meet the same machine load: each round one whisper-cli process recognises the file
// three times, and the Transcriber (warmed up) recognises the same samples three times, the two
// taking turns at going first. The row's time is the Transcriber's per recognition; the counters
// give both sides' medians over the rounds, the median of the rounds' ratios Transcriber ÷
// whisper-cli, and the one-minute load average at the end.
void BM_TranscriberAgainstNativeWhisperCli(benchmark::State& state) {
    constexpr int kRuns = 3;
    Fixture& f = Fixture::get();
    const QString cli = nativeWhisperCli();
    if (!QFileInfo(cli).isExecutable()) {
        const std::string missing = "no whisper-cli built for this processor at " +
                                    cli.toStdString() +
                                    "; scripts/setup builds it (or set WHISPER_CLI)";
        state.SkipWithError(missing.c_str());
        return;
    }
    auto transcriber = warmCpuTranscriber(state, f);
    if (!transcriber) {
        return;
    }
    std::vector<double> ours;
    std::vector<double> theirs;
    std::vector<double> ratios;
    for (auto _ : state) {
        std::optional<double> cliMs;
        double transcriberMs = 0;
        bool sameWords = true;
        const auto runTranscriber = [&] {
            QElapsedTimer clock;
            clock.start();
            for (int i = 0; i < kRuns; ++i) {
                sameWords &= transcriber->transcribeScored(f.samples).text == kPhrase;
            }
            transcriberMs = static_cast<double>(clock.nsecsElapsed()) / 1e6 / kRuns;
        };
        if (ours.size() % 2 == 0) {
            cliMs = whisperCliMsPerRecognition(cli, f, kRuns);
            runTranscriber();
        } else {
            runTranscriber();
            cliMs = whisperCliMsPerRecognition(cli, f, kRuns);
        }
        if (!cliMs || !sameWords) {
            state.SkipWithError(!cliMs ? "whisper-cli failed, gave no timings or other words"
                                       : "the Transcriber did not recognise the phrase");
            return;
        }
        ours.push_back(transcriberMs);
        theirs.push_back(*cliMs);
        ratios.push_back(transcriberMs / *cliMs);
        state.SetIterationTime(transcriberMs / 1000.0);
    }
    double load[1] = {0};
    ::getloadavg(load, 1);
    state.counters["transcriber_ms"] = median(ours);
    state.counters["whisper_cli_ms"] = median(theirs);
    state.counters["ratio"] = median(ratios);
    state.counters["load1"] = load[0];
}
BENCHMARK(BM_TranscriberAgainstNativeWhisperCli)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(8);

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
