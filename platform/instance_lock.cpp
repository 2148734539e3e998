#include "platform/instance_lock.h"

#include "platform/log_sink.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik::platform {
namespace {

// Another start removing or replacing the file between our steps makes us start over; this
// many times in a row means something keeps doing it on purpose.
constexpr int attempts = 8;

QString systemWords(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

InstanceLock::InstanceLock(QString path) : path_(std::move(path)) {}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        // Removed while still held: a start that opened this file meanwhile finds it gone once
        // it gets the lock, and makes a new one.
        ::unlink(QFile::encodeName(path_).constData());
        ::close(fd_);
    }
}

InstanceLock::Outcome InstanceLock::tryLock() {
    if (fd_ >= 0) {
        return Outcome::held;
    }
    for (int i = 0; i < attempts; ++i) {
        bool again = false;
        const Outcome outcome = attempt(again);
        if (!again) {
            return outcome;
        }
    }
    error_ = path_ + QStringLiteral(" keeps being replaced while it is taken");
    return Outcome::failed;
}

InstanceLock::Outcome InstanceLock::attempt(bool& again) {
    const QByteArray path = QFile::encodeName(path_);
    struct stat found {};
    if (::lstat(path.constData(), &found) == 0 && !S_ISREG(found.st_mode)) {
        const int removed =
            S_ISDIR(found.st_mode) ? ::rmdir(path.constData()) : ::unlink(path.constData());
        if (removed != 0 && errno != ENOENT) {
            error_ = path_ + QStringLiteral(" is not a regular file and cannot be removed: ") +
                     systemWords(errno);
            return Outcome::failed;
        }
        logLine(
            QStringLiteral("single instance: removed %1, which was not a lock file").arg(path_));
    }
    // Not following a link and not waiting on a FIFO even if one appears after the check.
    const int fd =
        ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENXIO || errno == EISDIR) {
            again = true;
            return Outcome::failed;
        }
        error_ = QStringLiteral("cannot make the single-instance lock %1: %2")
                     .arg(path_, systemWords(errno));
        return Outcome::failed;
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        again = true;
        return Outcome::failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            return Outcome::heldElsewhere;
        }
        error_ = QStringLiteral("cannot lock %1: %2").arg(path_, systemWords(error));
        return Outcome::failed;
    }
    // Its last holder may have removed the file between our open and our lock.
    struct stat now {};
    if (::lstat(path.constData(), &now) != 0 || !sameFile(now, opened)) {
        ::close(fd);
        again = true;
        return Outcome::failed;
    }
    // A file left by an older run keeps the mode it was made with otherwise.
    (void)::fchmod(fd, 0600);
    // The number is for a person looking; nothing reads it, so a full disk costs nothing.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd, 0) == 0) {
        (void)!::pwrite(fd, pid.constData(), size_t(pid.size()), 0);
    }
    fd_ = fd;
    return Outcome::held;
}

} // namespace tavik::platform
