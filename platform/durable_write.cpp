// The one way Tavik replaces a file. QSaveFile is not enough: it buffers small writes, and in
// Qt 6.4 a flush that fails inside commit() (a full disk) still renames the empty temporary
// file over the good one and reports success. Here every byte is written unbuffered and
// checked, synced and counted before the rename, and the rename itself is synced.
#include "platform/private_files.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik::platform {
namespace {

// The file a write should replace: the target of a symbolic link (followed to its end), so a
// settings file linked from elsewhere stays linked.
QString finalTarget(const QString& path) {
    QString target = path;
    for (int depth = 0; depth < 40 && QFileInfo(target).isSymLink(); ++depth) {
        target = QFileInfo(target).symLinkTarget();
    }
    return target;
}

FileWriteResult writeAll(int fd, const QByteArray& bytes) {
    const char* next = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return FileWriteResult::failed(errno);
        }
        if (written == 0) {
            return FileWriteResult::failed(EIO); // no progress and no reason: never loop forever
        }
        next += written;
        left -= written;
    }
    return FileWriteResult::done();
}

FileWriteResult syncAndCount(int fd, qint64 expectedSize) {
    if (::fsync(fd) != 0) {
        return FileWriteResult::failed(errno);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return FileWriteResult::failed(errno);
    }
    if (static_cast<qint64>(info.st_size) != expectedSize) {
        return FileWriteResult::failed(EIO);
    }
    return FileWriteResult::done();
}

} // namespace

QString FileWriteResult::reason() const {
    if (ok()) {
        return QString();
    }
    // In English like the rest of the window, whatever the locale; thread-safe.
    const char* description = ::strerrordesc_np(error);
    return description != nullptr ? QString::fromLatin1(description)
                                  : QStringLiteral("Error ") + QString::number(error);
}

FileWriteResult FileWriteResult::failed(int error) {
    return {error != 0 ? error : EIO};
}

FileWriteResult syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return FileWriteResult::failed(errno);
    }
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    return synced ? FileWriteResult::done() : FileWriteResult::failed(error);
}

FileWriteResult writeFileDurably(const QString& path, const QByteArray& bytes) {
    const QString target = finalTarget(path);
    const QString folder = QFileInfo(target).absolutePath();
    if (!ensurePrivateFolder(folder)) {
        return FileWriteResult::failed(errno);
    }
    QByteArray temporary = QFile::encodeName(target) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC); // mode 0600
    if (fd < 0) {
        return FileWriteResult::failed(errno);
    }
    FileWriteResult result = writeAll(fd, bytes);
    if (result) {
        result = syncAndCount(fd, bytes.size());
    }
    if (::close(fd) != 0 && result) {
        result = FileWriteResult::failed(errno);
    }
    if (result && ::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0) {
        result = FileWriteResult::failed(errno);
    }
    if (!result) {
        ::unlink(temporary.constData());
        return result;
    }
    // The new name must be on the disk too, or a power cut could bring the old file back.
    return syncFolder(folder);
}

} // namespace tavik::platform
