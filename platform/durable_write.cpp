// The one way Tavik replaces a file. QSaveFile is not enough: it buffers small writes, and in
// Qt 6.4 a flush that fails inside commit() (a full disk) still renames the empty temporary
// file over the good one and reports success. Here every byte is written unbuffered and
// checked, synced and counted before the rename, and the rename itself is synced; or, for a
// caller that must not wait for the disk, checked and counted now and synced by a worker later.
#include "platform/file_steps.h"
#include "platform/private_files.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik::platform {
namespace {

std::mutex syncObserverMutex;
SyncObserver syncObserver;

// Marks what a save writes before its rename, so that clearing leftovers can never take a
// file a person named.
constexpr char temporaryMarker[] = ".tavik-save-";

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

FileWriteResult checkSize(int fd, qint64 expectedSize) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return FileWriteResult::failed(errno);
    }
    if (static_cast<qint64>(info.st_size) != expectedSize) {
        return FileWriteResult::failed(EIO);
    }
    return FileWriteResult::done();
}

// Replaces the target only when it is a regular file or missing: renaming over a link's device
// or pipe target would put a file where the system keeps one (/dev/null, as root).
FileWriteResult checkReplaceable(const QString& target) {
    struct stat info {};
    if (::stat(QFile::encodeName(target).constData(), &info) != 0) {
        return errno == ENOENT ? FileWriteResult::done() : FileWriteResult::failed(errno);
    }
    return S_ISREG(info.st_mode) ? FileWriteResult::done() : FileWriteResult::failed(EINVAL);
}

FileWriteResult replaceFile(const QString& path, const QByteArray& bytes, bool sync) {
    const QString target = finalTarget(path);
    const QFileInfo targetInfo(target);
    const QString folder = targetInfo.absolutePath();
    if (!ensurePrivateFolder(folder)) {
        return FileWriteResult::failed(errno);
    }
    if (const FileWriteResult replaceable = checkReplaceable(target); !replaceable) {
        return replaceable;
    }
    QByteArray temporary =
        QFile::encodeName(folder + "/." + targetInfo.fileName()) + temporaryMarker + "XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC); // mode 0600
    if (fd < 0) {
        return FileWriteResult::failed(errno);
    }
    FileWriteResult result = writeAll(fd, bytes);
    if (result && sync) {
        result = syncDescriptor(fd, QFile::decodeName(temporary));
    }
    if (result) {
        result = checkSize(fd, bytes.size());
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
    return sync ? syncFolder(folder) : result;
}

} // namespace

QString finalTarget(const QString& path) {
    QString target = path;
    for (int depth = 0; depth < 40 && QFileInfo(target).isSymLink(); ++depth) {
        target = QFileInfo(target).symLinkTarget();
    }
    return target;
}

QString temporaryPattern(const QString& name) {
    return "." + name + QLatin1String(temporaryMarker) + "??????";
}

FileWriteResult syncDescriptor(int fd, const QString& path) {
    SyncObserver observer;
    {
        std::lock_guard lock(syncObserverMutex);
        observer = syncObserver;
    }
    if (observer) {
        observer(path);
    }
    return ::fsync(fd) == 0 ? FileWriteResult::done() : FileWriteResult::failed(errno);
}

void setSyncObserver(SyncObserver observer) {
    std::lock_guard lock(syncObserverMutex);
    syncObserver = std::move(observer);
}

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
    const FileWriteResult synced = syncDescriptor(fd, folder);
    ::close(fd);
    return synced;
}

FileWriteResult writeFileDurably(const QString& path, const QByteArray& bytes) {
    return replaceFile(path, bytes, true);
}

FileWriteResult replaceFileUnsynced(const QString& path, const QByteArray& bytes) {
    return replaceFile(path, bytes, false);
}

} // namespace tavik::platform
