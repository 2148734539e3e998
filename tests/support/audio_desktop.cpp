#include "tests/support/audio_desktop.h"

#include <QProcess>

#include <sndfile.h>

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
                    QStringLiteral("source_properties='device.description=") + sourceName +
                        (extraProperties.isEmpty() ? QString() : " " + extraProperties) + "'"});
}

PipeMicrophone::~PipeMicrophone() = default;

MicFeeder::MicFeeder(const QString& fifo, std::vector<float> samples)
    : writer_([path = fifo.toLocal8Bit(), samples = std::move(samples)] {
          const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
          if (fd < 0) {
              return;
          }
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
