#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>

namespace tavik {

// Writes "[tavik <stamp>] <message>\n" to standard error and appends it to the diagnostic log.
// Callable from any thread; never fails.
void slog(const QString& message);

namespace DiagnosticLog {

// Appends the line exactly as given (the caller supplies the newline). Never fails.
void append(const QString& line);

// $XDG_STATE_HOME/Tavik/tavik.log, fixed on first use.
QString url();

// The line slog would write for `message` at `utc`.
QByteArray formatLine(const QString& message, const QDateTime& utc);

// Points the platform layer's log lines at slog.
void installAsPlatformSink();

// Tests replace the time source so the stamp is known.
void setClockForTesting(std::function<QDateTime()> utcNow);

} // namespace DiagnosticLog
} // namespace tavik
