#include "platform/instance_server.h"

#include "platform/log_sink.h"

#include <QFile>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace tavik::platform {
namespace {

constexpr int backlog = 64;
// How long accepting pauses when the process has no descriptor left, and how long a listener
// that failed waits before it listens again.
constexpr int pauseMs = 200;
constexpr int relistenMs = 1000;

bool outOfDescriptors(int error) {
    return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

} // namespace

InstanceServer::InstanceServer(QString path, QObject* parent)
    : QObject(parent), path_(std::move(path)) {}

InstanceServer::~InstanceServer() {
    // Ended here, while this object is whole: their signals reach it.
    while (!open_.isEmpty()) {
        QLocalSocket* socket = open_.takeLast();
        delete socket;
    }
    close();
    ::unlink(QFile::encodeName(path_).constData());
}

void InstanceServer::close() {
    delete notifier_;
    notifier_ = nullptr;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool InstanceServer::listen() {
    close();
    const QByteArray path = QFile::encodeName(path_);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof(address.sun_path))) {
        error_ = QStringLiteral("the socket's path is too long");
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // We hold the lock, so whatever is there was left by a process that died.
    ::unlink(path.constData());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::chmod(path.constData(), 0600) != 0 || ::listen(fd, backlog) != 0) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    fd_ = fd;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &InstanceServer::acceptPending);
    return true;
}

void InstanceServer::relisten() {
    if (listen()) {
        logLine(QStringLiteral("single instance: listening again on %1").arg(path_));
        return;
    }
    QTimer::singleShot(relistenMs, this, &InstanceServer::relisten);
}

void InstanceServer::acceptPending() {
    for (;;) {
        const int connection = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (connection >= 0) {
            take(connection);
            continue;
        }
        const int error = errno;
        if (error == EAGAIN || error == EWOULDBLOCK) {
            return;
        }
        if (error == EINTR || error == ECONNABORTED) {
            continue;
        }
        if (outOfDescriptors(error)) {
            // Giving back the oldest connection makes room; the rest wait in the backlog.
            if (!open_.isEmpty()) {
                drop(open_.first());
            }
            notifier_->setEnabled(false);
            QTimer::singleShot(pauseMs, this, [this] {
                if (notifier_ != nullptr) {
                    notifier_->setEnabled(true);
                    acceptPending();
                }
            });
            return;
        }
        logLine(QStringLiteral("single instance: the socket failed (%1) — listening again")
                    .arg(QString::fromLocal8Bit(std::strerror(error))));
        close();
        QTimer::singleShot(relistenMs, this, &InstanceServer::relisten);
        return;
    }
}

void InstanceServer::take(int fd) {
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(fd)) {
        ::close(fd);
        delete socket;
        return;
    }
    while (open_.size() >= maxOpen) {
        drop(open_.first());
    }
    open_.append(socket);
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { drop(socket); });
    QTimer::singleShot(requestTimeoutMs, socket, [this, socket] { drop(socket); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > request.size()) {
                drop(socket); // not one of ours: never buffer without bound
            }
            return;
        }
        if (socket->readLine(64) == request) {
            socket->write(answer);
            socket->flush();
            emit reopenRequested();
        }
        socket->disconnectFromServer();
    });
}

void InstanceServer::drop(QLocalSocket* socket) {
    if (open_.removeOne(socket)) {
        socket->abort();
        socket->deleteLater();
    }
}

} // namespace tavik::platform
