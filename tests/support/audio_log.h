#pragma once

#include "app/stores/diagnostic_log.h"

#include <QFile>
#include <QStringList>

#include <algorithm>

namespace tavik::test {

// The messages written to the diagnostic log so far, without their time stamps.
inline QStringList loggedMessages() {
    QFile file(DiagnosticLog::url());
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList messages;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
        const auto close = line.indexOf(QStringLiteral("] "));
        messages << (close >= 0 ? line.mid(close + 2) : line);
    }
    return messages;
}

inline qsizetype countLogged(const QString& message) {
    return loggedMessages().count(message);
}

// How many messages begin with `start` (a line whose end names a reason).
inline qsizetype countLoggedStartingWith(const QString& start) {
    const QStringList messages = loggedMessages();
    return std::count_if(messages.begin(), messages.end(),
                         [&](const QString& message) { return message.startsWith(start); });
}

} // namespace tavik::test
