// Reading a store's file without trusting what sits at its path: a pipe would block the start
// for ever, /dev/zero would fill the memory, and a file grown huge would stall every change.
#include "platform/private_files.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik::platform {
namespace {

FileRead unreadable(const QString& problem) {
    return {FileRead::Outcome::unreadable, {}, problem};
}

FileRead failedBecause(int error) {
    if (error == ENOENT) {
        return {}; // gone, or a link to nothing: nothing to read and nothing to keep
    }
    return unreadable(FileWriteResult::failed(error).reason());
}

QString tooLarge(qint64 maxBytes) {
    return "larger than " + QString::number(maxBytes) + " bytes";
}

} // namespace

FileRead readRegularFile(const QString& path, qint64 maxBytes) {
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0) {
        return failedBecause(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return unreadable(QStringLiteral("not a regular file"));
    }
    // Without blocking: a pipe put there since the check must not hold the open.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return failedBecause(errno);
    }
    FileRead read;
    if (::fstat(fd, &info) != 0) {
        read = failedBecause(errno);
    } else if (!S_ISREG(info.st_mode)) {
        read = unreadable(QStringLiteral("not a regular file"));
    } else if (info.st_size > maxBytes) {
        read = unreadable(tooLarge(maxBytes));
    } else {
        read.outcome = FileRead::Outcome::read;
        // One byte more than allowed shows a file that grew while it was read.
        read.bytes.resize(qsizetype(info.st_size) + 1);
        qsizetype have = 0;
        while (read.outcome == FileRead::Outcome::read) {
            if (have == read.bytes.size()) {
                if (have > maxBytes) {
                    read = unreadable(tooLarge(maxBytes));
                    break;
                }
                read.bytes.resize(std::min<qint64>(have * 2 + 4096, maxBytes + 1));
            }
            const ssize_t got =
                ::read(fd, read.bytes.data() + have, size_t(read.bytes.size() - have));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                read = failedBecause(errno == ENOENT ? EIO : errno);
            } else if (got == 0) {
                read.bytes.truncate(have);
                break;
            } else {
                have += got;
            }
        }
    }
    ::close(fd);
    return read;
}

} // namespace tavik::platform
