#include "app/stores/latest_wins_writer.h"

#include <QFileInfo>

namespace tavik {

using platform::FileWriteResult;

LatestWinsWriter::LatestWinsWriter(QString path, std::string queueName,
                                   BeforeFirstWrite beforeFirstWrite, Written written)
    : path_(std::move(path)), beforeFirstWrite_(std::move(beforeFirstWrite)),
      written_(std::move(written)), queue_(std::move(queueName)) {}

LatestWinsWriter::BeforeFirstWrite LatestWinsWriter::movingAside(bool unreadable,
                                                                 const QString& path) {
    if (!unreadable || platform::moveAsideUnreadable(path).result) {
        return {};
    }
    return [path] {
        return QFileInfo::exists(path) ? platform::moveAsideUnreadable(path).result
                                       : FileWriteResult::done();
    };
}

void LatestWinsWriter::write(Contents contents) {
    std::lock_guard lock(mutex_);
    pending_ = std::move(contents);
    failed_ = nullptr; // overtaken: the newer contents hold everything it held
    schedule();
}

void LatestWinsWriter::write(QByteArray contents) {
    write([bytes = std::move(contents)] { return bytes; });
}

void LatestWinsWriter::retry() {
    std::lock_guard lock(mutex_);
    if (!failed_ || pending_) {
        return;
    }
    pending_ = std::move(failed_);
    failed_ = nullptr;
    schedule();
}

void LatestWinsWriter::schedule() {
    if (scheduled_) {
        return; // the queued task will pick up the newest contents
    }
    scheduled_ = true;
    queue_.async([this] { writePending(); });
}

void LatestWinsWriter::writePending() {
    Contents contents;
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
    FileWriteResult result =
        first && beforeFirstWrite_ ? beforeFirstWrite_() : FileWriteResult::done();
    if (result) {
        result = platform::writeFileDurably(path_, contents());
    }
    {
        std::lock_guard lock(mutex_);
        if (result) {
            firstWriteDone_ = true;
        } else if (!pending_) {
            failed_ = std::move(contents);
            failedBecause_ = result;
        }
    }
    if (written_) {
        written_(result);
    }
}

LatestWinsWriter::Flushed LatestWinsWriter::flush(std::chrono::milliseconds timeout) {
    if (!queue_.drain(timeout)) {
        return Flushed::timedOut;
    }
    return saved() ? Flushed::saved : Flushed::failed;
}

QString LatestWinsWriter::failure() const {
    std::lock_guard lock(mutex_);
    return failed_ ? failedBecause_.reason() : QString();
}

bool LatestWinsWriter::saved() const {
    std::lock_guard lock(mutex_);
    return !pending_ && !failed_ && !scheduled_;
}

} // namespace tavik
