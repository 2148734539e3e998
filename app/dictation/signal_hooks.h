#pragma once

#include "app/dictation/dictation_ports.h"

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace tavik::dictation {

// SIGUSR1, SIGUSR2 and SIGHUP reach the main loop through a self-pipe: the handler only writes
// the signal number, and a socket notifier on the main thread reads it and calls the handler.
// (Ignoring a signal on Linux discards it, so the handler must stay installed.) One instance
// per process; the hooks stay installed for the life of the process.
class PosixSignalSource final : public QObject, public SignalSource {
    Q_OBJECT
public:
    explicit PosixSignalSource(QObject* parent = nullptr);
    ~PosixSignalSource() override;

    void install(std::function<void(int signalNumber)> handler) override;

private:
    void readPending();

    std::function<void(int)> handler_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace tavik::dictation
