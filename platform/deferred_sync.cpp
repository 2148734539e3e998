// Syncs that follow a write on a worker thread, so no thread that serves the person (the main
// thread, the way from a key release to the text) waits for a slow disk.
#include "platform/file_steps.h"
#include "platform/log_sink.h"
#include "platform/serial_queue.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik::platform {
namespace {

constexpr std::chrono::seconds exitDrainLimit{5};

// Never destroyed: a sync asked for, or still running, late in the process must find its queue
// and its bookkeeping still there.
struct Syncs {
    std::mutex mutex;
    QSet<QString> waiting; // paths whose sync is queued and not begun
    SerialQueue queue{"tavik.durability"};
};

Syncs& syncs() {
    static Syncs* const made = [] {
        auto* const created = new Syncs;
        // A sync still running when the program ends (a quit that could not wait, a program that
        // just returns from main) finishes before the exit tears down what it logs through.
        std::atexit([] {
            if (!syncs().queue.isCurrent()) {
                syncs().queue.drain(exitDrainLimit);
            }
        });
        return created;
    }();
    return *made;
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
    {
        // A burst of writes (a slider dragged) needs one sync after the last, not one each.
        std::lock_guard lock(syncs().mutex);
        if (syncs().waiting.contains(path)) {
            return;
        }
        syncs().waiting.insert(path);
    }
    syncs().queue.async([path] {
        {
            std::lock_guard lock(syncs().mutex);
            syncs().waiting.remove(path); // a write from now on asks for a sync of its own
        }
        const QString target = finalTarget(path);
        FileWriteResult synced = syncFile(target);
        if (synced.error == ENOENT) {
            return; // deleted since (pruned, or the archive emptied): nothing left to keep
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
    return syncs().queue.drain(timeout);
}

} // namespace tavik::platform
