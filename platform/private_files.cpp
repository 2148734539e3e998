#include "platform/private_files.h"

#include "platform/file_steps.h"
#include "platform/log_sink.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik::platform {
namespace {

std::mutex sinkMutex;
MovedAsideSink movedAsideSink;

// mkstemp's six characters: letters and digits.
bool isTemporarySuffix(QStringView suffix) {
    if (suffix.size() != 6) {
        return false;
    }
    for (const QChar c : suffix) {
        if (!(c.isDigit() || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))) {
            return false;
        }
    }
    return true;
}

bool isRegularFile(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

// A moved-aside copy holds what the user said, like every other file of Tavik's. Opened without
// following a link and without blocking, so only a regular file's own mode changes.
void makePrivate(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        ::fchmod(fd, 0600);
    }
    ::close(fd);
}

} // namespace

bool ensurePrivateFolder(const QString& path) {
    if (QFileInfo(path).isDir()) {
        return true;
    }
    const QString parent = QFileInfo(path).absolutePath();
    if (parent != path && !QFileInfo(parent).isDir() && !ensurePrivateFolder(parent)) {
        return false;
    }
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0) {
        const int error = errno;
        if (QFileInfo(path).isDir()) {
            return true; // made by someone else meanwhile
        }
        errno = error; // the caller reports why
        return false;
    }
    return true;
}

MovedAside moveAsideUnreadable(const QString& path) {
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString target = path + ".unreadable-" + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n) {
        target = path + ".unreadable-" + stamp + "-" + QString::number(n);
    }
    const QString name = QFileInfo(path).fileName();
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) != 0) {
        const FileWriteResult failed = FileWriteResult::failed(errno);
        logLine("could not move unreadable " + name + " aside — " + failed.reason());
        return {QString(), failed};
    }
    makePrivate(target);
    // Until the folder is synced the move may not survive a power cut, and the write that
    // follows would then replace the only copy: the caller must not write yet.
    const FileWriteResult synced = syncFolder(QFileInfo(path).absolutePath());
    QString moved = "moved unreadable " + name + " aside to " + QFileInfo(target).fileName();
    if (!synced) {
        moved += " but could not sync its folder — " + synced.reason();
    }
    logLine(moved);
    MovedAsideSink sink;
    {
        std::lock_guard lock(sinkMutex);
        sink = movedAsideSink;
    }
    if (sink) {
        sink(path, target);
    }
    return {target, synced};
}

void setMovedAsideSink(MovedAsideSink sink) {
    std::lock_guard lock(sinkMutex);
    movedAsideSink = std::move(sink);
}

int removeLeftoverTemporaries(const QString& path) {
    const QFileInfo info(path);
    return removeLeftoverTemporaries(info.absolutePath(), info.fileName());
}

int removeLeftoverTemporaries(const QString& folder, const QString& targets) {
    const QDir dir(folder);
    int removed = 0;
    const QStringList names =
        dir.entryList({temporaryPattern(targets)}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        if (isTemporarySuffix(QStringView(name).last(6)) && isRegularFile(path) &&
            QFile::remove(path)) {
            ++removed;
            logLine("removed " + name + ", left behind by a save that was cut short");
        }
    }
    return removed;
}

} // namespace tavik::platform
