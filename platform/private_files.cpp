#include "platform/private_files.h"

#include "platform/log_sink.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

namespace tavik::platform {

bool ensurePrivateFolder(const QString& path) {
    if (QFileInfo(path).isDir()) {
        return true;
    }
    const QString parent = QFileInfo(path).absolutePath();
    if (parent != path && !QFileInfo(parent).isDir() && !ensurePrivateFolder(parent)) {
        return false;
    }
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && !QFileInfo(path).isDir()) {
        return false;
    }
    return true;
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes) {
    if (!ensurePrivateFolder(QFileInfo(path).absolutePath())) {
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString moveAsideUnreadable(const QString& path) {
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString target = path + ".unreadable-" + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n) {
        target = path + ".unreadable-" + stamp + "-" + QString::number(n);
    }
    if (!QFile::rename(path, target)) {
        logLine("could not move unreadable " + QFileInfo(path).fileName() + " aside");
        return QString();
    }
    logLine("moved unreadable " + QFileInfo(path).fileName() + " aside to " +
            QFileInfo(target).fileName());
    return target;
}

} // namespace tavik::platform
