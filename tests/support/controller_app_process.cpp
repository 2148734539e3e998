#include "tests/support/controller_app_process.h"

#include "tests/support/fixtures.h"

#include <QCoreApplication>
#include <QDir>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tavik::test {

TavikProcess::~TavikProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QString TavikProcess::program() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../app/shell/tavik");
}

bool TavikProcess::start(const QProcessEnvironment& environment,
                         const std::function<void()>& inChild) {
    return start(program(), {}, environment, inChild);
}

bool TavikProcess::start(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment,
                         const std::function<void()>& inChild) {
    QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
    all.insert(environment);
    process_.setProcessEnvironment(all);
    process_.setChildProcessModifier(inChild);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(program, arguments);
    return process_.waitForStarted(10000);
}

QString TavikProcess::output() {
    output_ += QString::fromUtf8(process_.readAll());
    return output_;
}

bool TavikProcess::waitForLine(const QString& line, int timeoutMs) {
    return spinUntil(
        [&] {
            process_.waitForReadyRead(5);
            return output().contains(QStringLiteral("] ") + line);
        },
        timeoutMs);
}

void TavikProcess::signal(int signalNumber) {
    const auto pid = static_cast<pid_t>(process_.processId());
    if (pid > 0) { // never 0: that would signal the whole process group, the test included
        ::kill(pid, signalNumber);
    }
}

bool TavikProcess::running() const {
    return process_.state() != QProcess::NotRunning;
}

int TavikProcess::terminate(int timeoutMs) {
    if (!running()) {
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    signal(SIGTERM);
    if (!process_.waitForFinished(timeoutMs)) {
        return -1;
    }
    output();
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

PacedMicrophone::PacedMicrophone(std::vector<float> samples, const QString& fifoPath)
    : writer_([this, samples = std::move(samples), path = fifoPath.toLocal8Bit()] {
          const QByteArray fifo = path.isEmpty() ? qgetenv("TAVIK_TEST_MIC_FIFO") : path;
          const int fd = ::open(fifo.constData(), O_WRONLY | O_CLOEXEC);
          if (fd >= 0) {
              constexpr std::size_t chunk = 320; // 20 ms
              auto due = std::chrono::steady_clock::now();
              for (std::size_t at = 0; at < samples.size(); at += chunk) {
                  const std::size_t count = std::min(chunk, samples.size() - at);
                  const auto* bytes = reinterpret_cast<const char*>(samples.data() + at);
                  std::size_t left = count * sizeof(float);
                  while (left > 0) {
                      const ssize_t written = ::write(fd, bytes, left);
                      if (written <= 0) {
                          left = 0;
                          break;
                      }
                      bytes += written;
                      left -= static_cast<std::size_t>(written);
                  }
                  due += std::chrono::milliseconds(20);
                  std::this_thread::sleep_until(due);
              }
              ::close(fd);
          }
          finished_.store(true);
      }) {}

PacedMicrophone::~PacedMicrophone() {
    writer_.join();
}

std::vector<float> withSilenceAfter(std::vector<float> speech, double silenceSeconds) {
    speech.resize(speech.size() + static_cast<std::size_t>(silenceSeconds * 16000), 0.0f);
    return speech;
}

} // namespace tavik::test
