// Syncs that follow a write on a worker thread, so no thread that serves the person (the main
// thread, the way from a key release to the text) waits for a slow disk.
#include "platform/file_steps.h"
#include "platform/log_sink.h"
#include "platform/serial_queue.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik::platform {
namespace {

// Never destroyed: a sync asked for late in the process must find its queue still there.
SerialQueue& syncQueue() {
    static SerialQueue* const queue = new SerialQueue("tavik.durability");
    return *queue;
}

FileWriteResult syncFile(const QString& path) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return FileWriteResult::failed(errno);
    }
    struct stat info {};
    FileWriteResult synced = ::fstat(fd, &info) != 0 ? FileWriteResult::failed(errno)
                             : S_ISREG(info.st_mode) ? syncDescriptor(fd, path)
                                                     : FileWriteResult::failed(EINVAL);
    ::close(fd);
    return synced;
}

} // namespace

void syncLater(const QString& path) {
    syncQueue().async([path] {
        const QString target = finalTarget(path);
        FileWriteResult synced = syncFile(target);
        if (synced.error == ENOENT) {
            return; // replaced or deleted since: whatever holds its place was synced on its own
        }
        if (synced) {
            synced = syncFolder(QFileInfo(target).absolutePath());
        }
        if (!synced) {
            logLine("could not make " + QFileInfo(target).fileName() + " durable — " +
                    synced.reason());
        }
    });
}

bool drainSyncs(std::chrono::milliseconds timeout) {
    return syncQueue().drain(timeout);
}

} // namespace tavik::platform
