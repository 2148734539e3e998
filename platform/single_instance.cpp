#include "platform/single_instance.h"

#include "platform/instance_lock.h"
#include "platform/instance_server.h"
#include "platform/log_sink.h"
#include "platform/private_files.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace tavik::platform {
namespace {

constexpr int retryPauseMs = 100;

} // namespace

SingleInstance::SingleInstance(QString runtimeFolder, QString key, QObject* parent)
    : QObject(parent), runtimeFolder_(std::move(runtimeFolder)), key_(std::move(key)) {}

SingleInstance::~SingleInstance() {
    // The socket goes before the lock: whoever takes the lock next finds no answer to wait for.
    delete server_;
}

QString SingleInstance::lockPath() const {
    return QDir(runtimeFolder_).filePath(QStringLiteral("tavik-%1.lock").arg(key_));
}

QString SingleInstance::socketPath() const {
    return QDir(runtimeFolder_).filePath(QStringLiteral("tavik-%1.socket").arg(key_));
}

QString SingleInstance::defaultRuntimeFolder(const QString& fallback) {
    const QString session = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!session.isEmpty() && QDir::isAbsolutePath(session)) {
        const QString why = whyNotPrivate(session);
        if (why.isEmpty()) {
            return session;
        }
        logLine(QStringLiteral("single instance: not using XDG_RUNTIME_DIR — ") + why);
    }
    return fallback;
}

QString SingleInstance::whyNotPrivate(const QString& folder) {
    struct stat info {};
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder)) {
        return QStringLiteral("no absolute folder was given for it");
    }
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0) {
        return folder + QStringLiteral(" cannot be read: ") +
               QString::fromLocal8Bit(std::strerror(errno));
    }
    if (!S_ISDIR(info.st_mode)) {
        return folder + QStringLiteral(" is not a folder");
    }
    if (info.st_uid != ::geteuid()) {
        return folder + QStringLiteral(" belongs to another user");
    }
    if ((info.st_mode & 0077) != 0) {
        return folder + QStringLiteral(" is open to other users");
    }
    return QString();
}

QString SingleInstance::keyFor(const QString& configFolder) {
    const QByteArray canonical = QDir::cleanPath(QDir(configFolder).absolutePath()).toUtf8();
    return QString::fromLatin1(
        QCryptographicHash::hash(canonical, QCryptographicHash::Sha256).toHex().left(16));
}

SingleInstance::Claim SingleInstance::claim(int timeoutMs) {
    if (QDir::isAbsolutePath(runtimeFolder_) && !ensurePrivateFolder(runtimeFolder_)) {
        // A full disk is the usual reason: say so rather than that the folder is missing.
        refusal_ = QStringLiteral("cannot make the folder %1 for the single-instance lock: %2")
                       .arg(runtimeFolder_, QString::fromLocal8Bit(std::strerror(errno)));
        logLine(QStringLiteral("single instance: ") + refusal_ + QStringLiteral(" — refusing"));
        return Claim::refused;
    }
    refusal_ = whyNotPrivate(runtimeFolder_);
    if (!refusal_.isEmpty()) {
        refusal_ = QStringLiteral("no private folder for the single-instance lock: ") + refusal_;
        logLine(QStringLiteral("single instance: ") + refusal_ + QStringLiteral(" — refusing"));
        return Claim::refused;
    }
    lock_ = std::make_unique<InstanceLock>(lockPath());
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        switch (lock_->tryLock()) {
        case InstanceLock::Outcome::held:
            server_ = new InstanceServer(socketPath(), this);
            if (!server_->listen()) {
                logLine(QStringLiteral("single instance: cannot listen on %1 — %2")
                            .arg(socketPath(), server_->errorString()));
            }
            connect(server_, &InstanceServer::reopenRequested, this,
                    &SingleInstance::reopenRequested);
            return Claim::first;
        case InstanceLock::Outcome::failed:
            refusal_ = lock_->error();
            logLine(QStringLiteral("single instance: ") + refusal_ + QStringLiteral(" — refusing"));
            return Claim::refused;
        case InstanceLock::Outcome::heldElsewhere:
            break;
        }
        const int left = static_cast<int>(deadline.remainingTime());
        if (askHolderToReopen(std::max(left, 1))) {
            return Claim::handedOver;
        }
        if (deadline.hasExpired()) {
            return Claim::unanswered;
        }
        QThread::msleep(retryPauseMs);
    }
}

bool SingleInstance::askHolderToReopen(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
        return false;
    }
    socket.write(InstanceServer::request);
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
        return false;
    }
    QByteArray reply;
    while (!reply.endsWith('\n') && !deadline.hasExpired()) {
        if (!socket.waitForReadyRead(
                static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)))) {
            break;
        }
        reply += socket.readAll();
    }
    return reply == InstanceServer::answer;
}

} // namespace tavik::platform
