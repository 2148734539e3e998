#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace tavik::platform {

class InstanceLock;
class InstanceServer;

// One Tavik per user: two would both hear the shortcut and insert every dictation twice, and
// overwrite each other's history. The first process holds a lock file in the runtime folder and
// listens on a local socket beside it; a later start asks that process to show its window and
// leaves. A lock left by a process that died is taken over, never obeyed; where no lock can be
// made at all Tavik does not start, as two would lose dictations. The lock and the socket
// live only in a folder of this user's that no one else may enter: another user who could reach
// them could answer in Tavik's name or keep it from starting.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Claim {
        first,      // this process holds the lock and listens for later starts
        handedOver, // another Tavik runs and was asked to show its window
        unanswered, // another Tavik holds the lock but did not answer in time
        refused,    // no private runtime folder, or no lock can be made in it (see refusal())
    };

    // `runtimeFolder` holds the lock and the socket; `key` names the data the instance guards
    // (see keyFor), so two separate setups of one user never meet.
    SingleInstance(QString runtimeFolder, QString key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock, or asks its holder to reopen. Blocks up to `timeoutMs`: the holder may
    // still be starting (locked, not listening yet). Call once, before the event loop runs.
    Claim claim(int timeoutMs = 5000);
    // Why claim() refused, for the person starting Tavik; empty when it did not.
    const QString& refusal() const { return refusal_; }

    QString lockPath() const;
    QString socketPath() const;

    // $XDG_RUNTIME_DIR when it is a private folder of this user's; otherwise `fallback`, a
    // folder in the user's own files (the application passes "<state folder>/runtime"), never
    // a shared place such as /tmp/runtime-<user>, which another user may have taken.
    static QString defaultRuntimeFolder(const QString& fallback);
    // Why `folder` is not a private folder of this user's (a folder owned by the user that no
    // one else may enter, not a link); empty when it is.
    static QString whyNotPrivate(const QString& folder);
    // A short name for a configuration folder: one Tavik per folder of settings and history.
    static QString keyFor(const QString& configFolder);

signals:
    // A later start asked this process to show its main window.
    void reopenRequested();

private:
    bool askHolderToReopen(int timeoutMs);

    QString runtimeFolder_;
    QString key_;
    QString refusal_;
    std::unique_ptr<InstanceLock> lock_;
    InstanceServer* server_ = nullptr;
};

} // namespace tavik::platform
