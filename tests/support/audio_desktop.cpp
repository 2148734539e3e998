#include "tests/support/audio_desktop.h"

#include "tests/support/fixtures.h"
#include "tests/support/sound_server.h"

#include <QProcess>

#include <sndfile.h>

#include <algorithm>
#include <cmath>

#include <fcntl.h>
#include <unistd.h>

namespace tavik::test {
namespace {

// More than two channels have no default map on the server: name them as auxiliary inputs.
QString channelMap(int channels) {
    if (channels == 1) {
        return QStringLiteral("mono");
    }
    if (channels == 2) {
        return QStringLiteral("front-left,front-right");
    }
    QStringList names;
    for (int i = 0; i < channels; ++i) {
        names << QStringLiteral("aux") + QString::number(i);
    }
    return names.join(',');
}

} // namespace

std::optional<QString> pactl(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

bool setDefaultSource(const QString& name) {
    if (!pactl({QStringLiteral("set-default-source"), name})) {
        return false;
    }
    return spinUntil([&] { return pactl({QStringLiteral("get-default-source")}) == name; }, 5000);
}

PulseModule::PulseModule(const QString& module, const QStringList& arguments) {
    bool ok = false;
    const auto output = pactl(QStringList{QStringLiteral("load-module"), module} + arguments);
    const int index = output ? output->toInt(&ok) : -1;
    index_ = ok ? index : -1;
}

PulseModule::~PulseModule() {
    unload();
}

void PulseModule::unload() {
    if (index_ >= 0) {
        pactl({QStringLiteral("unload-module"), QString::number(index_)});
        index_ = -1;
    }
}

std::unique_ptr<PulseModule> loadNullSource(const QString& name, int channels, int rate,
                                            const QString& channelMap, const QString& description) {
    const QStringList common{QStringLiteral("channels=") + QString::number(channels),
                             QStringLiteral("rate=") + QString::number(rate),
                             QStringLiteral("channel_map=") + channelMap};
    // pipewire-pulse has no null source; a null sink whose node is a virtual source is one.
    if (soundServerIsPipeWire()) {
        return std::make_unique<PulseModule>(
            QStringLiteral("module-null-sink"),
            QStringList{QStringLiteral("media.class=Audio/Source/Virtual"),
                        QStringLiteral("sink_name=") + name,
                        QStringLiteral("sink_properties=device.description=") + description} +
                common);
    }
    return std::make_unique<PulseModule>(QStringLiteral("module-null-source"),
                                         QStringList{QStringLiteral("source_name=") + name,
                                                     QStringLiteral("description=") + description} +
                                             common);
}

PipeMicrophone::PipeMicrophone(const QString& sourceName, int channels,
                               const QString& extraProperties) {
    if (!folder_.isValid()) {
        return;
    }
    module_ = std::make_unique<PulseModule>(
        QStringLiteral("module-pipe-source"),
        QStringList{QStringLiteral("source_name=") + sourceName, QStringLiteral("file=") + fifo(),
                    QStringLiteral("format=float32le"), QStringLiteral("rate=16000"),
                    QStringLiteral("channels=") + QString::number(channels),
                    QStringLiteral("channel_map=") + channelMap(channels),
                    // PipeWire marks its pipe sources virtual; these stand for microphones.
                    QStringLiteral("source_properties='device.description=") + sourceName +
                        QStringLiteral(" node.virtual=false") +
                        (extraProperties.isEmpty() ? QString() : " " + extraProperties) + "'"});
}

PipeMicrophone::~PipeMicrophone() = default;

MicFeeder::MicFeeder(const QString& fifo, std::vector<float> samples)
    : writer_([path = fifo.toLocal8Bit(), samples = std::move(samples)] {
          const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
          if (fd < 0) {
              return;
          }
          // A pipe as large as the system allows: a feeder that the scheduler holds back under
          // load must not leave the source reading an empty pipe, which PipeWire fills with
          // silence in the middle of what is spoken.
          (void)::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
          const auto* bytes = reinterpret_cast<const char*>(samples.data());
          std::size_t left = samples.size() * sizeof(float);
          while (left > 0) {
              const ssize_t written = ::write(fd, bytes, left);
              if (written <= 0) {
                  break;
              }
              bytes += written;
              left -= std::size_t(written);
          }
          ::close(fd);
      }) {}

MicFeeder::~MicFeeder() {
    writer_.join();
}

std::optional<std::size_t> findAmidSilence(const std::vector<float>& heard,
                                           const std::vector<float>& spoken, float tolerance) {
    const auto audible = [](float sample) {
        return sample != 0.0f;
    };
    const auto heardStart = std::find_if(heard.begin(), heard.end(), audible);
    const auto spokenStart = std::find_if(spoken.begin(), spoken.end(), audible);
    if (spokenStart == spoken.end() || heardStart - heard.begin() < spokenStart - spoken.begin()) {
        return std::nullopt;
    }
    const auto offset = std::size_t((heardStart - heard.begin()) - (spokenStart - spoken.begin()));
    if (offset + spoken.size() > heard.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < heard.size(); ++i) {
        const bool inside = i >= offset && i < offset + spoken.size();
        const float expected = inside ? spoken[i - offset] : 0.0f;
        if (std::fabs(heard[i] - expected) > (inside ? tolerance : 0.0f)) {
            return std::nullopt;
        }
    }
    return offset;
}

std::optional<std::size_t> findAfterEarlierAudio(const std::vector<float>& heard,
                                                 const std::vector<float>& spoken,
                                                 float tolerance) {
    if (spoken.empty() || heard.size() < spoken.size()) {
        return std::nullopt;
    }
    // Only silence may follow what was spoken: it is the last audible stretch heard.
    std::size_t end = heard.size();
    while (end > 0 && heard[end - 1] == 0.0f) {
        --end;
    }
    std::size_t spokenEnd = spoken.size();
    while (spokenEnd > 0 && spoken[spokenEnd - 1] == 0.0f) {
        --spokenEnd;
    }
    if (end < spokenEnd) {
        return std::nullopt;
    }
    const std::size_t offset = end - spokenEnd;
    for (std::size_t i = 0; i < spoken.size(); ++i) {
        if (offset + i >= heard.size() || std::fabs(heard[offset + i] - spoken[i]) > tolerance) {
            return std::nullopt;
        }
    }
    return offset;
}

std::vector<float> withTrailingSilence(std::vector<float> samples) {
    samples.resize(samples.size() + 1600, 0.0f);
    return samples;
}

QString desktopMicFifo() {
    return qEnvironmentVariable("TAVIK_TEST_MIC_FIFO");
}

std::vector<float> readMonoSamples(const QString& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.toLocal8Bit().constData(), SFM_READ, &info);
    if (file == nullptr) {
        return {};
    }
    std::vector<float> samples;
    if (info.channels == 1 && info.samplerate == 16000 && info.frames > 0) {
        samples.resize(std::size_t(info.frames));
        samples.resize(std::size_t(sf_readf_float(file, samples.data(), info.frames)));
    }
    sf_close(file);
    return samples;
}

} // namespace tavik::test
