#include "app/dictation/signal_hooks.h"

#include "platform/log_sink.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tavik::dictation {

namespace {

// Written by the signal handler, read on the main thread. The write end is never closed
// once a handler may use it.
int pipeFds[2] = {-1, -1};

extern "C" void onSignal(int signalNumber) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Async-signal-safe; a full pipe drops the signal rather than blocking the thread.
    [[maybe_unused]] const auto written = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

constexpr std::array<int, 3> hookedSignals = {SIGUSR1, SIGUSR2, SIGHUP};

} // namespace

PosixSignalSource::PosixSignalSource(QObject* parent) : QObject(parent) {}

PosixSignalSource::~PosixSignalSource() {
    // The process-wide pipe and handlers stay; later signals simply wait unread.
    if (notifier_ != nullptr) {
        notifier_->setEnabled(false);
    }
}

void PosixSignalSource::install(std::function<void(int)> handler) {
    handler_ = std::move(handler);
    if (pipeFds[0] < 0) {
        if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
            platform::logLine(QStringLiteral("signal hooks unavailable — could not create a pipe"));
            return;
        }
    }
    if (notifier_ == nullptr) {
        notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &PosixSignalSource::readPending);
    }
    for (const int signalNumber : hookedSignals) {
        struct sigaction action {};
        action.sa_handler = &onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signalNumber, &action, nullptr);
    }
}

void PosixSignalSource::readPending() {
    std::array<unsigned char, 64> bytes{};
    for (;;) {
        const auto count = ::read(pipeFds[0], bytes.data(), bytes.size());
        if (count <= 0) {
            return;
        }
        for (ssize_t i = 0; i < count; ++i) {
            if (handler_) {
                handler_(bytes[static_cast<std::size_t>(i)]);
            }
        }
    }
}

} // namespace tavik::dictation
