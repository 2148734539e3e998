#pragma once

#include "app/stores/diagnostic_log.h"

#include <QFile>
#include <QStringList>

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

} // namespace tavik::test
