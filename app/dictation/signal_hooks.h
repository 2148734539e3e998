#pragma once

#include "app/dictation/dictation_ports.h"

#include <functional>

namespace tavik::dictation {

// Signals reach the main loop through a self-pipe: the handler only writes the signal number,
// and a socket notifier on the main thread reads it and calls the registered handler. (Ignoring
// a signal on Linux discards it, so the handler must stay installed.) Handlers stay installed
// for the life of the process.
void handleSignalOnMainThread(int signalNumber, std::function<void(int signalNumber)> handler);

// SIGUSR1, SIGUSR2 and SIGHUP, in that order.
class PosixSignalSource final : public SignalSource {
public:
    void install(std::function<void(int signalNumber)> handler) override;
};

} // namespace tavik::dictation
