#pragma once

#include <QString>

#include <functional>

namespace tavik::platform {

// The platform layer sits below the diagnostic log, so it logs through this sink; the
// application points it at the log once at start-up. Until then lines go to standard error.
using LogSink = std::function<void(const QString& message)>;

void setLogSink(LogSink sink);
void logLine(const QString& message);

} // namespace tavik::platform
