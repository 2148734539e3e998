#pragma once

#include "app/stores/history_entry.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTimeZone>

namespace tavik::test {

// A dictation as the controller would record it, at a whole second unless told otherwise.
inline HistoryEntry makeEntry(const QString& text,
                              const QDateTime& at = QDateTime(QDate(2026, 12, 8), QTime(9, 30, 0),
                                                              QTimeZone::utc()),
                              const QString& app = "Editor") {
    return HistoryEntry{
        QUuid::createUuid(), text, app, "org.example.editor", "paste", at, 2.5, 840.0, true};
}

// A fresh history path under the test's private data folder.
inline QString historyPathFor(const QString& name) {
    const QString folder = qEnvironmentVariable("XDG_DATA_HOME") + "/Tavik-" + name;
    QDir().mkpath(folder);
    return folder + "/history.json";
}

inline QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
    }
}

} // namespace tavik::test
