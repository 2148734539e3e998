#pragma once

#include "platform/serial_queue.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

namespace tavik {

// Writes a file's whole contents in the background, always ending with the newest contents:
// a burst of changes collapses into as few writes as the worker can keep up with, and an older
// write can never land after a newer one.
class LatestWinsWriter {
public:
    // `beforeFirstWrite` runs on the worker just before the first write (to move an unreadable
    // file aside, for instance); while it answers false nothing is written and it is asked
    // again at the next write.
    LatestWinsWriter(QString path, std::string queueName,
                     std::function<bool()> beforeFirstWrite = {});
    LatestWinsWriter(const LatestWinsWriter&) = delete;
    LatestWinsWriter& operator=(const LatestWinsWriter&) = delete;

    void write(QByteArray contents);

    // Waits until the newest contents are written (or tried). False when the time ran out.
    bool flush(std::chrono::milliseconds timeout);

private:
    void writePending();

    QString path_;
    std::function<bool()> beforeFirstWrite_;
    std::mutex mutex_;
    std::optional<QByteArray> pending_;
    bool scheduled_ = false;
    bool firstWriteDone_ = false;
    platform::SerialQueue queue_; // last: finishes the pending write before the rest goes
};

} // namespace tavik
