#pragma once

// Tavik itself, running as its own process on the test desktop, and a microphone the test
// speaks into.
#include <QProcess>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace tavik::test {

class TavikProcess {
public:
    TavikProcess() = default;
    ~TavikProcess();
    TavikProcess(const TavikProcess&) = delete;
    TavikProcess& operator=(const TavikProcess&) = delete;

    // The application built beside the test programs.
    static QString program();

    // Starts it in this process's environment, with `environment` added (e.g. a scale factor);
    // `inChild`, when given, runs in the new process before Tavik does (e.g. to set a limit).
    bool start(const QProcessEnvironment& environment = {},
               const std::function<void()>& inChild = {});
    // The same for another copy of it (an installed one), or a launcher that ends by exec'ing it.
    bool start(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& environment = {},
               const std::function<void()>& inChild = {});
    // Waits until the output holds `line` (a log line's message); false after the timeout.
    bool waitForLine(const QString& line, int timeoutMs);
    void signal(int signalNumber);
    bool running() const;
    qint64 processId() const { return process_.processId(); }
    // SIGTERM, then waits; the exit code, or -1 when it did not end in time.
    int terminate(int timeoutMs = 10000);
    QString output();

private:
    QProcess process_;
    QString output_;
};

// Writes float samples into a microphone FIFO (the test desktop's own unless another is named) at
// the pace of real time, from a thread of its own. Joined on destruction.
class PacedMicrophone {
public:
    explicit PacedMicrophone(std::vector<float> samples, const QString& fifo = {});
    ~PacedMicrophone();
    PacedMicrophone(const PacedMicrophone&) = delete;
    PacedMicrophone& operator=(const PacedMicrophone&) = delete;

    bool finished() const { return finished_.load(); }

private:
    std::atomic<bool> finished_{false};
    std::thread writer_;
};

// Speech followed by `silenceSeconds` of silence.
std::vector<float> withSilenceAfter(std::vector<float> speech, double silenceSeconds);

} // namespace tavik::test
