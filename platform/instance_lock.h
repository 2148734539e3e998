#pragma once

#include <QString>

namespace tavik::platform {

// The single-instance lock file: an exclusive lock the kernel takes back the moment its holder
// ends, however it ends, so a lock no live process holds is never obeyed, whatever the file
// holds (nothing, after a power cut between creating and writing it; garbage; a stale number).
// Whatever stands at the path that is not a regular file (a link, dangling or not, a FIFO, a
// device) is removed unopened and a fresh file made: opening it could block the start for ever
// or reach a file that is not the lock's. The file is 0600 and removed by its holder.
class InstanceLock {
public:
    enum class Outcome {
        held,          // this process holds the lock
        heldElsewhere, // a live process holds it
        failed,        // no lock can be made here (see error())
    };

    explicit InstanceLock(QString path);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Outcome tryLock();
    bool held() const { return fd_ >= 0; }
    // Why tryLock() failed, for the person starting Tavik.
    const QString& error() const { return error_; }

private:
    Outcome attempt(bool& again);

    QString path_;
    int fd_ = -1;
    QString error_;
};

} // namespace tavik::platform
