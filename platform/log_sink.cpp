#include "platform/log_sink.h"

#include <mutex>

#include <unistd.h>

namespace tavik::platform {
namespace {

// Never destroyed, like the other logging state: a worker thread may log while the program
// exits.
std::mutex& sinkMutex() {
    static auto* const mutex = new std::mutex;
    return *mutex;
}
LogSink& currentSink() {
    static auto* const sink = new LogSink;
    return *sink;
}

} // namespace

void setLogSink(LogSink sink) {
    std::lock_guard lock(sinkMutex());
    currentSink() = std::move(sink);
}

void logLine(const QString& message) {
    LogSink sink;
    {
        std::lock_guard lock(sinkMutex());
        sink = currentSink();
    }
    if (sink) {
        sink(message);
        return;
    }
    const QByteArray line = message.toUtf8() + '\n';
    [[maybe_unused]] auto written = ::write(2, line.constData(), static_cast<size_t>(line.size()));
}

} // namespace tavik::platform
