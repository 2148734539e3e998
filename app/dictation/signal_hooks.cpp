#include "app/dictation/signal_hooks.h"

#include "platform/log_sink.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace tavik::dictation {

namespace {

// Written by the signal handler, read on the main thread. Never closed once a handler may
// write to it.
int pipeFds[2] = {-1, -1};

extern "C" void onSignal(int signalNumber) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    // Async-signal-safe; a full pipe drops the signal rather than blocking the thread.
    [[maybe_unused]] const auto written = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

// Reads the pipe on the main thread and hands each signal to its handler.
class SignalPipeReader final : public QObject {
public:
    SignalPipeReader() : QObject(QCoreApplication::instance()) {
        notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &SignalPipeReader::readPending);
    }

    std::map<int, std::function<void(int)>> handlers;

private:
    void readPending() {
        std::array<unsigned char, 64> bytes{};
        for (;;) {
            const auto count = ::read(pipeFds[0], bytes.data(), bytes.size());
            if (count <= 0) {
                return;
            }
            for (ssize_t i = 0; i < count; ++i) {
                const int signalNumber = bytes[static_cast<std::size_t>(i)];
                const auto found = handlers.find(signalNumber);
                if (found != handlers.end() && found->second) {
                    found->second(signalNumber);
                }
            }
        }
    }

    QSocketNotifier* notifier_ = nullptr;
};

SignalPipeReader* reader() {
    static SignalPipeReader* instance = nullptr;
    if (instance == nullptr) {
        if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
            platform::logLine(QStringLiteral("signal hooks unavailable — could not create a pipe"));
            return nullptr;
        }
        instance = new SignalPipeReader();
    }
    return instance;
}

} // namespace

void handleSignalOnMainThread(int signalNumber, std::function<void(int)> handler) {
    auto* pipeReader = reader();
    if (pipeReader == nullptr) {
        return;
    }
    pipeReader->handlers[signalNumber] = std::move(handler);
    struct sigaction action {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signalNumber, &action, nullptr);
}

void PosixSignalSource::install(std::function<void(int)> handler) {
    for (const int signalNumber : {SIGUSR1, SIGUSR2, SIGHUP}) {
        handleSignalOnMainThread(signalNumber, handler);
    }
}

} // namespace tavik::dictation
