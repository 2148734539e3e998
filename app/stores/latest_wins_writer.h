#pragma once

#include "platform/private_files.h"
#include "platform/serial_queue.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <mutex>

namespace tavik {

// Writes a file's whole contents in the background, always ending with the newest contents:
// a burst of changes collapses into as few writes as the worker can keep up with (the contents
// are made on the worker, so a change the next one overtakes costs nothing), and an older write
// never lands after a newer one. Contents whose write failed are kept for retry() until newer
// ones replace them.
class LatestWinsWriter {
public:
    // Makes the bytes to write; runs on the worker.
    using Contents = std::function<QByteArray()>;
    // Runs on the worker before the first write (to move an unreadable file aside, for
    // instance); while it fails nothing is written and the write counts as failed.
    using BeforeFirstWrite = std::function<platform::FileWriteResult()>;
    // Told on the worker after every write with how it went.
    using Written = std::function<void(const platform::FileWriteResult&)>;

    enum class Flushed { saved, failed, timedOut };

    LatestWinsWriter(QString path, std::string queueName, BeforeFirstWrite beforeFirstWrite = {},
                     Written written = {});

    // For a file that could not be read, which may hold the user's only copy: moves it aside
    // at once, so the window can say where it went. When that fails, the step returned moves it
    // aside (if it is still there) before anything is written over it. Nothing when
    // `unreadable` is false.
    static BeforeFirstWrite movingAside(bool unreadable, const QString& path);
    LatestWinsWriter(const LatestWinsWriter&) = delete;
    LatestWinsWriter& operator=(const LatestWinsWriter&) = delete;

    void write(Contents contents);
    void write(QByteArray contents);

    // Writes the newest contents again when their write failed; nothing otherwise.
    void retry();

    // Waits until the newest contents are written or their write failed, at most `timeout`.
    Flushed flush(std::chrono::milliseconds timeout);

    // Whether the newest contents are on the disk (false while they wait or after a failure).
    bool saved() const;
    // Why the newest contents are not on the disk: the reason their write failed. Empty while
    // they are saved or still waiting.
    QString failure() const;

private:
    void schedule();
    void writePending();

    QString path_;
    BeforeFirstWrite beforeFirstWrite_;
    Written written_;
    mutable std::mutex mutex_;
    Contents pending_; // the newest contents, not yet taken by the worker
    Contents failed_;  // the newest contents, whose write failed
    platform::FileWriteResult failedBecause_;
    bool scheduled_ = false;
    bool firstWriteDone_ = false;
    platform::SerialQueue queue_; // last: finishes the pending write before the rest goes
};

} // namespace tavik
