#include "app/stores/latest_wins_writer.h"

#include "platform/private_files.h"

namespace tavik {

LatestWinsWriter::LatestWinsWriter(QString path, std::string queueName,
                                   std::function<bool()> beforeFirstWrite)
    : path_(std::move(path)), beforeFirstWrite_(std::move(beforeFirstWrite)),
      queue_(std::move(queueName)) {}

void LatestWinsWriter::write(QByteArray contents) {
    std::lock_guard lock(mutex_);
    pending_ = std::move(contents);
    if (scheduled_) {
        return; // the queued task will pick up these newer contents
    }
    scheduled_ = true;
    queue_.async([this] { writePending(); });
}

void LatestWinsWriter::writePending() {
    std::optional<QByteArray> contents;
    bool first = false;
    {
        std::lock_guard lock(mutex_);
        contents.swap(pending_);
        scheduled_ = false;
        first = !firstWriteDone_;
    }
    if (!contents) {
        return;
    }
    if (first && beforeFirstWrite_ && !beforeFirstWrite_()) {
        return;
    }
    platform::writeFileAtomically(path_, *contents);
    std::lock_guard lock(mutex_);
    firstWriteDone_ = true;
}

bool LatestWinsWriter::flush(std::chrono::milliseconds timeout) {
    return queue_.drain(timeout);
}

} // namespace tavik
